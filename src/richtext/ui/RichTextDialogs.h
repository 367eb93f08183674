#pragma once
// The editor's dialogs: page (paper size, orientation, margins), paragraph
// (indents, spacing, alignment) and find/replace. Each gathers values and
// checks them with the widget-free rules (PageRules, ParagraphFormat,
// FindReplace); a value that is refused is named and the dialog stays open.
#include <QTextCursor>

#include "help/ui/HelpDialog.h"
#include "richtext/PageSetup.h"
#include "richtext/RichDocument.h"
#include "richtext/ui/ParagraphFormat.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brindle::common {
class UserDialogs;
}

namespace brindle::richtext::ui {

class RichTextEditor;

class TPageSetupDialog : public help::HelpDialog {
    Q_OBJECT
public:
    TPageSetupDialog(const PageSetup& page, common::UserDialogs& dialogs, int helpTopic, QWidget* parent = nullptr);
    PageSetup page() const;
    void setPage(const PageSetup& page);

    QComboBox* paper() const { return paper_; }
    QDoubleSpinBox* value(const QString& name) const;  // "width", "height", "left", "right", "top", "bottom"
    QRadioButton* landscape() const { return landscape_; }
    void accept() override;

private:
    void paperChosen(int index);
    void orientationChosen();

    common::UserDialogs& dialogs_;
    PageSetup page_;
    QComboBox* paper_;
    QDoubleSpinBox *width_, *height_, *left_, *right_, *top_, *bottom_;
    QRadioButton *portrait_, *landscape_;
};

class TParagraphDialog : public help::HelpDialog {
    Q_OBJECT
public:
    TParagraphDialog(const ParagraphFormat& format, int textWidthTwips, common::UserDialogs& dialogs, int helpTopic,
                     QWidget* parent = nullptr);
    ParagraphFormat format() const;
    QDoubleSpinBox* value(const QString& name) const;  // "left", "right", "first", "before", "after"
    QComboBox* alignment() const { return alignment_; }
    void accept() override;

private:
    ParagraphFormat original_;
    int textWidth_;
    common::UserDialogs& dialogs_;
    QDoubleSpinBox *left_, *right_, *first_, *before_, *after_;
    QComboBox* alignment_;
};

// Find (and, with `replacing`, Replace): works on the editor while it stays open.
class TFindDialog : public help::HelpDialog {
    Q_OBJECT
public:
    TFindDialog(RichTextEditor& editor, common::UserDialogs& dialogs, bool replacing, int helpTopic,
                QWidget* parent = nullptr);
    QLineEdit* findText() const { return find_; }
    QLineEdit* replaceText() const { return replace_; }
    QCheckBox* matchCase() const { return matchCase_; }
    QCheckBox* wholeWord() const { return wholeWord_; }
    void findNext();
    void replaceOne();
    void replaceAll();

private:
    FindOptions options() const;

    RichTextEditor& editor_;
    common::UserDialogs& dialogs_;
    QLineEdit* find_;
    QLineEdit* replace_ = nullptr;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
};

}  // namespace brindle::richtext::ui

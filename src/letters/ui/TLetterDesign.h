#pragma once
// "Letter Designer": a letter template's description and document, edited
// with a formatting toolbar, the "Insert field" list of merge tokens, a
// ruler, the editing area and the File, Edit and Settings menus. Ok (or the
// close box) keeps the edits, Cancel discards them; the caller stores them.
#include <QColor>
#include <functional>
#include <optional>

#include "help/ui/HelpDialog.h"
#include "letters/LetterSettings.h"
#include "richtext/RichDocument.h"

class QAction;
class QComboBox;
class QFontComboBox;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QToolButton;

namespace brindle::common {
class ProfileFile;
class UserDialogs;
}
namespace brindle::richtext::ui {
class RichTextEditor;
class RulerBar;
}

namespace brindle::letters::ui {

class TLetterDesign : public help::HelpDialog {
    Q_OBJECT
public:
    TLetterDesign(common::UserDialogs& dialogs, common::ProfileFile& settings, QWidget* parent = nullptr);
    ~TLetterDesign() override;

    richtext::RichDocument& document() { return document_; }
    richtext::ui::RichTextEditor* editor() const { return editor_; }
    richtext::ui::RulerBar* ruler() const { return ruler_; }
    // Fills the document (the caller's template) while the editor lets go of it.
    bool loadDocument(const std::function<bool(richtext::RichDocument&)>& load);

    void setDescription(const QString& description);
    QString description() const;
    // A new letter gets the default font at the insertion point when shown.
    void setNewLetter(bool isNew) { newLetter_ = isNew; }

    // Controls by object name, for the window's tests.
    QAction* action(const QString& name) const;
    QToolButton* tool(const QString& name) const;
    QComboBox* insertField() const { return insertField_; }
    QFontComboBox* fontName() const { return fontName_; }
    QComboBox* fontSize() const { return fontSize_; }
    QLineEdit* descriptionEdit() const { return description_; }
    QPushButton* button(const QString& caption) const;

    // Choosers the window asks (tests replace them).
    std::function<std::optional<QColor>(const QColor& initial, const QString& title)> chooseColour;
    std::function<std::optional<DefaultFont>(const DefaultFont& initial)> chooseFont;
    // Part of the program outside this window: the letter preview and the
    // spell checker. Without them their commands are greyed out.
    void setPreviewAction(std::function<void(const richtext::RichDocument&)> preview);
    void setSpellCheckAction(std::function<void(richtext::RichDocument&)> spellCheck);

    // The commands (menus, toolbar, buttons).
    void insertFieldChosen(int index);
    void insertPageBreak();
    void saveAsRtf();
    void loadRtf();
    void insertRtf();
    void paragraphSettings();
    void pageSettings();
    void toggleWordWrap();
    void chooseDefaultFont();
    void setFontColour();
    void setBackgroundColour();
    void toggleBullets();
    void openFind(bool replacing);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenus(QMenuBar* bar);
    QWidget* buildToolbar();
    void showFormat();
    void applyDefaultFont();
    void updateDefaultFontCaption();

    common::UserDialogs& dialogs_;
    common::ProfileFile& settings_;
    richtext::RichDocument document_;
    DefaultFont defaultFont_;
    bool newLetter_ = false;
    bool shown_ = false;
    bool cancelling_ = false;
    std::function<void(const richtext::RichDocument&)> preview_;
    std::function<void(richtext::RichDocument&)> spellCheck_;

    richtext::ui::RichTextEditor* editor_;
    richtext::ui::RulerBar* ruler_;
    QLineEdit* description_;
    QComboBox* insertField_;
    QFontComboBox* fontName_;
    QComboBox* fontSize_;
    QPushButton* preview_button_;
};

}  // namespace brindle::letters::ui

#pragma once
// The dialogs of the multi-line objects: the "Multi-line Text Editor" (at
// most 254 characters, held while typing, pasting and dropping) and the
// "Address Label Layout" of the address block.
#include <QPlainTextEdit>

#include "designobjects/MultiLineLabels.h"
#include "designobjects/ui/DesignDialogBase.h"

class QCheckBox;
class QRadioButton;

namespace brindle::designobjects {

// A plain text edit that never grows beyond a number of characters (a line
// break counts as one). Text set from code that is already longer is kept.
class LimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LimitedTextEdit(int limit, QWidget* parent = nullptr);
    int limit() const { return limit_; }
    // Replaces the text without applying the limit (text from a design is never cut).
    void loadText(const QString& text);

private:
    void contentsChanged(int position, int removed, int added);

    int limit_;
    int length_ = 0;  // characters before the change being checked
    bool unchecked_ = false;
};

class TMultiLineEditor : public DesignDialog {
    Q_OBJECT
public:
    explicit TMultiLineEditor(QWidget* parent = nullptr);
    void setLines(const QStringList& lines);
    QStringList lines() const;
    // Shows the text in the object's font.
    void setTextFont(const DesignFont& font);
    LimitedTextEdit* edit() const { return edit_; }

private:
    LimitedTextEdit* edit_;
};

class TAddressLayoutDialog : public DesignDialog {
    Q_OBJECT
public:
    explicit TAddressLayoutDialog(QWidget* parent = nullptr);
    void setAddressLayout(const AddressLayout& layout);
    AddressLayout addressLayout() const;

private:
    void zipToggled(bool on);

    QCheckBox* name_;
    QCheckBox* title_;
    QCheckBox* company_;
    QCheckBox* street_;
    QCheckBox* street2_;
    QCheckBox* cityState_;
    QCheckBox* zip_;
    QCheckBox* phone_;
    QCheckBox* country_;
    QCheckBox* upperCase_;
    QRadioButton* zipPlaces_[4];
};

}  // namespace brindle::designobjects

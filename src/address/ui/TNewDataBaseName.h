#pragma once
// The name of a new address file, with the way to its field widths.
#include <QLabel>
#include <QLineEdit>
#include <functional>

#include "address/AddressSchema.h"
#include "address/ui/DialogSupport.h"

namespace brindle::address::ui {

class TNewDataBaseName : public HelpDialog {
    Q_OBJECT
public:
    // The field widths are loaded from the settings file when the window is made.
    TNewDataBaseName(const QString& suggestion, const QString& settingsPath, QWidget* parent = nullptr);

    // Called with the name on "Ok [PgDn]"; the window closes when it returns true.
    std::function<bool(const QString& name)> onOk;

    QString name() const { return edit_->text(); }
    const FieldLengths& lengths() const { return lengths_; }
    QLineEdit* nameEdit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }
    QLabel* invalidLabel() const { return invalid_; }

public slots:
    void okClicked();
    void specifyFieldLengthsClicked();

private:
    void nameChanged();

    QString settingsPath_;
    FieldLengths lengths_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QLabel* invalid_;
};

}  // namespace brindle::address::ui

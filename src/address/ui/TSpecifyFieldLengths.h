#pragma once
// The widths of the configurable fields of a new address file.
#include <QCheckBox>
#include <QLineEdit>
#include <map>

#include "address/AddressSchema.h"
#include "address/ui/DialogSupport.h"

namespace brindle::address::ui {

class TSpecifyFieldLengths : public HelpDialog {
    Q_OBJECT
public:
    // Edits `lengths` in place: "Defaults" changes them at once, "Ok" takes the edits.
    TSpecifyFieldLengths(FieldLengths& lengths, QWidget* parent = nullptr);
    bool useForAllNewDatabases() const { return useForAll_->isChecked(); }
    QLineEdit* edit(const std::string& field) const { return edits_.at(field); }
    QCheckBox* useForAllBox() const { return useForAll_; }

    // Labels in window order with the field each edits.
    static const std::vector<std::pair<QString, std::string>>& fieldLabels();

public slots:
    void defaultsClicked();
    void okClicked();

private:
    void loadEdits();
    void checkEdit(const std::string& field);

    FieldLengths& lengths_;
    std::map<std::string, QLineEdit*> edits_;
    std::map<std::string, int> fallback_;
    QCheckBox* useForAll_;
};

}  // namespace brindle::address::ui

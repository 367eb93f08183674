#pragma once
// "Print Labels": the list of label setups with the current one's stock
// details, and New, Modify, Delete and Clone. New and Modify lead to the
// label designer; Print and Preview run the label printing engine.
#include <functional>
#include <memory>

#include "help/ui/HelpDialog.h"
#include "labels/LabelSetupList.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace brindle::store {
class Table;
}
namespace brindle::address {
class AddressFile;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::labels::ui {

class TLabelSetupScreen : public help::HelpDialog {
    Q_OBJECT
public:
    // `table` is LABEL.DBF as LabelSetupList::openLabelTable leaves it.
    TLabelSetupScreen(store::Table& table, const QString& sysdata, common::UserDialogs& dialogs,
                      QWidget* parent = nullptr);

    QTableWidget* grid() const { return grid_; }
    QPushButton* button(const QString& caption) const;
    QString detailText(const QString& caption) const;
    LabelSetupList& list() { return list_; }

    void deleteButtonClick();
    void cloneButtonClick();
    // Open the label designer on a new setup or on the current one; a design
    // saved there is stored through LabelSetupList::commitSetup.
    void newButtonClick();
    void modifyButtonClick();
    // Print or preview labels of the current setup for the records the
    // main window's filter shows (TLabelPrinter, then the preview).
    void printLabels(bool preview);
    // The open address file whose records the designer shows.
    void setAddressFile(address::AddressFile* file) { addressFile_ = file; }

private:
    void run(const std::function<bool()>& action);
    void fillGrid(std::uint32_t select);
    void showDetails();
    void setLabelButtons();
    void design(bool isNew);

    LabelSetupList list_;
    address::AddressFile* addressFile_ = nullptr;
    common::UserDialogs& dialogs_;
    QTableWidget* grid_;
    QVector<QLabel*> details_;
    QPushButton* modify_;
    QPushButton* new_;
    QPushButton* delete_;
    QPushButton* clone_;
    QPushButton* ok_;
    QPushButton* print_;
    QPushButton* preview_;
    QVector<QPushButton*> buttons_;
};

}  // namespace brindle::labels::ui

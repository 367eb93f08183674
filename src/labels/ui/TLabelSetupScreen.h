#pragma once
// "Print Labels": the list of label setups with the current one's stock
// details, and New, Modify, Delete and Clone. New and Modify lead to the
// label designer. Below them the job's choices: which records ("What to
// Print"), the printer, and Print and Preview, which ask for the sheet
// positions and copies ("Labels Print") and run the job.
#include <functional>
#include <memory>
#include <optional>

#include "common/ui/DescriptionGrid.h"
#include "help/ui/HelpDialog.h"
#include "labels/LabelJobOptions.h"
#include "labels/LabelSetupList.h"
#include "labels/ui/LabelJobRun.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace brindle::store {
class Table;
}
namespace brindle::address {
class AddressFile;
}
namespace brindle::common {
class UserDialogs;
}
namespace brindle::printer {
class CurrentPrinter;
}

namespace brindle::labels::ui {

class TSelectSpecificLabels;
class TPrinterCalibration;

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
    // Print or preview labels of the current setup: "Labels Print" for the
    // positions, copies and printer, then DoPrint with the window's choices.
    void printLabels(bool preview);
    // The open address file whose records are printed and the designer
    // shows; its filter decides the choices "What to Print" offers.
    void setAddressFile(address::AddressFile* file);

    // The job's choices (present once an address file is set).
    LabelJobOptions* options() { return options_ ? &*options_ : nullptr; }
    QRadioButton* whatButton(WhatToPrint what) const;
    QCheckBox* startFromCurrentBox() const { return startFromCurrent_; }
    QCheckBox* presortBox() const { return presort_; }
    QGroupBox* whatPanel() const { return whatPanel_; }
    QComboBox* printerList() const { return printers_; }
    QPushButton* calibrateButton() const { return calibrate_; }
    // "Printer Calibration" for the printer of the list, its test sheet
    // marking the current setup's sheet.
    void calibrateButtonClick();

    // Test hooks: answer "Labels Print" instead of running it (return true
    // for Ok), and see the request DoPrint gets before it runs.
    void setPositionPicker(std::function<bool(TSelectSpecificLabels&)> picker) { picker_ = std::move(picker); }
    void setRequestHook(std::function<void(LabelPrintRequest&)> hook) { requestHook_ = std::move(hook); }
    // Test hook: drive "Printer Calibration" instead of running it.
    void setCalibrationHook(std::function<void(TPrinterCalibration&)> hook) { calibrationHook_ = std::move(hook); }
    void setPrinter(printer::CurrentPrinter* printer);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void run(const std::function<bool()>& action);
    void fillGrid(std::uint32_t select);
    void showDetails();
    void setLabelButtons();
    void design(bool isNew);
    void buildJobPanels(QVBoxLayout* layout);
    void showOptions();
    void fillPrinters();
    printer::CurrentPrinter& printer();

    LabelSetupList list_;
    address::AddressFile* addressFile_ = nullptr;
    common::UserDialogs& dialogs_;
    common::ui::DescriptionGrid* grid_;
    QVector<QLabel*> details_;
    QPushButton* modify_;
    QPushButton* new_;
    QPushButton* delete_;
    QPushButton* clone_;
    QPushButton* ok_;
    QPushButton* print_;
    QPushButton* preview_;
    QVector<QPushButton*> buttons_;

    std::optional<LabelJobOptions> options_;
    QGroupBox* whatPanel_ = nullptr;
    QRadioButton* all_ = nullptr;
    QRadioButton* matching_ = nullptr;
    QRadioButton* currentOnly_ = nullptr;
    QCheckBox* startFromCurrent_ = nullptr;
    QCheckBox* presort_ = nullptr;
    QComboBox* printers_ = nullptr;
    QPushButton* calibrate_ = nullptr;
    printer::CurrentPrinter* printer_ = nullptr;
    bool shown_ = false;
    std::function<bool(TSelectSpecificLabels&)> picker_;
    std::function<void(LabelPrintRequest&)> requestHook_;
    std::function<void(TPrinterCalibration&)> calibrationHook_;
};

}  // namespace brindle::labels::ui

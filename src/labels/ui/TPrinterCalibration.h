#pragma once
// "Printer Calibration": the X and Y offsets of the printer chosen in
// "Print Labels", and "Print Test Sheet", the page the offsets are read
// from (labels/CalibrationSheet.h). The window only shows and gathers the
// values; printer::CalibrationSession keeps and stores them, and
// printCalibrationTestSheet prints the sheet.
#include "help/ui/HelpDialog.h"
#include "labels/LabelSetup.h"
#include "printer/PrinterCalibration.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace brindle::common {
class UserDialogs;
}
namespace brindle::printer {
class CurrentPrinter;
}

namespace brindle::labels::ui {

// Prints the test sheet of `setup` on `printer`: the sheet's paper and
// orientation are asked of the printer as for a label job (the paper
// question may stop it), one-sided, one copy, moved by the session's
// offsets. False when nothing was printed.
bool printCalibrationTestSheet(printer::CalibrationSession& session, const LabelSetup& setup,
                               printer::CurrentPrinter& printer, common::UserDialogs& dialogs);

class TPrinterCalibration : public help::HelpDialog {
    Q_OBJECT
public:
    // `printer` is the printer whose offsets are set; `setup` the label
    // sheet the test sheet marks. `settingsPath` empty: the program's.
    TPrinterCalibration(printer::CurrentPrinter& printer, const LabelSetup& setup, common::UserDialogs& dialogs,
                        const QString& settingsPath = {}, QWidget* parent = nullptr);

    printer::CalibrationSession& session() { return session_; }
    QDoubleSpinBox* xBox() const { return x_; }
    QDoubleSpinBox* yBox() const { return y_; }
    QPushButton* testSheetButton() const { return testSheet_; }

    void printTestSheetClick();
    void okClick();

private:
    void takeValues();

    printer::CurrentPrinter& printer_;
    LabelSetup setup_;
    common::UserDialogs& dialogs_;
    printer::CalibrationSession session_;
    QDoubleSpinBox* x_;
    QDoubleSpinBox* y_;
    QPushButton* testSheet_;
};

}  // namespace brindle::labels::ui

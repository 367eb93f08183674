#include "labels/ui/TPrinterCalibration.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "common/UserDialogs.h"
#include "help/HelpTopics.h"
#include "labels/CalibrationSheet.h"
#include "labels/LabelLayout.h"
#include "labels/ui/LabelJobRun.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"

namespace brindle::labels::ui {

using printer::CalibrationSession;
using printer::PrinterCalibration;
using printer::PrinterOffset;

bool printCalibrationTestSheet(CalibrationSession& session, const LabelSetup& setup, printer::CurrentPrinter& printer,
                               common::UserDialogs& dialogs) {
    CurrentPrinterPaperTarget target(printer);
    if (!applyPaperSize(setup, target, dialogs)) return false;
    printer.setOneSided(true);
    printer.setCopies(1);
    return session.printTestSheet(printer, dialogs, [&setup](printing::PageCanvas& canvas, const PrinterOffset& o) {
        drawCalibrationSheet(canvas, setup, o.x / 100.0, o.y / 100.0);
    });
}

namespace {

QDoubleSpinBox* offsetBox(QWidget* parent, const QString& name) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setDecimals(2);
    box->setSingleStep(0.01);
    box->setRange(-printer::kMaxOffsetHundredths / 100.0, printer::kMaxOffsetHundredths / 100.0);
    box->setSuffix(QStringLiteral(" in"));
    box->setLocale(QLocale::c());
    return box;
}

}  // namespace

TPrinterCalibration::TPrinterCalibration(printer::CurrentPrinter& printer, const LabelSetup& setup,
                                         common::UserDialogs& dialogs, const QString& settingsPath, QWidget* parent)
    : HelpDialog(help::topic::PrinterCalibration, parent),
      printer_(printer),
      setup_(setup),
      dialogs_(dialogs),
      session_(printer.name(), settingsPath.isEmpty() ? PrinterCalibration() : PrinterCalibration(settingsPath)) {
    setWindowTitle(QStringLiteral("Printer Calibration"));
    auto* layout = new QVBoxLayout(this);

    auto* name = new QLabel(QStringLiteral("Printer: <b>%1</b>").arg(session_.printerName().toHtmlEscaped()), this);
    name->setObjectName(QStringLiteral("printerName"));
    layout->addWidget(name);

    auto* form = new QFormLayout;
    x_ = offsetBox(this, QStringLiteral("xOffset"));
    y_ = offsetBox(this, QStringLiteral("yOffset"));
    x_->setWhatsThis(QStringLiteral("Moves everything this printer prints to the right (negative: to the left)."));
    y_->setWhatsThis(QStringLiteral("Moves everything this printer prints down (negative: up)."));
    form->addRow(QStringLiteral("&X offset (+ moves right):"), x_);
    form->addRow(QStringLiteral("&Y offset (+ moves down):"), y_);
    layout->addLayout(form);

    auto* note = new QLabel(this);
    note->setObjectName(QStringLiteral("note"));
    note->setWordWrap(true);
    note->setText(session_.calibrates()
                      ? QStringLiteral("Print the test sheet on label stock or plain paper and read the scales "
                                       "next to the crosshair with a ruler, as the sheet explains. The test sheet "
                                       "uses the offsets shown here.")
                      : QStringLiteral("The PDF file printer places everything exactly; it takes no calibration. "
                                       "The test sheet can still be printed to a PDF file."));
    note->setMinimumWidth(320);
    layout->addWidget(note);

    auto* buttons = new QHBoxLayout;
    testSheet_ = new QPushButton(QStringLiteral("&Print Test Sheet"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    buttons->addWidget(testSheet_);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(makeHelpButton());
    layout->addLayout(buttons);

    const PrinterOffset o = session_.offset();
    x_->setValue(o.x / 100.0);
    y_->setValue(o.y / 100.0);
    x_->setEnabled(session_.calibrates());
    y_->setEnabled(session_.calibrates());

    connect(testSheet_, &QPushButton::clicked, this, &TPrinterCalibration::printTestSheetClick);
    connect(ok, &QPushButton::clicked, this, &TPrinterCalibration::okClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TPrinterCalibration::takeValues() {
    session_.setOffset(PrinterOffset{int(std::lround(x_->value() * 100)), int(std::lround(y_->value() * 100))});
}

void TPrinterCalibration::printTestSheetClick() {
    takeValues();
    try {
        printCalibrationTestSheet(session_, setup_, printer_, dialogs_);
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
}

void TPrinterCalibration::okClick() {
    takeValues();
    if (session_.save(dialogs_)) accept();
}

}  // namespace brindle::labels::ui

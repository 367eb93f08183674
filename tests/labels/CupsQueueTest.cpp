// Labels and the calibration test sheet sent to a real CUPS queue through
// "Print Labels". Runs only when BRINDLE_CUPS_QUEUE names a queue (a CUPS-PDF
// queue or a file-backed test queue set up by hand); a machine without a
// print server skips it. What reached the queue is checked by its output
// (for CUPS-PDF, the PDF it writes), outside this test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "LabelTestSupport.h"
#include "address/AddressTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "labels/ui/LabelPositionPicker.h"
#include "labels/ui/TLabelPrinter.h"
#include "labels/ui/TLabelSetupScreen.h"
#include "labels/ui/TPrinterCalibration.h"
#include "printer/CurrentPrinter.h"
#include "printer/PrinterCalibration.h"
#include "printer/Printers.h"

using namespace brindle;

namespace {

TEST(CupsQueue, LabelsAndTestSheetReachTheQueue) {
    const QString queue = qEnvironmentVariable("BRINDLE_CUPS_QUEUE");
    if (queue.isEmpty()) GTEST_SKIP() << "BRINDLE_CUPS_QUEUE names no print queue";
    if (!printer::availablePrinters().contains(queue)) GTEST_SKIP() << "no queue " << queue.toStdString();
    QTemporaryDir home;
    qputenv("BRINDLE_HOME", home.path().toUtf8());
    const QString shots = qEnvironmentVariable("SCREENSHOT_DIR");

    addrtest::OpenFile open(std::vector<addrtest::Fields>{{{"LNAME", "Müller"}, {"FNAME", "José"}, {"CITY", "Köln"}},
                                                          {{"LNAME", "Smith"}, {"FNAME", "Ann"}},
                                                          {{"LNAME", "Brontë"}, {"FNAME", "Zoë"}}});
    labeltest::Sysdata sys;
    ASSERT_TRUE(sys.addClubSetup());  // 3 across, 10 down

    printer::CurrentPrinter current(printer::pdfPrinterName());
    labels::ui::TLabelSetupScreen w(sys.labels(), sys.path(), open.dialogs);
    w.setPrinter(&current);
    w.setAddressFile(&open.file);
    w.setPositionPicker([](labels::ui::TSelectSpecificLabels& p) {
        p.okClicked();
        return p.result() == QDialog::Accepted;
    });
    w.show();
    // The queue chosen in the Printer panel, as the user picks it.
    const int index = w.printerList()->findText(queue);
    ASSERT_GE(index, 0);
    w.printerList()->setCurrentIndex(index);
    emit w.printerList()->activated(index);
    ASSERT_EQ(current.name(), queue);
    if (!shots.isEmpty()) w.grab().save(shots + QStringLiteral("/print-labels-window.png"));

    QString status;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* p = qobject_cast<labels::ui::TLabelPrinter*>(QApplication::activeModalWidget());
        if (!p || !p->finished()) return;
        status = p->statusArea()->text();
        p->button()->click();
    });
    poll.start(20);
    w.button(QStringLiteral("Print"))->click();
    poll.stop();
    EXPECT_EQ(status, QStringLiteral("\nLabel Print Completed!"));

    // The queue's test sheet, moved by offsets typed into the window.
    w.setCalibrationHook([&](labels::ui::TPrinterCalibration& d) {
        d.xBox()->setValue(0.25);
        d.yBox()->setValue(0.5);
        if (!shots.isEmpty()) {
            d.adjustSize();
            d.grab().save(shots + QStringLiteral("/printer-calibration.png"));
        }
        d.printTestSheetClick();
        d.okClick();
    });
    w.calibrateButton()->click();
    EXPECT_EQ(printer::PrinterCalibration().offset(queue), (printer::PrinterOffset{25, 50}));
    // The same labels again, now moved by the queue's calibration.
    status.clear();
    poll.start(20);
    w.button(QStringLiteral("Print"))->click();
    poll.stop();
    EXPECT_EQ(status, QStringLiteral("\nLabel Print Completed!"));
    EXPECT_TRUE(open.dialogs.shown.empty()) << open.dialogs.shown.front().text.toStdString();
    qunsetenv("BRINDLE_HOME");
}

}  // namespace

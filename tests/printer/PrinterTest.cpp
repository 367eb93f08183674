// The printers a job can go to, the readiness check and the choice of back-end
// by printer name.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/ScriptedDialogs.h"
#include "printer/PrinterCanvas.h"
#include "printer/Printers.h"
#include "printing/PdfCanvas.h"

using namespace brindle::printer;
using brindle::common::ScriptedDialogs;

namespace {

TEST(Printers, ReadinessMessages) {
    ScriptedDialogs d;
    EXPECT_FALSE(printerReady(d, {}, {}));
    EXPECT_FALSE(printerReady(d, {"Office"}, {}));
    EXPECT_FALSE(printerReady(d, {"Office"}, "Gone"));
    EXPECT_TRUE(printerReady(d, {"Office", "PDF file"}, "Office"));
    EXPECT_EQ(d.infos(), (QStringList{
                             "There are no installed printers.\r\nUnable to perform printer related operations",
                             "There is no default printer selected.\r\nUnable to perform printer related operations",
                             "There is no default printer selected.\r\nUnable to perform printer related operations"}));
    EXPECT_EQ(d.shown.first().caption, "Information");

    // The built-in PDF printer is always there, so this machine can print.
    EXPECT_TRUE(availablePrinters().contains(pdfPrinterName()));
    EXPECT_EQ(availablePrinters().count(pdfPrinterName()), 1);
    EXPECT_TRUE(availablePrinters().contains(defaultPrinterName()));
    ScriptedDialogs quiet;
    EXPECT_TRUE(printerReady(quiet));
    EXPECT_TRUE(quiet.shown.isEmpty());
}

TEST(Printers, ListEndsWithThePdfPrinterAndTheNameChoosesTheBackEnd) {
    const QStringList names = availablePrinters();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.last(), "PDF file");
    EXPECT_TRUE(isPdfPrinter("pdf FILE"));
    EXPECT_EQ(openPrinterCanvas("PDF file"), nullptr);  // needs a file name
    QTemporaryDir dir;
    auto canvas = openPrinterCanvas("PDF file", dir.filePath("x.pdf"));
    ASSERT_NE(dynamic_cast<brindle::printing::PdfCanvas*>(canvas.get()), nullptr);
    // A printer that does not exist fails when the first page is drawn, not silently.
    PrinterCanvas missing("No Such Printer 4711");
    missing.line(0, 0, 1, 1);
    EXPECT_FALSE(missing.end());
}

}  // namespace

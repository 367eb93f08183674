// The current printer: paper asked and read back, orientation, copies and
// sides reaching the job's canvas, the PDF printer's file name, and the
// earlier printer selected again when a printing window closes.
#include <gtest/gtest.h>

#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>

#include "common/ScriptedDialogs.h"
#include "printer/CurrentPrinter.h"
#include "printer/PrinterCanvas.h"
#include "printer/Printers.h"
#include "printing/PdfCanvas.h"

using namespace brindle::printer;
using brindle::common::ScriptedDialogs;
using brindle::printing::Orientation;

namespace {

TEST(CurrentPrinter, PaperAndOrientationReadBack) {
    CurrentPrinter p(pdfPrinterName());
    EXPECT_TRUE(p.isPdf());
    struct Case {
        int code;
        QSizeF custom;
        Orientation o;
        QSizeF page;  // as printed
    };
    const Case cases[] = {
        {CurrentPrinter::Letter, {}, Orientation::Portrait, {8.5, 11}},
        {CurrentPrinter::Letter, {}, Orientation::Landscape, {11, 8.5}},
        {CurrentPrinter::A4, {}, Orientation::Portrait, {210 / 25.4, 297 / 25.4}},
        {CurrentPrinter::A5, {}, Orientation::Portrait, {148 / 25.4, 210 / 25.4}},
        {CurrentPrinter::Custom, {4.0, 1.125}, Orientation::Portrait, {4.0, 1.125}},
        {CurrentPrinter::Custom, {8.5, 11.0}, Orientation::Landscape, {11.0, 8.5}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(p.requestPaper(c.code, c.custom));
        p.setOrientation(c.o);
        // Exact: label positions are worked out from these sizes.
        EXPECT_NEAR(p.pageSize().width(), c.page.width(), 1e-9) << c.code;
        EXPECT_NEAR(p.pageSize().height(), c.page.height(), 1e-9) << c.code;
        // Positions from the paper's edge: the PDF printer prints everywhere.
        EXPECT_EQ(p.printableRect().topLeft(), QPointF(0, 0));
    }
    EXPECT_FALSE(p.requestPaper(CurrentPrinter::Custom, QSizeF(0, 3)));
    // Named papers of Qt's table read back exactly too (Envelope #10 is 4.125 in, not 4.12).
    EXPECT_EQ(exactInches(QPageSize(QPageSize::Envelope10)), QSizeF(4.125, 9.5));
    EXPECT_EQ(exactInches(QPageSize(QPageSize::EnvelopeMonarch)), QSizeF(3.875, 7.5));
    EXPECT_NEAR(exactInches(QPageSize(QPageSize::A4)).width(), 210 / 25.4, 1e-12);
}

// The job's canvas carries paper, orientation and copies; the PDF printer
// asks for a file unless one is set, and a cancelled question gives no job.
TEST(CurrentPrinter, JobCanvasAndPdfFileName) {
    QTemporaryDir dir;
    CurrentPrinter p(pdfPrinterName());
    p.requestPaper(CurrentPrinter::Custom, QSizeF(4, 6));
    p.setOrientation(Orientation::Landscape);
    p.setCopies(0);
    EXPECT_EQ(p.copies(), 1);
    ScriptedDialogs d;
    EXPECT_EQ(p.openJob(d), nullptr);  // the save dialog was cancelled
    ASSERT_EQ(d.shown.size(), 1);
    EXPECT_EQ(d.shown[0].kind, ScriptedDialogs::Kind::SaveFile);
    d.files.enqueue(dir.filePath("asked.pdf"));
    auto asked = p.openJob(d, "Labels");
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(static_cast<brindle::printing::PdfCanvas*>(asked.get())->path(), dir.filePath("asked.pdf"));
    EXPECT_EQ(asked->title(), "Labels");
    EXPECT_EQ(asked->orientation(), Orientation::Landscape);
    EXPECT_NEAR(asked->pageWidth(), 6.0, 1e-6);
    EXPECT_NEAR(asked->pageHeight(), 4.0, 1e-6);
    p.setPdfPath(dir.filePath("given.pdf"));
    auto given = p.openJob(d);
    ASSERT_NE(given, nullptr);
    EXPECT_EQ(d.shown.size(), 2);  // not asked again
}

// A queue job asked to print one-sided turns duplex off whatever the queue's default.
TEST(CurrentPrinter, OneSidedReachesTheQueue) {
    PrinterCanvas queue("Any Queue");
    queue.printer().setDuplex(QPrinter::DuplexLongSide);
    queue.setOneSided(true);
    EXPECT_EQ(queue.printer().duplex(), QPrinter::DuplexNone);
    EXPECT_TRUE(queue.printer().fullPage());
}

// Selecting another printer for a window and back: the earlier printer with
// its paper, orientation, copies and file; an unknown name changes nothing.
TEST(CurrentPrinter, ScopeSelectsTheEarlierPrinterAgain) {
    CurrentPrinter p(pdfPrinterName());
    p.requestPaper(CurrentPrinter::A4);
    p.setOrientation(Orientation::Landscape);
    p.setCopies(3);
    p.setPdfPath("/tmp/x.pdf");
    {
        PrinterScope scope(p);
        EXPECT_FALSE(p.select("No Such Printer 4711"));
        EXPECT_TRUE(p.isPdf());
        EXPECT_NEAR(p.pageSize().width(), 11.69, 0.01);  // unchanged by the refusal
        EXPECT_TRUE(p.select(pdfPrinterName()));
        EXPECT_EQ(p.orientation(), Orientation::Portrait);
        EXPECT_EQ(p.copies(), 1);
        p.requestPaper(CurrentPrinter::Letter);
        p.setOneSided(true);
    }
    EXPECT_EQ(p.name(), pdfPrinterName());
    EXPECT_EQ(p.orientation(), Orientation::Landscape);
    EXPECT_NEAR(p.pageSize().width(), 11.69, 0.01);
    EXPECT_NEAR(p.pageSize().height(), 8.27, 0.01);
    EXPECT_EQ(p.copies(), 3);
    EXPECT_FALSE(p.oneSided());
    EXPECT_EQ(p.pdfPath(), "/tmp/x.pdf");
}

}  // namespace

// Printer calibration: offsets kept per printer name in the settings file
// (names with accents, Polish and Cyrillic letters, profile punctuation),
// stored values read defensively, and the offset moving a printer's pages
// but never a PDF printer's (checked on the PDF each back-end writes, read
// by pdftotext).
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"
#include "printer/CurrentPrinter.h"
#include "printer/PrinterCalibration.h"
#include "printer/PrinterCanvas.h"
#include "printer/Printers.h"
#include "printing/PdfCanvas.h"

using namespace brindle::printer;
using brindle::common::ScriptedDialogs;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(PrinterCalibration, OffsetsAreKeptPerPrinterNameWhateverItsLetters) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("BRINDL.ini");
    // A settings file another program wrote in Windows-1252, with accents of its own.
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Preferences]\r\nOwner=M\xfcller \x8a" "koda\r\n");
    }
    const struct {
        QString name;
        PrinterOffset offset;
    } printers[] = {
        {QStringLiteral("Müller Laser"), {5, -3}},
        {QStringLiteral("José's LaserJet"), {-12, 7}},
        {QStringLiteral("Wałęsa-Drukarka"), {100, -100}},
        {QStringLiteral("Принтер Этикеток"), {1, 1}},
        {QStringLiteral("Room [3]=A; 50%"), {-1, 0}},
        {QStringLiteral(" Spaced "), {0, 9}},
    };
    PrinterCalibration store(ini);
    for (const auto& p : printers) ASSERT_TRUE(store.setOffset(p.name, p.offset)) << p.name.toStdString();
    // Read by a fresh reader, each name has its own offset back.
    const PrinterCalibration again(ini);
    for (const auto& p : printers) EXPECT_EQ(again.offset(p.name), p.offset) << p.name.toStdString();
    EXPECT_EQ(again.offset(QStringLiteral("Muller Laser")), PrinterOffset{});
    EXPECT_EQ(again.offset(QStringLiteral("Spaced")), PrinterOffset{});

    // Keys are plain ASCII, so the file's code page cannot change them; the
    // other sections survive.
    EXPECT_EQ(PrinterCalibration::settingsKey(QStringLiteral("Müller Laser")), QStringLiteral("M%C3%BCller Laser"));
    EXPECT_EQ(PrinterCalibration::settingsKey(QStringLiteral("Room [3]=A; 50%")),
              QStringLiteral("Room %5B3%5D%3DA%3B 50%25"));
    const QByteArray bytes = readAll(ini);
    EXPECT_TRUE(bytes.contains("M%C3%BCller Laser=0.05,-0.03")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("Wa%C5%82%C4%99sa-Drukarka=1.00,-1.00"));
    const QString owner = brindle::common::ProfileFile(ini).readString("Preferences", "Owner");
    EXPECT_TRUE(owner.startsWith(QStringLiteral("Müller ")) && owner.endsWith("koda")) << owner.toStdString();

    // A zero offset removes the printer's key; the others stay.
    ASSERT_TRUE(store.setOffset(QStringLiteral("Müller Laser"), {}));
    EXPECT_FALSE(readAll(ini).contains("M%C3%BCller"));
    EXPECT_EQ(store.offset(QStringLiteral("José's LaserJet")), (PrinterOffset{-12, 7}));
}

TEST(PrinterCalibration, ThePdfPrinterAndValuesBeyondAnInchAreRefused) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("BRINDL.ini");
    PrinterCalibration store(ini);
    EXPECT_FALSE(store.setOffset(pdfPrinterName(), {5, 5}));
    EXPECT_FALSE(store.setOffset(QStringLiteral("Queue"), {101, 0}));
    EXPECT_FALSE(store.setOffset(QStringLiteral("Queue"), {0, -101}));
    EXPECT_FALSE(QFile::exists(ini)) << "nothing was written";
    // A key for the PDF printer put in by hand is not used either.
    brindle::common::ProfileFile(ini).writeString(PrinterCalibration::kSection, pdfPrinterName(), "0.50,0.50");
    EXPECT_EQ(store.offset(pdfPrinterName()), PrinterOffset{});
}

TEST(PrinterCalibration, StoredValuesAreReadDefensively) {
    const struct {
        const char* text;
        bool ok;
        PrinterOffset value;
    } cases[] = {
        {"0.05,-0.03", true, {5, -3}}, {" .5 , +1", true, {50, 100}}, {"-0,0.1", true, {0, 10}},
        {"2,0", true, {200, 0}},  // read, then held to an inch by offset()
        {"0.051,0", false, {}},     {"0.05", false, {}},        {"a,b", false, {}},
        {"0,05;1", false, {}},      {"1e2,0", false, {}},       {",", false, {}},
        {"0.05,0.03,1", false, {}}, {"--1,0", false, {}},
    };
    for (const auto& c : cases) {
        PrinterOffset o{42, 42};
        EXPECT_EQ(PrinterCalibration::parseValue(QString::fromLatin1(c.text), &o), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(o, c.value) << c.text;
    }
    EXPECT_EQ(PrinterCalibration::formatValue({-5, 100}), QStringLiteral("-0.05,1.00"));

    QTemporaryDir dir;
    const QString ini = dir.filePath("BRINDL.ini");
    brindle::common::ProfileFile settings(ini);
    settings.writeString(PrinterCalibration::kSection, "Far", "2,-3");
    settings.writeString(PrinterCalibration::kSection, "Garbled", "left a bit");
    const PrinterCalibration store(ini);
    EXPECT_EQ(store.offset("Far"), (PrinterOffset{100, -100}));
    EXPECT_EQ(store.offset("Garbled"), PrinterOffset{});
}

// Words of a PDF with their boxes in points, from pdftotext -bbox.
QMap<QString, QRectF> wordBoxes(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished();
    QMap<QString, QRectF> out;
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
        const auto m = it.next();
        out.insert(m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                         QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())));
    }
    return out;
}

void drawMark(brindle::printing::PageCanvas& c) {
    c.setFont(QStringLiteral("Arial"), 12);
    c.textAt(1.0, 1.0, QStringLiteral("CALIBRATED"));
}

// The current printer's job on a system queue is moved by that queue's
// stored offset, on the page as the printer paints it; a PDF printer job
// is not, though an offset stands in the file under its name.
TEST(PrinterCalibration, MovesAPrintersPagesButNeverThePdfPrinters) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext missing";
    QTemporaryDir dir;
    const QString ini = dir.filePath("BRINDL.ini");
    ASSERT_TRUE(PrinterCalibration(ini).setOffset(QStringLiteral("Étiquettes-Müller"), {50, -25}));
    brindle::common::ProfileFile(ini).writeString(PrinterCalibration::kSection, pdfPrinterName(), "0.50,0.50");
    ScriptedDialogs dialogs;

    CurrentPrinter queue(QStringLiteral("Étiquettes-Müller"));
    queue.setCalibrationFile(ini);
    auto queueJob = queue.openJob(dialogs);
    auto* printerCanvas = dynamic_cast<PrinterCanvas*>(queueJob.get());
    ASSERT_NE(printerCanvas, nullptr);
    EXPECT_EQ(printerCanvas->offset(), QPointF(0.5, -0.25));
    // What the queue would be handed, written to a file through the same painting.
    printerCanvas->setOutputFile(dir.filePath("queue.pdf"));
    drawMark(*printerCanvas);
    ASSERT_TRUE(printerCanvas->end()) << printerCanvas->errorString().toStdString();

    CurrentPrinter pdf(pdfPrinterName());
    pdf.setCalibrationFile(ini);
    pdf.setPdfPath(dir.filePath("pdf.pdf"));
    auto pdfJob = pdf.openJob(dialogs);
    ASSERT_NE(dynamic_cast<brindle::printing::PdfCanvas*>(pdfJob.get()), nullptr);
    drawMark(*pdfJob);
    ASSERT_TRUE(pdfJob->end());

    const QRectF moved = wordBoxes(dir.filePath("queue.pdf")).value("CALIBRATED");
    const QRectF exact = wordBoxes(dir.filePath("pdf.pdf")).value("CALIBRATED");
    ASSERT_FALSE(moved.isNull());
    ASSERT_FALSE(exact.isNull());
    EXPECT_NEAR(exact.left(), 72.0, 1.0) << "the PDF printer places the text exactly";
    EXPECT_NEAR(moved.left() - exact.left(), 36.0, 0.5);  // half an inch right
    EXPECT_NEAR(moved.top() - exact.top(), -18.0, 0.5);   // a quarter inch up
    EXPECT_TRUE(dialogs.shown.empty());
}

// The window's logic: offsets held to an inch, the PDF printer kept at
// zero, a settings file that cannot be written reported, and a test sheet
// whose device fails reported as a failure.
TEST(CalibrationSession, SavesReportsAndPrintsWithTheOffsetsInTheWindow) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("BRINDL.ini");
    ScriptedDialogs dialogs;

    CalibrationSession session(QStringLiteral("Laser"), PrinterCalibration(ini));
    session.setOffset({250, -7});
    EXPECT_EQ(session.offset(), (PrinterOffset{100, -7}));
    EXPECT_TRUE(session.changed());
    ASSERT_TRUE(session.save(dialogs));
    EXPECT_FALSE(session.changed());
    EXPECT_EQ(PrinterCalibration(ini).offset("Laser"), (PrinterOffset{100, -7}));

    CalibrationSession pdf(pdfPrinterName(), PrinterCalibration(ini));
    pdf.setOffset({10, 10});
    EXPECT_EQ(pdf.offset(), PrinterOffset{});
    // The PDF printer prints the sheet without an offset.
    CurrentPrinter pdfPrinter(pdfPrinterName());
    pdfPrinter.setPdfPath(dir.filePath("sheet.pdf"));
    PrinterOffset drawnWith{1, 1};
    EXPECT_TRUE(pdf.printTestSheet(pdfPrinter, dialogs, [&](brindle::printing::PageCanvas& c, const PrinterOffset& o) {
        drawnWith = o;
        drawMark(c);
    }));
    EXPECT_EQ(drawnWith, PrinterOffset{});
    EXPECT_TRUE(QFile::exists(dir.filePath("sheet.pdf")));

    // A queue that is not there: the sheet fails and says why.
    CurrentPrinter gone(QStringLiteral("No Such Queue 4711"));
    gone.setCalibrationFile(ini);
    EXPECT_FALSE(session.printTestSheet(gone, dialogs, [&](brindle::printing::PageCanvas& c, const PrinterOffset& o) {
        drawnWith = o;
        drawMark(c);
    }));
    EXPECT_EQ(drawnWith, (PrinterOffset{100, -7}));
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().caption, QStringLiteral("Test Sheet Failed!"));

    // A settings file that cannot be replaced: told, and nothing counts as stored.
    CalibrationSession blocked(QStringLiteral("Laser"), PrinterCalibration(dir.filePath("missing/BRINDL.ini")));
    blocked.setOffset({3, 3});
    EXPECT_FALSE(blocked.save(dialogs));
    EXPECT_TRUE(dialogs.shown.back().text.startsWith(QStringLiteral("Unable to write to"))) << dialogs.shown.back().text.toStdString();
    EXPECT_TRUE(blocked.changed());
}

}  // namespace

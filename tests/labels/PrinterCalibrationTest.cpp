// The calibration test sheet, read back from its recorded page: every
// label's corners where the sheet geometry puts them, the crosshair one inch
// in, the two scales a hundredth apart with their numbers; and "Printer
// Calibration" reached from "Print Labels", storing the offsets of the
// printer of the list and printing its test sheet.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>

#include "LabelTestSupport.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"
#include "labels/CalibrationSheet.h"
#include "labels/ui/TLabelSetupScreen.h"
#include "labels/ui/TPrinterCalibration.h"
#include "printer/CurrentPrinter.h"
#include "printer/PrinterCalibration.h"
#include "printer/Printers.h"
#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"

using namespace brindle;
using printing::OpKind;

namespace {

// Points compared in ten-thousandths of an inch.
std::pair<long, long> key(const QPointF& p) { return {std::lround(p.x() * 10000), std::lround(p.y() * 10000)}; }

struct Lines {
    std::vector<std::pair<QPointF, QPointF>> all;
    bool has(QPointF a, QPointF b) const {
        for (const auto& [p, q] : all)
            if ((key(p) == key(a) && key(q) == key(b)) || (key(p) == key(b) && key(q) == key(a))) return true;
        return false;
    }
};

struct Sheet {
    Lines lines;
    QMap<QString, QList<QPointF>> texts;  // text -> anchor (x of centre or left, y of top)
};

Sheet record(const labels::LabelSetup& setup, double offsetX, double offsetY) {
    printing::PageRecorder rec;
    rec.setPaperSize(QSizeF(setup.sheetWidth, setup.sheetDepth));
    labels::drawCalibrationSheet(rec, setup, offsetX, offsetY);
    rec.end();
    const printing::RecordedDocument doc = rec.takeDocument();
    EXPECT_EQ(doc.pageCount(), 1);
    Sheet s;
    if (doc.pageCount() != 1) return s;
    for (const auto& op : doc.pages[0].ops) {
        if (op.kind == OpKind::Line) s.lines.all.emplace_back(op.p1, op.p2);
        if (op.kind == OpKind::Text) s.texts[op.text].push_back(op.p1);
        // Nothing falls off the paper.
        if (op.kind == OpKind::Line) {
            EXPECT_TRUE(QRectF(0, 0, setup.sheetWidth, setup.sheetDepth).contains(op.p2)) << op.text.toStdString();
        }
    }
    return s;
}

// A sheet with a middle gap, so the corners follow the geometry rule, not a plain grid.
labels::LabelSetup gappedSheet() {
    labels::LabelSetup s = labels::newLabelSetup();
    s.descript = QStringLiteral("Étiquettes Müller");
    s.nbrAcross = 4;
    s.nbrDown = 5;
    s.lblWidth = 1.75f;
    s.lblHeight = 1.5f;
    s.horizPitch = 2.0f;
    s.vertPitch = 2.0f;
    s.leftMarg = 0.25f;
    s.topMarg = 0.75f;
    s.midExtraX = 0.125;
    return s;
}

TEST(CalibrationSheet, MarksEveryLabelCornerTheCrosshairAndTheScales) {
    const labels::LabelSetup setup = gappedSheet();
    const Sheet s = record(setup, 0.05, -0.03);

    // Each label: two strokes at each corner, along its edges, from labelOrigin.
    const double len = std::min({labels::kCornerMarkInches, setup.lblWidth / 3.0, setup.lblHeight / 3.0});
    for (int p = 0; p < labels::positionsPerSheet(setup); ++p) {
        const auto o = labels::labelOrigin(setup, p);
        const double l = o.x, t = o.y, r = o.x + setup.lblWidth, b = o.y + setup.lblHeight;
        const struct {
            QPointF corner, along, down;
        } corners[] = {{{l, t}, {l + len, t}, {l, t + len}},
                       {{r, t}, {r - len, t}, {r, t + len}},
                       {{l, b}, {l + len, b}, {l, b - len}},
                       {{r, b}, {r - len, b}, {r, b - len}}};
        for (const auto& c : corners) {
            EXPECT_TRUE(s.lines.has(c.corner, c.along)) << "position " << p + 1;
            EXPECT_TRUE(s.lines.has(c.corner, c.down)) << "position " << p + 1;
        }
        EXPECT_TRUE(s.texts.contains(QString::number(p + 1)));
    }
    // The middle gap moves the 3rd and 4th columns.
    EXPECT_TRUE(s.lines.has({0.25 + 2 * 2.0 + 0.125, 0.75}, {0.25 + 2 * 2.0 + 0.125 + len, 0.75}));

    // The crosshair's arms cross one inch from the top and left edges and
    // run through both scales' zeros.
    const double k = labels::kCrosshairInches, axis = labels::kScaleAxisInches;
    EXPECT_TRUE(s.lines.has({k - 0.5, k}, {axis + 0.12, k}));
    EXPECT_TRUE(s.lines.has({k, k - 0.5}, {k, axis + 0.12}));

    // Ticks every hundredth from -30 to +30, longer at fives and tens, the
    // tens numbered with how far the tick was meant to print from the arm.
    for (int n = -labels::kScaleHundredths; n <= labels::kScaleHundredths; ++n) {
        const double at = k + n / 100.0;
        const double len = n % 10 == 0 ? 0.12 : n % 5 == 0 ? 0.08 : 0.05;
        EXPECT_TRUE(s.lines.has({at, axis}, {at, axis + len})) << "X tick " << n;
        EXPECT_TRUE(s.lines.has({axis, at}, {axis + len, at})) << "Y tick " << n;
        if (n % 10 != 0) continue;
        bool xNumber = false, yNumber = false;
        for (const QPointF& p : s.texts.value(labels::scaleNumber(n))) {
            xNumber |= std::abs(p.y() - (axis + 0.13)) < 0.2 && p.y() > axis;  // under its X tick
            yNumber |= p.x() > axis && std::abs(p.x() - (axis + 0.14)) < 1e-9;  // beside its Y tick
        }
        EXPECT_TRUE(xNumber && yNumber) << n;
    }
    EXPECT_EQ(labels::scaleNumber(-20), QStringLiteral("-20"));
    EXPECT_TRUE(s.texts.contains(QStringLiteral("Printed with the offsets X 0.05 in, Y -0.03 in")));
    EXPECT_TRUE(s.texts.contains(QStringLiteral("Sheet: Étiquettes Müller (the corners of every label are marked)")));
}

// Small labels get corner strokes a third of their shorter side, so the
// four strokes of one label never meet.
TEST(CalibrationSheet, CornerStrokesFitSmallLabels) {
    labels::LabelSetup setup = labels::newLabelSetup();
    setup.nbrAcross = 2;
    setup.nbrDown = 2;
    setup.lblWidth = 0.3f;
    setup.lblHeight = 0.2f;
    const Sheet s = record(setup, 0, 0);
    const auto o = labels::labelOrigin(setup, 3);
    const double len = 0.2f / 3.0;
    EXPECT_TRUE(s.lines.has({o.x, o.y}, {o.x, o.y + len}));
    EXPECT_TRUE(s.lines.has({o.x, o.y}, {o.x + len, o.y}));
}

// "Calibrate..." in the Printer panel opens the window on the printer of the
// list: OK stores what was typed in the settings file under that printer;
// Cancel stores nothing; the PDF printer's window keeps its offsets at
// zero and prints the test sheet to a PDF file.
TEST(TPrinterCalibration, ReachedFromPrintLabelsStoresAndPrints) {
    QTemporaryDir home;
    qputenv("BRINDLE_HOME", home.path().toUtf8());
    labeltest::Sysdata sys;
    labels::LabelSetup setup = gappedSheet();
    setup.binary = QStringLiteral("BIN00001.L");
    sys.addRow(setup);
    sys.labels().first();
    common::ScriptedDialogs dialogs;
    labels::ui::TLabelSetupScreen w(sys.labels(), sys.path(), dialogs);

    printer::CurrentPrinter queue(QStringLiteral("Étiquettes-Müller"));
    w.setPrinter(&queue);
    ASSERT_NE(w.calibrateButton(), nullptr);
    QString shownName;
    w.setCalibrationHook([&](labels::ui::TPrinterCalibration& d) {
        shownName = d.session().printerName();
        EXPECT_TRUE(d.xBox()->isEnabled());
        d.xBox()->setValue(0.07);
        d.yBox()->setValue(-0.02);
        d.okClick();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    w.calibrateButton()->click();
    EXPECT_EQ(shownName, QStringLiteral("Étiquettes-Müller"));
    const QString ini = home.filePath(QStringLiteral("BRINDL.ini"));
    EXPECT_EQ(printer::PrinterCalibration(ini).offset(QStringLiteral("Étiquettes-Müller")),
              (printer::PrinterOffset{7, -2}));

    // Cancel leaves the stored offsets; the window opens on them.
    w.setCalibrationHook([&](labels::ui::TPrinterCalibration& d) {
        EXPECT_DOUBLE_EQ(d.xBox()->value(), 0.07);
        d.xBox()->setValue(0.5);
        d.reject();
    });
    w.calibrateButton()->click();
    EXPECT_EQ(printer::PrinterCalibration(ini).offset(QStringLiteral("Étiquettes-Müller")).x, 7);

    printer::CurrentPrinter pdf(printer::pdfPrinterName());
    pdf.setPdfPath(home.filePath(QStringLiteral("sheet.pdf")));
    w.setPrinter(&pdf);
    w.setCalibrationHook([&](labels::ui::TPrinterCalibration& d) {
        EXPECT_FALSE(d.xBox()->isEnabled());
        d.printTestSheetClick();
        d.okClick();
    });
    w.calibrateButton()->click();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text.toStdString();
    ASSERT_TRUE(QFile::exists(home.filePath(QStringLiteral("sheet.pdf"))));
    if (const QString shots = qEnvironmentVariable("SCREENSHOT_DIR"); !shots.isEmpty())
        QFile::copy(home.filePath(QStringLiteral("sheet.pdf")), shots + QStringLiteral("/calibration-sheet.pdf"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {home.filePath(QStringLiteral("sheet.pdf")), QStringLiteral("-")});
    if (text.waitForFinished(30000) && text.exitCode() == 0) {
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(words.contains(QStringLiteral("Printer Calibration Test Sheet"))) << words.toStdString();
        EXPECT_TRUE(words.contains(QStringLiteral("X 0.00 in, Y 0.00 in"))) << words.toStdString();
    }
    EXPECT_FALSE(common::ProfileFile(ini).hasKey(printer::PrinterCalibration::kSection, printer::pdfPrinterName()));
    qunsetenv("BRINDLE_HOME");
}

}  // namespace

// A design with every text and barcode kind printed by brindle-db render for
// one address record: the PDF's text (poppler's pdftotext) and its bars
// (rasterised at 1000 dpi) must be what the objects promise, and no
// screen-only placeholder may reach paper.
#include <QDate>
#include <QImage>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"

#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/TextLabelKinds.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::test;

namespace {

TEST(RenderAllKindsTest, EveryTextAndBarcodeKindPrintsWhatItShows) {
#ifndef BRINDLE_DB_EXE
    GTEST_SKIP() << "brindle-db not built";
#else
    if (const QString tool = missingTool({"pdftotext", "pdftoppm"}); !tool.isEmpty())
        GTEST_SKIP() << tool.toStdString() << " missing";
    QTemporaryDir dir;
    const QString db = dir.filePath("add.dbf");
    createOneRecordTable(db,
                         {{"LNAME", 'C', 30, 0},  {"FNAME", 'C', 30, 0},  {"MIDDLE", 'C', 1, 0},
                          {"PREFIX", 'C', 12, 0}, {"TITLE", 'C', 30, 0},  {"ORG", 'C', 30, 0},
                          {"STREET", 'C', 40, 0}, {"STREET2", 'C', 40, 0}, {"CITY", 'C', 30, 0},
                          {"STATE", 'C', 20, 0},  {"ZIP", 'C', 10, 0},    {"COUNTRY", 'C', 30, 0},
                          {"PHONE", 'C', 30, 0},  {"MEMO", 'M', 10, 0}},
                         [](brindle::store::Table& t) {
                             t.setString("PREFIX", "Dr");
                             t.setString("FNAME", "Ann");
                             t.setString("MIDDLE", "B");
                             t.setString("LNAME", "Lee");
                             t.setString("STREET", "123 MAIN ST");
                             t.setString("CITY", "Springfield");
                             t.setString("STATE", "IL");
                             t.setString("ZIP", "62701-1234");
                             t.setMemo("MEMO", "Alpha\r\nBravo\r\nCharlie");
                         });

    const QString design = dir.filePath("BIN00001.L");
    {
        DesignSurface s(DesignSurface::EnvelopeSurface);
        s.setClipFilePath(QString());
        s.setSizeInches(4, 3);
        auto* field = new TKPDLabel;
        field->setDataFieldName("LNAME");
        field->setDataFieldDescript("Last Name");
        s.addObject(field, QRect(0, 0, 142, 20));
        auto* unbound = new TKPDLabel;  // "<undefined field>" on screen, nothing on paper
        unbound->setDataFieldDescript("No Such Field");
        s.addObject(unbound, QRect(150, 0, 142, 20));
        auto* counter = new TKCounterLabel;
        counter->setStartingNumber(1000);
        counter->setLeadingZeros(6);
        s.addObject(counter, QRect(0, 24, 142, 20));
        auto* date = new TKDateTimeLabel;
        s.addObject(date, QRect(0, 48, 200, 20));
        auto* rotated = new TKPLabel;
        rotated->setCaption("Sideways");
        s.addObject(rotated, QRect(340, 0, 142, 33));
        rotated->setAngle(90);
        auto* memo = new TKDMultiLineLabel;
        memo->setDataFieldName("MEMO");
        memo->setDataFieldDescript("MEMO");
        s.addObject(memo, QRect(0, 72, 150, 2 * 15));  // room for two of the three lines
        auto* block = new TKDMultiLineAddressLabel;
        s.addObject(block, QRect(0, 110, 250, 70));
        auto* postnet = new TKPostNetBarCode;
        postnet->setZipCodeField("ZIP");
        postnet->setAddressField("STREET");
        s.addObject(postnet, QRect(96, 240, 270, 16));  // one inch in, 2.5 inches down
        auto* fim = new TKFIMBarCode;
        s.addObject(fim, QRect(320, 96, 60, 60));  // 3 1/3 inches in, one inch down
        ASSERT_TRUE(s.saveToFile(design));
    }

    const QString pdf = dir.filePath("out.pdf");
    const QString failure = renderDesign(design, db, pdf);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();

    const QString text = runProgram("pdftotext", {pdf, "-"});
    for (const QString& want : {QStringLiteral("Lee"), QStringLiteral("001000"), QStringLiteral("Sideways"),
                                QStringLiteral("Alpha"), QStringLiteral("Bravo"), QStringLiteral("Dr Ann B. Lee"),
                                QStringLiteral("123 MAIN ST"),
                                QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)})
        EXPECT_TRUE(text.contains(want)) << want.toStdString() << " missing in:\n" << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(R"(Springfield\s+IL\s+62701-1234)"))) << text.toStdString();
    EXPECT_FALSE(text.contains("Charlie")) << "the third memo line lies below the object";
    EXPECT_FALSE(text.contains('<')) << "a placeholder reached paper:\n" << text.toStdString();
    EXPECT_FALSE(text.contains('[')) << text.toStdString();

    // Rotated text: its box is taller than wide.
    const QString boxes = runProgram("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression side(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">Sideways</word>)re");
    const auto m = side.match(boxes);
    ASSERT_TRUE(m.hasMatch()) << boxes.toStdString();
    EXPECT_GT(m.captured(4).toDouble() - m.captured(2).toDouble(), 2 * (m.captured(3).toDouble() - m.captured(1).toDouble()));

    // Bars at 1000 dpi: the POSTNET row at 2.6 inches (through the half bars),
    // the FIM bars through their middle.
    runProgram("pdftoppm", {"-r", "1000", "-gray", "-x", "900", "-y", "2400", "-W", "3000", "-H", "400", "-singlefile", pdf,
                     dir.filePath("bars")});
    const QImage bars(dir.filePath("bars.pgm"));
    ASSERT_FALSE(bars.isNull());
    const auto postnetRuns = darkRuns(bars, 200);
    // ZIP+4 with delivery-point digits from "123 MAIN ST": 11 digits, 62 bars.
    ASSERT_EQ(postnetRuns.size(), 62u);
    for (const auto& [x, w] : postnetRuns) EXPECT_NEAR(w, 15, 1) << x;
    EXPECT_NEAR(postnetRuns.front().first + 900, 1000, 3);
    const double length = postnetRuns.back().first + postnetRuns.back().second - postnetRuns.front().first;
    EXPECT_NEAR(length / 1000.0, 2.821, 0.002);
    for (size_t i = 1; i < postnetRuns.size(); ++i)
        EXPECT_NEAR(postnetRuns[i].first - postnetRuns[i - 1].first, 46, 1);  // 0.046 inch pitch

    runProgram("pdftoppm", {"-r", "1000", "-gray", "-x", "3200", "-y", "1000", "-W", "800", "-H", "700", "-singlefile", pdf,
                     dir.filePath("fim")});
    const QImage fimImg(dir.filePath("fim.pgm"));
    ASSERT_FALSE(fimImg.isNull());
    const auto fim = darkRuns(fimImg, 300);
    ASSERT_EQ(fim.size(), 5u);  // type A: 110010011
    for (const auto& [x, w] : fim) EXPECT_NEAR(w, 31.25, 1.5) << x;
    EXPECT_NEAR(fim[1].first - fim[0].first, 62.5, 1.5);
    EXPECT_NEAR(fim[2].first - fim[0].first, 4 * 62.5, 1.5);
#endif
}

}  // namespace

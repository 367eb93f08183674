// POSTNET and FIM marks: delivery-point digits, encoded digits and bars,
// printed geometry at several printer resolutions, data binding and design files.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "printing/PageRecorder.h"
#include "store/Table.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::postal;
using brindle::printing::OpKind;
using brindle::printing::PageRecorder;

namespace {

TEST(PostalDeliveryPointTest, HouseNumberRulesAndFallbacks) {
    const struct {
        const char* address;
        const char* expected;
    } cases[] = {
        {"123 MAIN ST", "23"},
        {"10 W 42ND ST", "10"},
        {"123 1/2 MAIN ST", "23"},
        {"7 OAK AVE", "07"},
        {"PO BOX 99", "99"},
        {"PO BOX", "99"},
        {"NAPOLI", "99"},           // APO anywhere, even inside a word
        {"12 fpo road", "99"},      // compared in upper case
        {"123 main st", "23"},
        {"", "99"},
        {"A3", "03"},               // a letter before the units digit completes the number
        {"12B ELM", "12"},          // a letter after the number is skipped
        {"77 W 3RD", "77"},         // an ordinal at the very end of the address
        {"5 ELM S", "05"},          // a lone last letter pairs with nothing beyond the end
        {"401 1/12 N 1ST ST", "01"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(deliveryPointDigits(QString::fromLatin1(c.address)), QString::fromLatin1(c.expected)) << c.address;
}

TEST(PostNetDigitsTest, ValidSymbolsOnlyWithCheckDigit) {
    const struct {
        const char* zip;
        const char* address;
        int type;
        const char* expected;  // data digits and check digit; empty: nothing prints
    } cases[] = {
        {"62701-1234", "", pnbc9Digit, "6270112344"},          // sum 26, check 4
        {"62701-1234", "7 OAK AVE", pnbc11Digit, "627011234077"},
        {"62701-1234", "", pnbc5Digit, "627014"},              // sum 16
        {"62701", "", pnbc9Digit, "627014"},                   // a plain ZIP stays five digits
        {"62701", "7 OAK AVE", pnbc11Digit, "627014"},         // no +4: no delivery point either
        {"00000", "", pnbc5Digit, "000000"},
        {"99999-9999", "PO BOX", pnbc11Digit, "999999999991"},  // eleven nines, sum 99
        {"ABCDE", "", pnbc5Digit, ""},                         // out of range
        {"1234", "", pnbc5Digit, ""},                          // too short
        {"1234A", "", pnbc5Digit, ""},                         // in range but four digits
        {"1234A", "", pnbc9Digit, ""},
        {"1234A", "123 MAIN ST", pnbc11Digit, ""},
        {"62701-12", "", pnbc9Digit, ""},                      // seven digits
        {"62701-12", "123 MAIN ST", pnbc11Digit, ""},
        {"62701-12", "", pnbc5Digit, ""},                      // not a ZIP+4 either
        {"62701-123456", "", pnbc9Digit, ""},                  // in range, eleven ZIP digits are no ZIP+4
    };
    for (const auto& c : cases)
        EXPECT_EQ(postNetDigits(QString::fromLatin1(c.zip), QString::fromLatin1(c.address), c.type),
                  QString::fromLatin1(c.expected))
            << c.zip << " / " << c.address << " / type " << c.type;
    EXPECT_FALSE(zipTextInRange("99999-99999"));  // beyond the top of the range
    EXPECT_FALSE(zipTextInRange(":0000"));
    EXPECT_EQ(checkDigit("999999999999"), 2);
}

TEST(PostNetDigitsTest, OnlyWellFormedZipsPrint) {
    // Five digits, then nothing or four digits, with or without a hyphen
    // between; the blanks that pad a field do not count. The range test still
    // applies to the text as stored, so a leading blank (below "00000") prints nothing.
    const struct {
        const char* zip;
        bool prints;
    } cases[] = {
        {"62701", true},        {"62701-1234", true},   {"627011234", true},    {"62701     ", true},
        {"627011234 ", true},   {"00000", true},        {"99999-9999", true},   {"1234 5", false},
        {"1-2-3-4-5", false},   {"1234-5678", false},   {"123456", false},      {"6270-11234", false},
        {"62701-", false},      {"62701 1234", false},  {"62701--1234", false}, {"62701-12345", false},
        {"6270112345", false},  {"62701-123", false},   {"62 701", false},      {"", false},        {" 62701", false},
        {"     ", false},       {"6270A", false},       {"62701-123A", false},  {"627011234-", false},
        {"99999" "99999", false},  // ten digits
        {"999991234", false},      // nine digits beyond "99999-9999" in character order
    };
    for (const auto& c : cases)
        for (int type : {pnbc5Digit, pnbc9Digit, pnbc11Digit}) {
            const QString digits = postNetDigits(QString::fromLatin1(c.zip), "7 OAK AVE", type);
            EXPECT_EQ(!digits.isEmpty(), c.prints) << '"' << c.zip << "\" type " << type;
        }
    // What prints for the forms that may.
    EXPECT_EQ(postNetDigits("627011234", "7 OAK AVE", pnbc11Digit), "627011234077");
    EXPECT_EQ(postNetDigits("62701-1234  ", "", pnbc9Digit), "6270112344");
    EXPECT_EQ(postNetDigits("62701     ", "", pnbc5Digit), "627014");
}

QString barString(const std::vector<bool>& bars) {
    QString s;
    for (bool full : bars) s += full ? QLatin1Char('F') : QLatin1Char('H');
    return s;
}

TEST(PostNetBarsTest, DigitTableFrameBarsAndLengths) {
    EXPECT_EQ(barString(postNetBars("0123456789")),
              "F" "FFHHH" "HHHFF" "HHFHF" "HHFFH" "HFHHF" "HFHFH" "HFFHH" "FHHHF" "FHHFH" "FHFHH" "F");
    EXPECT_EQ(postNetBars(postNetDigits("62701", "", pnbc5Digit)).size(), 32u);
    EXPECT_EQ(postNetBars(postNetDigits("62701-1234", "", pnbc9Digit)).size(), 52u);
    EXPECT_EQ(postNetBars(postNetDigits("62701-1234", "1 A ST", pnbc11Digit)).size(), 62u);
    // Every digit has exactly two full bars.
    for (char d = '0'; d <= '9'; ++d) EXPECT_EQ(barString(postNetBars(QString(QLatin1Char(d)))).count('F'), 4) << d;
}

TEST(FimPatternTest, TypesAAndBAndC) {
    auto str = [](const std::array<bool, 9>& a) {
        QString s;
        for (bool b : a) s += b ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    EXPECT_EQ(str(fimPattern(fimTypeA)), "110010011");
    EXPECT_EQ(str(fimPattern(fimTypeB)), "101101101");
    EXPECT_EQ(str(fimPattern(fimTypeC)), "110101011");
}

class PostalPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.setClipFilePath(QString());
        s.setSize(384, 192);
    }
    // Prints the surface with the design at (left 0.25, top 0.5) inch and returns the fills.
    std::vector<QRectF> print(double dpi) { return brindle::bartest::printedFills(s, dpi, 0.5, 0.25); }
    DesignSurface s{DesignSurface::DataSurface};
};

TEST_F(PostalPrintTest, PostNetBarsAreEquallyWideAtAnyResolution) {
    auto* pn = new TKPostNetBarCode;
    s.addObject(pn, QRect(96, 48, 270, 16));  // one inch right, half an inch down
    pn->setData("62701-1234", "123 MAIN ST");
    const QString bars = barString(postNetBars(pn->encodedDigits()));
    ASSERT_EQ(bars.size(), 62);
    for (double dpi : {300.0, 600.0, 1000.0, 203.0, 1200.0}) {
        SCOPED_TRACE(dpi);
        const double px = 1.0 / dpi;
        const auto boxes = print(dpi);
        ASSERT_EQ(boxes.size(), 62u);
        const double x0 = boxes[0].left();
        const double fullTop = boxes[0].top();
        EXPECT_NEAR(x0, 1.25, px);
        EXPECT_NEAR(fullTop, 1.0, px);
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_NEAR(boxes[i].width(), boxes[0].width(), 1e-9) << i;  // identical in device pixels
            EXPECT_NEAR(boxes[i].width(), 0.015, px) << i;
            EXPECT_NEAR(boxes[i].left() - x0, double(i) * 0.046, px) << i;
            EXPECT_NEAR(boxes[i].bottom(), fullTop + 0.125, px) << i;
            const bool full = bars[qsizetype(i)] == QLatin1Char('F');
            EXPECT_NEAR(boxes[i].top(), full ? fullTop : fullTop + 0.070, px) << i;
            EXPECT_NEAR(boxes[i].height(), full ? 0.125 : 0.055, px) << i;
        }
        EXPECT_NEAR(boxes.back().right() - x0, 2.821, px);
    }
    // At 1000 dpi every measure is a whole number of pixels and prints exactly.
    const auto boxes = print(1000.0);
    EXPECT_NEAR(boxes.back().right() - boxes.front().left(), 2.821, 1e-9);
    EXPECT_NEAR(boxes[1].left() - boxes[0].left(), 0.046, 1e-9);
}

TEST_F(PostalPrintTest, InvalidZipPrintsNoBarsButOtherObjectsStillPrint) {
    auto* bad = new TKPostNetBarCode;
    s.addObject(bad, QRect(0, 0, 270, 16));
    auto* fim = new TKFIMBarCode;
    s.addObject(fim, QRect(0, 40, 60, 60));
    for (const char* zip : {"1234A", "ABCDE", "", "62701-12"}) {
        bad->setData(QString::fromLatin1(zip), "7 OAK AVE");
        EXPECT_EQ(print(300).size(), 5u) << zip;  // the FIM's five bars of type A
    }
    bad->setBarCodeType(pnbc5Digit);
    bad->setData("62701-12", "");
    EXPECT_EQ(print(300).size(), 5u);  // a malformed ZIP+4 prints nothing for the 5-digit type either
    bad->setData("62701-1234", "");
    EXPECT_EQ(print(300).size(), 5u + 32u);
}

TEST_F(PostalPrintTest, FimBarsFillTheFirstHalfOfTheirPositions) {
    auto* fim = new TKFIMBarCode;
    s.addObject(fim, QRect(96, 0, 60, 60));
    fim->setFimType(fimTypeC);
    const auto pattern = fimPattern(fimTypeC);
    for (double dpi : {300.0, 600.0, 1000.0}) {
        SCOPED_TRACE(dpi);
        const double px = 1.0 / dpi;
        const auto boxes = print(dpi);
        ASSERT_EQ(boxes.size(), 6u);
        size_t k = 0;
        for (int p = 1; p <= 9; ++p) {
            if (!pattern[size_t(p - 1)]) continue;
            const QRectF& b = boxes[k++];
            EXPECT_NEAR(b.left(), 1.25 + (2 * p - 2) / 32.0, px) << p;
            EXPECT_NEAR(b.width(), 1.0 / 32.0, px) << p;
            EXPECT_NEAR(b.width(), boxes[0].width(), 1e-9) << p;
            EXPECT_NEAR(b.top(), 0.5, px) << p;
            EXPECT_NEAR(b.height(), 0.5625, px) << p;
        }
    }
}

TEST(PostalScreenTest, SizesFollowTheZoom) {
    const QImage& pic = TKPostNetBarCode::samplePicture();
    EXPECT_EQ(pic.size(), QSize(270, 16));
    TKPostNetBarCode pn;
    EXPECT_EQ(pn.bounds().size(), QSize(249, 12));  // before its first paint
    TKFIMBarCode fim;
    EXPECT_EQ(fim.height(), 54);
    QImage img(600, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        pn.paint(p, {});
        fim.paint(p, {});
    }
    EXPECT_EQ(pn.bounds().size(), QSize(270, 16));
    EXPECT_EQ(fim.bounds().size(), QSize(60, 60));
    // Type A at zoom 1: bars three pixels wide at positions 1, 2, 5, 8 and 9.
    EXPECT_EQ(img.pixelColor(0, 30), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(2 * 3 * 2 + 1, 30), QColor(Qt::white));  // position 3 is empty
    EXPECT_EQ(img.pixelColor(2 * 3 * 4 + 1, 30), QColor(Qt::black));  // position 5

    pn.setZoomFactor(1.5f);
    fim.setZoomFactor(2.0f);
    {
        QPainter p(&img);
        pn.paint(p, {});
        fim.paint(p, {});
    }
    EXPECT_EQ(pn.bounds().size(), QSize(405, 24));
    EXPECT_EQ(fim.bounds().size(), QSize(120, 120));
}

TEST(PostalScreenTest, PostNetSizeFollowsTheZoomAloneWhateverZoomsCameBefore) {
    DesignSurface s(DesignSurface::LabelSurface);
    s.setClipFilePath(QString());
    s.setSize(600, 200);
    auto* pn = new TKPostNetBarCode;
    s.addObject(pn, QRect(10, 10, 270, 16));
    // Rescaling the bounds on each zoom would round them away from the
    // picture's size (16 × 0.3 gives 5, and 5 back at 1.0 gives 17).
    for (float z : {0.3f, 0.33f, 0.7f, 1.5f, 2.25f}) {
        s.setZoom(z);
        EXPECT_EQ(pn->bounds().size(), QSize(roundHalfEven(270 * double(z)), roundHalfEven(16 * double(z)))) << z;
        s.setZoom(1.0f);
        EXPECT_EQ(pn->bounds().size(), QSize(270, 16)) << "back from " << z;
    }
    // A design saved at another zoom stores the size at 1.0.
    s.setZoom(0.3f);
    QTemporaryDir dir;
    ASSERT_TRUE(s.saveToFile(dir.filePath("p.L")));
    DesignSurface back(DesignSurface::LabelSurface);
    back.setClipFilePath(QString());
    ASSERT_TRUE(back.loadFromFile(dir.filePath("p.L")).ok);
    ASSERT_EQ(back.objects().size(), 1u);
    EXPECT_EQ(back.objects()[0]->bounds().size(), QSize(270, 16));
}

TEST(PostalDataTest, RefreshReadsNamedFieldsAndTreatsMissingOnesAsEmpty) {
    struct Source : RecordSource {
        bool isOpen() const override { return true; }
        std::vector<RecordField> fields() const override { return {{"ZIP", "Zip"}, {"STREET", "Street"}}; }
        QString fieldText(const QString& name) const override {
            return name == "ZIP" ? QStringLiteral("62701-1234") : name == "STREET" ? QStringLiteral("7 OAK AVE") : QString();
        }
    } src;
    DesignSurface s(DesignSurface::LabelSurface);
    s.setClipFilePath(QString());
    s.setSize(384, 96);
    s.setRecordSource(&src);
    s.setPanelState(DesignSurface::psPostNetBarCode);
    auto* pn = qobject_cast<TKPostNetBarCode*>(s.createObjectInRect(QRect(0, 0, 270, 16)));
    ASSERT_NE(pn, nullptr);
    EXPECT_EQ(pn->zipCodeField(), "ZIP");
    EXPECT_EQ(pn->addressField(), "STREET");
    EXPECT_EQ(pn->barCodeType(), pnbc11Digit);
    s.refreshData();
    EXPECT_EQ(pn->zipText(), "62701-1234");
    EXPECT_EQ(pn->encodedDigits(), "627011234077");
    pn->setAddressField("ADDR2");  // not in the table
    s.refreshData();
    EXPECT_EQ(pn->addressText(), "");
    EXPECT_EQ(pn->encodedDigits(), "627011234996");  // no street: delivery point 99, sum 44
}

TEST(FimMenuTest, TypeEntriesCheckAndSetTheType) {
    TKFIMBarCode fim;
    auto captions = [](const MenuEntries& m) {
        QStringList l;
        for (const auto& e : m) l << e.caption + (e.checked ? "*" : "");
        return l;
    };
    EXPECT_EQ(captions(fim.contextMenu()),
              QStringList({"Set FIM to Type A*", "Set FIM to Type B", "Set FIM to Type C"}));
    EXPECT_TRUE(runMenuEntry(fim.contextMenu(), "Set FIM to Type C"));
    EXPECT_EQ(fim.fimType(), fimTypeC);
    EXPECT_EQ(captions(fim.contextMenu()),
              QStringList({"Set FIM to Type A", "Set FIM to Type B", "Set FIM to Type C*"}));
}

TEST(PostalDesignFileTest, BothClassesRoundTripWithTheirProperties) {
    QTemporaryDir dir;
    QObject owner;
    const QString file = dir.filePath("postal.L");
    {
        DesignSurface s(DesignSurface::DataSurface, &owner);
        s.setClipFilePath(QString());
        s.setOwner(&owner);
        s.setSize(384, 192);
        auto* pn = new TKPostNetBarCode;
        pn->setZipCodeField("ZIP");
        pn->setAddressField("STREET");
        pn->setBarCodeType(pnbc9Digit);
        s.addObject(pn, QRect(4, 8, 270, 16));
        auto* plain = new TKPostNetBarCode;  // empty field names, default type
        s.addObject(plain, QRect(4, 40, 270, 16));
        auto* fim = new TKFIMBarCode;
        fim->setFimType(fimTypeB);
        s.addObject(fim, QRect(300, 8, 60, 60));
        const QByteArray bytes = TKLabelObjectFiler::encode({plain});
        EXPECT_FALSE(bytes.contains("ZipCodeField"));
        EXPECT_FALSE(bytes.contains("AddressField"));
        EXPECT_TRUE(bytes.contains("pnbc11Digit"));  // the type is always written
        EXPECT_TRUE(TKLabelObjectFiler::encode({fim}).contains("fimTypeB"));
        ASSERT_TRUE(s.saveToFile(file));
    }
    DesignSurface t(DesignSurface::DataSurface, &owner);
    t.setClipFilePath(QString());
    t.setOwner(&owner);
    t.setSize(384, 192);
    const auto r = t.loadFromFile(file);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(t.objects().size(), 3u);
    auto* pn = qobject_cast<TKPostNetBarCode*>(t.objects()[0]);
    auto* plain = qobject_cast<TKPostNetBarCode*>(t.objects()[1]);
    auto* fim = qobject_cast<TKFIMBarCode*>(t.objects()[2]);
    ASSERT_TRUE(pn && plain && fim);
    EXPECT_EQ(pn->zipCodeField(), "ZIP");
    EXPECT_EQ(pn->addressField(), "STREET");
    EXPECT_EQ(pn->barCodeType(), pnbc9Digit);
    EXPECT_EQ(pn->bounds(), QRect(4, 8, 270, 16));
    EXPECT_EQ(plain->zipCodeField(), "");
    EXPECT_EQ(plain->barCodeType(), pnbc11Digit);
    EXPECT_EQ(fim->fimType(), fimTypeB);
    EXPECT_EQ(fim->bounds(), QRect(300, 8, 60, 60));

}

TEST(PostalRenderTest, PdfBarsMeasureRightAt1000Dpi) {
#ifndef BRINDLE_DB_EXE
    GTEST_SKIP() << "brindle-db not built";
#else
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm missing";
    QTemporaryDir dir;
    const QString db = dir.filePath("add.dbf");
    brindle::store::Table::create(db.toStdString(), {{"ZIP", 'C', 10, 0}, {"STREET", 'C', 30, 0}});
    {
        auto t = brindle::store::Table::open(db.toStdString());
        t->append();
        t->setString("ZIP", "62701-1234");
        t->setString("STREET", "123 MAIN ST");
        t->post();
    }
    const QString design = dir.filePath("BIN00001.L");
    {
        DesignSurface s;
        s.setClipFilePath(QString());
        s.setSizeInches(4, 1.5);
        s.setPanelState(DesignSurface::psPostNetBarCode);  // the tool binds ZIP and STREET
        ASSERT_NE(s.createObjectInRect(QRect(96, 48, 270, 16)), nullptr);  // one inch in, half an inch down
        ASSERT_TRUE(s.saveToFile(design));
    }
    const QString pdf = dir.filePath("out.pdf");
    QProcess p;
    p.start(BRINDLE_DB_EXE, {"render", design, "--db", db, "--out", pdf});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QImage img = brindle::bartest::rasterisePdf(pdf, 1000, QRect(900, 450, 3100, 250), dir.filePath("bars"));
    ASSERT_FALSE(img.isNull());
    // Through the half bars (paper y 0.600 in) every bar shows; higher up (0.530) only the full ones.
    const auto all = brindle::designobjects::test::darkRuns(img, 150);
    ASSERT_EQ(all.size(), 62u);
    EXPECT_EQ(brindle::designobjects::test::darkRuns(img, 80).size(), 26u);  // two full bars a digit, twelve digits, two frame bars
    EXPECT_NEAR(all.front().first + 900, 1000, 3);
    for (const auto& [x, w] : all) EXPECT_NEAR(w, 15, 1) << x;  // 0.015 in at 1000 dpi
    const double length = all.back().first + all.back().second - all.front().first;
    EXPECT_NEAR(length / 1000.0, 2.821, 0.002);
#endif
}

}  // namespace

// The Intelligent Mail barcode: the USPS worked examples through libzint,
// the fields' rules, the printed bar geometry read back at 1000 dpi, the
// serial counter, the settings dialog's refusals, design files and a label
// printed by brindle-db render and decoded from its raster.
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

#include "DesignTestSupport.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "designobjects/IntelligentMail.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "designobjects/ui/TIntelligentMailDialog.h"
#include "printing/PageRecorder.h"

using namespace brindle::designobjects;
using brindle::printing::OpKind;
using brindle::printing::PageRecorder;

namespace {

const auto& kUspsExamples = brindle::bartest::kUspsImbExamples;
const QString kExampleTracking = QString::fromLatin1(brindle::bartest::kUspsImbTracking);

TEST(ImbEncodeTest, UspsExamplesAndRefusals) {
    for (const auto& e : kUspsExamples)
        EXPECT_EQ(imb::bars(kExampleTracking, QString::fromLatin1(e.routing)), QString::fromLatin1(e.bars)) << e.routing;
    QString error;
    EXPECT_EQ(imb::bars(kExampleTracking.left(19), {}, &error), "");  // libzint's refusal comes back as nothing
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(imb::bars(kExampleTracking, "0123456"), "");
}

TEST(ImbFieldsTest, TrackingCodeFieldsAndSerialLengths) {
    using P = imb::Problem;
    const struct {
        const char *id, *service, *mailer, *serial;
        P problem;
        const char* tracking;  // empty: nothing prints
    } cases[] = {
        {"01", "234", "567094", "987654321", P::None, "01234567094987654321"},
        {"00", "700", "567094", "42", P::None, "00700567094000000042"},        // padded to nine digits
        {"00", "700", "901234567", "42", P::None, "00700901234567000042"},     // nine-digit mailer: six-digit serial
        {"00", "700", "901234567", "1234567", P::None, ""},                   // serial too long for it
        {"00", "700", "567094", "1234567890", P::None, ""},
        {"00", "700", "567094", "-1", P::None, ""},
        {"00", "700", "567094", "12A", P::None, ""},
        {"05", "700", "567094", "1", P::BarcodeId, ""},                       // second digit 0-4
        {"0", "700", "567094", "1", P::BarcodeId, ""},
        {"00", "70", "567094", "1", P::ServiceType, ""},
        {"00", "7A0", "567094", "1", P::ServiceType, ""},
        {"00", "700", "967094", "1", P::MailerId, ""},                        // six digits may not begin with 9
        {"00", "700", "123456789", "1", P::MailerId, ""},                     // nine digits must
        {"00", "700", "1234567", "1", P::MailerId, ""},
        {"00", "700", "", "1", P::MailerId, ""},
    };
    for (const auto& c : cases) {
        const imb::Tracking t{c.id, c.service, c.mailer};
        EXPECT_EQ(imb::checkTracking(t), c.problem) << c.mailer;
        EXPECT_EQ(imb::trackingCode(t, c.serial).value_or(QString()), QString::fromLatin1(c.tracking))
            << c.mailer << " " << c.serial;
    }
}

TEST(ImbFieldsTest, RoutingCodeFromZipAndStreet) {
    const struct {
        const char *zip, *street;
        std::optional<const char*> routing;
    } cases[] = {
        {"62701", "7 OAK AVE", "62701"},
        {"62701-1234", "", "627011234" "99"},  // no house number: delivery point 99
        {"62701-1234", "7 OAK AVE", "62701123407"},
        {"627011234", "123 MAIN ST", "62701123423"},
        {"62701     ", "", "62701"},
        {"ABCDE", "", std::nullopt},
        {"1234A", "", std::nullopt},
        {"62701-12", "", std::nullopt},
        {"", "", std::nullopt},
        {"Müller", "", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto r = imb::routingCode(QString::fromUtf8(c.zip), c.street);
        EXPECT_EQ(r.has_value(), c.routing.has_value()) << c.zip;
        if (r && c.routing) EXPECT_EQ(*r, QString::fromLatin1(*c.routing));
    }
}

// The example's fields on an object: serial counter at 987654321.
TKIMBarCode* exampleObject() {
    auto* o = new TKIMBarCode;
    o->setTracking({"01", "234", "567094"});
    o->setStartingSerial(987654321);
    o->setZipCodeField("ZIP");
    o->setAddressField("STREET");
    return o;
}

class ImbPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.setClipFilePath(QString());
        s.setSize(384, 192);
    }
    std::vector<QRectF> print(double dpi) { return brindle::bartest::printedFills(s, dpi, 0.5, 0.25); }
    static QString decode(const std::vector<QRectF>& boxes, double y) { return brindle::bartest::imbStates(boxes, y); }
    DesignSurface s{DesignSurface::DataSurface};
};

TEST_F(ImbPrintTest, GeometryAndStatesAt1000DpiAndEqualWidthsElsewhere) {
    auto* o = exampleObject();
    s.addObject(o, QRect(0, 0, 282, 14));
    o->setData("01234-5678", "491 MAIN ST");  // delivery point 91
    const auto boxes = print(1000.0);
    ASSERT_EQ(boxes.size(), 65u);
    EXPECT_EQ(decode(boxes, 0.5), QString::fromLatin1(kUspsExamples[3].bars));
    EXPECT_DOUBLE_EQ(boxes.front().left(), 0.25);
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_NEAR(boxes[i].width(), 0.020, 1e-9);
        EXPECT_NEAR(boxes[i].left() - 0.25, i / 22.0, 0.0006) << i;  // 22 bars to the inch, snapped to the pixel
    }
    std::map<QChar, double> heights;
    const QString states = decode(boxes, 0.5);
    for (size_t i = 0; i < boxes.size(); ++i) heights[states[qsizetype(i)]] = boxes[i].height();
    EXPECT_NEAR(heights['F'], 0.145, 0.001);
    EXPECT_NEAR(heights['A'], 0.0965, 0.001);  // within the USPS range 0.091-0.124
    EXPECT_NEAR(heights['D'], 0.0965, 0.001);
    EXPECT_NEAR(heights['T'], 0.048, 0.001);   // within 0.039-0.057
    const double length = boxes.back().right() - boxes.front().left();
    EXPECT_NEAR(length, 64 / 22.0 + 0.020, 0.001);
    for (double dpi : {203.0, 300.0, 600.0}) {
        const auto b = print(dpi);
        ASSERT_EQ(b.size(), 65u);
        for (const auto& r : b) EXPECT_NEAR(r.width(), b.front().width(), 1e-9) << dpi;
        EXPECT_EQ(decode(b, 0.5), QString::fromLatin1(kUspsExamples[3].bars)) << dpi;
    }
}

TEST_F(ImbPrintTest, NothingPrintsForAMalformedZipOrFieldsThatDoNotFit) {
    auto* o = exampleObject();
    s.addObject(o, QRect(0, 0, 282, 14));
    const auto printsWith = [&](const QString& zip, const imb::Tracking& t, qint64 serial) {
        o->setTracking(t);
        o->setStartingSerial(serial);
        o->setData(zip, "7 OAK AVE");
        return !print(300).empty();
    };
    const imb::Tracking good{"01", "234", "567094"};
    EXPECT_TRUE(printsWith("62701", good, 1));
    EXPECT_FALSE(printsWith("6270", good, 1));
    EXPECT_FALSE(printsWith("62701-12", good, 1));
    EXPECT_FALSE(printsWith("62701", {"01", "234", "56709"}, 1));          // a stored five-digit mailer ID
    EXPECT_FALSE(printsWith("62701", {"01", "234", "901234567"}, 1234567)); // serial beyond six digits
    EXPECT_FALSE(printsWith("62701", {"09", "234", "567094"}, 1));
    EXPECT_TRUE(printsWith("62701", {"01", "234", "901234567"}, 123456));
}

TEST_F(ImbPrintTest, SerialAdvancesPerLabelOrComesFromTheField) {
    struct Source : RecordSource {
        bool isOpen() const override { return true; }
        std::vector<RecordField> fields() const override { return {{"ZIP", "Zip"}, {"STREET", "Street"}, {"CODE1", "Code 1"}}; }
        QString fieldText(const QString& name) const override {
            return name == "ZIP" ? QStringLiteral("01234-5678") : name == "STREET" ? QStringLiteral("491 MAIN ST")
                                                                              : QStringLiteral("987654321");
        }
    } src;
    s.setRecordSource(&src);
    auto* o = exampleObject();
    o->setStartingSerial(987654320);
    s.addObject(o, QRect(0, 0, 282, 14));
    s.refreshData();
    const QString first = o->encodedBars();
    s.advanceCounters();
    EXPECT_EQ(o->serialText(), "987654321");
    EXPECT_EQ(o->encodedBars(), QString::fromLatin1(kUspsExamples[3].bars));
    EXPECT_NE(first, o->encodedBars());
    s.resetCounters();
    EXPECT_EQ(o->serialText(), "987654320");
    o->setSerialSource(TKIMBarCode::ssField);
    o->setSerialField("CODE1");
    s.refreshData();
    s.advanceCounters();  // a field's serial does not count
    EXPECT_EQ(o->encodedBars(), QString::fromLatin1(kUspsExamples[3].bars));
}

TEST(ImbDesignFileTest, RoundTripsItsProperties) {
    QTemporaryDir dir;
    QObject owner;
    const QString file = dir.filePath("imb.L");
    {
        DesignSurface s(DesignSurface::DataSurface, &owner);
        s.setClipFilePath(QString());
        s.setOwner(&owner);
        s.setSize(384, 192);
        auto* o = exampleObject();
        o->setSerialSource(TKIMBarCode::ssField);
        o->setSerialField("CODE1");
        s.addObject(o, QRect(4, 8, 282, 16));
        ASSERT_TRUE(s.saveToFile(file));
    }
    DesignSurface t(DesignSurface::DataSurface, &owner);
    t.setClipFilePath(QString());
    t.setOwner(&owner);
    t.setSize(384, 192);
    const auto r = t.loadFromFile(file);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(t.objects().size(), 1u);
    auto* o = qobject_cast<TKIMBarCode*>(t.objects()[0]);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->tracking(), (imb::Tracking{"01", "234", "567094"}));
    EXPECT_EQ(o->startingSerial(), 987654321);
    EXPECT_EQ(o->serialSource(), TKIMBarCode::ssField);
    EXPECT_EQ(o->serialField(), "CODE1");
    EXPECT_EQ(o->zipCodeField(), "ZIP");
    EXPECT_EQ(o->bounds(), QRect(4, 8, 282, 16));
}

TEST(ImbSettingsTest, DialogAnswersThatDoNotFitChangeNothingAndAcceptedOnesBecomeDefaults) {
    brindle::designobjects::test::ScriptedSurface ss;
    ss.s.setPanelState(DesignSurface::psIMBarCode);
    auto* o = qobject_cast<TKIMBarCode*>(ss.s.createObjectInRect(QRect(0, 0, 282, 14)));
    ASSERT_NE(o, nullptr);
    // No mailer ID among the defaults yet: placing the barcode asks for one (cancelled here).
    EXPECT_EQ(ss.dialogs.asked.count("Intelligent Mail Barcode"), 1);
    EXPECT_EQ(o->tracking().mailerId, "");
    EXPECT_EQ(o->zipCodeField(), "ZIP");
    EXPECT_EQ(o->addressField(), "STREET");
    ss.dialogs.imb = ImbSettings{"01", "234", "96709", 0, {}, 1};  // a mailer ID of five digits
    o->editSettings();
    EXPECT_EQ(o->tracking().mailerId, "");
    ss.dialogs.imb = ImbSettings{"01", "234", "567094", 0, {}, 1000000000};  // ten-digit serial
    o->editSettings();
    EXPECT_EQ(o->tracking().mailerId, "");
    ss.dialogs.imb = ImbSettings{"01", "234", "567094", 0, {}, 987654321};
    o->editSettings();
    EXPECT_EQ(o->tracking(), (imb::Tracking{"01", "234", "567094"}));
    EXPECT_EQ(o->serialText(), "987654321");
    EXPECT_EQ(brindle::common::ProfileFile(brindle::common::settingsPath())
                  .readString("Intelligent Mail", "MailerId"),
              "567094");
    // The next object from the tool starts with the accepted fields.
    const auto askedBefore = ss.dialogs.asked.size();
    auto* next = qobject_cast<TKIMBarCode*>(ss.s.createObjectInRect(QRect(0, 40, 282, 14)));
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->tracking(), (imb::Tracking{"01", "234", "567094"}));
    EXPECT_EQ(ss.dialogs.asked.size(), askedBefore);  // complete defaults: no question
}

TEST(ImbSettingsTest, DialogRefusesOkWhileAFieldDoesNotFit) {
    TIntelligentMailDialog d;
    QStringList refused;
    d.setRefusalSink([&](const QString& t) { refused << t; });
    d.setSettings(ImbSettings{"01", "234", "96709", 0, {}, 1}, {"ZIP", "CODE1"});
    brindle::designobjects::test::keepShot(&d, "intelligent-mail");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    ASSERT_EQ(refused.size(), 1);
    EXPECT_EQ(refused[0], imb::problemText(imb::Problem::MailerId));
    d.findChild<QLineEdit*>("mailerId")->setText("901234567");
    d.accept();  // the counter's 1 fits six digits
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.settings().mailerId, "901234567");
}

TEST(ImbRenderTest, LabelPrintedByBrindleDbDecodesToTheUspsExample) {
#ifndef BRINDLE_DB_EXE
    GTEST_SKIP() << "brindle-db not built";
#else
    using namespace brindle::designobjects::test;
    if (!missingTool({"pdftoppm"}).isEmpty()) GTEST_SKIP() << "pdftoppm missing";
    QTemporaryDir dir;
    const QString db = dir.filePath("add.dbf");
    createOneRecordTable(db, {{"ZIP", 'C', 10, 0}, {"STREET", 'C', 30, 0}}, [](brindle::store::Table& t) {
        t.setString("ZIP", "01234-5678");
        t.setString("STREET", "491 MAIN ST");
    });
    const QString design = dir.filePath("BIN00001.L");
    {
        DesignSurface s;
        s.setClipFilePath(QString());
        s.setSizeInches(4, 1.5);
        s.addObject(exampleObject(), QRect(96, 48, 282, 14));  // one inch in, half an inch down
        s.addObject(new TKDMultiLineAddressLabel, QRect(96, 72, 250, 60));  // below the bars
        ASSERT_TRUE(s.saveToFile(design));
    }
    // BRINDLE_KEEP_DESIGN=FILE keeps the design for printing whole label pages by hand.
    if (const QString keep = qEnvironmentVariable("BRINDLE_KEEP_DESIGN"); !keep.isEmpty()) {
        QFile::remove(keep);
        QFile::copy(design, keep);
    }
    const QString pdf = dir.filePath("out.pdf");
    ASSERT_EQ(renderDesign(design, db, pdf).toStdString(), "");
    const QImage img = brindle::bartest::rasterisePdf(pdf, 1000, QRect(900, 450, 3200, 250), dir.filePath("bars"));
    ASSERT_FALSE(img.isNull());
    // Every bar crosses the tracker's middle (paper y 0.5725 in); each bar's
    // column gives its top and bottom (the tracker's top is paper y 0.5 in,
    // row 50), read back as a state.
    const auto [states, bars] = brindle::bartest::readImb(img, 122, 50, 1000.0);
    ASSERT_EQ(bars.size(), 65u);
    for (const auto& [x, w] : bars) EXPECT_NEAR(w, 20, 1) << x;  // 0.020 in
    EXPECT_EQ(states, QString::fromLatin1(kUspsExamples[3].bars));
    EXPECT_NEAR(bars.front().first + 900, 1000, 3);
    EXPECT_NEAR((bars.back().first - bars.front().first) / 64.0, 1000 / 22.0, 0.2);  // pitch
#endif
}

}  // namespace

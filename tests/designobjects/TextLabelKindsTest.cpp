// The one-line text kinds: data fields and their screen placeholders (which
// must never print), counters, date and time, page numbers, design files.
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TextLabelKinds.h"
#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"

using namespace brindle::designobjects;
using brindle::printing::PageRecorder;
using brindle::designobjects::test::darkPixelsPrinted;

namespace {

struct Source : RecordSource {
    QString last = "Smith";
    bool isOpen() const override { return true; }
    std::vector<RecordField> fields() const override { return {{"LNAME", "Last Name"}, {"FNAME", "First Name"}}; }
    QString fieldText(const QString& name) const override { return name == "LNAME" ? last : QString(); }
};

class DataLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.setClipFilePath(QString());
        s.setSize(384, 96);
        s.setRecordSource(&src);
        l = new TKPDLabel;
        l->setDataFieldName("LNAME");
        l->setDataFieldDescript("Last Name");
        s.addObject(l, QRect(0, 0, 200, 20));
    }
    Source src;
    DesignSurface s{DesignSurface::DataSurface};
    TKPDLabel* l = nullptr;
};

TEST_F(DataLabelTest, ScreenShowsValuesPlaceholdersOrFieldNames) {
    s.refreshData();
    EXPECT_EQ(l->caption(), "Smith");
    EXPECT_EQ(l->placeholder(), "");
    src.last = "  ";
    s.refreshData();
    EXPECT_EQ(l->caption(), "");
    EXPECT_EQ(l->placeholder(), "<blank field>");
    s.setDisplayDataValues(false);
    s.refreshData();
    EXPECT_EQ(l->placeholder(), "[Last Name]");
    l->setDataFieldDescript("Nickname");
    s.refreshData();
    EXPECT_EQ(l->placeholder(), "<undefined field>");
}

TEST_F(DataLabelTest, PlaceholdersNeverPrintWhateverTheOrderOfRefreshAndPrinting) {
    src.last = "MMMMMM";
    s.refreshData();
    ASSERT_GT(darkPixelsPrinted(s), 20);  // a real value prints

    // Refreshed on screen first, then marked as printing without a new refresh.
    for (const char* descript : {"Last Name", "Nickname"}) {
        src.last.clear();
        l->setDataFieldDescript(QString::fromLatin1(descript));
        s.setPrinting(false);
        s.setDisplayDataValues(true);
        s.refreshData();
        ASSERT_FALSE(l->placeholder().isEmpty());
        s.setPrinting(true);
        EXPECT_EQ(darkPixelsPrinted(s), 0) << descript;
        s.refreshData();  // and refreshed while printing
        EXPECT_EQ(l->placeholder(), "");
        EXPECT_EQ(darkPixelsPrinted(s), 0) << descript;
    }
    // Field names shown on screen: the name is not printed either.
    s.setPrinting(false);
    l->setDataFieldDescript("Last Name");
    src.last = "MMMMMM";
    s.setDisplayDataValues(false);
    s.refreshData();
    s.setPrinting(true);
    EXPECT_EQ(darkPixelsPrinted(s), 0);
    s.refreshData();  // while printing the value is read whatever the display mode
    EXPECT_EQ(l->caption(), "MMMMMM");
}

TEST(CounterLabelTest, RepeatsLeadingZerosAndResets) {
    TKCounterLabel c;
    EXPECT_EQ(c.caption(), "1");
    c.setStartingNumber(1000);
    c.setRepeatEach(2);
    c.setLeadingZeros(6);
    QStringList printed;
    for (int i = 0; i < 5; ++i) {
        printed << c.caption();
        c.advanceCounter();
    }
    EXPECT_EQ(printed, QStringList({"001000", "001000", "001001", "001001", "001002"}));
    c.resetCounter();
    EXPECT_EQ(c.caption(), "001000");
    c.setRepeatEach(0);
    c.advanceCounter();
    c.advanceCounter();
    EXPECT_EQ(c.value(), 1000);
    EXPECT_EQ(TKCounterLabel::counterText("No. ", 5, 3, "!"), "No. 005!");
    EXPECT_EQ(TKCounterLabel::counterText("", -5, 3, ""), "-005");
    EXPECT_EQ(TKCounterLabel::counterText("", 12345, 3, ""), "12345");
    EXPECT_EQ(TKCounterLabel::counterText("", 7, 2000000000, "").size(), 255);  // damaged file: padding capped
    // The stored number is 32 bits; counting on past its top does not wrap.
    c.setStartingNumber(2147483647);
    c.setRepeatEach(1);
    c.setLeadingZeros(0);
    c.advanceCounter();
    EXPECT_EQ(c.caption(), "2147483648");
}

TEST(DateTimeLabelTest, DateThenSpaceAndTime) {
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
    const QLocale c(QLocale::C);
    const QString date = c.toString(when.date(), QLocale::ShortFormat);
    const QString time = c.toString(when.time(), QLocale::ShortFormat);
    EXPECT_EQ(TKDateTimeLabel::formatText(when, TKDateTimeLabel::dtfDateShort, TKDateTimeLabel::dtfTimeShort, c),
              date + " " + time);
    EXPECT_EQ(TKDateTimeLabel::formatText(when, TKDateTimeLabel::dtfDateNone, TKDateTimeLabel::dtfTimeShort, c),
              " " + time);
}

TEST(PageNumberLabelTest, HashesOnScreenPageNumberOnPaper) {
    TKPageNumberLabel n;
    QImage img(200, 40, QImage::Format_RGB32);
    {
        QPainter p(&img);
        n.paint(p, {});
    }
    EXPECT_EQ(n.caption(), "##");
    PageRecorder rec;
    rec.line(0, 0, 1, 1);
    rec.newPage();
    n.printAt(rec, 0, 0);
    EXPECT_EQ(n.caption(), "2");
}

TEST(TextKindsDesignFileTest, PropertiesRoundTrip) {
    QTemporaryDir dir;
    QObject owner;
    const QString file = dir.filePath("kinds.L");
    auto surface = [&] {
        auto* s = new DesignSurface(DesignSurface::LabelSurface, &owner);
        s->setClipFilePath(QString());
        s->setOwner(&owner);
        s->setSize(384, 96);
        return s;
    };
    {
        DesignSurface* s = surface();
        auto* d = new TKPDLabel;
        d->setDataFieldName("LNAME");
        d->setDataFieldDescript("Last Name");
        d->setLengthOfText(12);
        s->addObject(d, QRect(0, 0, 100, 20));
        auto* c = new TKCounterLabel;
        c->setTextBefore("No. ");
        c->setTextAfter("/");
        c->setStartingNumber(-7);
        c->setRepeatEach(3);
        c->setLeadingZeros(4);
        s->addObject(c, QRect(0, 30, 100, 20));
        ASSERT_TRUE(s->saveToFile(file));
    }
    DesignSurface* t = surface();
    t->setSize(384, 96);
    ASSERT_TRUE(t->loadFromFile(file).ok);
    ASSERT_EQ(t->objects().size(), 2u);
    auto* d = qobject_cast<TKPDLabel*>(t->objects()[0]);
    auto* c = qobject_cast<TKCounterLabel*>(t->objects()[1]);
    ASSERT_TRUE(d && c);
    EXPECT_EQ(d->dataFieldName(), "LNAME");
    EXPECT_EQ(d->dataFieldDescript(), "Last Name");
    EXPECT_EQ(d->lengthOfText(), 12);
    EXPECT_EQ(d->caption(), "");  // record text is never stored
    EXPECT_EQ(c->textBefore(), "No. ");
    EXPECT_EQ(c->textAfter(), "/");
    EXPECT_EQ(c->startingNumber(), -7);
    EXPECT_EQ(c->repeatEach(), 3);
    EXPECT_EQ(c->leadingZeros(), 4);
    EXPECT_EQ(c->caption(), "No. -0007/");

    // The date object lives on report and envelope designs; a data surface takes every class.
    DesignSurface any(DesignSurface::DataSurface);
    any.setClipFilePath(QString());
    any.setSize(384, 96);
    auto* dt = new TKDateTimeLabel;
    dt->setDateFormat(TKDateTimeLabel::dtfDateLong);
    dt->setTimeFormat(TKDateTimeLabel::dtfTimeShort);
    any.addObject(dt, QRect(0, 0, 100, 20));
    any.addObject(new TKPageNumberLabel, QRect(0, 30, 100, 20));
    ASSERT_TRUE(any.saveToFile(file));
    DesignSurface back(DesignSurface::DataSurface);
    back.setClipFilePath(QString());
    ASSERT_TRUE(back.loadFromFile(file).ok);
    ASSERT_EQ(back.objects().size(), 2u);
    auto* dt2 = qobject_cast<TKDateTimeLabel*>(back.objects()[0]);
    ASSERT_NE(dt2, nullptr);
    EXPECT_EQ(dt2->dateFormat(), TKDateTimeLabel::dtfDateLong);
    EXPECT_EQ(dt2->timeFormat(), TKDateTimeLabel::dtfTimeShort);
    EXPECT_NE(qobject_cast<TKPageNumberLabel*>(back.objects()[1]), nullptr);
}

}  // namespace

// Multi-line text objects: the address block on a surface, word wrap,
// screen-only placeholders, size to fit and design files.
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/RecordSource.h"
#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"

using namespace brindle::designobjects;
using brindle::printing::PageRecorder;
using brindle::designobjects::test::darkPixelsPrinted;

namespace {

using Record = QMap<QString, QString>;

Record annLee() {
    return {{"PREFIX", "Dr"}, {"FNAME", "Ann"},         {"MIDDLE", "B"},   {"LNAME", "Lee"},
            {"TITLE", ""},    {"ORG", "Acme"},          {"STREET", "1 Elm St"}, {"STREET2", ""},
            {"CITY", "Springfield"}, {"STATE", "IL"},   {"ZIP", "62701"},  {"COUNTRY", ""},
            {"PHONE", "555-1234"}};
}

TEST(WordWrapTest, BreakingRule) {
    // Every character is ten units wide.
    const auto measure = [](const QString& s) { return int(s.size() * 10); };
    struct Case {
        QString text;
        int width;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {"aaa bbb ccc", 70, {"aaa bbb", "ccc"}},
        {"aaa bbb ccc", 80, {"aaa bbb", "ccc"}},  // the space at the break does not count
        {"aaa   bbb", 40, {"aaa", "bbb"}},         // a run of spaces at the break goes
        {"abcdefghij", 40, {"abcd", "efgh", "ij"}},  // a word longer than the line
        {"ab abcdefghij", 40, {"ab", "abcd", "efgh", "ij"}},
        {"one\n\ntwo", 100, {"one", "", "two"}},
        {"one\r\ntwo", 100, {"one", "two"}},
        {"abc", 0, {"a", "b", "c"}},  // narrower than a letter still ends
        {"", 50, {""}},
    };
    for (const auto& c : cases) EXPECT_EQ(wrapText(c.text, c.width, measure), c.expected) << c.text.toStdString();
}

TEST(WordWrapTest, MeasuresEveryPieceOfTheTextAboutOnce) {
    // Wrapping stays linear in the length of the text: measuring growing
    // prefixes or the whole remainder for every line would measure each
    // character many times over. Every character is ten units wide.
    qint64 measured = 0;
    const auto measure = [&](const QString& s) {
        measured += s.size();
        return int(s.size() * 10);
    };
    const QString word(3000, QLatin1Char('x'));
    const QStringList single = wrapText(word, 1, measure);
    ASSERT_EQ(single.size(), 3000);
    EXPECT_EQ(single.front(), "x");
    EXPECT_EQ(single.join(QString()), word);
    EXPECT_LE(measured, 3 * word.size());

    QString memo;
    for (int i = 0; memo.size() < 20000; ++i) memo += QString(1 + i % 9, QLatin1Char('a' + i % 26)) + (i % 40 == 39 ? "\n" : " ");
    measured = 0;
    const QStringList lines = wrapText(memo, 300, measure);
    EXPECT_LE(measured, 3 * memo.size());
    // Greedy: every line fits, and the first word of the next line of the
    // same paragraph would not have fitted after it.
    const QStringList paragraphs = memo.split('\n');
    qsizetype at = 0;
    for (const QString& paragraph : paragraphs) {
        const QStringList words = paragraph.split(' ', Qt::SkipEmptyParts);
        QStringList rebuilt;
        while (rebuilt.size() < words.size()) {
            ASSERT_LT(at, lines.size());
            const QString& line = lines[at++];
            EXPECT_LE(TKGraphicControl::trimTrailing(line).size() * 10, 300) << line.toStdString();
            rebuilt += line.split(' ', Qt::SkipEmptyParts);
            if (rebuilt.size() < words.size())
                EXPECT_GT((TKGraphicControl::trimTrailing(line) + ' ' + words[rebuilt.size()]).size() * 10, 300);
        }
        EXPECT_EQ(rebuilt, words);
        if (words.isEmpty()) ++at;
    }
    EXPECT_EQ(at, lines.size());
}

struct Source : RecordSource {
    Record rec = annLee();
    QString memo;
    bool isOpen() const override { return true; }
    std::vector<RecordField> fields() const override {
        std::vector<RecordField> f;
        for (auto it = rec.begin(); it != rec.end(); ++it) f.push_back({it.key(), it.key()});
        f.push_back({"NOTES", "Memo"});
        return f;
    }
    QString fieldText(const QString& name) const override { return name == "NOTES" ? memo : rec.value(name); }
};

class MemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.setClipFilePath(QString());
        s.setSize(384, 192);
        s.setRecordSource(&src);
        m = new TKDMultiLineLabel;
        m->setDataFieldName("NOTES");
        m->setDataFieldDescript("Memo");
        s.addObject(m, QRect(0, 0, 190, 60));
    }
    Source src;
    DesignSurface s{DesignSurface::DataSurface};
    TKDMultiLineLabel* m = nullptr;
};

TEST_F(MemoTest, PlaceholdersStayOnScreen) {
    m->refreshData();
    EXPECT_EQ(m->screenLines(), QStringList{"<blank memo>"});
    EXPECT_EQ(darkPixelsPrinted(s), 0);

    // Unknown binding and field names shown: screen texts that never print,
    // even when the surface is marked as printing only after the refresh.
    m->setDataFieldDescript("Gone");
    m->refreshData();
    EXPECT_EQ(m->screenLines(), QStringList{"<undefined memo>"});
    s.setPrinting(true);
    EXPECT_EQ(darkPixelsPrinted(s), 0);
    s.setPrinting(false);
    m->setDataFieldDescript("Memo");
    s.setDisplayDataValues(false);
    m->refreshData();
    EXPECT_EQ(m->screenLines(), QStringList{"[Memo]"});
    EXPECT_TRUE(m->paperLines().isEmpty());
    s.setPrinting(true);
    EXPECT_EQ(darkPixelsPrinted(s), 0);

    src.memo = "first\r\nsecond";
    m->refreshData();
    EXPECT_EQ(m->paperLines(), (QStringList{"first", "second"}));
    EXPECT_GT(darkPixelsPrinted(s), 0);
}

TEST_F(MemoTest, LinesBelowTheBottomEdgeAreCutOff) {
    QStringList ten;
    for (int i = 0; i < 10; ++i) ten << QStringLiteral("WWWW line");
    src.memo = ten.join('\n');
    TKMultiLineLabel probe;
    probe.setItems({"x"});
    probe.sizeToFit();
    m->setHeight(3 * probe.height());
    s.setPrinting(true);
    m->refreshData();
    EXPECT_GT(darkPixelsPrinted(s), 0);
    EXPECT_EQ(darkPixelsPrinted(s, m->height() + 1), 0);
}

TEST_F(MemoTest, WrapFollowsWidthAndKeepsRecordText) {
    src.memo = "alpha beta gamma delta epsilon";
    m->setWordWrap(true);
    m->refreshData();
    const int wide = int(m->lines().size());
    m->setWidth(60);
    EXPECT_GT(m->lines().size(), wide);
    EXPECT_EQ(m->items(), QStringList{"alpha beta gamma delta epsilon"});
}

TEST(MultiLineSizeToFitTest, EmptyObjectKeepsOneLine) {
    TKDMultiLineLabel empty;
    empty.setBounds(0, 0, 190, 60);
    empty.sizeToFit();
    EXPECT_GT(empty.height(), 0);

    TKMultiLineLabel three;
    three.setItems({"one", "two", "three"});
    three.sizeToFit();
    EXPECT_EQ(three.height(), 3 * empty.height());
    EXPECT_EQ(three.width(), 190);  // never narrower
    three.setItems({QString(80, QLatin1Char('W'))});
    three.sizeToFit();
    EXPECT_GT(three.width(), 190);
    EXPECT_EQ(three.height(), empty.height());
}

TEST(AddressLabelTest, ComposesFromSurfaceRecord) {
    Source src;
    DesignSurface s(DesignSurface::DataSurface);
    s.setClipFilePath(QString());
    s.setSize(384, 192);
    s.setRecordSource(&src);
    auto* a = new TKDMultiLineAddressLabel;
    s.addObject(a, QRect(0, 0, 190, 80));
    a->refreshData();
    EXPECT_EQ(a->items(), (QStringList{"Dr Ann B. Lee ", "Acme", "1 Elm St", "Springfield  IL 62701"}));
    s.setDisplayDataValues(false);
    a->refreshData();
    EXPECT_EQ(a->screenLines(), QStringList{"[Address Label]"});
    s.setPrinting(true);
    EXPECT_EQ(darkPixelsPrinted(s), 0);
}

TEST(MultiLineDesignFileTest, PropertiesRoundTrip) {
    QTemporaryDir dir;
    const QString file = dir.filePath("multi.L");
    {
        DesignSurface s(DesignSurface::LabelSurface);
        s.setClipFilePath(QString());
        s.setSize(384, 192);
        auto* t = new TKMultiLineLabel;
        t->setItems({"one", "", "three"});
        t->setAlignment(TKMultiLineBaseLabel::taCenter);
        t->setWordWrap(true);
        s.addObject(t, QRect(0, 0, 100, 40));
        auto* m = new TKDMultiLineLabel;
        m->setDataFieldName("NOTES");
        m->setDataFieldDescript("Memo");
        s.addObject(m, QRect(0, 50, 100, 40));
        auto* a = new TKDMultiLineAddressLabel;
        AddressLayout l;
        l.usePhone = true;
        l.useTitle = false;
        l.zipOptions = zoBeforeCountry;
        l.upperCase = true;
        a->setLayout(l);
        s.addObject(a, QRect(0, 100, 190, 60));
        ASSERT_TRUE(s.saveToFile(file));
    }
    DesignSurface back(DesignSurface::LabelSurface);
    back.setClipFilePath(QString());
    back.setSize(384, 192);
    ASSERT_TRUE(back.loadFromFile(file).ok);
    ASSERT_EQ(back.objects().size(), 3u);
    auto* t = qobject_cast<TKMultiLineLabel*>(back.objects()[0]);
    auto* m = qobject_cast<TKDMultiLineLabel*>(back.objects()[1]);
    auto* a = qobject_cast<TKDMultiLineAddressLabel*>(back.objects()[2]);
    ASSERT_TRUE(t && m && a);
    EXPECT_EQ(t->items(), (QStringList{"one", "", "three"}));
    EXPECT_EQ(t->alignment(), TKMultiLineBaseLabel::taCenter);
    EXPECT_TRUE(t->wordWrap());
    EXPECT_EQ(m->dataFieldName(), "NOTES");
    EXPECT_EQ(m->dataFieldDescript(), "Memo");
    EXPECT_TRUE(a->layout().usePhone);
    EXPECT_FALSE(a->layout().useTitle);
    EXPECT_TRUE(a->layout().useName);
    EXPECT_EQ(a->layout().zipOptions, zoBeforeCountry);
    EXPECT_TRUE(a->layout().upperCase);
}

}  // namespace

// Importing comma-separated text into an address file: the values that
// arrive, the ones that cannot arrive unchanged, stops by cancel and by
// error, and the tags afterwards.
#include <gtest/gtest.h>

#include <stdexcept>

#include "TransferTestSupport.h"
#include "store/Cp1252.h"
#include "transfer/FieldMatching.h"
#include "transfer/ImportRun.h"

using namespace brindle;
using namespace brindle::transfer;
using transfertest::Scratch;

namespace {

std::string field(store::Table& t, std::uint32_t recno, const char* name) {
    t.go(recno);
    return t.codec().toUtf8(t.getString(name));
}

ImportResult importText(store::Table& t, const Scratch& s, const QByteArray& bytes, const ColumnMap& map,
                        CsvOptions options = {}, RunControl control = {}) {
    const QString path = s.path(QStringLiteral("in.csv"));
    transfertest::writeBytes(path, bytes);
    return importCsvFile(t, path, options, map, control);
}

const ColumnMap kNameOrgCity = {{0, "LNAME"}, {1, "ORG"}, {2, "CITY"}};

}  // namespace

TEST(CsvImport, ValuesArriveAsTheFileHoldsThem) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    const ImportResult r = importText(*t, s,
                                      "Smith,\"Main St, Apt 4\",Springfield\r\n"
                                      "Jones\r\n"
                                      "\r\n"
                                      "\"O\"\"Brien\",\"two\r\nlines\",Dublin,extra,Kerry\r\n"
                                      "M\xC3\xBCller,Jos\xC3\xA9,K\xC3\xB6ln\r\n",
                                      {{0, "LNAME"}, {1, "ORG"}, {2, "CITY"}, {4, "STATE"}});
    EXPECT_EQ(r.outcome, ImportOutcome::Complete);
    EXPECT_EQ(r.message(), QStringLiteral("Import complete. Imported 5 records."));
    ASSERT_EQ(t->recordCount(), 5u);
    EXPECT_EQ(field(*t, 1, "ORG"), "Main St, Apt 4");
    EXPECT_EQ(field(*t, 2, "LNAME"), "Jones");
    EXPECT_EQ(field(*t, 2, "ORG"), "");
    EXPECT_EQ(field(*t, 3, "LNAME"), "");
    EXPECT_EQ(field(*t, 4, "LNAME"), "O\"Brien");
    EXPECT_EQ(field(*t, 4, "ORG"), "two lines");
    // A column that the first line lacks is imported where a line has it.
    EXPECT_EQ(field(*t, 4, "STATE"), "Kerry");
    EXPECT_EQ(field(*t, 5, "LNAME"), "M\xC3\xBCller");
    EXPECT_EQ(field(*t, 5, "CITY"), "K\xC3\xB6ln");
    EXPECT_TRUE(r.tagsBuilt);
    EXPECT_TRUE(address::hasAllAddressTags(*t));
    EXPECT_TRUE(t->check().empty());
}

TEST(CsvImport, Windows1252AndSemicolonFilesWithAHeaderLine) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    CsvOptions o;
    o.headerLine = true;
    const QByteArray bytes("Nachname;Vorname;Last Name\r\nx;Jos\xE9;M\xFCller\r\n\x1A");
    const DecodedText text = decodeText(std::string_view(bytes.constData(), bytes.size()));
    const CsvSample sample = sampleCsv(text, o);
    FieldMatching m(importTargets(TargetSet::Text), sample.names);
    m.matchByName();
    ColumnMap map;
    for (const auto& [c, f] : m.pairs()) map.emplace_back(c, f);
    ASSERT_EQ(map, (ColumnMap{{2, "LNAME"}}));
    map.emplace_back(1, "FNAME");
    const ImportResult r = importText(*t, s, bytes, map, o);
    ASSERT_EQ(r.imported, 1u);
    EXPECT_EQ(field(*t, 1, "LNAME"), "M\xC3\xBCller");
    EXPECT_EQ(field(*t, 1, "FNAME"), "Jos\xC3\xA9");
}

TEST(CsvImport, CutValuesAndUnstorableCharactersAreNamed) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    const std::string longOrg(45, 'O');
    const ImportResult r = importText(*t, s,
                                      QByteArray(("Wa\xC5\x82\xC4\x99sa," + longOrg + ",Kyiv\r\n"
                                                  "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2,short,x\r\n")
                                                     .c_str()),
                                      kNameOrgCity);
    EXPECT_EQ(r.outcome, ImportOutcome::Complete);
    EXPECT_EQ(r.notes.cut, 1u);
    EXPECT_EQ(r.notes.replaced, 8u);  // ł ę, and six Cyrillic letters
    EXPECT_EQ(field(*t, 1, "LNAME"), "Walesa");
    EXPECT_EQ(field(*t, 1, "ORG"), std::string(30, 'O'));
    EXPECT_EQ(field(*t, 2, "LNAME"), "Ivanov");
    const QString m = r.message();
    EXPECT_TRUE(m.startsWith(QStringLiteral("Import complete. Imported 2 records.")));
    EXPECT_TRUE(m.contains(QStringLiteral("line 1, Organization: 45 characters, the field holds 30"))) << m.toStdString();
    EXPECT_TRUE(m.contains(QStringLiteral("line 1, Last Name: \"Wałęsa\" as \"Walesa\""))) << m.toStdString();
    EXPECT_TRUE(m.contains(QStringLiteral("line 2, Last Name: \"Иванов\" as \"Ivanov\""))) << m.toStdString();
}

TEST(CsvImport, CancelKeepsExactlyTheRecordsImportedAndSoundTags) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    t->append();
    t->setString("LNAME", "Existing");
    t->post();
    QByteArray bytes;
    for (int i = 0; i < 200; ++i) bytes += QByteArray("Name") + QByteArray::number(i) + ",Org,City\r\n";
    int asked = 0;
    RunControl c;
    c.cancelRequested = [&] { return ++asked == 50; };
    const ImportResult r = importText(*t, s, bytes, kNameOrgCity, {}, c);
    EXPECT_EQ(r.outcome, ImportOutcome::Cancelled);
    EXPECT_EQ(r.message(), QStringLiteral("Import cancelled after importing 50 records."));
    EXPECT_EQ(t->recordCount(), 51u);
    EXPECT_EQ(field(*t, 51, "LNAME"), "Name49");
    EXPECT_TRUE(address::hasAllAddressTags(*t));
    EXPECT_TRUE(t->check().empty());
    t->setOrder(t->tagArea("LNAME"));
    ASSERT_TRUE(t->seek("EXISTING"));
}

namespace {

// A source that fails on the given record, in reading or in writing.
class FailingSource : public ImportSource {
public:
    FailingSource(int failAt, bool inRead) : failAt_(failAt), inRead_(inRead) {}
    bool next() override {
        ++n_;
        if (inRead_ && n_ == failAt_) throw std::runtime_error("disk went away");
        return n_ <= 10;
    }
    void fill(RecordWriter& w) override {
        w.setText(0, "Name" + std::to_string(n_));
        if (!inRead_ && n_ == failAt_) throw std::runtime_error("no space left");
    }
    int percent() const override { return n_ * 10; }

private:
    int n_ = 0;
    int failAt_;
    bool inRead_;
};

}  // namespace

TEST(CsvImport, AnErrorSaysSoWithTheCountAndLeavesNoHalfRecord) {
    for (bool inRead : {true, false}) {
        Scratch s;
        auto t = transfertest::newAddressFile(s);
        FailingSource src(4, inRead);
        const ImportResult r = runImport(*t, src, ImportKind::Ascii, {});
        EXPECT_EQ(r.imported, 3u);
        EXPECT_EQ(t->recordCount(), 3u);
        EXPECT_FALSE(r.message().contains(QStringLiteral("complete")));
        EXPECT_TRUE(r.message().startsWith(
            inRead ? QStringLiteral("Unknown error reading ASCII file after importing 3 records.")
                   : QStringLiteral("Unknown error writing to data file after importing 3 records.")));
        EXPECT_TRUE(r.tagsBuilt);
        EXPECT_TRUE(t->check().empty());
        FailingSource dbf(2, false);
        const ImportResult d = runImport(*t, dbf, ImportKind::Dbf, {});
        EXPECT_EQ(d.message().left(66), QStringLiteral("Unknown error while importing. The import stopped after 1 records."));
    }
}

TEST(FieldMatchingTest, ASourceFeedsOneRowAndRowsClear) {
    FieldMatching m(importTargets(TargetSet::Text), {"Field 1", "Field 2", "Field 3"});
    EXPECT_EQ(m.target(0).label, QStringLiteral("Last Name"));
    EXPECT_EQ(m.target(findTarget(m.targets(), QStringLiteral("actual date"))).field, QStringLiteral("DATE"));
    EXPECT_EQ(findTarget(m.targets(), QStringLiteral("MEMO")), -1);  // text files have no memo column
    m.choose(0, 2);
    m.choose(1, 0);
    EXPECT_TRUE(m.anyMatched());
    m.choose(5, 2);  // the third field moves to another row
    EXPECT_EQ(m.sourceAt(0), -1);
    EXPECT_EQ(m.rowOf(2), 5);
    m.clearRow(1);
    EXPECT_EQ(m.pairs(), (std::vector<std::pair<int, QString>>{{2, m.target(5).field}}));
    m.clearAll();
    EXPECT_FALSE(m.anyMatched());
}

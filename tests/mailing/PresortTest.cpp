#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <random>
#include <sstream>

#include "MailingTestSupport.h"
#include "mailing/AdcTable.h"
#include "mailing/Presort.h"
#include "store/Table.h"

using namespace brindle;
using namespace brindle::mailing;
using namespace brindle::mailtest;

namespace {

struct PresortRun {
    QTemporaryDir dir;
    QString dbf() const { return dir.filePath(QStringLiteral("add0001.dbf")); }
    QString psl() const { return dir.filePath(QStringLiteral("PRESORT.PSL")); }
    RecordingProgress progress;
    PresortResult result;

    // Makes the file, runs the presort over all records not flagged ISDEL.
    std::vector<std::string> run(const std::vector<ZipRecord>& records, const std::string& filter = "!ISDEL") {
        makeZipFile(dbf(), records);
        auto t = store::Table::open(dbf().toStdString(), store::OpenMode::ReadOnly);
        if (!filter.empty()) t->setFilter(filter);
        result = runPresort(*t, psl(), progress);
        return linesOf(readAll(psl()));
    }
};

using Lines = std::vector<std::string>;

// The order computed straight from the rules, independently of the code
// under test: keys sorted; a key of ten or more pieces is a 5-digit group; of
// the rest, prefixes with ten or more pieces are 3-digit groups; what remains
// goes to the centre whose list names its three-character prefix, else to
// Unknown.
Lines referenceOrder(const std::map<std::string, int>& counts) {
    Lines five, three, unknown;
    std::map<std::string, std::vector<std::string>> byPrefix;  // keys of each prefix, sorted
    for (const auto& [key, n] : counts) {
        if (n >= 10) {
            five.push_back("** 5-digit " + key);
            five.push_back(key);
        } else {
            byPrefix[key.substr(0, 3)].push_back(key);
        }
    }
    std::vector<std::string> rest;
    for (const auto& [prefix, keys] : byPrefix) {
        int sum = 0;
        for (const auto& k : keys) sum += counts.at(k);
        if (sum >= 10) {
            three.push_back("** 3-digit " + prefix);
            three.insert(three.end(), keys.begin(), keys.end());
        } else {
            rest.insert(rest.end(), keys.begin(), keys.end());
        }
    }
    Lines adc;
    std::vector<bool> used(rest.size(), false);
    for (const auto& g : adcGroups()) {
        std::istringstream in(g.prefixes);
        std::set<std::string> list;
        for (std::string e; in >> e;) list.insert(e);
        bool first = true;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (used[i] || rest[i].size() < 3 || !list.count(rest[i].substr(0, 3))) continue;
            if (first) adc.push_back(std::string("** ADC ") + g.name);
            first = false;
            adc.push_back(rest[i]);
            used[i] = true;
        }
    }
    for (std::size_t i = 0; i < rest.size(); ++i)
        if (!used[i]) unknown.push_back(rest[i]);
    Lines out = five;
    out.insert(out.end(), three.begin(), three.end());
    out.insert(out.end(), adc.begin(), adc.end());
    if (!unknown.empty()) {
        out.push_back("** Unknown");
        out.insert(out.end(), unknown.begin(), unknown.end());
    }
    return out;
}

}  // namespace

TEST(PresortKey, TakesFiveCharactersUpperCasedAndKeepsOnlyUsCodes) {
    EXPECT_EQ(presortKey("12345-6789"), "12345");
    EXPECT_EQ(presortKey("1234      "), "1234");
    EXPECT_EQ(presortKey("1234a"), "1234A");        // found again through UPPER(ZIP)
    EXPECT_EQ(presortKey("123\xe9"), "123\xc9");     // é folds to É as UPPER() folds it
    EXPECT_EQ(presortKey("K1A 0B6"), "K1A 0");
    EXPECT_EQ(presortKey(""), "");

    for (const char* key : {"12345", "1234", "1", "00000", "99999", "1234A", "1 2"}) EXPECT_TRUE(takesPart(key)) << key;
    // Empty, foreign, and the short runs of zeros that sort before "00000".
    for (const char* key : {"", "K1A 0", " 1234", "-1234", "0", "000", "0000", "0 1", "9999Z"})
        EXPECT_FALSE(takesPart(key)) << key;

    EXPECT_TRUE(isSeparatorLine("** ADC ALBANY NY 120"));
    EXPECT_TRUE(isSeparatorLine("** Unknown"));
    EXPECT_FALSE(isSeparatorLine("12**3"));
    EXPECT_FALSE(isSeparatorLine("**"));
    EXPECT_FALSE(isSeparatorLine(" ** 5-digit"));
}

TEST(Presort, FormsTheGroupsOfTheRules) {
    {
        // Ten pieces make a 5-digit group; three left under 123 go to their centre.
        std::vector<ZipRecord> r;
        addZip(r, "12345", 10);
        addZip(r, "12399", 3);
        PresortRun run;
        EXPECT_EQ(run.run(r), (Lines{"** 5-digit 12345", "12345", "** ADC ALBANY NY 120", "12399"}));
        EXPECT_TRUE(run.result.completed());
    }
    {
        // Twelve pieces under 234 in keys of four each: one 3-digit group.
        std::vector<ZipRecord> r;
        addZip(r, "23409", 4);
        addZip(r, "23401", 4);
        addZip(r, "23402", 4);
        PresortRun run;
        EXPECT_EQ(run.run(r), (Lines{"** 3-digit 234", "23401", "23402", "23409"}));
    }
    {
        // Nine pieces form no group of their own; no Unknown line when nothing is left.
        std::vector<ZipRecord> r;
        addZip(r, "12345", 9);
        PresortRun run;
        EXPECT_EQ(run.run(r), (Lines{"** ADC ALBANY NY 120", "12345"}));
    }
    {
        // ZIP+4 counts under its five digits, a four-character code is a key
        // of its own matched by 123, prefixes no centre serves and keys
        // shorter than three characters end under Unknown (not under ALBANY,
        // whose list holds "12" only inside "120"), Canadian and empty codes
        // are left out, and a lower-case letter is counted upper-cased.
        std::vector<ZipRecord> r;
        addZip(r, "12345-6789", 2);
        addZip(r, "12345", 1);
        addZip(r, "1234", 2);
        addZip(r, "00012", 1);
        addZip(r, "21301", 1);
        addZip(r, "12", 1);
        addZip(r, "K1A 0B6", 2);
        addZip(r, "", 3);
        addZip(r, "5800a", 1);
        PresortRun run;
        EXPECT_EQ(run.run(r), (Lines{"** ADC ALBANY NY 120", "1234", "12345", "** ADC FARGO ND  580", "5800A",
                                     "** Unknown", "00012", "12", "21301"}));
        EXPECT_EQ(run.result.counted, 9u);
        EXPECT_EQ(run.result.leftOut, 5u);
        ASSERT_FALSE(run.progress.statuses.empty());
        EXPECT_EQ(run.progress.statuses.back(),
                  QStringLiteral("Sorting Zip Codes...\n5 records without a US ZIP code are left out."));
    }
}

TEST(Presort, GeneratedZipMixesFollowTheReference) {
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 rng(seed);
        // Most records under a few busy prefixes (5-digit and 3-digit groups),
        // the rest spread thinly over all prefixes (ADC and Unknown).
        const std::vector<std::string> busy = {"120", "234", "062"};
        std::vector<ZipRecord> records;
        std::map<std::string, int> counts;
        int leftOut = 0;
        for (int i = 0; i < 700; ++i) {
            const bool thin = rng() % 10 < 3;
            char spread[4];
            std::snprintf(spread, sizeof spread, "%03u", static_cast<unsigned>(rng() % 1000));
            const std::string prefix = thin ? std::string(spread) : busy[rng() % busy.size()];
            const int tail = static_cast<int>(rng() % (thin ? 100 : 12));
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02d", tail);
            std::string zip = prefix + digits, key = zip;
            switch (rng() % 10) {
            case 0: zip += "-" + std::to_string(1000 + rng() % 9000); break;  // ZIP+4
            case 1: zip = key = zip.substr(0, 4); break;                      // four characters
            case 2: zip = "M5V 2T6"; key.clear(); break;                      // Canadian
            case 3: zip.clear(); key.clear(); break;
            default: break;
            }
            // Runs of zeros shorter than "00000" sort before it: no US code.
            if (key.size() < 5 && key.find_first_not_of('0') == std::string::npos) key.clear();
            records.push_back({zip});
            if (key.empty()) ++leftOut;
            else ++counts[key];
        }
        PresortRun run;
        const Lines got = run.run(records);
        EXPECT_EQ(got, referenceOrder(counts)) << "seed " << seed;
        EXPECT_EQ(run.result.leftOut, static_cast<std::uint64_t>(leftOut));
        // Every key exactly once, every group kind present.
        const auto& s = run.result.summary;
        EXPECT_EQ(static_cast<std::size_t>(s.fiveDigit.keys + s.threeDigit.keys + s.adc.keys + s.unknown.keys),
                  counts.size());
        EXPECT_GT(s.fiveDigit.groups, 0);
        EXPECT_GT(s.threeDigit.groups, 0);
        EXPECT_GT(s.adc.groups, 0);
        EXPECT_EQ(s.unknown.groups, 1);
        EXPECT_EQ(s.fiveDigit.pieces + s.threeDigit.pieces + s.adc.pieces + s.unknown.pieces,
                  700u - static_cast<unsigned>(leftOut));
    }
}

TEST(Presort, WritesTheOrderFileWithCrLfLines) {
    std::vector<ZipRecord> r;
    addZip(r, "62701", 10);
    addZip(r, "62704", 1);
    addZip(r, "00123", 1);
    PresortRun run;
    run.run(r);
    EXPECT_EQ(readAll(run.psl()), QByteArray("** 5-digit 62701\r\n62701\r\n"
                                             "** ADC ST. LOUIS MO 630\r\n62704\r\n"
                                             "** Unknown\r\n00123\r\n"));
    EXPECT_EQ(run.result.lines, 6u);
    // Only the temporary beside the target may ever exist; none is left.
    EXPECT_EQ(QDir(run.dir.path()).entryList({QStringLiteral("PRESORT.PSL*")}, QDir::Files),
              QStringList{QStringLiteral("PRESORT.PSL")});

    // A record set without US codes replaces the earlier file with an empty one.
    PresortRun empty;
    ASSERT_TRUE(QFile::copy(run.psl(), empty.psl()));
    EXPECT_TRUE(empty.run({{"K1A 0B6"}, {""}}).empty());
    EXPECT_TRUE(empty.result.completed());
    EXPECT_TRUE(QFile::exists(empty.psl()));
    EXPECT_EQ(QFile(empty.psl()).size(), 0);
}

TEST(Presort, CountsOnlyTheRecordSetAndPutsTheTableBack) {
    PresortRun run;
    std::vector<ZipRecord> r;
    addZip(r, "12345", 12);
    for (int i = 0; i < 5; ++i) r.push_back({"23401", "Deleted", true});        // ISDEL
    for (int i = 0; i < 5; ++i) r.push_back({"23402", "Gone", false, true});    // engine flag
    for (int i = 0; i < 4; ++i) r.push_back({"99501", "M\xfcller"});
    makeZipFile(run.dbf(), r);
    auto t = store::Table::open(run.dbf().toStdString(), store::OpenMode::ReadOnly);
    t->setFilter("!ISDEL .AND. UPPER(LNAME)<>\"DOE\"");
    t->setOrder(t->tagArea("ZIP"));
    t->go(24);
    const int order = t->order();
    run.result = runPresort(*t, run.psl(), run.progress);
    EXPECT_EQ(linesOf(readAll(run.psl())), (Lines{"** ADC ANCHORAGE AK 995", "99501"}));
    EXPECT_EQ(run.result.recordsRead, 4u);
    EXPECT_EQ(t->order(), order);
    EXPECT_EQ(t->recNo(), 24u);
}

TEST(Presort, ReportsEveryHundredRecordsAndStopsOnCancel) {
    PresortRun run;
    std::vector<ZipRecord> r;
    addZip(r, "12345", 250);
    run.run(r);
    const auto& st = run.progress.statuses;
    ASSERT_EQ(st.size(), 4u);
    EXPECT_EQ(st[0], QStringLiteral("Reading database records..."));
    EXPECT_EQ(st[1], QStringLiteral("Reading record 100"));
    EXPECT_EQ(st[2], QStringLiteral("Reading record 200"));
    EXPECT_EQ(st[3], QStringLiteral("Sorting Zip Codes..."));
    EXPECT_EQ(run.progress.percents.size(), 250u);
    EXPECT_EQ(run.progress.percents.back(), 100);

    // A cancel after 120 records writes nothing: the earlier file stays.
    const QByteArray before = readAll(run.psl());
    auto t = store::Table::open(run.dbf().toStdString(), store::OpenMode::ReadOnly);
    RecordingProgress stopping;
    stopping.stopAfter = 120;
    const PresortResult cancelled = runPresort(*t, run.psl(), stopping);
    EXPECT_EQ(cancelled.outcome, PresortResult::Outcome::Cancelled);
    EXPECT_EQ(cancelled.recordsRead, 120u);
    EXPECT_EQ(readAll(run.psl()), before);
}

TEST(OrderFile, ReadsLinesAsTheLabelEngineNeedsThem) {
    const auto lines =
        parseOrderFile(QByteArray("** 5-digit 12345\r\n12345\n\r\n\n** ADC FARGO ND  580\r\n5800A\r\n12**3"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(lines[0].separator);
    EXPECT_EQ(lines[0].text, "** 5-digit 12345");
    EXPECT_FALSE(lines[1].separator);
    EXPECT_EQ(lines[1].text, "12345");
    EXPECT_EQ(lines[2].text, "** ADC FARGO ND  580");
    EXPECT_EQ(lines[4].text, "12**3");  // a key, although it holds "**"
    EXPECT_FALSE(lines[4].separator);
    EXPECT_TRUE(parseOrderFile(QByteArray()).empty());
    // What we write reads back unchanged.
    const Lines written = {"** 3-digit 234", "23401", "** Unknown", "12"};
    EXPECT_EQ(linesOf(orderFileBytes(written)), written);
}

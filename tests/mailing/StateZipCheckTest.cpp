// The state and ZIP check over address files, the state file's ranges and
// the result index, driven without a window.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <string>
#include <vector>

#include "address/AddressSchema.h"
#include "address/ResultIndex.h"
#include "cli/CliTestSupport.h"
#include "mailing/StateZipCheck.h"
#include "store/Cp1252.h"
#include "store/Table.h"

using namespace brindle;
using mailing::StateZipRanges;

namespace {

struct Person {
    std::string lname;  // UTF-8; stored as Windows-1252
    std::string state;
    std::string zip;
    bool isdel = false;
    bool engineDeleted = false;
};

void makeFile(const std::string& path, const std::vector<Person>& people) {
    address::createAddressFile(path, address::FieldLengths::defaults());
    auto t = store::Table::open(path);
    for (const Person& p : people) {
        t->append();
        t->setString("LNAME", store::utf8ToCp1252(p.lname));
        t->setString("FNAME", "Ann");
        t->setString("STATE", p.state);
        t->setString("ZIP", p.zip);
        t->setLogical("ISDEL", p.isdel);
        t->post();
        if (p.engineDeleted) t->deleteRecord();
    }
}

StateZipRanges sampleRanges() {
    StateZipRanges r;
    r.add("NY", "00500", "14999");
    r.add("NJ", "07000", "08999-9999");
    // A second range of a state, as the shipped file has for several.
    r.add("DC", "20000", "20099-9999");
    r.add("dc", "20200", "20599-9999");
    return r;
}

// Stops the walk after `stopAfter` records.
class StoppingProgress : public address::WalkProgress {
public:
    bool afterRecord(int percent, int found) override {
        percents.push_back(percent);
        lastFound = found;
        return stopAfter < 0 || static_cast<int>(percents.size()) < stopAfter;
    }
    std::vector<int> percents;
    int lastFound = 0;
    int stopAfter = -1;
};

std::vector<std::uint32_t> listed(store::Table& t) {
    std::vector<std::uint32_t> out;
    for (bool ok = t.first(); ok && !t.eof(); ok = t.next()) out.push_back(t.recNo());
    return out;
}

}  // namespace

TEST(StateZipRanges, ComparesZipsAsTextWithinAnyRangeOfExactlyThatState) {
    const StateZipRanges r = sampleRanges();
    struct Case {
        const char* state;
        const char* zip;
        bool valid;
    };
    for (const Case& c : std::vector<Case>{
             {"NY", "10001-1234", true},   // sorts inside 00500..14999
             {"NY", "149991", false},      // sorts after 14999
             {"NY", "00500", true},        // equal to the lower bound
             {"NY", "14999", true},        // equal to the upper bound
             {"NY", "00499", false},
             {"NY", "", false},            // the empty text sorts first
             {"ny", "10001", false},       // a lower-case state finds no row
             {" NY ", "10001", true},      // blanks around the state do not count
             {"N", "10001", false},        // never a prefix of another state
             {"", "10001", false},
             {"NYC", "10001", false},
             {"CA", "90210", false},       // a state not in the file
             {"DC", "20050", true},        // first range
             {"DC", "20500", true},        // second range (row written in lower case)
             {"DC", "20150", false},       // between the two
         }) {
        EXPECT_EQ(r.valid(c.state, c.zip), c.valid) << c.state << " " << c.zip;
    }
}

TEST(StateZipRanges, ReadsEveryRowOfTheShippedStateFile) {
    const std::string path = std::string(BRINDLE_BINARY_DIR) + "/sysdata/CSZ.DBF";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no built state file";
    auto t = store::Table::open(path, store::OpenMode::ReadOnly);
    const StateZipRanges r = StateZipRanges::fromTable(*t);
    EXPECT_EQ(r.size(), t->recordCount());
    // New York's second row (00500-00599) holds a ZIP its first one does not.
    EXPECT_TRUE(r.valid("NY", "10001"));
    EXPECT_TRUE(r.valid("NY", "00501"));
    EXPECT_TRUE(r.valid("PR", "00901"));
    EXPECT_FALSE(r.valid("NY", "90210"));
}

TEST(StateZipRanges, ReadsAStateFileAnotherProgramWrote) {
    brindle::clitest::ScratchDir dir;
    if (brindle::clitest::runProgram("/usr/bin/python3", {"-c", "import dbf"}, dir).status != 0)
        GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    const std::string path = dir.file("csz.dbf");
    const char* writer = R"(
import sys, dbf
t = dbf.Table(sys.argv[1], 'name C(20); state C(4); low_zip C(10); high_zip C(10)', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Qu\u00e9bec', 'QC', 'G0A', 'J9Z9Z9'))
t.append(('Qu\u00e9bec', 'QC', 'H0A', 'H9Z9Z9'))
t.append(('Gone', 'ZZ', '00000', '99999'))
dbf.delete(t[-1])
t.close()
)";
    ASSERT_EQ(brindle::clitest::runProgram("/usr/bin/python3", {"-c", writer, path}, dir).status, 0);
    auto t = store::Table::open(path, store::OpenMode::ReadOnly);
    t->setHideDeleted(false);
    const StateZipRanges r = StateZipRanges::fromTable(*t);
    EXPECT_EQ(r.size(), 2u);
    EXPECT_TRUE(r.valid("QC", "H2X1Y4"));
    EXPECT_FALSE(r.valid("QC", "K1A0B6"));
    EXPECT_FALSE(r.valid("ZZ", "12345"));  // the deleted row counts for nothing
}

TEST(StateZipCheck, ListsQuestionableRecordsInNameOrderAndRemovesTheIndex) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Müller.dbf")).toStdString();
    makeFile(path, {
                       {"Wałęsa", "NY", "10001-1234"},  // 1 valid
                       {"Zoe", "NY", "149991"},         // 2 questionable
                       {"José", "CA", "90210"},         // 3 questionable: no CA row
                       {"Müller", "ny", "10001"},       // 4 questionable: lower case
                       {"Blank", "", "10001"},          // 5 blank state
                       {"Nozip", "NY", ""},             // 6 blank ZIP
                       {"Gone", "CA", "1", true},       // 7 ISDEL
                       {"Erased", "CA", "1", false, true},  // 8 deletion mark
                       {"Second", "DC", "20500"},       // 9 valid in the second range
                   });
    auto t = store::Table::open(path);
    const std::string idx = dir.filePath(QString::fromUtf8(mailing::kStateZipIndexName)).toStdString();
    // A stale index from a crash is replaced, not reused.
    { QFile stale(QString::fromStdString(idx)); ASSERT_TRUE(stale.open(QIODevice::WriteOnly)); stale.write("junk"); }
    t->setHideDeleted(false);  // even a visible deletion mark is passed over

    address::NoWalkProgress progress;
    {
        address::ResultIndex index(*t, idx, mailing::kStateZipIndexExpression);
        const auto r = mailing::runStateZipCheck(*t, sampleRanges(), {}, progress, &index);
        EXPECT_EQ(r.records, (std::vector<std::uint32_t>{2, 3, 4}));
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(r.read, 9u);
        // The table shows just those, by last name.
        EXPECT_EQ(t->order(), index.order());
        EXPECT_EQ(listed(*t), (std::vector<std::uint32_t>{3, 4, 2}));
        EXPECT_TRUE(std::filesystem::exists(idx));
    }
    EXPECT_FALSE(std::filesystem::exists(idx));
    EXPECT_EQ(t->order(), 0);

    // With the blank option the empty state and the empty ZIP are questionable too.
    address::ResultIndex index(*t, idx, mailing::kStateZipIndexExpression);
    const auto r = mailing::runStateZipCheck(*t, sampleRanges(), {.includeBlanks = true}, progress, &index);
    EXPECT_EQ(r.records, (std::vector<std::uint32_t>{2, 3, 4, 5, 6}));
}

TEST(StateZipCheck, CancelShowsWhatWasFoundSoFarAndEditsKeepRecordsListed) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("add.dbf")).toStdString();
    makeFile(path, {{"Able", "CA", "1"}, {"Baker", "NY", "10001"}, {"Cole", "CA", "2"}, {"Dunn", "CA", "3"}});
    auto t = store::Table::open(path);
    const std::string idx = dir.filePath(QStringLiteral("_chksz.idx")).toStdString();
    address::ResultIndex index(*t, idx, mailing::kStateZipIndexExpression);
    StoppingProgress progress;
    progress.stopAfter = 3;
    const auto r = mailing::runStateZipCheck(*t, sampleRanges(), {}, progress, &index);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.records, (std::vector<std::uint32_t>{1, 3}));
    EXPECT_EQ(progress.percents, (std::vector<int>{25, 50, 75}));
    EXPECT_EQ(progress.lastFound, 2);

    // Correcting a listed record (its key changes) keeps it in the list.
    ASSERT_TRUE(t->go(1));
    t->edit();
    t->setString("LNAME", "Zeller");
    t->setString("STATE", "NY");
    t->setString("ZIP", "10002");
    t->post();
    EXPECT_EQ(listed(*t), (std::vector<std::uint32_t>{3, 1}));
}

TEST(StateZipCommand, ListsRecordsOfATableAnotherProgramWrote) {
    using namespace brindle::clitest;
    ScratchDir dir;
    if (runProgram("/usr/bin/python3", {"-c", "import dbf"}, dir).status != 0)
        GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    const std::string table = dir.file("Wałęsa.dbf");
    const char* writer = R"(
import sys, dbf
t = dbf.Table(sys.argv[1], 'lname C(20); fname C(20); state C(20); zip C(10); isdel L', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('M\u00fcller', 'Jos\u00e9', 'NY', '10001-1234', False))
t.append(('Smith', 'Ann', 'NY', '149991', False))
t.append(('Gone', 'Ann', 'XX', '1', True))
t.append(('Blank', 'Ann', '', '', False))
t.close()
)";
    ASSERT_EQ(runProgram("/usr/bin/python3", {"-c", writer, table}, dir).status, 0);
    const std::string csz = std::string(BRINDLE_BINARY_DIR) + "/sysdata/CSZ.DBF";
    if (!std::filesystem::exists(csz)) GTEST_SKIP() << "no built state file";

    const RunResult r = runProgram(BRINDLE_DB_EXE, {"statezip", table, "--csz", csz}, dir);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("2  Smith, Ann  state \"NY\"  zip \"149991\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Müller"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Found 1 records with questionable state or zipcodes"), std::string::npos) << r.out;

    const RunResult b = runProgram(BRINDLE_DB_EXE, {"statezip", table, "--csz", csz, "--blanks"}, dir);
    EXPECT_NE(b.out.find("4  Blank, Ann"), std::string::npos) << b.out;
    EXPECT_NE(b.out.find("Found 2 records"), std::string::npos) << b.out;

    const RunResult missing = runProgram(BRINDLE_DB_EXE, {"statezip", table, "--csz", dir.file("none.dbf")}, dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_FALSE(missing.err.empty());
}

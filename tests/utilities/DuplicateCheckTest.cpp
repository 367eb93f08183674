// The duplicate check over address files, driven without a window.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <string>
#include <vector>

#include "address/AddressSchema.h"
#include "address/ResultIndex.h"
#include "cli/CliTestSupport.h"
#include "store/Cp1252.h"
#include "store/Table.h"
#include "utilities/DuplicateCheck.h"

using namespace brindle;
using utilities::DuplicateKind;
using utilities::DuplicateOptions;

namespace {

struct Person {
    std::string lname;  // UTF-8; stored as Windows-1252
    std::string fname;
    std::string street = {};
    bool isdel = false;
    bool engineDeleted = false;
};

std::string makeFile(const QTemporaryDir& dir, const std::vector<Person>& people) {
    const std::string path = dir.filePath(QStringLiteral("José.dbf")).toStdString();
    address::createAddressFile(path, address::FieldLengths::defaults());
    auto t = store::Table::open(path);
    for (const Person& p : people) {
        t->append();
        t->setString("LNAME", store::utf8ToCp1252(p.lname));
        t->setString("FNAME", store::utf8ToCp1252(p.fname));
        t->setString("STREET", store::utf8ToCp1252(p.street));
        t->setLogical("ISDEL", p.isdel);
        t->post();
        if (p.engineDeleted) t->deleteRecord();
    }
    return path;
}

using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

Pairs run(const std::string& path, DuplicateOptions options) {
    auto t = store::Table::open(path);
    t->setFilter("!ISDEL");
    address::NoWalkProgress progress;
    const auto r = utilities::runDuplicateCheck(*t, options, progress, nullptr);
    Pairs out;
    for (const auto& p : r.pairs) out.emplace_back(p.previous, p.current);
    return out;
}

std::vector<std::uint32_t> listed(store::Table& t) {
    std::vector<std::uint32_t> out;
    for (bool ok = t.first(); ok && !t.eof(); ok = t.next()) out.push_back(t.recNo());
    return out;
}

}  // namespace

TEST(DuplicateCheck, FindsNeighboursInNameOrder) {
    QTemporaryDir dir;
    const std::string path = makeFile(dir, {
                                                {"Jones", "Mary"},    // 1
                                                {"JONES", "MARY"},    // 2
                                                {"Adams", "Ann"},     // 3
                                                {"Adams", "Ann"},     // 4
                                                {"Adams", "Ann"},     // 5
                                                {"Jones", "Mark"},    // 6
                                                {"", "Mary"},         // 7 no last name
                                                {"", "Mary"},         // 8 no last name
                                                {"müller", "José"},   // 9
                                                {"MÜLLER", "JOSÉ"},   // 10
                                                {"Wałęsa", "Lech"},   // 11 (stored as Walesa)
                                                {"Gone", "Ann", "", true},          // 12 ISDEL
                                                {"Gone", "Ann", "", false, true},   // 13 deletion mark
                                                {"Gone", "Ann"},                    // 14
                                            });
    const Pairs name = run(path, {DuplicateKind::LastFirst});
    // Three in a row are two pairs; the middle record is in both.
    EXPECT_EQ(name, (Pairs{{3, 4}, {4, 5}, {1, 2}, {9, 10}})) << name.size();

    const Pairs initial = run(path, {DuplicateKind::LastFirstInitial});
    // Mark sorts before Mary; they share their initial.
    EXPECT_EQ(initial, (Pairs{{3, 4}, {4, 5}, {6, 1}, {1, 2}, {9, 10}}));
}

TEST(DuplicateCheck, ComparesTheStreetsFirstCharacters) {
    QTemporaryDir dir;
    const std::string path = makeFile(dir, {
                                                {"A", "", "123 N Buffalo"},
                                                {"B", "", "1234 S Eastern"},
                                                {"C", "", "99 Elm"},
                                                {"D", "", ""},
                                                {"E", "", ""},
                                            });
    EXPECT_EQ(run(path, {DuplicateKind::Street, 3}), (Pairs{{1, 2}}));
    EXPECT_EQ(run(path, {DuplicateKind::Street, 30}), Pairs{});
}

TEST(DuplicateCheck, ResultIndexListsBothRecordsAndSurvivesEditsAndCancel) {
    QTemporaryDir dir;
    const std::string path =
        makeFile(dir, {{"Jones", "Mary"}, {"Baker", "Bo"}, {"Jones", "mary"}, {"Cole", "Al"}, {"Cole", "Al"}});
    auto t = store::Table::open(path);
    const std::string idx = dir.filePath(QStringLiteral("_chkdup.idx")).toStdString();
    {
        address::ResultIndex index(*t, idx, utilities::duplicateIndexExpression(DuplicateKind::LastFirst));
        address::NoWalkProgress progress;
        const auto r = utilities::runDuplicateCheck(*t, {DuplicateKind::LastFirst}, progress, &index);
        EXPECT_EQ(r.found(), 2);
        EXPECT_EQ(listed(*t), (std::vector<std::uint32_t>{4, 5, 1, 3}));
        // Correcting one of a pair keeps both listed.
        ASSERT_TRUE(t->go(3));
        t->edit();
        t->setString("LNAME", "Adams");
        t->post();
        EXPECT_EQ(listed(*t), (std::vector<std::uint32_t>{3, 4, 5, 1}));
    }
    EXPECT_FALSE(std::filesystem::exists(idx));

    // Stopped after the fourth record of the walk (Adams, Baker, Cole,
    // Cole): only the pair found so far.
    address::ResultIndex index(*t, idx, utilities::duplicateIndexExpression(DuplicateKind::LastFirst));
    class StopAfter : public address::WalkProgress {
    public:
        bool afterRecord(int, int) override { return ++n < 4; }
        int n = 0;
    } stop;
    const auto r = utilities::runDuplicateCheck(*t, {DuplicateKind::LastFirst}, stop, &index);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.found(), 1);
    EXPECT_EQ(listed(*t), (std::vector<std::uint32_t>{4, 5}));
}

TEST(DuplicatesCommand, PrintsPairsAndCount) {
    using namespace brindle::clitest;
    ScratchDir dir;
    QTemporaryDir tmp;
    const std::string path = makeFile(tmp, {{"Jones", "Mary", "1 Elm"}, {"jones", "MARY", "1 Oak"}, {"Jones", "Mark", "2 Elm"}});
    const RunResult name = runProgram(BRINDLE_DB_EXE, {"duplicates", path, "--kind", "name"}, dir);
    EXPECT_EQ(name.status, 1) << name.err;
    EXPECT_NE(name.out.find("Found 1 possible duplicates"), std::string::npos) << name.out;
    EXPECT_NE(name.out.find("Jones, Mary"), std::string::npos) << name.out;
    const RunResult street = runProgram(BRINDLE_DB_EXE, {"duplicates", path, "--kind", "street", "--length", "2"}, dir);
    EXPECT_NE(street.out.find("Found 1 possible duplicates"), std::string::npos) << street.out;
    const RunResult none = runProgram(BRINDLE_DB_EXE, {"duplicates", path, "--kind", "street"}, dir);
    EXPECT_EQ(none.status, 0);
    EXPECT_NE(none.out.find("Found 0 possible duplicates"), std::string::npos) << none.out;
    EXPECT_EQ(runProgram(BRINDLE_DB_EXE, {"duplicates", path, "--kind", "street", "--length", "31"}, dir).status, 2);
    EXPECT_EQ(runProgram(BRINDLE_DB_EXE, {"duplicates", path, "--kind", "both"}, dir).status, 2);
}

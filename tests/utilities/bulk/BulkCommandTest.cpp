// brindle-db convert-case, replace and delete-set end to end, on a table
// another program wrote.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliTestSupport.h"
#include "store/Cp1252.h"
#include "store/Table.h"

using namespace brindle;
using clitest::runProgram;
using Strings = std::vector<std::string>;

namespace {

const char* kWriter = R"(
import sys, dbf
t = dbf.Table(sys.argv[1], 'lname C(30); city C(30); zip C(10); isdel L; memo M', dbf_type='fp', codepage='cp1252')
t.open(dbf.READ_WRITE)
for row in [('O\'BRIEN-JONES', 'MÜNCHEN', '12345-6789'), ('JOSÉ', 'SÃO PAULO', '12345'),
            ('cowboy', 'cow town', '1234'), ('GONE', 'NOWHERE', '99999')]:
    t.append(row + (row[0] == 'GONE', ''))
t.close()
)";

Strings column(const std::string& path, const char* field) {
    auto t = store::Table::open(path, store::OpenMode::ReadOnly);
    t->setHideDeleted(false);
    Strings out;
    for (std::uint32_t r = 1; r <= t->recordCount(); ++r) {
        t->go(r);
        out.push_back(store::cp1252ToUtf8(t->getString(field)));
    }
    return out;
}

TEST(BulkCommands, ConvertReplaceAndDeleteFromTheShell) {
    clitest::ScratchDir dir;
    if (runProgram("/usr/bin/python3", {"-c", "import dbf"}, dir).status != 0)
        GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    const std::filesystem::path folder = dir.path() / "Wałęsa Почта";
    std::filesystem::create_directories(folder);
    const std::string table = (folder / "José.dbf").string();
    const auto made = runProgram("/usr/bin/python3", {"-c", kWriter, table}, dir);
    ASSERT_EQ(made.status, 0) << made.err;

    auto r = runProgram(BRINDLE_DB_EXE, {"convert-case", table, "--fields", "lname,city,zip", "--to", "capital"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Converted 3 records\n");
    EXPECT_EQ(column(table, "LNAME"), (Strings{"O'brien-jones", "José", "Cowboy", "GONE"}));
    EXPECT_EQ(column(table, "CITY"), (Strings{"München", "São Paulo", "Cow Town", "NOWHERE"}));
    EXPECT_EQ(column(table, "ZIP")[0], "12345-6789");

    // A find text that would be an expression is matched literally: nothing changes.
    r = runProgram(BRINDLE_DB_EXE, {"replace", table, "--field", "LNAME", "--contains", "x\"$LNAME.or..T..or.\"",
                                    "--whole", "gone"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Replaced 0 records\n");
    r = runProgram(BRINDLE_DB_EXE, {"replace", table, "--field", "city", "--contains", "COW", "--ignore-case",
                                    "--part", "Bull", "--filter", "ZIP=\"123\""}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Replaced 1 records\n");
    EXPECT_EQ(column(table, "CITY")[2], "Bull Town");
    r = runProgram(BRINDLE_DB_EXE, {"replace", table, "--field", "LNAME", "--equals", "José", "--whole", "Wałęsa"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot store"), std::string::npos) << r.err;

    r = runProgram(BRINDLE_DB_EXE, {"delete-set", table, "--not-matching", "ZIP=\"12345\""}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Deleted 1 records\n");  // Cowboy; GONE was deleted before
    r = runProgram(BRINDLE_DB_EXE, {"delete-set", table, "--all"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Deleted 2 records\n");
    EXPECT_TRUE(column(table, "LNAME").empty());
    EXPECT_EQ(runProgram(BRINDLE_DB_EXE, {"delete-set", table, "--matching", "LNAME=="}, dir).status, 2);
    EXPECT_EQ(runProgram(BRINDLE_DB_EXE, {"convert-case", table, "--fields", "MEMO", "--to", "upper"}, dir).status, 2);
}

}  // namespace

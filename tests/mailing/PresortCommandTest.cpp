// brindle-db presort end to end, on tables another program wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/CliTestSupport.h"

using brindle::clitest::readFile;
using brindle::clitest::RunResult;
using brindle::clitest::runProgram;
using brindle::clitest::ScratchDir;

namespace {

const char* kPython = "/usr/bin/python3";

bool pythonHasDbf() {
    ScratchDir dir;
    return runProgram(kPython, {"-c", "import dbf"}, dir).status == 0;
}

// A FoxPro table with the fields the presort reads, written by python3-dbf:
// ten pieces of 62701, one 62704 (plus one flagged ISDEL and one deleted by
// the engine), a ZIP+4, a lower-case letter, a Canadian and an empty code.
const char* kWriter = R"(
import sys, dbf
t = dbf.Table(sys.argv[1], 'lname C(20); zip C(10); isdel L; memo M', dbf_type='fp', codepage='cp1252')
t.open(dbf.READ_WRITE)
for i in range(10):
    t.append(('Doe', '62701', False, ''))
t.append(('M\u00fcller', '62704', False, ''))
t.append(('Gone', '62704', True, ''))
t.append(('Erased', '62704', False, ''))
dbf.delete(t[-1])
t.append(('Jos\u00e9', '00123-4567', False, ''))
t.append(('Small', '5800a', False, ''))
t.append(('Maple', 'K1A 0B6', False, ''))
t.append(('Empty', '', False, ''))
t.close()
)";

}  // namespace

TEST(PresortCommand, WritesTheOrderFileForATableAnotherProgramWrote) {
    if (!pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    ScratchDir dir;
    // Accented and non-Latin folder and file names.
    const std::filesystem::path folder = dir.path() / "Wałęsa Почта";
    std::filesystem::create_directories(folder);
    const std::string table = (folder / "José.dbf").string();
    const RunResult made = runProgram(kPython, {"-c", kWriter, table}, dir);
    ASSERT_EQ(made.status, 0) << made.err;

    const std::string out = (folder / "Müller.psl").string();
    const RunResult r = runProgram(BRINDLE_DB_EXE, {"presort", table, "--out", out}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(out), "** 5-digit 62701\r\n62701\r\n"
                             "** ADC FARGO ND  580\r\n5800A\r\n"
                             "** ADC ST. LOUIS MO 630\r\n62704\r\n"
                             "** Unknown\r\n00123\r\n");
    EXPECT_NE(r.out.find("5-digit          1        1         10\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ADC              2        2          2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Unknown          1        1          1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Records: 15 read, 13 presorted, 2 left out (no US ZIP code)"), std::string::npos) << r.out;

    // A filter narrows the record set further.
    const RunResult f = runProgram(BRINDLE_DB_EXE, {"presort", table, "--filter", "ZIP = \"627\"", "--out", out}, dir);
    ASSERT_EQ(f.status, 0) << f.err;
    EXPECT_EQ(readFile(out), "** 5-digit 62701\r\n62701\r\n** ADC ST. LOUIS MO 630\r\n62704\r\n");
}

TEST(PresortCommand, FailuresLeaveFilesAloneAndExitWithTwo) {
    if (!pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    ScratchDir dir;
    const std::string table = dir.file("add.dbf");
    ASSERT_EQ(runProgram(kPython, {"-c", kWriter, table}, dir).status, 0);

    // A folder that does not exist: reported, never "completed".
    const RunResult missing = runProgram(BRINDLE_DB_EXE, {"presort", table, "--out", dir.file("none/P.PSL")}, dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("could not be written"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out.find("Order file"), std::string::npos);

    // The table's own files, whatever their case, are never the order file.
    const std::string before = readFile(table);
    for (const std::string& target : {table, dir.file("ADD.DBF"), dir.file("add.FPT"), dir.file("Add.cdx")}) {
        const RunResult r = runProgram(BRINDLE_DB_EXE, {"presort", table, "--out", target}, dir);
        EXPECT_EQ(r.status, 2) << target;
        EXPECT_NE(r.err.find("would overwrite"), std::string::npos) << r.err;
    }
    EXPECT_EQ(readFile(table), before);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Add.cdx")));
}

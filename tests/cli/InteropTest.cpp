// Interoperability with an independent xBase reader and writer (Debian's
// python3-dbf): tables written by the store must read back value for value
// there, and tables it writes (dBASE III with DBT memos, FoxPro with FPT
// memos) must read correctly through the store.
#include <gtest/gtest.h>

#include <cmath>

#include "CliTestSupport.h"
#include "store/Cp1252.h"
#include "store/Table.h"

using brindle::clitest::RunResult;
using brindle::clitest::ScratchDir;
using brindle::clitest::writeFile;
namespace store = brindle::store;

namespace {

const char* kPython = "/usr/bin/python3";

bool pythonHasDbf() {
    static const bool ok = [] {
        ScratchDir dir;
        const RunResult r = brindle::clitest::runProgram(kPython, {"-c", "import dbf"}, dir);
        return r.status == 0;
    }();
    return ok;
}

RunResult runPython(const ScratchDir& dir, const std::string& script, const std::vector<std::string>& args) {
    const std::string path = dir.file("script.py");
    writeFile(path, script);
    std::vector<std::string> all = {path};
    all.insert(all.end(), args.begin(), args.end());
    return brindle::clitest::runProgram(kPython, all, dir);
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = s.find(sep, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

// Prints the structure and every record of a table: records separated by 0x1E,
// values by 0x1F; character values without trailing blanks, numbers with four
// decimals, logicals T/F/? , dates YYYYMMDD, memos verbatim, then the deletion mark.
const char* kReadScript = R"PY(
import sys, dbf
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_ONLY)
memos = set()
spec = []
for s in t.structure():
    spec.append(s)
    name, kind = s.split(' ', 1)
    if kind.startswith('M'):
        memos.add(name)
rows = ['\x1f'.join(spec)]
for r in t:
    vals = []
    for name in t.field_names:
        v = r[name]
        if v is None:
            vals.append('?')
        elif isinstance(v, bool):
            vals.append('T' if v else 'F')
        elif isinstance(v, (int, float)):
            vals.append('%.4f' % v)
        elif isinstance(v, str):
            vals.append(v if name in memos else v.rstrip(' '))
        elif hasattr(v, 'strftime'):
            vals.append(v.strftime('%Y%m%d'))
        else:
            vals.append(repr(v))
    vals.append('D' if dbf.is_deleted(r) else '-')
    rows.append('\x1f'.join(vals))
t.close()
sys.stdout.buffer.write('\x1e'.join(rows).encode('utf-8'))
)PY";

struct Row {
    std::string name;  // UTF-8
    double amount;
    double qty;
    double ratio;
    int flag;  // 1 true, 0 false, -1 left unset
    std::string born;
    std::string notes;  // UTF-8
    bool deleted;
};

std::string fixed4(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

std::string memoText(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; s.size() < n; ++i) s += (i % 40 == 39) ? std::string("\r\n") : std::string(1, static_cast<char>('a' + i % 26));
    s.resize(n);
    return s;
}

}  // namespace

TEST(Interop, TableWrittenByTheStoreReadsBackInPythonDbf) {
    if (!pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    ScratchDir dir;
    const std::string file = dir.file("mixed.dbf");
    store::Table::create(file, {{"NAME", 'C', 20, 0},
                                {"AMOUNT", 'N', 10, 2},
                                {"QTY", 'N', 6, 0},
                                {"RATIO", 'F', 12, 4},
                                {"FLAG", 'L', 1, 0},
                                {"BORN", 'D', 8, 0},
                                {"NOTES", 'M', 10, 0}});
    // Memo lengths around the 64-byte block (8 bytes of block header) and across many blocks.
    const std::vector<Row> rows = {
        {"Müller, \"Hans\" €", 1234.56, 42, 3.1416, 1, "19990704", "first line\r\nsecond line, with ünïcödé", false},
        {"", -0.5, -7, 0, 0, "", "", false},
        {"Zoë Ångström", 0, 0, -2.5, -1, "20240229", memoText(56), false},
        {"Gone", 99.99, 1, 1, 1, "20000101", memoText(57), true},
        {"ABCDEFGHIJKLMNOPQRST", -99999.99, 999999, 1234567.1234, 0, "18991231", memoText(2000), false},
    };
    {
        auto t = store::Table::open(file, store::OpenMode::Exclusive);
        for (const Row& r : rows) {
            t->append();
            t->setString("NAME", store::utf8ToCp1252(r.name));
            t->setNumber("AMOUNT", r.amount);
            t->setNumber("QTY", r.qty);
            t->setNumber("RATIO", r.ratio);
            if (r.flag >= 0) t->setLogical("FLAG", r.flag == 1);
            if (!r.born.empty()) t->setString("BORN", r.born);
            t->setMemo("NOTES", store::utf8ToCp1252(r.notes));
            t->post();
            if (r.deleted) t->deleteRecord();
        }
    }

    const RunResult py = runPython(dir, kReadScript, {file});
    ASSERT_EQ(py.status, 0) << py.err;
    const auto records = split(py.out, '\x1e');
    ASSERT_EQ(records.size(), rows.size() + 1) << py.out;
    EXPECT_EQ(records[0], "name C(20)\x1f" "amount N(10,2)\x1f" "qty N(6,0)\x1f" "ratio F(12,4)\x1f"
                          "flag L\x1f" "born D\x1f" "notes M");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        const auto v = split(records[i + 1], '\x1f');
        ASSERT_EQ(v.size(), 8u) << records[i + 1];
        SCOPED_TRACE("record " + std::to_string(i + 1));
        EXPECT_EQ(v[0], r.name);
        EXPECT_EQ(v[1], fixed4(r.amount));
        EXPECT_EQ(v[2], fixed4(r.qty));
        EXPECT_EQ(v[3], fixed4(r.ratio));
        EXPECT_EQ(v[4], r.flag < 0 ? "?" : r.flag ? "T" : "F");
        EXPECT_EQ(v[5], r.born.empty() ? "?" : r.born);
        EXPECT_EQ(v[6], r.notes);
        EXPECT_EQ(v[7], r.deleted ? "D" : "-");
    }
}

namespace {

// Writes a dBASE III table (DBT memos) and a FoxPro table (FPT memos) with
// python3-dbf; the last record of each is deleted.
const char* kWriteScript = R"PY(
import sys, datetime, dbf
t = dbf.Table(sys.argv[1], 'name C(20); n N(8,2); l L; d D; m M', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Müller, "Hans"', -12.5, True, datetime.date(1999, 7, 4), 'memo text\r\nline 2'))
t.append(('', 0, False, None, ''))
t.append(('Long memo', 3.25, True, datetime.date(2000, 1, 1), 'y' * 1500))
t.append(('Deleted one', 1, False, None, 'gone'))
dbf.delete(t[-1])
t.close()
t = dbf.Table(sys.argv[2], 'name C(20); n N(8,2); l L; m M', dbf_type='fp', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Zoë €', 1.25, None, 'x' * 300))
t.append(('Ann', -999.99, True, 'short'))
t.append(('', 0, False, ''))
t.append(('Deleted one', 1, False, 'gone'))
dbf.delete(t[-1])
t.close()
)PY";

struct Expected {
    std::string name;
    double n;
    bool l;
    std::string d;
    std::string m;
    bool deleted;
};

void expectRecords(store::Table& t, const std::vector<Expected>& rows, bool hasDate) {
    t.setHideDeleted(false);
    std::size_t i = 0;
    for (bool ok = t.first(); ok && !t.eof(); ok = t.next(), ++i) {
        ASSERT_LT(i, rows.size());
        SCOPED_TRACE("record " + std::to_string(i + 1));
        const Expected& e = rows[i];
        EXPECT_EQ(store::cp1252ToUtf8(t.getString("NAME")), e.name);
        EXPECT_DOUBLE_EQ(t.getNumber("N"), e.n);
        EXPECT_EQ(t.getLogical("L"), e.l);
        if (hasDate) {
            EXPECT_EQ(t.getString("D"), e.d);
        }
        EXPECT_EQ(store::cp1252ToUtf8(t.getMemo("M")), e.m);
        EXPECT_EQ(store::cp1252ToUtf8(t.getString("M")), e.m);
        EXPECT_EQ(t.deleted(), e.deleted);
    }
    EXPECT_EQ(i, rows.size());
    // The deleted record is hidden again once hiding is on.
    t.setHideDeleted(true);
    std::size_t visible = 0;
    for (bool ok = t.first(); ok && !t.eof(); ok = t.next()) ++visible;
    EXPECT_EQ(visible, rows.size() - 1);
}

}  // namespace

TEST(Interop, TablesWrittenByPythonDbfReadThroughTheStore) {
    if (!pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    ScratchDir dir;
    const std::string db3 = dir.file("db3.dbf"), fox = dir.file("fox.dbf");
    const RunResult py = runPython(dir, kWriteScript, {db3, fox});
    ASSERT_EQ(py.status, 0) << py.err;

    {
        auto t = store::Table::open(db3, store::OpenMode::ReadOnly);
        const auto info = t->info();
        EXPECT_EQ(info.type, store::TableType::DBase3);
        EXPECT_EQ(info.versionByte, 0x83);
        EXPECT_TRUE(info.hasMemo);
        EXPECT_EQ(info.recordCount, 4u);
        ASSERT_EQ(t->schema().fields.size(), 5u);
        EXPECT_EQ(t->schema().fields[1].type, 'N');
        EXPECT_EQ(t->schema().fields[1].width, 8);
        EXPECT_EQ(t->schema().fields[1].decimals, 2);
        EXPECT_EQ(t->schema().fields[3].type, 'D');
        expectRecords(*t,
                      {{"Müller, \"Hans\"", -12.5, true, "19990704", "memo text\r\nline 2", false},
                       {"", 0, false, "", "", false},
                       {"Long memo", 3.25, true, "20000101", std::string(1500, 'y'), false},
                       {"Deleted one", 1, false, "", "gone", true}},
                      true);
    }
    {
        auto t = store::Table::open(fox, store::OpenMode::ReadOnly);
        const auto info = t->info();
        EXPECT_EQ(info.type, store::TableType::FoxPro);
        EXPECT_EQ(info.versionByte, 0xF5);
        EXPECT_TRUE(info.hasMemo);
        EXPECT_EQ(info.recordCount, 4u);
        expectRecords(*t,
                      {{"Zoë €", 1.25, false, "", std::string(300, 'x'), false},
                       {"Ann", -999.99, true, "", "short", false},
                       {"", 0, false, "", "", false},
                       {"Deleted one", 1, false, "", "gone", true}},
                      false);
    }
}

TEST(Interop, VisualFoxProTablesWithBinaryFieldsReadAsText) {
    if (!pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    ScratchDir dir;
    const std::string vfp = dir.file("vfp.dbf");
    const RunResult py = runPython(dir, R"PY(
import sys, datetime, dbf
t = dbf.Table(sys.argv[1], 'name C(20); qty I; price Y; ratio B; stamp T; note M', dbf_type='vfp', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Widget', 42, 12.5, 0.25, datetime.datetime(2020, 5, 17, 13, 45, 30), 'hello memo'))
t.append(('Gadget', -7, 1000, -3.5, None, ''))
t.close()
)PY", {vfp});
    ASSERT_EQ(py.status, 0) << py.err;
    auto t = store::Table::open(vfp, store::OpenMode::ReadOnly);
    EXPECT_EQ(t->info().type, store::TableType::VisualFoxPro);
    EXPECT_EQ(t->info().lastUpdate.substr(0, 2), "20");  // a two-digit year byte is this century
    ASSERT_TRUE(t->first());
    EXPECT_EQ(t->getString("QTY"), "42");
    EXPECT_EQ(t->getString("PRICE"), "12.5000");
    EXPECT_EQ(t->getString("RATIO"), "0.25");
    EXPECT_EQ(t->getString("STAMP"), "20200517 13:45:30");
    EXPECT_EQ(t->getMemo("NOTE"), "hello memo");
    ASSERT_TRUE(t->next());
    EXPECT_EQ(t->getString("QTY"), "-7");
    EXPECT_EQ(t->getString("RATIO"), "-3.5");
    EXPECT_EQ(t->getString("STAMP"), "");
    EXPECT_EQ(t->getMemo("NOTE"), "");
}

// Tables in DOS, Macintosh and other Windows code pages, written by
// python3-dbf: the store decodes them through the code page their header
// names, and brindle-db dump prints UTF-8.
TEST(Interop, TablesInOtherCodePagesReadAsUnicode) {
    if (!pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    ScratchDir dir;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"cp437", "Müller José"}, {"cp850", "Müller Zoë"},  {"cp852", "Wałęsa Łukasz"},
        {"cp866", "Иван Петров"}, {"cp1251", "Иван Петров"}, {"mac_roman", "Müller"},
    };
    const char* script = R"PY(
import sys, dbf
path, cp, text = sys.argv[1], sys.argv[2], sys.argv[3]
t = dbf.Table(path, 'name C(20); notes M', dbf_type='fp', codepage=cp)
t.open(dbf.READ_WRITE)
t.append((text, text + ' memo'))
t.close()
)PY";
    for (const auto& [cp, text] : cases) {
        SCOPED_TRACE(cp);
        const std::string file = dir.file(cp + ".dbf");
        const RunResult py = runPython(dir, script, {file, cp, text});
        ASSERT_EQ(py.status, 0) << py.err;
        {
            auto t = store::Table::open(file, store::OpenMode::ReadOnly);
            EXPECT_TRUE(t->codec().supported());
            EXPECT_FALSE(t->codec().isWindows1252());
            ASSERT_TRUE(t->first());
            EXPECT_EQ(t->getText("NAME"), text);
            EXPECT_EQ(t->codec().toUtf8(t->getMemo("NOTES")), text + " memo");
        }
        const RunResult dump = brindle::clitest::runProgram(BRINDLE_DB_EXE, {"dump", file}, dir);
        ASSERT_EQ(dump.status, 0) << dump.err;
        EXPECT_EQ(dump.out, "NAME,NOTES\n" + text + "," + text + " memo\n");
        const RunResult count =
            brindle::clitest::runProgram(BRINDLE_DB_EXE, {"count", file, "--filter", "NAME=\"" + text.substr(0, 4) + "\""}, dir);
        EXPECT_EQ(count.out, "1\n") << count.err;
    }
}

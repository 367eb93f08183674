// End-to-end tests of the brindle-db program: each runs the real binary on
// files in a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <regex>

#include "CliTestSupport.h"
#include "address/AddressSchema.h"
#include "store/Cp1252.h"
#include "store/Table.h"

using brindle::clitest::readFile;
using brindle::clitest::RunResult;
using brindle::clitest::ScratchDir;
using brindle::clitest::writeFile;
namespace store = brindle::store;
namespace address = brindle::address;

namespace {

RunResult db(const ScratchDir& dir, const std::vector<std::string>& args) {
    return brindle::clitest::runProgram(BRINDLE_DB_EXE, args, dir);
}

std::string diag(const RunResult& r) { return "status " + std::to_string(r.status) + "\nstdout:\n" + r.out + "\nstderr:\n" + r.err; }

struct Person {
    std::map<std::string, std::string> values;  // UTF-8
    bool deleted = false;
};

// Writes records into a new address file through the store.
void makeAddressFile(const std::string& path, const std::vector<Person>& people) {
    address::createAddressFile(path, address::FieldLengths::defaults());
    auto t = store::Table::open(path, store::OpenMode::Exclusive);
    for (const auto& p : people) {
        t->append();
        for (const auto& [field, value] : p.values) {
            if (field == "MEMO") t->setMemo(field, store::utf8ToCp1252(value));
            else t->setString(field, store::utf8ToCp1252(value));
        }
        t->setLogical("ISDEL", p.deleted);
        t->post();
        if (p.deleted) t->deleteRecord();
    }
    t->close();
}

// One CSV row of an address record in field order, as dump writes it.
std::string csvRow(const std::map<std::string, std::string>& values) {
    std::string row;
    bool first = true;
    for (const auto& f : address::addressFields(address::FieldLengths::defaults())) {
        if (!first) row += ',';
        first = false;
        std::string v;
        if (f.name == "ISDEL") v = "F";
        if (auto it = values.find(f.name); it != values.end()) v = it->second;
        if (v.find_first_of(",\"\r\n") != std::string::npos) {
            std::string q = "\"";
            for (char c : v) q += c == '"' ? std::string("\"\"") : std::string(1, c);
            v = q + "\"";
        }
        row += v;
    }
    return row + "\n";
}

std::string csvHeader() {
    std::string h;
    for (const auto& f : address::addressFields(address::FieldLengths::defaults())) h += (h.empty() ? "" : ",") + f.name;
    return h + "\n";
}

const std::vector<Person> kPeople = {
    {{{"LNAME", "Smith"}, {"FNAME", "Anna"}, {"CITY", "Fresno"}, {"STATE", "CA"},
      {"MEMO", "Line one\r\nsays \"hi\", ok"}}},
    {{{"LNAME", "Müller"}, {"FNAME", "Jörg"}, {"ORG", "Acme, Inc."}, {"STATE", "CA"}, {"ZIP", "93721"}}},
    {{{"LNAME", "Adams"}, {"FNAME", "Zed"}, {"STATE", "NY"}}},
    {{{"LNAME", "Baker"}, {"FNAME", "Bo"}, {"STATE", "CA"}}, true},
    {{{"LNAME", "baker"}, {"FNAME", "al"}, {"STATE", "ca"}, {"CODES", "A B"}}},
};

}  // namespace

TEST(BrindleDb, CreateAddressMakesAnIndexedEmptyFileAndRefusesToOverwrite) {
    ScratchDir dir;
    const std::string file = dir.file("ADD0001.DBF");
    RunResult r = db(dir, {"create-address", file});
    ASSERT_EQ(r.status, 0) << diag(r);

    r = db(dir, {"info", file});
    ASSERT_EQ(r.status, 0) << diag(r);
    EXPECT_NE(r.out.find("Table type:     FoxPro (version byte 0xF5)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Code page:      0x03 (Windows-1252)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Records:        0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Fields (23):"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  LNAME      C   30  0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  MEMO       M   10  0\n"), std::string::npos) << r.out;
    ASSERT_NE(r.out.find("Tags (26):"), std::string::npos) << r.out;
    // Every tag with its expression, in creation order.
    std::size_t pos = r.out.find("Tags (26):");
    for (const auto& tag : address::addressTags()) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-10s %s\n", tag.name.c_str(), tag.expression.c_str());
        const std::size_t at = r.out.find(line, pos);
        ASSERT_NE(at, std::string::npos) << "tag line missing or out of order: " << line << r.out;
        pos = at;
    }

    r = db(dir, {"create-address", file});
    EXPECT_EQ(r.status, 2) << diag(r);
    EXPECT_FALSE(r.err.empty());
}

TEST(BrindleDb, DumpAndCountHonourOrderFilterAndHiddenDeletedRecords) {
    ScratchDir dir;
    const std::string file = dir.file("people.dbf");
    makeAddressFile(file, kPeople);

    RunResult r = db(dir, {"dump", file, "--order", "LNAME", "--filter", "UPPER(STATE)=\"CA\""});
    ASSERT_EQ(r.status, 0) << diag(r);
    // LNAME order is by the upper-cased name, so the lower-case "baker" comes first;
    // the deleted "Baker" is hidden.
    const std::string expected = csvHeader() + csvRow(kPeople[4].values) + csvRow(kPeople[1].values) +
                                 csvRow(kPeople[0].values);
    EXPECT_EQ(r.out, expected);

    // Record order without an order; the deleted record stays hidden.
    r = db(dir, {"dump", file});
    ASSERT_EQ(r.status, 0) << diag(r);
    EXPECT_EQ(r.out, csvHeader() + csvRow(kPeople[0].values) + csvRow(kPeople[1].values) +
                         csvRow(kPeople[2].values) + csvRow(kPeople[4].values));

    r = db(dir, {"dump", file, "--format", "tsv", "--filter", "LNAME=\"Smith\""});
    ASSERT_EQ(r.status, 0) << diag(r);
    EXPECT_NE(r.out.find("\tLine one\\r\\nsays \"hi\", ok\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);

    struct Case {
        std::vector<std::string> filter;
        const char* count;
    };
    for (const Case& c : {Case{{}, "4\n"}, Case{{"--filter", "UPPER(STATE)=\"CA\""}, "3\n"},
                          Case{{"--filter", "UPPER(LNAME)=\"BA\""}, "1\n"},
                          Case{{"--filter", "\"A\"$UPPER(CODES) .and. !ISDEL"}, "1\n"},
                          Case{{"--filter", "ISDEL"}, "0\n"}}) {
        std::vector<std::string> args = {"count", file};
        args.insert(args.end(), c.filter.begin(), c.filter.end());
        r = db(dir, args);
        EXPECT_EQ(r.status, 0) << diag(r);
        EXPECT_EQ(r.out, c.count) << (c.filter.empty() ? "" : c.filter[1]);
    }
}

TEST(BrindleDb, UsageAndOperationErrorsExitWithStatusTwoAndAMessage) {
    ScratchDir dir;
    const std::string file = dir.file("people.dbf");
    makeAddressFile(file, kPeople);

    struct Case {
        std::vector<std::string> args;
        const char* inMessage;
    };
    const std::vector<Case> cases = {
        {{}, "Usage: brindle-db COMMAND"},
        {{"frobnicate"}, "unknown command"},
        {{"dump"}, "missing FILE"},
        {{"dump", file, "--colour"}, "unknown option --colour"},
        {{"dump", file, "--format", "xml"}, "unknown format"},
        {{"dump", file, "--order"}, "needs a value"},
        {{"dump", file, "--order", "NOSUCH"}, "no tag named NOSUCH"},
        {{"dump", file, "--filter", "UPPER(LNAME"}, "invalid filter"},
        {{"count", file, "--filter", "NOFIELD=1"}, "invalid filter"},
        {{"info", dir.file("missing.dbf")}, "missing.dbf"},
        {{"sample", dir.file("s.dbf"), "--records", "ten"}, "whole number"},
        {{"sample", dir.file("s.dbf")}, "missing --records"},
        {{"sample", file, "--records", "5"}, ""},  // exists and no --overwrite
        {{"info", file, "extra"}, "unexpected argument"},
    };
    for (const auto& c : cases) {
        const RunResult r = db(dir, c.args);
        std::string cmd;
        for (const auto& a : c.args) cmd += a + " ";
        EXPECT_EQ(r.status, 2) << cmd << diag(r);
        EXPECT_FALSE(r.err.empty()) << cmd;
        EXPECT_NE(r.err.find(c.inMessage), std::string::npos) << cmd << diag(r);
    }
    // The refused sample left the existing file alone.
    auto t = store::Table::open(file, store::OpenMode::ReadOnly);
    EXPECT_EQ(t->recordCount(), 5u);
}

TEST(BrindleDb, EveryCommandHasHelp) {
    ScratchDir dir;
    for (const char* cmd : {"info", "dump", "count", "check", "reindex", "create-address", "sample"}) {
        const RunResult r = db(dir, {cmd, "--help"});
        EXPECT_EQ(r.status, 0) << cmd;
        EXPECT_EQ(r.out.rfind(std::string("Usage: brindle-db ") + cmd, 0), 0u) << r.out;
    }
    const RunResult r = db(dir, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("create-address"), std::string::npos);
}

TEST(BrindleDb, GarbledAndTruncatedFilesAreRefusedWithoutACrash) {
    ScratchDir dir;
    std::string noise(3000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    writeFile(dir.file("garbage.dbf"), noise);
    writeFile(dir.file("empty.dbf"), "");
    // A header that promises a thousand records of a file that holds none.
    std::string header(32, '\0');
    header[0] = 0x03;
    header[4] = static_cast<char>(0xE8);
    header[5] = 0x03;
    header[8] = 65;  // header length 65: one field
    header[10] = 11;  // record length 11
    std::string field(32, '\0');
    std::memcpy(field.data(), "NAME", 4);
    field[11] = 'C';
    field[16] = 10;
    writeFile(dir.file("short.dbf"), header + field + "\r");

    for (const char* name : {"garbage.dbf", "empty.dbf"}) {
        for (const char* cmd : {"info", "dump", "check", "count", "reindex"}) {
            const RunResult r = db(dir, {cmd, dir.file(name)});
            EXPECT_EQ(r.status, 2) << cmd << " " << name << diag(r);
            EXPECT_NE(r.err.find(name), std::string::npos) << cmd << " " << name << diag(r);
        }
    }
    // Whether the open refuses it or the check reports it, the promise is not believed.
    for (const char* cmd : {"info", "dump"}) {
        const RunResult r = db(dir, {cmd, dir.file("short.dbf")});
        EXPECT_NE(r.status, -1) << cmd << diag(r);  // exited, no signal
    }
    const RunResult r = db(dir, {"check", dir.file("short.dbf")});
    EXPECT_TRUE(r.status == 1 || r.status == 2) << diag(r);
    EXPECT_NE(r.err.find("short.dbf"), std::string::npos) << diag(r);
}

TEST(BrindleDb, SampleIsDeterministicSoundAndShapedLikeAddresses) {
    ScratchDir dir;
    const std::string a = dir.file("a.dbf"), b = dir.file("b.dbf"), c = dir.file("c.dbf");
    for (const auto& [file, seed] : {std::pair{a, "7"}, std::pair{b, "7"}, std::pair{c, "8"}}) {
        const RunResult r = db(dir, {"sample", file, "--records", "2000", "--seed", seed});
        ASSERT_EQ(r.status, 0) << diag(r);
    }
    // Same seed, same bytes (the header's last-update date aside); another seed, other records.
    auto withoutDate = [](std::string s) {
        if (s.size() > 4) s[1] = s[2] = s[3] = 0;
        return s;
    };
    EXPECT_TRUE(withoutDate(readFile(a)) == withoutDate(readFile(b)));
    EXPECT_TRUE(readFile(dir.file("a.fpt")) == readFile(dir.file("b.fpt")));
    EXPECT_TRUE(readFile(dir.file("a.cdx")) == readFile(dir.file("b.cdx")));
    EXPECT_FALSE(withoutDate(readFile(a)) == withoutDate(readFile(c)));

    RunResult r = db(dir, {"check", a});
    EXPECT_EQ(r.status, 0) << diag(r);
    EXPECT_EQ(r.out, "OK\n");
    r = db(dir, {"info", a});
    EXPECT_NE(r.out.find("Records:        2000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Tags (26):"), std::string::npos) << r.out;

    auto t = store::Table::open(a, store::OpenMode::ReadOnly);
    t->setHideDeleted(false);
    const std::regex zip(R"(\d{5}(-\d{4})?)"), state("[A-Z]{2}"), date(R"((19|20)\d{2}(0[1-9]|1[0-2])(0[1-9]|[12]\d|3[01]))"),
        codes("[A-Z]( [A-Z]){0,2}"), phone(R"(\(\d{3}\) \d{3}-\d{4})");
    int deleted = 0, memos = 0, orgs = 0, emails = 0;
    for (bool ok = t->first(); ok && !t->eof(); ok = t->next()) {
        const std::string id = "record " + std::to_string(t->recNo());
        EXPECT_EQ(t->deleted(), t->getLogical("ISDEL")) << id;
        deleted += t->deleted();
        EXPECT_FALSE(t->getString("LNAME").empty()) << id;
        EXPECT_FALSE(t->getString("FNAME").empty()) << id;
        EXPECT_FALSE(t->getString("STREET").empty()) << id;
        EXPECT_TRUE(std::regex_match(t->getString("ZIP"), zip)) << id << " " << t->getString("ZIP");
        EXPECT_TRUE(std::regex_match(t->getString("STATE"), state)) << id;
        const std::string d = t->getString("DATE");
        EXPECT_TRUE(d.empty() || std::regex_match(d, date)) << id << " " << d;
        const std::string cd = t->getString("CODES");
        EXPECT_TRUE(cd.empty() || std::regex_match(cd, codes)) << id << " " << cd;
        const std::string ph = t->getString("PHONE");
        EXPECT_TRUE(ph.empty() || std::regex_match(ph, phone)) << id << " " << ph;
        const std::string mail = t->getString("EMAIL");
        if (!mail.empty()) {
            ++emails;
            EXPECT_NE(mail.find('@'), std::string::npos) << id;
        }
        memos += !t->getMemo("MEMO").empty();
        orgs += !t->getString("ORG").empty();
    }
    EXPECT_GE(deleted, 5);
    EXPECT_LE(deleted, 50);
    EXPECT_GE(memos, 50);
    EXPECT_LE(memos, 160);
    EXPECT_GE(orgs, 500);
    EXPECT_GE(emails, 1200);
    EXPECT_EQ(t->info().recordCount, 2000u);
}

TEST(BrindleDb, CheckFindsDamageAndReindexRepairsIt) {
    ScratchDir dir;
    const std::string file = dir.file("s.dbf");
    RunResult r = db(dir, {"sample", file, "--records", "300", "--seed", "3"});
    ASSERT_EQ(r.status, 0) << diag(r);
    store::TableInfo info;
    std::uint32_t deleted = 0;
    {
        auto t = store::Table::open(file, store::OpenMode::ReadOnly);
        info = t->info();
        t->setHideDeleted(false);
        for (bool ok = t->first(); ok && !t->eof(); ok = t->next()) deleted += t->deleted();
    }
    ASSERT_GT(deleted, 0u);

    // Another program rewrites a last name behind the index's back.
    std::string bytes = readFile(file);
    const std::size_t at = static_cast<std::size_t>(info.headerLength) + 4 * static_cast<std::size_t>(info.recordLength) + 1;
    ASSERT_LT(at + 6, bytes.size());
    std::memcpy(bytes.data() + at, "ZZZZZZ", 6);
    writeFile(file, bytes);

    r = db(dir, {"check", file});
    EXPECT_EQ(r.status, 1) << diag(r);
    EXPECT_NE(r.out, "OK\n");
    EXPECT_FALSE(r.out.empty());

    r = db(dir, {"reindex", file});
    ASSERT_EQ(r.status, 0) << diag(r);
    r = db(dir, {"check", file});
    EXPECT_EQ(r.status, 0) << diag(r);
    {
        auto t = store::Table::open(file, store::OpenMode::ReadOnly);
        EXPECT_EQ(t->recordCount(), 300u - deleted);  // packed
        EXPECT_TRUE(address::hasAllAddressTags(*t));
        t->setHideDeleted(false);
        for (bool ok = t->first(); ok && !t->eof(); ok = t->next()) EXPECT_FALSE(t->deleted());
    }

    // An address file whose index file is gone: reported, then rebuilt.
    std::filesystem::remove(dir.file("s.cdx"));
    r = db(dir, {"check", file});
    EXPECT_EQ(r.status, 1) << diag(r);
    r = db(dir, {"reindex", file});
    ASSERT_EQ(r.status, 0) << diag(r);
    r = db(dir, {"check", file});
    EXPECT_EQ(r.status, 0) << diag(r);
}

TEST(BrindleDb, ReindexRefusesATableThatIsNotAnAddressFileAndLeavesItsIndexAlone) {
    ScratchDir dir;
    const std::string file = dir.file("other.dbf");
    store::Table::create(file, {{"DESCRIPT", 'C', 40, 0}});
    {
        auto t = store::Table::open(file, store::OpenMode::Exclusive);
        t->append();
        t->setString("DESCRIPT", "kept");
        t->post();
        t->indexTag("DESCRIPT", "UPPER(DESCRIPT)");
    }
    const RunResult r = db(dir, {"reindex", file});
    EXPECT_EQ(r.status, 2) << diag(r);
    EXPECT_NE(r.err.find("not an address file"), std::string::npos) << diag(r);
    auto t = store::Table::open(file, store::OpenMode::ReadOnly);
    EXPECT_GT(t->tagArea("DESCRIPT"), 0);
    EXPECT_EQ(t->recordCount(), 1u);
}

TEST(BrindleDb, ReindexOverUnreadableMemosChangesNothingUnlessAskedToRepair) {
    ScratchDir dir;
    const std::string file = dir.file("m.dbf");
    makeAddressFile(file, kPeople);
    store::TableInfo info;
    std::size_t at = 0;
    {
        auto t = store::Table::open(file, store::OpenMode::ReadOnly);
        info = t->info();
        const auto& memo = t->schema().fields[static_cast<std::size_t>(t->fieldIndex("MEMO"))];
        at = static_cast<std::size_t>(info.headerLength) + static_cast<std::size_t>(memo.offset);  // record 1
    }
    std::string bytes = readFile(file);
    bytes.replace(at, 10, "   7777777");  // past the end of the memo file
    writeFile(file, bytes);
    const std::string cdx = readFile(dir.file("m.cdx")), fpt = readFile(dir.file("m.fpt"));

    RunResult r = db(dir, {"reindex", file});
    EXPECT_EQ(r.status, 2) << diag(r);
    EXPECT_NE(r.err.find("record 1, field MEMO"), std::string::npos) << diag(r);
    EXPECT_NE(r.err.find("--repair"), std::string::npos) << diag(r);
    EXPECT_EQ(readFile(file), bytes);
    EXPECT_EQ(readFile(dir.file("m.cdx")), cdx);
    EXPECT_EQ(readFile(dir.file("m.fpt")), fpt);
    r = db(dir, {"dump", file, "--order", "LNAME", "--filter", "UPPER(STATE)=\"NY\""});
    EXPECT_EQ(r.status, 0) << "the index still works: " << diag(r);
    EXPECT_EQ(r.out, csvHeader() + csvRow(kPeople[2].values));

    r = db(dir, {"reindex", "--repair", file});
    ASSERT_EQ(r.status, 0) << diag(r);
    EXPECT_NE(r.out.find("record 1, field MEMO"), std::string::npos) << diag(r);
    r = db(dir, {"check", file});
    EXPECT_EQ(r.status, 0) << diag(r);
    auto t = store::Table::open(file, store::OpenMode::ReadOnly);
    ASSERT_TRUE(t->go(1));
    EXPECT_EQ(t->getString("LNAME"), kPeople[0].values.at("LNAME"));
    EXPECT_EQ(t->getMemo("MEMO"), "");
}

TEST(BrindleDb, InfoCheckAndDumpSayWhatTheIndexHolds) {
    ScratchDir dir;
    const std::string file = dir.file("t.dbf");
    store::Table::create(file, {{"NAME", 'C', 20, 0}, {"NOTES", 'M', 10, 0}});
    {
        auto t = store::Table::open(file, store::OpenMode::Exclusive);
        for (int i = 0; i < 3000; ++i) {
            t->append();
            t->setString("NAME", "name" + std::to_string(i * 7919 % 3000));
            if (i % 3 == 0) t->setMemo("NOTES", "has a memo " + std::to_string(i));
            t->post();
        }
        t->indexTags({{"NAME", "UPPER(NAME)"}, {"WITHMEMO", "NAME", "LEN(NOTES)>0", true}});
    }
    RunResult r = db(dir, {"info", file});
    ASSERT_EQ(r.status, 0) << diag(r);
    EXPECT_NE(r.out.find("  WITHMEMO   NAME  FOR LEN(NOTES)>0  DESCENDING\n"), std::string::npos) << r.out;
    r = db(dir, {"count", file, "--filter", "LEN(NOTES)>0"});
    EXPECT_EQ(r.out, "1000\n") << diag(r);
    int withTwo = 0;
    for (int i = 0; i < 3000; i += 3) withTwo += std::to_string(i)[0] == '2';
    r = db(dir, {"count", file, "--filter", "\"memo 2\" $ NOTES"});
    EXPECT_EQ(r.out, std::to_string(withTwo) + "\n") << diag(r);
    r = db(dir, {"dump", file, "--order", "WITHMEMO"});
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1001) << diag(r);

    // A leaf that links back to itself: the structure is damaged, which check
    // reports as a problem found (1), not as a failure to check (2).
    std::string cdx = readFile(dir.file("t.cdx"));
    bool patched = false;
    for (std::size_t off = 1024; off + 512 <= cdx.size() && !patched; off += 512) {
        const auto* p = reinterpret_cast<const unsigned char*>(cdx.data() + off);
        const std::uint32_t right = p[8] | (p[9] << 8) | (p[10] << 16) | (static_cast<std::uint32_t>(p[11]) << 24);
        if (p[0] == 2 && p[1] == 0 && right != 0xFFFFFFFFu && p[2] > 0) {
            for (int i = 0; i < 4; ++i) cdx[off + 8 + i] = static_cast<char>((off >> (8 * i)) & 0xFF);
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    writeFile(dir.file("t.cdx"), cdx);
    r = db(dir, {"check", file});
    EXPECT_EQ(r.status, 1) << diag(r);
    EXPECT_NE(r.out.find("t.cdx"), std::string::npos) << diag(r);

    // An index that cannot be opened at all: dump by one of its tags says why.
    cdx.resize(700);
    writeFile(dir.file("t.cdx"), cdx);
    r = db(dir, {"dump", file, "--order", "NAME"});
    EXPECT_EQ(r.status, 2) << diag(r);
    EXPECT_NE(r.err.find("cannot use tag NAME: the index file cannot be read"), std::string::npos) << diag(r);
    r = db(dir, {"check", file});
    EXPECT_EQ(r.status, 1) << diag(r);
}

TEST(BrindleDb, CreatingNeverDestroysAnotherTable) {
    ScratchDir dir;
    const std::string file = dir.file("friends.dbf");
    makeAddressFile(file, kPeople);
    auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().filename().string()[0] != '.') files[e.path().filename().string()] = readFile(e.path());
        return files;
    };
    const auto before = snapshot();
    RunResult r = db(dir, {"create-address", dir.file("FRIENDS.DBF")});
    EXPECT_EQ(r.status, 2) << diag(r);
    EXPECT_NE(r.err.find("differ only in letter case"), std::string::npos) << diag(r);
    r = db(dir, {"sample", dir.file("FRIENDS.DBF"), "--records", "10", "--overwrite"});
    EXPECT_EQ(r.status, 2) << diag(r);
    EXPECT_EQ(snapshot(), before);
    {
        // Held open by another program (here: this test) while sample overwrites it.
        auto held = store::Table::open(file, store::OpenMode::Shared);
        r = db(dir, {"sample", file, "--records", "10", "--overwrite"});
        EXPECT_EQ(r.status, 2) << diag(r);
        EXPECT_NE(r.err.find("in use"), std::string::npos) << diag(r);
        EXPECT_EQ(snapshot(), before);
    }
    r = db(dir, {"sample", file, "--records", "10", "--overwrite"});
    EXPECT_EQ(r.status, 0) << diag(r);
    r = db(dir, {"check", file});
    EXPECT_EQ(r.status, 0) << diag(r);
}

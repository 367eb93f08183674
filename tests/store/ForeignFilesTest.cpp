// Files written by other xBase programs: headers with a padding byte, compact
// indexes with binary keys whose trailing zero bytes are dropped, free-page
// lists ended by 0, and tables in code pages other than Windows-1252.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ForeignFiles.h"
#include "TestFiles.h"
#include "store/CodePage.h"
#include "store/Table.h"

using namespace brindle::store;
using namespace brindle::testing;

namespace {

// Julian day number of a Gregorian date (the usual integer formula).
double julianDay(int y, int m, int d) {
    const int a = (14 - m) / 12;
    const int yy = y + 4800 - a;
    const int mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

const std::vector<ForeignField> kFields = {{"NAME", 'C', 10}, {"AMOUNT", 'N', 8, 2}, {"BORN", 'D', 8}, {"ACTIVE", 'L', 1}};

struct Row {
    std::string name;
    double amount;
    std::string born;  // YYYYMMDD or blank
    double julian;     // 0 for blank
    bool active;
};

const std::vector<Row> kRows = {
    {"Carol", 12.5, "19991231", julianDay(1999, 12, 31), true},
    {"alice", -3, "20240517", julianDay(2024, 5, 17), false},
    {"Bob", 1000, "19500101", julianDay(1950, 1, 1), true},
    {"Dave", 0, "        ", 0, false},
};

std::string rowBytes(const Row& r) {
    char amount[16];
    std::snprintf(amount, sizeof amount, "%8.2f", r.amount);
    std::string name = r.name;
    name.resize(10, ' ');
    return name + amount + r.born + (r.active ? "T" : "F");
}

std::vector<std::pair<std::string, std::uint32_t>> sorted(std::vector<std::pair<std::string, std::uint32_t>> e) {
    std::sort(e.begin(), e.end());
    return e;
}

// The table and a compound index as another program writes them. A `stale`
// amount other than 0 stands in record 2's AMOUNT key instead of its own.
void writeForeignTable(const TempDir& dir, double stale = 0) {
    std::vector<std::string> records;
    std::vector<std::pair<std::string, std::uint32_t>> amount, born, active, name;
    for (std::uint32_t i = 0; i < kRows.size(); ++i) {
        const Row& r = kRows[i];
        records.push_back(rowBytes(r));
        const double keyAmount = stale != 0 && i == 1 ? stale : r.amount;
        amount.emplace_back(foreignNumberKey(keyAmount), i + 1);
        born.emplace_back(foreignNumberKey(r.julian), i + 1);
        active.emplace_back(r.active ? "T" : "F", i + 1);
        std::string up = r.name;
        for (auto& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        up.resize(10, ' ');
        name.emplace_back(up, i + 1);
    }
    std::string dbf = foreignDbf(kFields, records, 1);
    dbf[28] = 0x01;  // the structural index belongs to the table
    writeAll(dir.file("foreign.dbf"), dbf);
    writeAll(dir.file("foreign.cdx"), foreignCdx({{"AMOUNT", "AMOUNT", 8, false, sorted(amount)},
                                                 {"BORN", "BORN", 8, false, sorted(born)},
                                                 {"ACTIVE", "ACTIVE", 1, false, sorted(active)},
                                                 {"NAME", "UPPER(NAME)", 10, true, sorted(name)}}));
}

std::vector<std::string> walkNames(Table& t, const std::string& tag) {
    t.setOrder(t.tagArea(tag));
    std::vector<std::string> out;
    for (bool ok = t.first(); ok && out.size() < 100; ok = t.next()) out.push_back(t.getString("NAME"));
    return out;
}

}  // namespace

TEST(ForeignFiles, HeaderWithAPaddingByteOpensAndKeepsItsLength) {
    TempDir dir;
    const std::string path = dir.file("pad.dbf");
    writeAll(path, foreignDbf({{"NAME", 'C', 10}, {"AMOUNT", 'N', 8, 2}}, {"Alpha        12.50", "Beta         -1.00"}, 1));
    const int headerLength = 32 + 2 * 32 + 2;
    {
        auto t = Table::open(path);
        EXPECT_EQ(t->info().headerLength, headerLength);
        ASSERT_TRUE(t->first());
        EXPECT_EQ(t->getString("NAME"), "Alpha");
        EXPECT_DOUBLE_EQ(t->getNumber("AMOUNT"), 12.5);
        t->append();
        t->setString("NAME", "Gamma");
        t->setNumber("AMOUNT", 3);
        t->post();
        ASSERT_TRUE(t->go(2));
        t->deleteRecord();
        t->pack();
        EXPECT_TRUE(t->check().empty());
    }
    const std::string bytes = readAll(path);
    EXPECT_EQ(static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8), headerLength);
    EXPECT_EQ(bytes.substr(headerLength, 11), " Alpha     ");
    auto t = Table::open(path, OpenMode::ReadOnly);
    EXPECT_EQ(t->recordCount(), 2u);
    ASSERT_TRUE(t->go(2));
    EXPECT_EQ(t->getString("NAME"), "Gamma");
}

TEST(ForeignFiles, BinaryKeysWithDroppedZeroBytesOrderSeekAndUpdate) {
    TempDir dir;
    writeForeignTable(dir);
    auto t = Table::open(dir.file("foreign.dbf"));
    ASSERT_TRUE(t->info().indexProblem.empty()) << t->info().indexProblem;
    ASSERT_EQ(t->tags().size(), 4u);
    EXPECT_TRUE(t->check().empty()) << t->check().front();
    EXPECT_EQ(walkNames(*t, "AMOUNT"), (std::vector<std::string>{"alice", "Dave", "Carol", "Bob"}));
    EXPECT_EQ(walkNames(*t, "BORN"), (std::vector<std::string>{"Dave", "Bob", "Carol", "alice"}));
    EXPECT_EQ(walkNames(*t, "ACTIVE"), (std::vector<std::string>{"alice", "Dave", "Carol", "Bob"}));
    EXPECT_EQ(walkNames(*t, "NAME"), (std::vector<std::string>{"alice", "Bob", "Carol", "Dave"}));
    t->setOrder(t->tagArea("AMOUNT"));
    EXPECT_TRUE(t->seekNumber(1000));
    EXPECT_EQ(t->getString("NAME"), "Bob");
    t->setOrder(t->tagArea("BORN"));
    EXPECT_TRUE(t->seekNumber(julianDay(2024, 5, 17)));
    EXPECT_EQ(t->getString("NAME"), "alice");

    // Changes go into the other program's index and keep it sound.
    t->append();
    t->setString("NAME", "Eve");
    t->setNumber("AMOUNT", 5);
    t->setString("BORN", "20010101");
    t->setLogical("ACTIVE", true);
    t->post();
    ASSERT_TRUE(t->go(3));
    t->edit();
    t->setNumber("AMOUNT", -10);
    t->post();
    EXPECT_TRUE(t->check().empty()) << t->check().front();
    EXPECT_EQ(walkNames(*t, "AMOUNT"), (std::vector<std::string>{"Bob", "alice", "Dave", "Eve", "Carol"}));
}

TEST(ForeignFiles, WalkingATagWithKeysItsRecordsDoNotGiveAlwaysEnds) {
    {
        // Record 2 ("alice", -3) stands under 999 in the AMOUNT tag: a walk
        // follows the tag's own sequence and visits every record once.
        TempDir dir;
        writeForeignTable(dir, 999);
        auto t = Table::open(dir.file("foreign.dbf"));
        EXPECT_EQ(walkNames(*t, "AMOUNT"), (std::vector<std::string>{"Dave", "Carol", "alice", "Bob"}));
        std::vector<std::string> back;
        for (bool ok = t->last(); ok && back.size() < 100; ok = t->prior()) back.push_back(t->getString("NAME"));
        EXPECT_EQ(back, (std::vector<std::string>{"Bob", "alice", "Carol", "Dave"}));
        const auto problems = t->check();
        ASSERT_FALSE(problems.empty());
        EXPECT_NE(problems.back().find("tag AMOUNT"), std::string::npos) << problems.back();
    }
    {
        // Under -2, the record's own entry is where its true key would stand:
        // stepping on from it by key would come back to it for ever, so the
        // damage is reported instead.
        TempDir dir;
        writeForeignTable(dir, -2);
        auto t = Table::open(dir.file("foreign.dbf"));
        t->setOrder(t->tagArea("AMOUNT"));
        ASSERT_TRUE(t->go(2));
        EXPECT_THROW(t->next(), FormatError);
    }
}

TEST(ForeignFiles, FreePageListsEndedByZero) {
    TempDir dir;
    const std::string path = dir.file("free.dbf");
    Table::create(path, {{"NAME", 'C', 20, 0}});
    {
        auto t = Table::open(path);
        for (int i = 0; i < 2000; ++i) {
            t->append();
            t->setString("NAME", "name" + std::to_string(100000 + i * 7 % 2000));
            t->post();
        }
        t->indexTag("NAME", "NAME");
    }
    // Another program's way of saying "no free pages": a head of 0 ...
    std::string cdx = readAll(dir.file("free.cdx"));
    putLe(cdx, 4, 0, 4);
    // ... and, for a second file, a chain of two free pages ended by 0.
    writeAll(dir.file("free.cdx"), cdx);
    {
        auto t = Table::open(path);
        ASSERT_TRUE(t->info().indexProblem.empty());
        for (int i = 0; i < 300; ++i) {
            t->append();
            t->setString("NAME", "added" + std::to_string(i));
            t->post();
        }
        EXPECT_TRUE(t->check().empty()) << t->check().front();
    }
    cdx = readAll(dir.file("free.cdx"));
    const auto a = static_cast<std::uint32_t>(cdx.size());
    std::string pageA(512, '\0'), pageB(512, '\0');
    putLe(pageA, 0, a + 512, 4);
    cdx += pageA + pageB;  // B's link is 0
    putLe(cdx, 4, a, 4);
    writeAll(dir.file("free.cdx"), cdx);
    auto t = Table::open(path);
    ASSERT_TRUE(t->info().indexProblem.empty());
    EXPECT_TRUE(t->check().empty()) << t->check().front();
    for (int i = 0; i < 300; ++i) {
        t->append();
        t->setString("NAME", "more" + std::to_string(i));
        t->post();
    }
    EXPECT_EQ(t->recordCount(), 2600u);
    EXPECT_TRUE(t->check().empty()) << t->check().front();
}

TEST(ForeignFiles, TablesInOtherCodePagesReadAsUnicode) {
    struct Case {
        unsigned char byte;
        std::string stored;  // bytes in that code page
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {0x01, "M\x81ller Jos\x82", "Müller José"},           // DOS 437
        {0x02, "M\x81ller \xD4", "Müller È"},                  // DOS 850
        {0x64, "Wa\x88\xA9sa", "Wałęsa"},                      // DOS 852
        {0x65, "\x88\xA2\xA0\xAD", "Иван"},                    // DOS 866
        {0xC9, "\xC8\xE2\xE0\xED", "Иван"},                    // Windows-1251
        {0xC8, "Wa\xB3\xEAsa", "Wałęsa"},                      // Windows-1250
        {0x04, "M\x9Fller", "Müller"},                         // Macintosh Roman
        {0x03, "M\xFCller \x80", "Müller €"},                  // Windows-1252
        {0x00, "M\xFCller", "Müller"},                         // not set: Windows-1252
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string name = c.stored;
        name.resize(12, ' ');
        writeAll(dir.file("cp.dbf"), foreignDbf({{"NAME", 'C', 12}}, {name}, 0, c.byte));
        auto t = Table::open(dir.file("cp.dbf"), OpenMode::ReadOnly);
        ASSERT_TRUE(t->first());
        EXPECT_EQ(t->getText("NAME"), c.utf8) << "code page byte " << int(c.byte);
        EXPECT_TRUE(t->codec().supported()) << int(c.byte);
        // Writing goes back through the same code page, counting what it cannot hold.
        const EncodedText back = t->codec().fromUtf8(c.utf8);
        EXPECT_TRUE(back.lossless()) << int(c.byte);
        EXPECT_EQ(back.text, c.stored) << int(c.byte);
    }
    const TextCodec& dos850 = TextCodec::forHeaderByte(0x02);
    EXPECT_EQ(dos850.name(), "DOS 850");
    const EncodedText lost = dos850.fromUtf8("Иван?");
    EXPECT_EQ(lost.lost.size(), 4u);  // the literal "?" is not counted
    EXPECT_EQ(lost.text, "?????");
    // A code page this system cannot convert is read as Windows-1252 and says so.
    const TextCodec& mazovia = TextCodec::forHeaderByte(0x69);
    EXPECT_FALSE(mazovia.supported());
    EXPECT_NE(mazovia.name().find("read as Windows-1252"), std::string::npos);
    EXPECT_EQ(mazovia.toUtf8("M\xFCller"), "Müller");
    EXPECT_FALSE(TextCodec::forHeaderByte(0xEE).supported());
    // East Asian double-byte pages convert whole strings.
    EXPECT_EQ(TextCodec::forHeaderByte(0x7B).toUtf8("\x93\xFA\x96\x7B"), "日本");
    EXPECT_EQ(TextCodec::forHeaderByte(0x7B).fromUtf8("日本").text, "\x93\xFA\x96\x7B");
}

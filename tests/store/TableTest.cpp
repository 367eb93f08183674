// The table: files on disk, records, memos, locks, orders, seeks and damage.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "TestFiles.h"
#include "store/Table.h"

using namespace brindle::store;
using brindle::testing::readAll;
using brindle::testing::TempDir;
using brindle::testing::writeAll;

namespace {

std::vector<FieldDef> peopleFields() {
    return {{"LNAME", 'C', 20, 0}, {"FNAME", 'C', 15, 0}, {"AGE", 'N', 5, 1},
            {"ACTIVE", 'L', 1, 0}, {"NOTES", 'M', 10, 0}};
}

void addPerson(Table& t, const std::string& last, const std::string& first, double age, bool active,
               const std::string& notes = {}) {
    t.append();
    t.setString("LNAME", last);
    t.setString("FNAME", first);
    t.setNumber("AGE", age);
    t.setLogical("ACTIVE", active);
    if (!notes.empty()) t.setMemo("NOTES", notes);
    t.post();
}

std::vector<std::string> walk(Table& t, const std::string& field) {
    std::vector<std::string> out;
    for (bool ok = t.first(); ok; ok = t.next()) out.push_back(t.getString(field));
    return out;
}

}  // namespace

TEST(Table, CreatesFoxProFilesAndReadsRecordsBack) {
    TempDir dir;
    const std::string path = dir.file("people.dbf");
    Table::create(path, peopleFields());
    {
        auto t = Table::open(path);
        EXPECT_EQ(t->recordCount(), 0u);
        EXPECT_TRUE(t->eof());
        EXPECT_EQ(t->recNo(), 1u);
        addPerson(*t, "Smith", "John", 42.5, true, "likes tea");
        addPerson(*t, "  Lead", "Ann  ", 7, false);
        EXPECT_EQ(t->recordCount(), 2u);
    }
    const std::string bytes = readAll(path);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xF5);  // FoxPro with memo
    EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0x03); // Windows-1252
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_TRUE(std::filesystem::exists(dir.file("people.fpt")));  // extension case follows the table's

    auto t = Table::open(path, OpenMode::ReadOnly);
    ASSERT_TRUE(t->first());
    EXPECT_EQ(t->getString("LNAME"), "Smith");
    EXPECT_EQ(t->getRaw("FNAME"), "John           ");
    EXPECT_DOUBLE_EQ(t->getNumber("AGE"), 42.5);
    EXPECT_EQ(t->getString("AGE"), "42.5");
    EXPECT_TRUE(t->getLogical("ACTIVE"));
    EXPECT_EQ(t->getMemo("NOTES"), "likes tea");
    ASSERT_TRUE(t->next());
    EXPECT_EQ(t->getString("LNAME"), "  Lead");  // leading blanks stay, trailing go
    EXPECT_EQ(t->getString("FNAME"), "Ann");
    EXPECT_FALSE(t->getLogical("ACTIVE"));
    EXPECT_TRUE(t->isEmpty("NOTES"));
    EXPECT_FALSE(t->next());
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->recNo(), 3u);
    EXPECT_THROW(t->append(), StoreError);  // read-only
}

TEST(Table, MemosOfAnyLengthAndReplacement) {
    TempDir dir;
    const std::string path = dir.file("m.dbf");
    Table::create(path, peopleFields());
    std::string big(200000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 97) big[i] = static_cast<char>('a' + i % 26);
    {
        auto t = Table::open(path);
        addPerson(*t, "A", "B", 1, true, big);
        addPerson(*t, "C", "D", 2, true, "short");
        ASSERT_TRUE(t->go(2));
        t->edit();
        t->setMemo("NOTES", "replaced text");
        t->post();
        ASSERT_TRUE(t->go(1));
        t->edit();
        t->setMemo("NOTES", "");
        t->cancel();  // a cancelled edit keeps the stored memo
        EXPECT_EQ(t->getMemo("NOTES"), big);
    }
    auto t = Table::open(path);
    ASSERT_TRUE(t->go(1));
    EXPECT_EQ(t->getMemo("NOTES"), big);
    ASSERT_TRUE(t->go(2));
    EXPECT_EQ(t->getMemo("NOTES"), "replaced text");
    EXPECT_TRUE(t->check().empty());
}

TEST(Table, OpensAreRealLocks) {
    TempDir dir;
    const std::string path = dir.file("lock.dbf");
    Table::create(path, peopleFields());
    {
        auto a = Table::open(path, OpenMode::Exclusive);
        EXPECT_THROW(Table::open(path, OpenMode::Exclusive), InUseError);
        EXPECT_THROW(Table::open(path, OpenMode::Shared), InUseError);
        EXPECT_THROW(Table::open(path, OpenMode::ReadOnly), InUseError);
    }
    {
        auto a = Table::open(path, OpenMode::Shared);
        auto b = Table::open(path, OpenMode::Shared);
        EXPECT_THROW(Table::open(path, OpenMode::Exclusive), InUseError);
        addPerson(*a, "Shared", "One", 1, true, "memo one");
        EXPECT_TRUE(b->first());  // b sees a's record
        EXPECT_EQ(b->getString("LNAME"), "Shared");
        EXPECT_EQ(b->getMemo("NOTES"), "memo one");
    }
    auto again = Table::open(path, OpenMode::Exclusive);  // released on close
    EXPECT_EQ(again->recordCount(), 1u);
}

TEST(Table, ClearErrorsForMissingForeignAndDamagedFiles) {
    TempDir dir;
    try {
        Table::open(dir.file("nothere.dbf"));
        FAIL();
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("nothere.dbf not found"), std::string::npos);
    }
    writeAll(dir.file("text.dbf"), "Hello, this is not a table at all, just some text.\n");
    EXPECT_THROW(Table::open(dir.file("text.dbf")), FormatError);
    writeAll(dir.file("empty.dbf"), "");
    EXPECT_THROW(Table::open(dir.file("empty.dbf")), FormatError);

    const std::string path = dir.file("t.dbf");
    Table::create(path, peopleFields());
    {
        auto t = Table::open(path);
        for (int i = 0; i < 10; ++i) addPerson(*t, "N" + std::to_string(i), "F", i, true);
    }
    const std::string good = readAll(path);
    // Truncated in the middle of the records.
    writeAll(path, good.substr(0, good.size() - 100));
    try {
        Table::open(path);
        FAIL();
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("10 records"), std::string::npos);
    }
    // Garbled field descriptor (type byte).
    std::string bad = good;
    bad[32 + 11] = '\x07';
    writeAll(path, bad);
    EXPECT_THROW(Table::open(path), FormatError);
    // Header length beyond the file.
    bad = good;
    bad[8] = '\xFF';
    bad[9] = '\x7F';
    writeAll(path, bad);
    EXPECT_THROW(Table::open(path), FormatError);
    // Memo file missing.
    writeAll(path, good);
    std::filesystem::remove(dir.file("t.fpt"));
    EXPECT_THROW(Table::open(path), StoreError);
}

TEST(Table, TagsOrderSeekAndKeepUpWithEdits) {
    TempDir dir;
    const std::string path = dir.file("idx.dbf");
    Table::create(path, peopleFields());
    auto t = Table::open(path);
    for (const char* n : {"Miller", "adams", "Zeta", "Brown", "miller", "Clark"}) addPerson(*t, n, "X", 30, true);
    EXPECT_EQ(t->indexTag("LNAME", "UPPER(LNAME)"), 1);
    EXPECT_EQ(t->indexTag("AGE", "AGE"), 2);
    EXPECT_EQ(t->order(), 2);
    EXPECT_EQ(t->tagArea("lname"), 1);
    EXPECT_EQ(t->tagArea("NOPE"), 0);
    t->setOrder(1);
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"adams", "Brown", "Clark", "Miller", "miller", "Zeta"}));

    EXPECT_TRUE(t->seek("MIL"));  // prefix
    EXPECT_EQ(t->getString("LNAME"), "Miller");
    EXPECT_EQ(t->recNo(), 1u);
    t->setExact(true);
    EXPECT_FALSE(t->seek("MIL"));
    EXPECT_TRUE(t->eof());
    EXPECT_TRUE(t->seek("MILLER"));
    t->setExact(false);
    EXPECT_FALSE(t->seek("D"));
    EXPECT_TRUE(t->eof());
    t->setSoftSeek(true);
    EXPECT_FALSE(t->seek("D"));
    EXPECT_FALSE(t->eof());
    EXPECT_EQ(t->getString("LNAME"), "Miller");  // the next key
    t->setSoftSeek(false);

    // Renaming moves the record in the order and keeps it current.
    ASSERT_TRUE(t->seek("ZETA"));
    t->edit();
    t->setString("LNAME", "Aaron");
    t->post();
    EXPECT_EQ(t->getString("LNAME"), "Aaron");
    EXPECT_FALSE(t->prior());
    EXPECT_TRUE(t->bof());
    EXPECT_EQ(walk(*t, "LNAME").front(), "Aaron");

    // Deleted records vanish from every order while hidden.
    ASSERT_TRUE(t->seek("BROWN"));
    t->deleteRecord();
    EXPECT_TRUE(t->deleted());
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Aaron", "adams", "Clark", "Miller", "miller"}));
    EXPECT_FALSE(t->seek("BROWN"));
    t->setHideDeleted(false);
    EXPECT_TRUE(t->seek("BROWN"));
    t->recall();
    t->setHideDeleted(true);
    EXPECT_TRUE(t->seek("BROWN"));
    EXPECT_TRUE(t->check().empty());

    // Keys longer than the tag's: extra blanks are ignored, anything else cannot match.
    EXPECT_TRUE(t->seek("CLARK" + std::string(30, ' ')));
    EXPECT_FALSE(t->seek("CLARK" + std::string(15, ' ') + "X"));
    t->setSoftSeek(true);
    EXPECT_FALSE(t->seek("CLARK" + std::string(15, ' ') + "X"));
    EXPECT_EQ(t->getString("LNAME"), "Miller");
    t->setSoftSeek(false);

    // Record order, last, prior.
    t->setOrder(0);
    ASSERT_TRUE(t->last());
    EXPECT_EQ(t->recNo(), 6u);
    ASSERT_TRUE(t->prior());
    EXPECT_EQ(t->recNo(), 5u);
}

TEST(Table, TagsSurviveReopenAndAppendsInEmptyTable) {
    TempDir dir;
    const std::string path = dir.file("e.dbf");
    Table::create(path, peopleFields());
    {
        auto t = Table::open(path);
        t->indexTags({{"LNAME", "UPPER(LNAME)"}, {"ACTIVE", "ACTIVE"}, {"NOTACTIVE", "!ACTIVE"}});
        EXPECT_EQ(t->order(), 3);
        EXPECT_FALSE(t->first());
        addPerson(*t, "Young", "A", 1, true);
        addPerson(*t, "Old", "B", 2, false);
    }
    auto t = Table::open(path);
    EXPECT_TRUE(t->info().structuralIndex);
    EXPECT_TRUE(t->info().indexProblem.empty());
    ASSERT_EQ(t->tags().size(), 3u);
    EXPECT_EQ(t->tags()[2].expression, "!ACTIVE");
    t->setOrder(t->tagArea("LNAME"));
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Old", "Young"}));
    EXPECT_TRUE(t->check().empty());
    t->deleteIndexFile();
    EXPECT_EQ(t->tagArea("LNAME"), 0);
    EXPECT_FALSE(t->hasStructuralIndex());
}

TEST(Table, MissingOrDamagedIndexStillOpensTheTable) {
    TempDir dir;
    const std::string path = dir.file("d.dbf");
    Table::create(path, peopleFields());
    {
        auto t = Table::open(path);
        addPerson(*t, "Kept", "A", 1, true);
        t->indexTag("LNAME", "UPPER(LNAME)");
    }
    const std::string cdx = dir.file("d.cdx");
    ASSERT_TRUE(std::filesystem::exists(cdx));
    std::string bytes = readAll(cdx);
    for (std::size_t i = 0; i < bytes.size(); i += 3) bytes[i] = static_cast<char>(0xA5);
    writeAll(cdx, bytes);
    {
        auto t = Table::open(path);
        EXPECT_FALSE(t->info().indexProblem.empty());
        EXPECT_EQ(t->tagArea("LNAME"), 0);
        ASSERT_TRUE(t->first());
        EXPECT_EQ(t->getString("LNAME"), "Kept");
        EXPECT_FALSE(t->check().empty());
    }
    std::filesystem::remove(cdx);
    auto t = Table::open(path);
    EXPECT_NE(t->info().indexProblem.find("missing"), std::string::npos);
    EXPECT_EQ(t->indexTag("LNAME", "UPPER(LNAME)"), 1);
    EXPECT_TRUE(t->check().empty());
}

TEST(Table, PackDropsDeletedRecordsAndKeepsMemosAndTags) {
    TempDir dir;
    const std::string path = dir.file("p.dbf");
    Table::create(path, peopleFields());
    auto t = Table::open(path);
    for (int i = 1; i <= 20; ++i) addPerson(*t, "Name" + std::to_string(100 - i), "F", i, true, "memo " + std::to_string(i));
    t->indexTag("LNAME", "UPPER(LNAME)");
    for (std::uint32_t r : {2u, 5u, 17u}) {
        ASSERT_TRUE(t->go(r));
        t->deleteRecord();
    }
    std::vector<int> seen;
    t->pack([&](int pct) {
        seen.push_back(pct);
        return true;
    });
    EXPECT_EQ(t->recordCount(), 17u);
    EXPECT_EQ(t->order(), 1);
    EXPECT_TRUE(t->check().empty());
    t->setOrder(0);
    std::vector<std::string> memos;
    for (bool ok = t->first(); ok; ok = t->next()) memos.push_back(t->getMemo("NOTES"));
    ASSERT_EQ(memos.size(), 17u);
    EXPECT_EQ(memos[0], "memo 1");
    EXPECT_EQ(memos[1], "memo 3");
    EXPECT_EQ(memos.back(), "memo 20");
    EXPECT_FALSE(std::filesystem::exists(path + ".packing"));
    EXPECT_FALSE(std::filesystem::exists(path + ".packlog"));
    t->zap();
    EXPECT_EQ(t->recordCount(), 0u);
    EXPECT_FALSE(t->first());
    EXPECT_EQ(t->tagArea("LNAME"), 1);
    EXPECT_TRUE(t->check().empty());
}

TEST(Table, AnInterruptedPackIsFinishedOrDiscardedOnOpen) {
    TempDir dir;
    const std::string path = dir.file("r.dbf");
    Table::create(path, {{"NAME", 'C', 10, 0}});
    {
        auto t = Table::open(path);
        for (int i = 0; i < 3; ++i) {
            t->append();
            t->setString("NAME", "v" + std::to_string(i));
            t->post();
        }
    }
    const std::string original = readAll(path);
    // Copies without the log: incomplete, thrown away.
    writeAll(path + ".packing", "garbage");
    {
        auto t = Table::open(path);
        EXPECT_EQ(t->recordCount(), 3u);
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".packing"));
    // Copies with the log: complete, they replace the original.
    Table::create(dir.file("one.dbf"), {{"NAME", 'C', 10, 0}});
    {
        auto t = Table::open(dir.file("one.dbf"));
        t->append();
        t->setString("NAME", "only");
        t->post();
    }
    std::filesystem::copy_file(dir.file("one.dbf"), path + ".packing");
    writeAll(path + ".packlog", "");
    auto t = Table::open(path);
    EXPECT_EQ(t->recordCount(), 1u);
    ASSERT_TRUE(t->first());
    EXPECT_EQ(t->getString("NAME"), "only");
    EXPECT_FALSE(std::filesystem::exists(path + ".packlog"));
}

TEST(Table, TemporaryIndexLimitsNavigationToItsRecords) {
    TempDir dir;
    const std::string path = dir.file("tmp.dbf");
    Table::create(path, peopleFields());
    auto t = Table::open(path);
    for (const char* n : {"D", "B", "A", "C", "E"}) addPerson(*t, n, "x", 1, true);
    const std::string idx = dir.file("_chk.idx");
    const int ord = t->createTempIndex(idx, "UPPER(LNAME)");
    EXPECT_EQ(t->order(), ord);
    t->setOrder(0);
    for (bool ok = t->first(); ok; ok = t->next()) {
        if (t->getString("LNAME") != "B" && t->getString("LNAME") != "E") t->keyAdd();
    }
    t->setOrder(ord);
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"A", "C", "D"}));
    t->closeTempIndex();
    EXPECT_EQ(t->order(), 0);
    EXPECT_EQ(walk(*t, "LNAME").size(), 5u);
    EXPECT_EQ(t->openTempIndex(idx), ord);
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"A", "C", "D"}));
    t->closeTempIndex();
    std::filesystem::remove(idx);
}

TEST(Table, FileNamesResolveIgnoringCase) {
    TempDir dir;
    Table::create(dir.file("ADD0001.DBF"), peopleFields());
    auto t = Table::open(dir.path(), "add0001.dbf", OpenMode::Exclusive);
    EXPECT_TRUE(t->isOpen());
    addPerson(*t, "x", "y", 1, true, "memo");
    t->indexTag("LNAME", "LNAME");
    t->close();
    EXPECT_TRUE(std::filesystem::exists(dir.file("ADD0001.CDX")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("ADD0001.FPT")));
}

TEST(Table, CheckReportsRecordsTheIndexDoesNotKnow) {
    TempDir dir;
    const std::string path = dir.file("c.dbf");
    Table::create(path, {{"NAME", 'C', 8, 0}});
    {
        auto t = Table::open(path);
        t->append();
        t->setString("NAME", "first");
        t->post();
        t->indexTag("NAME", "NAME");
    }
    // Another program appends a record without touching the index.
    std::string bytes = readAll(path);
    bytes.pop_back();  // end mark
    bytes += " second  \x1A";
    bytes[4] = 2;
    writeAll(path, bytes);
    auto t = Table::open(path);
    const auto problems = t->check();
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find("tag NAME"), std::string::npos);
}

TEST(Table, CopyStructureMakesAnEmptyTableOfTheSameFields) {
    TempDir dir;
    const std::string path = dir.file("src.dbf");
    Table::create(path, {{"NAME", 'C', 30, 0}, {"AMOUNT", 'N', 10, 2}, {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0},
                         {"NOTES", 'M', 10, 0}});
    auto t = Table::open(path);
    t->append();
    t->setString("NAME", "first");
    t->setMemo("NOTES", "kept in the source only");
    t->post();
    t->indexTag("NAME", "UPPER(NAME)");
    const std::string copy = dir.file("copy.dbf");
    t->copyStructure(copy);
    auto c = Table::open(copy);
    EXPECT_EQ(c->recordCount(), 0u);
    EXPECT_FALSE(c->hasStructuralIndex());
    ASSERT_EQ(c->fieldDefs().size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(c->fieldDefs()[i].name, t->fieldDefs()[i].name);
        EXPECT_EQ(c->fieldDefs()[i].type, t->fieldDefs()[i].type);
        EXPECT_EQ(c->fieldDefs()[i].width, t->fieldDefs()[i].width);
        EXPECT_EQ(c->fieldDefs()[i].decimals, t->fieldDefs()[i].decimals);
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("copy.fpt")));
    c->append();
    c->setMemo("NOTES", "a memo in the copy");
    c->post();
    EXPECT_TRUE(c->check().empty());
    // An existing file, or the name of the open table itself, is refused.
    EXPECT_THROW(t->copyStructure(copy), StoreError);
    EXPECT_THROW(t->copyStructure(path), StoreError);
    EXPECT_EQ(t->recordCount(), 1u);
}

TEST(Table, NumbersReadAndWriteWithPointsAndDamagedValuesAreKnown) {
    TempDir dir;
    const std::string path = dir.file("nums.dbf");
    {
        Table::create(path, {{"LEN", 'N', 6, 3}, {"COUNT", 'N', 3, 0}, {"NOTE", 'C', 8, 0}});
        auto t = Table::open(path);
        t->append();
        t->setNumber("LEN", 2.625);
        t->setString("COUNT", " +12 ");
        t->setString("NOTE", "12abc");
        t->post();
        t->append();
        t->setString("LEN", "-.5");
        t->post();
        t->append();
        EXPECT_THROW(t->setString("COUNT", "1,5"), StoreError);
        EXPECT_THROW(t->setString("COUNT", "0x1A"), StoreError);
        t->cancel();
        t->close();
    }
    // A value another program left damaged: "1x.5" in the first record's LEN.
    std::string bytes = readAll(path);
    const std::size_t at = bytes.find(" 2.625");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 6, "  1x.5");
    writeAll(path, bytes);

    auto t = Table::open(path, OpenMode::ReadOnly);
    ASSERT_TRUE(t->first());
    EXPECT_EQ(t->getNumber("LEN"), 1);  // the leading number, as VAL() reads it
    EXPECT_EQ(t->readNumber("LEN"), std::nullopt);
    EXPECT_EQ(t->readNumber("COUNT"), 12.0);
    EXPECT_EQ(t->getNumber("NOTE"), 12);
    EXPECT_EQ(t->readNumber("NOTE"), std::nullopt);
    ASSERT_TRUE(t->next());
    EXPECT_EQ(t->getRaw("LEN"), "-0.500");
    EXPECT_EQ(t->readNumber("LEN"), -0.5);
    EXPECT_EQ(t->readNumber("COUNT"), 0.0);  // blank
    EXPECT_EQ(t->getNumber("NOTE"), 0);
}

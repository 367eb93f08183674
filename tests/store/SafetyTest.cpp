// No table is ever destroyed by another operation: creating over a table in
// use, creating a name that differs only in case, packing a table whose memos
// cannot be read, rebuilding an index that fails. Also the records an
// expression reads (memos of the record under test) and temporary orders
// that keep up with posts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "TestFiles.h"
#include "store/Bytes.h"
#include "store/Table.h"

using namespace brindle::store;
using brindle::testing::readAll;
using brindle::testing::TempDir;
using brindle::testing::writeAll;
namespace fs = std::filesystem;

namespace {

std::vector<FieldDef> fields() {
    return {{"LNAME", 'C', 20, 0}, {"CITY", 'C', 15, 0}, {"NOTES", 'M', 10, 0}};
}

void add(Table& t, const std::string& last, const std::string& city, const std::string& notes = {}) {
    t.append();
    t.setString("LNAME", last);
    t.setString("CITY", city);
    if (!notes.empty()) t.setMemo("NOTES", notes);
    t.post();
}

// A table of five people with memos and two tags.
void makeFriends(const std::string& path) {
    Table::create(path, fields());
    auto t = Table::open(path);
    add(*t, "Smith", "Boston", "likes tea");
    add(*t, "Jones", "Austin", "call in May");
    add(*t, "Brown", "Denver");
    add(*t, "Adams", "Camden", "tea and cake");
    add(*t, "Clark", "Dallas", "owes a letter");
    t->indexTags({{"LNAME", "UPPER(LNAME)"}, {"CITY", "CITY"}});
}

// Every file of the folder with its bytes.
std::map<std::string, std::string> snapshot(const TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir.path())) files[e.path().filename().string()] = readAll(e.path().string());
    return files;
}

std::vector<std::string> walk(Table& t, const std::string& field) {
    std::vector<std::string> out;
    for (bool ok = t.first(); ok && out.size() < 1000; ok = t.next()) out.push_back(t.getString(field));
    return out;
}

// Byte offset of a record's field in the table file.
std::size_t fieldOffset(Table& t, std::uint32_t recno, const std::string& field) {
    const auto& f = t.schema().fields[static_cast<std::size_t>(t.fieldIndex(field))];
    return static_cast<std::size_t>(t.info().headerLength) + (recno - 1) * static_cast<std::size_t>(t.info().recordLength) +
           static_cast<std::size_t>(f.offset);
}

}  // namespace

TEST(Safety, CreatingOverATableInUseChangesNoByte) {
    TempDir dir;
    const std::string path = dir.file("friends.dbf");
    makeFriends(path);
    for (OpenMode mode : {OpenMode::Exclusive, OpenMode::Shared, OpenMode::ReadOnly}) {
        auto held = Table::open(path, mode);
        const auto before = snapshot(dir);
        EXPECT_THROW(Table::create(path, fields(), true), InUseError);
        EXPECT_THROW(Table::create(path, {{"OTHER", 'C', 5, 0}}, true), InUseError);
        EXPECT_THROW(Table::create(path, fields(), false), StoreError);
        EXPECT_EQ(snapshot(dir), before);
        ASSERT_TRUE(held->first());
        EXPECT_EQ(held->getString("LNAME"), "Smith") << "the holder still reads its records";
    }
    // Once nobody holds it, overwriting replaces the table and its files.
    Table::create(path, fields(), true);
    auto t = Table::open(path);
    EXPECT_EQ(t->recordCount(), 0u);
    EXPECT_FALSE(t->hasStructuralIndex());
    EXPECT_FALSE(fs::exists(dir.file("friends.cdx")));
    add(*t, "New", "Town", "fresh memo");
    EXPECT_TRUE(t->check().empty());
}

TEST(Safety, ANameThatDiffersOnlyInCaseNeverTouchesTheOtherTable) {
    TempDir dir;
    makeFriends(dir.file("friends.dbf"));
    const auto before = snapshot(dir);
    for (bool overwrite : {false, true}) {
        try {
            Table::create(dir.file("FRIENDS.DBF"), fields(), overwrite);
            ADD_FAILURE() << "created a case twin";
        } catch (const StoreError& e) {
            EXPECT_NE(std::string(e.what()).find("friends.dbf"), std::string::npos) << e.what();
        }
        EXPECT_EQ(snapshot(dir), before);
    }
    // Two tables that differ only in case, made by another program: each
    // keeps to its own files.
    fs::copy_file(dir.file("friends.dbf"), dir.file("FRIENDS.DBF"));
    {
        // FRIENDS.DBF has no memo file of its own; friends.fpt is not taken for it.
        EXPECT_THROW(Table::open(dir.file("FRIENDS.DBF")), StoreError);
    }
    fs::copy_file(dir.file("friends.fpt"), dir.file("FRIENDS.FPT"));
    {
        auto t = Table::open(dir.file("FRIENDS.DBF"));
        EXPECT_FALSE(t->hasStructuralIndex());
        EXPECT_NE(t->info().indexProblem.find("missing"), std::string::npos);
        t->rebuildIndex({{"LNAME", "LNAME"}});
    }
    Table::create(dir.file("FRIENDS.DBF"), fields(), true);
    auto after = snapshot(dir);
    for (const auto& name : {"friends.dbf", "friends.fpt", "friends.cdx"}) EXPECT_EQ(after[name], before.at(name)) << name;
    EXPECT_FALSE(fs::exists(dir.file("FRIENDS.CDX")));
    auto t = Table::open(dir.file("friends.dbf"));
    EXPECT_EQ(t->tags().size(), 2u);
    EXPECT_TRUE(t->check().empty());
}

TEST(Safety, PackRefusesUnreadableMemosUnlessAskedToRepairAndChangesNothingFirst) {
    struct Damage {
        const char* what;
        // Damages the files of a table whose record 2 has a memo.
        void (*apply)(const TempDir& dir, std::size_t pointerOffset, std::uint32_t block);
        bool everyMemo;  // the damage hits every memo, not only record 2's
    };
    const Damage damages[] = {
        {"pointer past the end",
         [](const TempDir& dir, std::size_t at, std::uint32_t) {
             std::string dbf = readAll(dir.file("friends.dbf"));
             dbf.replace(at, 10, "    999999");
             writeAll(dir.file("friends.dbf"), dbf);
         },
         false},
        {"garbled pointer",
         [](const TempDir& dir, std::size_t at, std::uint32_t) {
             std::string dbf = readAll(dir.file("friends.dbf"));
             dbf.replace(at, 10, "   12x4   ");
             writeAll(dir.file("friends.dbf"), dbf);
         },
         false},
        {"impossible length",
         [](const TempDir& dir, std::size_t, std::uint32_t block) {
             std::string fpt = readAll(dir.file("friends.fpt"));
             putBe32(reinterpret_cast<unsigned char*>(&fpt[block * 64 + 4]), 0x7FFFFFF0u);
             writeAll(dir.file("friends.fpt"), fpt);
         },
         false},
        {"zero block size",
         [](const TempDir& dir, std::size_t, std::uint32_t) {
             std::string fpt = readAll(dir.file("friends.fpt"));
             fpt[6] = fpt[7] = 0;
             writeAll(dir.file("friends.fpt"), fpt);
         },
         true},
    };
    for (const auto& d : damages) {
        SCOPED_TRACE(d.what);
        TempDir dir;
        const std::string path = dir.file("friends.dbf");
        makeFriends(path);
        std::size_t at = 0;
        std::uint32_t block = 0;
        {
            auto t = Table::open(path);
            at = fieldOffset(*t, 2, "NOTES");
            ASSERT_TRUE(t->go(3));
            t->deleteRecord();
            block = static_cast<std::uint32_t>(std::stoul(readAll(path).substr(at, 10)));
        }
        d.apply(dir, at, block);
        const auto before = snapshot(dir);
        PackOptions options;
        options.tags = std::vector<TagDef>{{"LNAME", "UPPER(LNAME)"}, {"CITY", "CITY"}, {"NEW", "UPPER(CITY)"}};
        {
            auto t = Table::open(path);
            try {
                t->pack({}, options);
                ADD_FAILURE() << "packed over unreadable memos";
            } catch (const MemoDamageError& e) {
                ASSERT_FALSE(e.damage().empty());
                EXPECT_EQ(e.damage().front().recno, d.everyMemo ? 1u : 2u);
                EXPECT_EQ(e.damage().front().field, "NOTES");
                if (!d.everyMemo) {
                    EXPECT_EQ(e.damage().size(), 1u);
                }
            }
            // Nothing changed: the old index still serves the table.
            EXPECT_EQ(t->tags().size(), 2u);
            t->setOrder(t->tagArea("LNAME"));
            EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Adams", "Clark", "Jones", "Smith"}));
        }
        EXPECT_EQ(snapshot(dir), before);

        options.repairMemos = true;
        auto t = Table::open(path);
        const PackResult r = t->pack({}, options);
        EXPECT_EQ(r.kept, 4u);
        EXPECT_EQ(r.removed, 1u);
        ASSERT_FALSE(r.clearedMemos.empty());
        EXPECT_EQ(r.clearedMemos.front().recno, d.everyMemo ? 1u : 2u);
        EXPECT_EQ(t->tags().size(), 3u);
        EXPECT_TRUE(t->check().empty()) << t->check().front();
        t->setOrder(0);
        ASSERT_TRUE(t->go(2));
        EXPECT_EQ(t->getString("LNAME"), "Jones");  // the record keeps its other fields
        EXPECT_EQ(t->getString("CITY"), "Austin");
        EXPECT_EQ(t->getMemo("NOTES"), "");
        ASSERT_TRUE(t->go(1));
        EXPECT_EQ(t->getMemo("NOTES"), d.everyMemo ? "" : "likes tea");
        for (const auto& name : {"friends.dbf.packing", "friends.dbf.packing-memo", "friends.dbf.packing-index",
                                 "friends.dbf.packlog"})
            EXPECT_FALSE(fs::exists(dir.file(name))) << name;
    }
}

TEST(Safety, AFailedOrCancelledIndexRebuildKeepsTheOldIndex) {
    TempDir dir;
    const std::string path = dir.file("friends.dbf");
    makeFriends(path);
    auto t = Table::open(path);
    const std::string cdx = readAll(dir.file("friends.cdx"));
    EXPECT_THROW(t->rebuildIndex({{"GOOD", "LNAME"}, {"BAD", "NOSUCHFIELD"}}), StoreError);
    EXPECT_THROW(t->rebuildIndex({{"GOOD", "LNAME"}}, [](int pct) { return pct < 50; }), CancelledError);
    EXPECT_EQ(readAll(dir.file("friends.cdx")), cdx);
    EXPECT_FALSE(fs::exists(path + ".indexing"));
    EXPECT_EQ(t->tags().size(), 2u);
    EXPECT_EQ(walk(*t, "LNAME").size(), 5u);
    t->rebuildIndex({{"CITY", "CITY", "!EMPTY(NOTES)", true}});
    ASSERT_EQ(t->tags().size(), 1u);
    EXPECT_EQ(t->tags()[0].forExpression, "!EMPTY(NOTES)");
    EXPECT_TRUE(t->tags()[0].descending);
    EXPECT_EQ(walk(*t, "CITY"), (std::vector<std::string>{"Dallas", "Camden", "Boston", "Austin"}));
    EXPECT_TRUE(t->check().empty());
}

TEST(Safety, APackInterruptedAfterItsLogIsFinishedWithItsIndex) {
    TempDir dir;
    const std::string path = dir.file("a.dbf");
    makeFriends(path);
    TempDir other;
    Table::create(other.file("b.dbf"), fields());
    {
        auto b = Table::open(other.file("b.dbf"));
        add(*b, "Zed", "Yonkers", "the packed copy");
        b->indexTags({{"LNAME", "UPPER(LNAME)"}});
    }
    // The copies and the log of the new format, as a pack leaves them when
    // it dies between writing the log and the renames.
    fs::copy_file(other.file("b.dbf"), path + ".packing");
    fs::copy_file(other.file("b.fpt"), path + ".packing-memo");
    fs::copy_file(other.file("b.cdx"), path + ".packing-index");
    writeAll(path + ".packlog",
             "brindle pack 2\nrename\ta.dbf.packing\ta.dbf\nrename\ta.dbf.packing-memo\ta.fpt\n"
             "rename\ta.dbf.packing-index\ta.cdx\n");
    // Only the exclusive holder finishes it; others leave the work alone.
    EXPECT_NO_THROW(Table::open(path, OpenMode::ReadOnly));
    EXPECT_TRUE(fs::exists(path + ".packlog"));
    auto t = Table::open(path);
    EXPECT_EQ(t->recordCount(), 1u);
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Zed"}));
    ASSERT_TRUE(t->first());
    EXPECT_EQ(t->getMemo("NOTES"), "the packed copy");
    EXPECT_TRUE(t->check().empty());
    for (const auto& name : {"a.dbf.packing", "a.dbf.packing-memo", "a.dbf.packing-index", "a.dbf.packlog"})
        EXPECT_FALSE(fs::exists(dir.file(name))) << name;
}

TEST(Safety, ARefusedOpenLeavesARunningPacksWorkAlone) {
    TempDir dir;
    const std::string path = dir.file("a.dbf");
    makeFriends(path);
    auto holder = Table::open(path);
    writeAll(path + ".packing", "work in progress");
    writeAll(path + ".packing-index", "work in progress");
    EXPECT_THROW(Table::open(path), InUseError);
    EXPECT_EQ(readAll(path + ".packing"), "work in progress");
    EXPECT_EQ(readAll(path + ".packing-index"), "work in progress");
}

TEST(Safety, ExpressionsReadTheMemoOfTheRecordTheyTest) {
    TempDir dir;
    const std::string path = dir.file("friends.dbf");
    makeFriends(path);
    auto t = Table::open(path);
    ASSERT_TRUE(t->go(3));  // the current record has no memo
    t->setFilter("LEN(NOTES)>0");
    EXPECT_EQ(t->filterCount(), 4u);
    t->setFilter("\"tea\" $ NOTES");
    EXPECT_EQ(t->filterCount(), 2u);
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Smith", "Adams"}));
    t->setFilter("");
    // Index keys too: each record's own memo, also after edits.
    t->indexTag("MEMO", "LEFT(NOTES,6)");
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Brown", "Jones", "Smith", "Clark", "Adams"}));
    ASSERT_TRUE(t->go(3));
    t->edit();
    t->setMemo("NOTES", "zebra");
    t->post();
    EXPECT_TRUE(t->check().empty()) << t->check().front();
    EXPECT_EQ(walk(*t, "LNAME").back(), "Brown");
    // The edit buffer's memo while editing, the stored one for other records.
    ASSERT_TRUE(t->go(1));
    t->edit();
    t->setMemo("NOTES", "");
    EXPECT_FALSE(t->evalLogical("LEN(NOTES)>0"));
    t->cancel();
    EXPECT_TRUE(t->evalLogical("LEN(NOTES)>0"));
}

TEST(Safety, TemporaryOrdersFollowPostsAndVisitEachRecordOnce) {
    TempDir dir;
    const std::string path = dir.file("friends.dbf");
    makeFriends(path);
    auto t = Table::open(path);
    const std::string idx = dir.file("_chk.idx");
    const int ord = t->createTempIndex(idx, "UPPER(LNAME)");
    for (std::uint32_t r : {1u, 2u, 4u, 5u}) t->keyAdd(r);  // all but Brown
    t->setOrder(ord);
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Adams", "Clark", "Jones", "Smith"}));
    // Edit a record while walking, as the duplicate check does: the edited
    // record moves to its new place, the walk goes on from there and ends.
    std::vector<std::string> seen;
    for (bool ok = t->first(); ok && seen.size() < 20; ok = t->next()) {
        seen.push_back(t->getString("LNAME"));
        if (t->getString("LNAME") == "Clark") {
            t->edit();
            t->setString("LNAME", "Aaron");
            t->post();
            EXPECT_EQ(t->getString("LNAME"), "Aaron");
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Adams", "Clark", "Adams", "Jones", "Smith"}));
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Aaron", "Adams", "Jones", "Smith"}));
    // A record outside the order stays outside when it changes.
    t->setOrder(0);
    ASSERT_TRUE(t->go(3));
    t->edit();
    t->setString("LNAME", "Abbot");
    t->post();
    t->setOrder(ord);
    EXPECT_EQ(walk(*t, "LNAME"), (std::vector<std::string>{"Aaron", "Adams", "Jones", "Smith"}));
    t->closeTempIndex();
}

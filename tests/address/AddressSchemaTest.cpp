// The address file: fields, tags and their keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "address/AddressSchema.h"
#include "store/Table.h"

using namespace brindle;
using namespace brindle::store;

namespace {

struct Dir {
    std::filesystem::path path;
    Dir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "brindle-addr-XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    ~Dir() { std::filesystem::remove_all(path); }
    std::string file(const char* name) const { return (path / name).string(); }
};

void add(Table& t, const char* last, const char* first, const char* state = "IL", const char* zip = "62701") {
    t.append();
    t.setString("LNAME", last);
    t.setString("FNAME", first);
    t.setString("STATE", state);
    t.setString("ZIP", zip);
    t.setLogical("ISDEL", false);
    t.post();
}

}  // namespace

TEST(AddressSchema, CreatesTheFieldsAndTagsInOrder) {
    Dir dir;
    const std::string path = dir.file("ADD0001.DBF");
    address::createAddressFile(path, address::FieldLengths::defaults());
    auto t = Table::open(path);
    const auto fields = t->fieldDefs();
    ASSERT_EQ(fields.size(), 23u);
    EXPECT_EQ(fields[0].name, "LNAME");
    EXPECT_EQ(fields[0].width, 30);
    EXPECT_EQ(fields[12].name, "DATE");
    EXPECT_EQ(fields[12].width, 15);
    EXPECT_EQ(fields[15].name, "FAX");
    EXPECT_EQ(fields[15].width, 40);
    EXPECT_EQ(fields[20].type, 'L');
    EXPECT_EQ(fields[22].name, "MEMO");
    EXPECT_EQ(fields[22].type, 'M');
    const auto tags = t->tags();
    ASSERT_EQ(tags.size(), 26u);
    EXPECT_EQ(tags.front().name, "NAME");
    EXPECT_EQ(tags.front().expression, "UPPER(LNAME-FNAME)");
    EXPECT_EQ(tags.back().name, "NOTISDEL");
    EXPECT_TRUE(address::hasAllAddressTags(*t));
    EXPECT_TRUE(address::missingAddressFields(*t).empty());
    EXPECT_TRUE(t->check().empty());
}

TEST(AddressSchema, CustomWidthsAndTagKeys) {
    Dir dir;
    const std::string path = dir.file("wide.dbf");
    address::FieldLengths lengths = address::FieldLengths::defaults();
    lengths.widths["LNAME"] = 50;
    address::createAddressFile(path, lengths);
    auto t = Table::open(path);
    EXPECT_EQ(t->schema().fields[0].width, 50);
    add(*t, "Smith", "John");
    add(*t, "Smith", "Anna");
    add(*t, "Smithers", "Al", "NY", "10001");
    // LNAME keys on the full-width last name, so a padded seek finds one person.
    t->setOrder(t->tagArea("LNAME"));
    std::string key = "SMITH";
    key.resize(50, ' ');
    ASSERT_TRUE(t->seek(key + "JOHN"));
    EXPECT_EQ(t->getString("FNAME"), "John");
    // NAME keys on the trimmed last name followed by the first name.
    t->setOrder(t->tagArea("NAME"));
    EXPECT_TRUE(t->seek("SMITHANNA"));
    EXPECT_TRUE(t->seek("SMITHERSAL"));
    t->setOrder(t->tagArea("STATEZIP"));
    EXPECT_TRUE(t->seek("NY10001"));
    t->setFilter("!ISDEL");
    EXPECT_EQ(t->filterCount(), 3u);
}

TEST(AddressSchema, RecreatingTagsStartsFromAnEmptyIndexFile) {
    Dir dir;
    const std::string path = dir.file("re.dbf");
    address::createAddressFile(path, address::FieldLengths::defaults());
    auto t = Table::open(path);
    add(*t, "A", "B");
    t->indexTag("EXTRA", "UPPER(CITY)");
    EXPECT_EQ(t->tags().size(), 27u);
    address::createAddressTags(*t);
    EXPECT_EQ(t->tags().size(), 26u);
    EXPECT_EQ(t->tagName(t->order()), "NOTISDEL");
    EXPECT_TRUE(address::createTag(*t, "CITY2", "UPPER(CITY)"));
    EXPECT_FALSE(address::createTag(*t, "BAD", "UPPER(NOSUCHFIELD)"));
}

TEST(AddressSchema, MissingFieldsAreNamed) {
    Dir dir;
    const std::string path = dir.file("notag.dbf");
    auto fields = address::addressFields(address::FieldLengths::defaults());
    fields.erase(fields.begin() + 21);  // TAG
    Table::create(path, fields);
    auto t = Table::open(path);
    EXPECT_EQ(address::missingAddressFields(*t), std::vector<std::string>{"TAG"});
}

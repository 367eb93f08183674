#include "store/IndexFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

using namespace brindle::store;
namespace fs = std::filesystem;

namespace {

using Entry = std::pair<std::string, std::uint32_t>;
using Model = std::set<Entry>;

class IndexFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("cdxtest_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}
std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
void putLe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

IndexTagInfo info(const std::string& name, int keyLength, bool charKeys = true) {
    IndexTagInfo i;
    i.name = name;
    i.expression = "UPPER(" + name + ")";
    i.keyLength = keyLength;
    i.charKeys = charKeys;
    return i;
}

TagBuild build(const IndexTagInfo& i, const std::vector<Entry>& entries) {
    TagBuild b{i, {}, {}};
    for (auto& [k, r] : entries) {
        b.keys += k;
        b.recnos.push_back(r);
    }
    return b;
}

std::vector<Entry> walkForward(IndexTag& t) {
    std::vector<Entry> out;
    auto c = t.cursor();
    for (bool ok = c->first(); ok; ok = c->next()) out.emplace_back(std::string(c->key()), c->recno());
    return out;
}
std::vector<Entry> walkBackward(IndexTag& t) {
    std::vector<Entry> out;
    auto c = t.cursor();
    for (bool ok = c->last(); ok; ok = c->prev()) out.emplace_back(std::string(c->key()), c->recno());
    std::reverse(out.begin(), out.end());
    return out;
}

void expectMatches(IndexFile& f, int tagIndex, const Model& model) {
    IndexTag& t = *f.tag(tagIndex);
    const std::vector<Entry> want(model.begin(), model.end());
    EXPECT_EQ(walkForward(t), want);
    EXPECT_EQ(walkBackward(t), want);
    EXPECT_EQ(t.entryCount(), model.size());
    std::vector<std::string> problems;
    f.verify(problems);
    EXPECT_TRUE(problems.empty()) << problems.front();
}

// Keys from a tiny alphabet that includes the blank and NUL, so duplicates,
// shared prefixes and trailing fill bytes are everywhere.
std::string randomKey(std::mt19937& rng, int kl) {
    static const char alphabet[] = {'A', 'B', 'C', ' ', '\0', '\xE9'};
    std::string k(std::size_t(kl), ' ');
    const int len = int(rng() % std::uint32_t(kl + 1));
    for (int i = 0; i < len; ++i) k[std::size_t(i)] = alphabet[rng() % sizeof alphabet];
    if (rng() % 4 == 0) std::fill(k.begin() + len, k.end(), '\0');
    return k;
}

std::string randomKey(std::mt19937& rng) { return randomKey(rng, 12); }

class RandomOps : public IndexFileTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RandomOps, InsertsAndRemovesMatchAModelAcrossReopen) {
    const bool charKeys = GetParam();
    const int kl = 12;
    std::mt19937 rng(charKeys ? 7 : 8);
    const std::string path = file("ops.cdx");
    Model model;
    IndexFile::create(path, IndexFile::Kind::Compound)->buildTag(build(info("K", kl, charKeys), {}));
    for (int round = 0; round < 3; ++round) {
        auto f = IndexFile::open(path, true);
        IndexTag& t = *f->findTag("k");
        expectMatches(*f, 0, model);
        for (int op = 0; op < 6000; ++op) {
            const bool grow = round < 2 ? rng() % 3 != 0 : rng() % 3 == 0;
            if (grow || model.empty()) {
                Entry e{randomKey(rng), std::uint32_t(rng() % 3000 + 1)};
                t.insert(e.first, e.second);
                model.insert(e);
            } else {
                auto it = model.begin();
                std::advance(it, rng() % model.size());
                EXPECT_TRUE(t.remove(it->first, it->second));
                model.erase(it);
                EXPECT_FALSE(t.remove(std::string(kl, 'Z'), 1));
            }
        }
        expectMatches(*f, 0, model);
        f->flush();
    }
    // Empty it completely: an empty root leaf remains, and reopens.
    {
        auto f = IndexFile::open(path, true);
        for (auto& [k, r] : model) ASSERT_TRUE(f->tag(0)->remove(k, r));
        model.clear();
        expectMatches(*f, 0, model);
    }
    auto f = IndexFile::open(path, false);
    expectMatches(*f, 0, model);
    EXPECT_FALSE(f->tag(0)->cursor()->first());
}

INSTANTIATE_TEST_SUITE_P(CharAndBinaryKeys, RandomOps, ::testing::Values(true, false));

TEST_F(IndexFileTest, BulkBuildSortsDuplicatesAndStaysMutable) {
    std::mt19937 rng(3);
    const int kl = 20;
    std::vector<Entry> entries;
    Model model;
    for (std::uint32_t r = 1; r <= 60000; ++r) {
        // Half the keys blank, the rest from a small set: long runs of duplicates.
        std::string k(kl, ' ');
        if (rng() % 2) k.replace(0, 6, "SMITH" + std::to_string(rng() % 50));
        k.resize(kl, ' ');
        entries.emplace_back(k, r);
        model.insert({k, r});
    }
    std::shuffle(entries.begin(), entries.end(), rng);
    const std::string path = file("bulk.cdx");
    {
        auto f = IndexFile::create(path, IndexFile::Kind::Compound);
        int calls = 0;
        f->buildTags({build(info("A", kl), entries), build(info("B", kl), entries)}, [&](int) { return ++calls > 0; });
        EXPECT_GE(calls, 2);
        expectMatches(*f, 0, model);
        for (int i = 0; i < 3000; ++i) {
            const auto& e = entries[rng() % entries.size()];
            if (model.erase(e)) {
                ASSERT_TRUE(f->tag(1)->remove(e.first, e.second));
            }
            Entry n{randomKey(rng, kl), 60001u + std::uint32_t(i)};
            f->tag(1)->insert(n.first, n.second);
            model.insert(n);
        }
    }
    auto f = IndexFile::open(path, false);
    expectMatches(*f, 1, model);
    EXPECT_EQ(f->tag(0)->entryCount(), 60000u);
}

TEST_F(IndexFileTest, SeekPrefixRecnoAndCursorFollowsChanges) {
    auto f = IndexFile::create(file("seek.cdx"), IndexFile::Kind::Compound);
    std::vector<Entry> entries;
    for (std::uint32_t r = 1; r <= 2000; ++r) entries.emplace_back("K" + std::to_string(1000 + r % 500) + "  ", r);
    IndexTag& t = *f->buildTag(build(info("T", 7), entries));
    auto c = t.cursor();
    ASSERT_TRUE(c->seek("K12"));  // prefix
    EXPECT_EQ(c->key(), "K1200  ");
    EXPECT_EQ(c->recno(), 200u);
    ASSERT_TRUE(c->seek("K1200  ", 201));  // first >= (key, recno)
    EXPECT_EQ(c->recno(), 700u);
    EXPECT_FALSE(c->seek("L"));
    EXPECT_FALSE(c->valid());
    ASSERT_TRUE(c->seek(""));
    EXPECT_EQ(c->key(), "K1000  ");

    // Remove the current entry and its neighbours: the cursor re-seeks.
    ASSERT_TRUE(c->seek("K1300  ", 300));
    EXPECT_TRUE(t.remove("K1300  ", 300));
    EXPECT_TRUE(t.remove("K1300  ", 800));
    ASSERT_TRUE(c->next());
    EXPECT_EQ(c->recno(), 1300u);
    t.insert("K1300  ", 5000);
    ASSERT_TRUE(c->prev());
    EXPECT_EQ(c->key(), "K1299  ");
    EXPECT_EQ(c->recno(), 1799u);
    EXPECT_THROW(t.insert("short", 1), StoreError);
}

TEST_F(IndexFileTest, CompoundTagsReplaceDropAndKeepTheirAttributes) {
    const std::string path = file("multi.cdx");
    std::vector<Entry> few{{"B ", 2}, {"A ", 1}, {"A ", 3}};
    {
        auto f = IndexFile::create(path, IndexFile::Kind::Compound);
        auto second = info("SECOND", 2, false);
        second.forExpression = "!DELETED()";
        second.descending = true;
        auto third = info("THIRD", 2);
        third.unique = true;
        f->buildTags({build(info("FIRST", 2), few), build(second, few), build(third, few)});
        // Replace the first tag: it keeps its place.
        f->buildTag(build(info("FIRST", 2), {{"Z ", 9}}));
        EXPECT_THROW(f->buildTag(build(info("BAD NAME", 2), few)), StoreError);
    }
    {
        auto f = IndexFile::open(path, true);
        auto tags = f->tags();
        ASSERT_EQ(tags.size(), 3u);
        EXPECT_EQ(tags[0].name, "FIRST");
        EXPECT_EQ(tags[1].name, "SECOND");
        EXPECT_EQ(tags[1].forExpression, "!DELETED()");
        EXPECT_TRUE(tags[1].descending);
        EXPECT_FALSE(tags[1].charKeys);
        EXPECT_TRUE(tags[0].charKeys);
        EXPECT_TRUE(tags[2].unique);
        EXPECT_EQ(tags[2].expression, "UPPER(THIRD)");
        expectMatches(*f, 0, {{"Z ", 9}});
        expectMatches(*f, 2, {{"A ", 1}, {"B ", 2}});  // unique: first record per key
        f->dropTag("second");
        EXPECT_EQ(f->findTag("SECOND"), nullptr);
        f->buildTag(build(info("FOURTH", 2), few));
    }
    auto f = IndexFile::open(path, false);
    ASSERT_EQ(f->tagCount(), 3);
    EXPECT_EQ(f->tag(2)->info().name, "FOURTH");
    expectMatches(*f, 2, Model(few.begin(), few.end()));
    std::vector<std::string> problems;
    f->verify(problems);
    EXPECT_TRUE(problems.empty());
}

TEST_F(IndexFileTest, SingleTagFile) {
    const std::string path = file("names.idx");
    std::vector<Entry> entries;
    for (std::uint32_t r = 1; r <= 5000; ++r) entries.emplace_back(std::string(8, char('A' + r % 26)), r);
    {
        auto f = IndexFile::create(path, IndexFile::Kind::Single);
        f->buildTag(build(info("X", 8), entries));
        EXPECT_THROW(f->dropTag("X"), StoreError);
    }
    auto f = IndexFile::open(path, true);
    EXPECT_EQ(f->kind(), IndexFile::Kind::Single);
    ASSERT_EQ(f->tagCount(), 1);
    f->tag(0)->insert("AAAAAAAA", 99999);
    Model model(entries.begin(), entries.end());
    model.insert({"AAAAAAAA", 99999});
    expectMatches(*f, 0, model);
}

// A single-tag file of several levels whose pages the damage tests edit.
std::string makeDamageSample(const std::string& path) {
    std::vector<Entry> entries;
    for (std::uint32_t r = 1; r <= 3000; ++r) entries.emplace_back("KEY" + std::to_string(100000 + r * 7 % 3001), r);
    auto f = IndexFile::create(path, IndexFile::Kind::Single);
    f->buildTag(build(info("X", 9), entries));
    return path;
}

void expectDamageFound(const std::string& path) {
    try {
        auto f = IndexFile::open(path, false);
        std::vector<std::string> problems;
        f->verify(problems);
        if (!problems.empty()) return;
        walkForward(*f->tag(0));
        walkBackward(*f->tag(0));
        ADD_FAILURE() << "damage went unnoticed";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

TEST_F(IndexFileTest, DamagedFilesAreReported) {
    const auto good = readBytes(makeDamageSample(file("x.idx")));
    const std::uint32_t root = le32(good, 0);
    const std::uint32_t firstLeaf = 1024;
    ASSERT_EQ(good[firstLeaf], 2);  // a leaf
    auto damaged = [&](auto edit) {
        auto b = good;
        edit(b);
        writeBytes(file("d.idx"), b);
        expectDamageFound(file("d.idx"));
    };
    damaged([](auto& b) { b.resize(b.size() - 512); });  // the root is gone
    damaged([](auto& b) { b.resize(700); });
    damaged([&](auto& b) { putLe32(b, 0, root + 3); });  // misaligned root
    damaged([&](auto& b) { putLe32(b, firstLeaf + 8, firstLeaf); });  // leaf links to itself
    damaged([&](auto& b) { putLe32(b, firstLeaf + 4, firstLeaf + 1024); });  // bad left link
    damaged([&](auto& b) { b[firstLeaf + 20] = 40; });  // implausible bit widths
    damaged([&](auto& b) { b[firstLeaf + 12] ^= 1; });  // free space does not add up
    damaged([&](auto& b) { b[firstLeaf + 2] = 0xFF; });  // key count
    damaged([&](auto& b) {  // interior child pointing back at the root: a loop
        b[root + 12 + 9 + 4] = std::uint8_t(root >> 24);
        b[root + 12 + 9 + 5] = std::uint8_t(root >> 16);
        b[root + 12 + 9 + 6] = std::uint8_t(root >> 8);
        b[root + 12 + 9 + 7] = std::uint8_t(root);
    });
    damaged([&](auto& b) { std::memset(&b[root + 12], 0xFF, 9); });  // interior key out of order
    std::mt19937 rng(5);
    for (int i = 0; i < 40; ++i) {  // garbled pages must never crash
        auto b = good;
        const std::size_t page = 1024 + 512 * (rng() % ((b.size() - 1024) / 512));
        for (int k = 0; k < 16; ++k) b[page + rng() % 512] = std::uint8_t(rng());
        writeBytes(file("g.idx"), b);
        try {
            auto f = IndexFile::open(file("g.idx"), false);
            std::vector<std::string> problems;
            f->verify(problems);
            walkForward(*f->tag(0));
            walkBackward(*f->tag(0));
        } catch (const FormatError&) {
        }
    }
}

TEST_F(IndexFileTest, FileLeftDirtyByACrashIsRefused) {
    const std::string path = makeDamageSample(file("x.idx"));
    auto writer = IndexFile::open(path, true);
    writer->tag(0)->insert("KEY999999", 1);
    // What a kill -9 leaves behind: the file as it is on disk mid-update.
    fs::copy_file(path, file("crashed.idx"));
    try {
        IndexFile::open(file("crashed.idx"), false);
        ADD_FAILURE() << "dirty file opened";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("not closed properly"), std::string::npos);
    }
    writer->flush();
    fs::copy_file(path, file("flushed.idx"));
    EXPECT_NO_THROW(IndexFile::open(file("flushed.idx"), false));
    // While the writer holds the file, nobody else opens it; afterwards a
    // reader cannot change it.
    EXPECT_THROW(IndexFile::open(path, false), InUseError);
    writer.reset();
    auto reader = IndexFile::open(path, false);
    EXPECT_THROW(reader->tag(0)->insert("KEY000000", 1), StoreError);
}

// The bytes other xBase tools read, decoded here independently of the engine.
TEST_F(IndexFileTest, OnDiskLayoutFollowsTheCompactFormat) {
    const std::string path = file("layout.cdx");
    {
        auto f = IndexFile::create(path, IndexFile::Kind::Compound);
        f->buildTags({build(info("ZIP", 5), {{"12345", 7}, {"12399", 3}, {"2    ", 300}}), build(info("CITY", 3), {})});
    }
    const auto b = readBytes(path);
    ASSERT_EQ(b.size() % 512, 0u);
    auto le16 = [&](std::size_t at) { return unsigned(b[at] | (b[at + 1] << 8)); };
    // Tag directory: compact + compound header, 10-byte keys, one root leaf.
    EXPECT_EQ(b[14], 0xE0);
    EXPECT_EQ(le16(12), 10u);
    EXPECT_EQ(std::string(b.begin() + 264, b.begin() + 268), std::string(4, '\0'));  // closed cleanly
    const std::uint32_t dirRoot = le32(b, 0);
    ASSERT_EQ(le16(dirRoot), 3u);  // root + leaf
    ASSERT_EQ(le16(dirRoot + 2), 2u);
    EXPECT_EQ(le32(b, dirRoot + 4), 0xFFFFFFFFu);
    EXPECT_EQ(le32(b, dirRoot + 8), 0xFFFFFFFFu);

    // Decodes a leaf by the published rules.
    auto leaf = [&](std::uint32_t at, int kl, std::vector<Entry>& out) {
        const int n = int(le16(at + 2));
        const int recBits = b[at + 20], dupBits = b[at + 21], entryBytes = b[at + 23];
        EXPECT_EQ(le32(b, at + 14), (1u << recBits) - 1);
        EXPECT_EQ(b[at + 18], (1u << dupBits) - 1);
        std::size_t keyPos = at + 512;
        std::string prev;
        for (int i = 0; i < n; ++i) {
            std::uint64_t v = 0;
            for (int k = 0; k < entryBytes; ++k) v |= std::uint64_t(b[at + 24 + i * entryBytes + k]) << (8 * k);
            const std::uint32_t rec = std::uint32_t(v & ((1u << recBits) - 1));
            const int dup = int((v >> recBits) & ((1u << dupBits) - 1));
            const int trail = int((v >> (recBits + dupBits)) & ((1u << b[at + 22]) - 1));
            keyPos -= std::size_t(kl - dup - trail);
            std::string key = prev.substr(0, std::size_t(dup)) +
                              std::string(b.begin() + std::ptrdiff_t(keyPos),
                                          b.begin() + std::ptrdiff_t(keyPos) + (kl - dup - trail)) +
                              std::string(std::size_t(trail), ' ');
            out.emplace_back(key, rec);
            prev = key;
        }
        EXPECT_EQ(le16(at + 12), keyPos - (at + 24 + std::size_t(n * entryBytes)));
    };
    std::vector<Entry> tags;
    leaf(dirRoot, 10, tags);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].first, "CITY      ");  // sorted by name
    EXPECT_EQ(tags[1].first, "ZIP       ");
    const std::uint32_t zip = tags[1].second;
    EXPECT_EQ(b[zip + 14], 0x60);  // compact + compound
    EXPECT_EQ(le16(zip + 12), 5u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[zip + 512])), "UPPER(ZIP)");
    EXPECT_EQ(le16(zip + 510), 11u);
    std::vector<Entry> zips;
    leaf(le32(b, zip), 5, zips);
    EXPECT_EQ(zips, (std::vector<Entry>{{"12345", 7}, {"12399", 3}, {"2    ", 300}}));

    // Interior entries: full key, then big-endian record number and child page.
    std::vector<Entry> many;
    for (std::uint32_t r = 1; r <= 400; ++r) many.emplace_back("K" + std::to_string(1000 + r), r);
    IndexFile::create(file("deep.idx"), IndexFile::Kind::Single)->buildTag(build(info("X", 5), many));
    const auto d = readBytes(file("deep.idx"));
    const std::uint32_t root = le32(d, 0);
    EXPECT_EQ(d[14], 0x20);
    EXPECT_EQ(d[root] | (d[root + 1] << 8), 1);  // root, not leaf
    const std::uint32_t child = (d[root + 12 + 9] << 24) | (d[root + 12 + 10] << 16) | (d[root + 12 + 11] << 8) | d[root + 12 + 12];
    auto dle16 = [&](std::size_t at) { return unsigned(d[at] | (d[at + 1] << 8)); };
    EXPECT_EQ(d[child], 2);  // a leaf
    EXPECT_EQ(le32(d, child + 4), 0xFFFFFFFFu);  // the first leaf has no left neighbour
    const std::uint32_t lastRec = (d[root + 12 + 5] << 24) | (d[root + 12 + 6] << 16) | (d[root + 12 + 7] << 8) | d[root + 12 + 8];
    EXPECT_EQ(lastRec, std::uint32_t(dle16(child + 2)));  // interior entry carries the child's last entry
    EXPECT_EQ(std::string(d.begin() + root + 12, d.begin() + root + 17), "K" + std::to_string(1000 + lastRec));
}

TEST_F(IndexFileTest, CancelledBuildThrowsAndKeepsFinishedTags) {
    const std::string path = file("cancel.cdx");
    std::vector<Entry> entries;
    for (std::uint32_t r = 1; r <= 1000; ++r) entries.emplace_back("K" + std::to_string(10 + r % 90), r);
    {
        auto f = IndexFile::create(path, IndexFile::Kind::Compound);
        EXPECT_THROW(f->buildTags({build(info("A", 3), entries), build(info("B", 3), entries)},
                                  [](int percent) { return percent < 50; }),
                     CancelledError);
        EXPECT_EQ(f->tagCount(), 1);
    }
    auto f = IndexFile::open(path, false);
    ASSERT_EQ(f->tagCount(), 1);
    expectMatches(*f, 0, Model(entries.begin(), entries.end()));
}

}  // namespace

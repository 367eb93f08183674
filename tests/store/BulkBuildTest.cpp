// Tag builds within a memory budget: keys that do not fit are sorted in runs
// in an unnamed scratch file and merged. The file must come out the same
// whatever the budget, and a cancel at any point must leave the old files and
// nothing else behind. Also the pack's copy of memos of every size.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "TestFiles.h"
#include "store/IndexFile.h"
#include "store/Table.h"
#include "store/TagSort.h"

using namespace brindle::store;
using brindle::testing::readAll;
using brindle::testing::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTinyBudget = 16 * 1024;  // runs of 64 records, merged two at a time

std::vector<FieldDef> fields() {
    return {{"LNAME", 'C', 30, 0}, {"FNAME", 'C', 12, 0}, {"CITY", 'C', 6, 0},
            {"AMOUNT", 'N', 9, 2}, {"ACTIVE", 'L', 1, 0}, {"NOTES", 'M', 10, 0}};
}

// Words from a few letters, so that keys share prefixes and repeat; some
// empty, some long enough to reach past the sort's 16-byte prefix.
std::string word(std::mt19937& rng, int maxLength) {
    static const char letters[] = {'a', 'B', 'c', ' ', '\xE9', 'Z'};
    std::string w;
    const int n = static_cast<int>(rng() % static_cast<unsigned>(maxLength + 1));
    for (int i = 0; i < n; ++i) w.push_back(letters[rng() % sizeof letters]);
    return w;
}

void makeTable(const std::string& path, int records, unsigned seed) {
    Table::create(path, fields());
    auto t = Table::open(path);
    std::mt19937 rng(seed);
    for (int i = 0; i < records; ++i) {
        t->append();
        t->setString("LNAME", rng() % 3 ? "Smith" + word(rng, 25) : word(rng, 30));
        t->setString("FNAME", word(rng, 12));
        t->setString("CITY", rng() % 2 ? std::string("Ames") : word(rng, 6));
        t->setNumber("AMOUNT", static_cast<double>(static_cast<int>(rng() % 20001) - 10000) / 100.0);
        t->setLogical("ACTIVE", rng() % 2 == 0);
        if (rng() % 6 == 0) t->setMemo("NOTES", word(rng, 40) + "x");
        t->post();
        if (rng() % 10 == 0) t->deleteRecord();
    }
}

// Long and short character keys, numbers, logicals, a condition and a
// descending tag; the second set reads memos, which keeps the gathering on
// one thread.
const std::vector<TagDef> kTags = {
    {"NAME", "UPPER(LNAME)+UPPER(FNAME)"}, {"CITY", "CITY"}, {"AMOUNT", "AMOUNT"}, {"ACTIVE", "ACTIVE"},
    {"DELETED", "DELETED()"}, {"RICH", "UPPER(LNAME)", "AMOUNT > 50"}, {"DESC", "FNAME", "", true},
};
const std::vector<TagDef> kMemoTags = {{"NOTED", "UPPER(CITY)", "!EMPTY(NOTES)"}, {"LNAME", "LNAME"}};

std::map<std::string, std::string> snapshot(const TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir.path())) files[e.path().filename().string()] = readAll(e.path().string());
    return files;
}

std::size_t openFiles() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

std::string firstDifference(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return "first difference at byte " + std::to_string(i);
    return "none";
}

// Cancels at the first report of at least `percent`.
ProgressFn cancelAt(int percent) {
    return [percent](int pct) { return pct < percent; };
}

}  // namespace

TEST(BulkBuild, ATinyBudgetGivesTheSameIndexFileAsTheInMemoryBuild) {
    for (const auto& [records, seed] : std::vector<std::pair<int, unsigned>>{{0, 1}, {1, 2}, {700, 3}, {4000, 4}}) {
        for (const auto* tags : {&kTags, &kMemoTags}) {
            TempDir dir;
            const std::string path = dir.file("t.dbf");
            makeTable(path, records, seed);
            auto t = Table::open(path);
            t->rebuildIndex(*tags);
            const std::string inMemory = readAll(dir.file("t.cdx"));
            const auto files = snapshot(dir).size();
            const std::size_t fds = openFiles();
            t->setIndexBuildMemory(kTinyBudget);
            t->rebuildIndex(*tags);
            const std::string spilled = readAll(dir.file("t.cdx"));
            EXPECT_TRUE(inMemory == spilled) << records << " records, " << tags->size()
                                             << " tags: " << firstDifference(inMemory, spilled);
            EXPECT_TRUE(t->check().empty()) << t->check().front();
            EXPECT_EQ(snapshot(dir).size(), files);  // no scratch file left
            EXPECT_EQ(openFiles(), fds);
        }
    }
}

// The sorter used directly: unique tags, a single-tag file, tags replacing
// others in place, one thread or two; each must match the in-memory build.
TEST(BulkBuild, SortedRunsMatchTheInMemoryBuildForEveryKindOfTag) {
    std::mt19937 rng(11);
    const std::uint32_t n = 3000;
    std::vector<IndexTagInfo> infos(3);
    infos[0].name = "LONG";
    infos[0].keyLength = 40;
    infos[1].name = "UNIQ";
    infos[1].keyLength = 3;
    infos[1].unique = true;
    infos[2].name = "BIN";
    infos[2].keyLength = 8;
    infos[2].charKeys = false;
    for (auto& i : infos) i.expression = "UPPER(" + i.name + ")";
    std::vector<std::string> keys(infos.size());
    for (std::uint32_t r = 1; r <= n; ++r) {
        for (std::size_t i = 0; i < infos.size(); ++i) {
            const auto kl = static_cast<std::size_t>(infos[i].keyLength);
            std::string k = word(rng, static_cast<int>(kl));
            k.resize(kl, infos[i].charKeys ? ' ' : '\0');
            keys[i] += k;
        }
    }
    std::set<std::string> distinct;
    for (std::uint32_t r = 0; r < n; ++r) distinct.insert(keys[1].substr(r * 3, 3));
    const std::uint64_t distinctUnique = distinct.size();
    auto tagBuilds = [&](std::size_t from, std::size_t to) {
        std::vector<TagBuild> builds;
        for (std::size_t i = from; i < to; ++i) {
            TagBuild b{infos[i], keys[i], {}};
            for (std::uint32_t r = 1; r <= n; ++r) b.recnos.push_back(r);
            builds.push_back(std::move(b));
        }
        return builds;
    };
    auto sorted = [&](IndexFile& f, std::size_t from, std::size_t to, std::size_t memory, int threads) {
        BuildOptions options;
        options.memory = memory;
        options.threads = threads;
        std::vector<IndexTagInfo> some(infos.begin() + static_cast<std::ptrdiff_t>(from),
                                       infos.begin() + static_cast<std::ptrdiff_t>(to));
        auto sorter = f.gatherKeys(some, options, n);
        for (std::uint32_t r = 1; r <= n; ++r) {
            if (sorter->room() == 0) sorter->spill();
            for (std::size_t i = from; i < to; ++i) {
                const auto kl = static_cast<std::size_t>(infos[i].keyLength);
                sorter->keys(i - from).append(keys[i], (r - 1) * kl, kl);
                sorter->added(i - from, r);
            }
        }
        sorter->finishInput();
        EXPECT_EQ(sorter->spilled(), memory == kTinyBudget);
        f.buildTags(*sorter);
    };
    TempDir dir;
    // Every tag twice: the second build replaces the first in place.
    auto expected = [&](const std::string& name, IndexFile::Kind kind, std::size_t from, std::size_t to) {
        auto f = IndexFile::create(dir.file(name), kind);
        f->buildTags(tagBuilds(from, to));
        f->buildTags(tagBuilds(from, to));
        f.reset();
        return readAll(dir.file(name));
    };
    const std::string compound = expected("memory.cdx", IndexFile::Kind::Compound, 0, 3);
    const std::string single = expected("memory.idx", IndexFile::Kind::Single, 1, 2);
    for (const std::size_t memory : {kTinyBudget, std::size_t(64) << 20}) {
        for (const int threads : {1, 2}) {
            {
                auto f = IndexFile::create(dir.file("runs.cdx"), IndexFile::Kind::Compound);
                sorted(*f, 0, 3, memory, threads);
                sorted(*f, 0, 3, memory, threads);
                std::vector<std::string> problems;
                f->verify(problems);
                EXPECT_TRUE(problems.empty()) << problems.front();
                EXPECT_EQ(f->tag(1)->entryCount(), distinctUnique);
            }
            {
                auto f = IndexFile::create(dir.file("runs.idx"), IndexFile::Kind::Single);
                sorted(*f, 1, 2, memory, threads);
                sorted(*f, 1, 2, memory, threads);
            }
            const std::string c = readAll(dir.file("runs.cdx")), s = readAll(dir.file("runs.idx"));
            EXPECT_TRUE(c == compound) << memory << " bytes, " << threads << " threads: " << firstDifference(c, compound);
            EXPECT_TRUE(s == single) << memory << " bytes, " << threads << " threads: " << firstDifference(s, single);
        }
    }
}

// Long keys that agree on their first 16, 32 or 48 bytes and differ after,
// keys that end in fill and repeat, bytes above 0x7F: whether sorted in
// memory (one thread or two) or in runs, the tag holds them in the order of
// the key bytes as unsigned numbers, then record number.
TEST(BulkBuild, LongKeysSharingPrefixesComeOutInByteOrder) {
    constexpr int kl = 60;
    constexpr std::uint32_t n = 20000;  // past the in-memory sort's counting pass
    std::mt19937 rng(29);
    std::vector<std::pair<std::string, std::uint32_t>> expected;
    std::string keys;
    for (std::uint32_t r = 1; r <= n; ++r) {
        std::string k(kl, ' ');
        for (int i = 0; i < kl; ++i) k[std::size_t(i)] = "SMITH JOHNSON  "[i % 15];
        const int at = std::array{0, 15, 16, 31, 32, 47, 48, 59}[rng() % 8];
        k[std::size_t(at)] = "aZ \xE9\x01"[rng() % 5];
        k.resize(std::size_t(at + 1 + int(rng() % 3)), ' ');  // the rest of the key: fill
        k.resize(kl, ' ');
        keys += k;
        expected.emplace_back(k, r);
    }
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        const int c = std::memcmp(a.first.data(), b.first.data(), kl);  // unsigned bytes
        return c != 0 ? c < 0 : a.second < b.second;
    });
    IndexTagInfo info;
    info.name = "LONG";
    info.expression = "LONG";
    info.keyLength = kl;
    TempDir dir;
    for (const std::size_t memory : {kTinyBudget, std::size_t(64) << 20}) {
        for (const int threads : {1, 2}) {
            auto f = IndexFile::create(dir.file("long.cdx"), IndexFile::Kind::Compound);
            BuildOptions options;
            options.memory = memory;
            options.threads = threads;
            auto sorter = f->gatherKeys({info}, options, n);
            for (std::uint32_t r = 1; r <= n; ++r) {
                if (sorter->room() == 0) sorter->spill();
                sorter->keys(0).append(keys, (r - 1) * kl, kl);
                sorter->added(0, r);
            }
            sorter->finishInput();
            f->buildTags(*sorter);
            std::size_t i = 0, wrong = 0;
            f->forEach(0, [&](std::string_view key, std::uint32_t recno) {
                if (i < expected.size() && (key != expected[i].first || recno != expected[i].second)) ++wrong;
                ++i;
            });
            EXPECT_EQ(i, expected.size());
            EXPECT_EQ(wrong, 0u) << memory << " bytes, " << threads << " threads";
        }
    }
}

// Keys sorted in memory that arrived in record order are ordered one byte at
// a time, others by comparison: keys of any byte value sharing prefixes of
// any length come out by their bytes, then record number, either way.
TEST(BulkBuild, KeysInRecordOrderOrShuffledComeOutInByteThenRecordOrder) {
    constexpr int kl = 24;
    constexpr std::uint32_t n = 30000;
    std::mt19937 rng(41);
    const std::array<std::string, 4> stems = {"", "SMITH", "SMITHSONIAN ANDERS", "\xC9\xC9\xC9"};
    std::vector<std::string> keyOf(n + 1);
    for (std::uint32_t r = 1; r <= n; ++r) {
        std::string k = stems[rng() % stems.size()];
        const std::size_t end = k.size() + rng() % (kl - k.size() + 1);
        while (k.size() < end) k.push_back(rng() % 4 ? "AB\xE9 "[rng() % 4] : static_cast<char>(rng() % 256));
        k.resize(kl, ' ');
        keyOf[r] = k;
    }
    IndexTagInfo info;
    info.name = "MIXED";
    info.expression = "MIXED";
    info.keyLength = kl;
    TempDir dir;
    for (const bool shuffled : {false, true}) {
        TagBuild b{info, {}, {}};
        for (std::uint32_t r = 1; r <= n; ++r) b.recnos.push_back(r);
        if (shuffled) std::shuffle(b.recnos.begin(), b.recnos.end(), rng);
        for (const auto r : b.recnos) b.keys += keyOf[r];
        std::vector<std::pair<std::string, std::uint32_t>> expected;
        for (const auto r : b.recnos) expected.emplace_back(keyOf[r], r);
        std::sort(expected.begin(), expected.end());  // std::string compares bytes as unsigned
        auto f = IndexFile::create(dir.file(shuffled ? "s.cdx" : "o.cdx"), IndexFile::Kind::Compound);
        std::vector<TagBuild> builds;
        builds.push_back(std::move(b));
        f->buildTags(std::move(builds));
        std::size_t i = 0, wrong = 0;
        f->forEach(0, [&](std::string_view key, std::uint32_t recno) {
            if (i < expected.size() && (key != expected[i].first || recno != expected[i].second)) ++wrong;
            ++i;
        });
        EXPECT_EQ(i, expected.size());
        EXPECT_EQ(wrong, 0u) << (shuffled ? "shuffled" : "in record order");
    }
}

// A cancel in the gathering (before and after runs were spilled), in the
// merge, while tags are written or moved into place, or at the very end
// leaves the table with its old index, no scratch file and no open file.
TEST(BulkBuild, ACancelAtAnyPointLeavesTheOldIndexAndNothingElse) {
    TempDir dir;
    const std::string path = dir.file("t.dbf");
    makeTable(path, 3000, 5);
    auto t = Table::open(path);
    t->indexTags({{"NAME", "UPPER(LNAME)"}, {"CITY", "CITY"}});
    t->setIndexBuildMemory(kTinyBudget);
    const auto before = snapshot(dir);
    const std::size_t fds = openFiles();
    for (const int percent : {1, 20, 49, 50, 51, 70, 90, 99, 100}) {
        EXPECT_THROW(t->rebuildIndex(kTags, cancelAt(percent)), CancelledError) << percent;
        EXPECT_TRUE(snapshot(dir) == before) << "rebuild cancelled at " << percent << " %";
        PackOptions options;
        options.tags = kTags;
        options.indexProgress = cancelAt(percent);
        EXPECT_THROW(t->pack({}, options), CancelledError) << percent;
        EXPECT_TRUE(snapshot(dir) == before) << "pack cancelled at " << percent << " %";
        EXPECT_EQ(openFiles(), fds);
    }
    EXPECT_EQ(t->tags().size(), 2u);
    EXPECT_TRUE(t->check().empty());
}

// Tags added to the table's own index: a cancel keeps the tags finished
// before it, each whole, and the table knows exactly those.
TEST(BulkBuild, ACancelledBuildInPlaceKeepsWholeTags) {
    for (const int percent : {30, 60, 80, 95}) {
        TempDir dir;
        const std::string path = dir.file("t.dbf");
        makeTable(path, 3000, 6);
        auto t = Table::open(path);
        t->indexTags({{"CITY", "UPPER(CITY)"}, {"NAME", "LNAME"}});
        t->setIndexBuildMemory(kTinyBudget);
        const auto files = snapshot(dir).size();
        EXPECT_THROW(t->indexTags(kTags, cancelAt(percent)), CancelledError);
        EXPECT_TRUE(t->check().empty()) << percent << " %: " << t->check().front();
        EXPECT_EQ(snapshot(dir).size(), files);
        const auto held = t->tags();
        t.reset();
        auto again = Table::open(path);
        EXPECT_TRUE(again->info().indexProblem.empty()) << again->info().indexProblem;
        EXPECT_EQ(again->tags().size(), held.size());
        EXPECT_TRUE(again->check().empty());
    }
}

// The scratch file is read back only as written: garbled bytes (a failing
// disk, another process writing into it) are refused, not sorted into the index.
TEST(BulkBuild, GarbledScratchDataIsRefused) {
    TempDir dir;
    tagsort::ScratchFile scratch(dir.path());
    // Its descriptor is the one open on a (deleted) file in that folder.
    std::string fd;
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(e.path(), ec).string().rfind(dir.path() + "/", 0) == 0) fd = e.path().string();
    }
    ASSERT_FALSE(fd.empty());
    EXPECT_TRUE(fs::is_empty(dir.path()));  // it has no name in the folder

    const std::string data(5000, 'k');
    const tagsort::Extent first = scratch.append(data.data(), data.size());
    const tagsort::Extent second = scratch.append(data.data(), 100);
    std::string back(data.size(), '\0');
    scratch.read(first, back.data());
    EXPECT_EQ(back, data);
    {
        std::fstream raw(fd, std::ios::in | std::ios::out | std::ios::binary);
        raw.seekp(static_cast<std::streamoff>(first.offset + 4321));
        raw.put('K');
    }
    EXPECT_THROW(scratch.read(first, back.data()), StoreError);
    EXPECT_NO_THROW(scratch.read(second, back.data()));
}

TEST(BulkBuild, PackCopiesMemosOfEverySize) {
    TempDir dir;
    const std::string path = dir.file("m.dbf");
    Table::create(path, {{"ID", 'N', 6, 0}, {"NOTES", 'M', 10, 0}});
    std::vector<std::string> memos;
    {
        auto t = Table::open(path);
        // Around the block size, the pack's 256 KB read window, and past it.
        std::vector<std::size_t> sizes = {0, 1, 55, 56, 57, 64, 1000, 262136, 262144, 262152, 300000, 1 << 20};
        for (int i = 0; i < 200; ++i) sizes.push_back(static_cast<std::size_t>(997 * i % 5000));
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            std::string text(sizes[i], '\0');
            for (std::size_t k = 0; k < text.size(); ++k) text[k] = static_cast<char>('a' + (k * 7 + i) % 26);
            t->append();
            t->setNumber("ID", static_cast<double>(i));
            if (!text.empty()) t->setMemo("NOTES", text);
            t->post();
            if (i % 3 == 1) {
                t->deleteRecord();
            } else {
                memos.push_back(text);
            }
        }
        t->pack();
        EXPECT_TRUE(t->check().empty());
    }
    auto t = Table::open(path);
    ASSERT_EQ(t->recordCount(), memos.size());
    std::size_t i = 0;
    for (bool ok = t->first(); ok; ok = t->next()) EXPECT_EQ(t->getMemo("NOTES"), memos[i++]) << "record " << i;
}

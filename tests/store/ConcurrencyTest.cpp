// Several opens of one table, in this process and in others: whole-file open
// modes that other engines see (flock and the open-mode byte), record, header,
// memo and index locks at their conventional places, and shared writers that
// never lose or cross-link each other's records, memos and keys.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "TestFiles.h"
#include "store/Bytes.h"
#include "store/FileLock.h"
#include "store/Table.h"

using namespace brindle::store;
using brindle::testing::readAll;
using brindle::testing::TempDir;
using brindle::testing::writeAll;
using namespace std::chrono_literals;

namespace {

void makeTable(const std::string& path, int records) {
    Table::create(path, {{"NAME", 'C', 20, 0}, {"NOTE", 'M', 10, 0}});
    auto t = Table::open(path);
    for (int i = 0; i < records; ++i) {
        t->append();
        t->setString("NAME", "base" + std::to_string(i));
        t->setMemo("NOTE", "memo of base" + std::to_string(i));
        t->post();
    }
    t->indexTags({{"NAME", "UPPER(NAME)"}});
}

std::string noteFor(const std::string& name) { return "memo of " + name + std::string(40 + name.size() * 3, '.'); }

// A classic (per-process) byte lock held by a child process, as another
// xBase program holds its record and header locks. The child keeps it until
// release() or destruction.
class OtherProgramLock {
public:
    OtherProgramLock(const std::string& path, off_t byte) {
        int ready[2], done[2];
        if (pipe(ready) != 0 || pipe(done) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = ::open(path.c_str(), O_RDWR);
            struct flock fl {};
            fl.l_type = F_WRLCK;
            fl.l_whence = SEEK_SET;
            fl.l_start = byte;
            fl.l_len = 1;
            const char ok = fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0 ? 'y' : 'n';
            if (write(ready[1], &ok, 1) != 1) _exit(2);
            char c;
            if (read(done[0], &c, 1) < 0) _exit(2);
            _exit(0);
        }
        close(ready[1]);
        close(done[0]);
        char c = 'n';
        if (read(ready[0], &c, 1) != 1) c = 'n';
        close(ready[0]);
        held_ = c == 'y';
        release_ = done[1];
    }
    ~OtherProgramLock() { release(); }
    bool held() const { return held_; }
    void release() {
        if (pid_ <= 0) return;
        const char c = 'x';
        if (write(release_, &c, 1) != 1) {
        }
        close(release_);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool held_ = false;
};

std::uint32_t counterOf(const std::string& cdxPath) {
    const std::string bytes = readAll(cdxPath);
    return le32(reinterpret_cast<const unsigned char*>(bytes.data()) + 8);
}

}  // namespace

TEST(Concurrency, TwoProcessesWritingOneSharedTableLoseAndCrossLinkNothing) {
    TempDir dir;
    const std::string path = dir.file("shared.dbf");
    makeTable(path, 20);
    constexpr int kWriters = 2, kEach = 60;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                auto t = Table::open(path, OpenMode::Shared);
                t->setLockWait(20s);
                t->setOrder(t->tagArea("NAME"));
                for (int i = 0; i < kEach; ++i) {
                    const std::string name = "w" + std::to_string(w) + "-" + std::to_string(i);
                    t->append();
                    t->setString("NAME", name);
                    t->setMemo("NOTE", noteFor(name));
                    t->post();
                    // Edit a base record too: both writers reach for the same ones.
                    const std::string base = "BASE" + std::to_string((i * 7 + w) % 20);
                    if (t->seek(base)) {
                        t->edit();
                        t->setMemo("NOTE", noteFor(t->getString("NAME")));
                        t->post();
                    }
                }
                _exit(0);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "writer %d: %s\n", w, e.what());
                _exit(1);
            }
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
    }
    auto t = Table::open(path);
    EXPECT_EQ(t->recordCount(), 20u + kWriters * kEach);
    EXPECT_TRUE(t->check().empty()) << t->check().front();
    std::set<std::string> names;
    for (bool ok = t->first(); ok; ok = t->next()) {
        const std::string name = t->getString("NAME");
        names.insert(name);
        const std::string memo = t->getMemo("NOTE");
        if (name.rfind("base", 0) == 0)
            EXPECT_TRUE(memo == noteFor(name) || memo == "memo of " + name) << name << ": " << memo;
        else
            EXPECT_EQ(memo, noteFor(name)) << "record " << t->recNo();
    }
    EXPECT_EQ(names.size(), 20u + kWriters * kEach);
    t->setOrder(t->tagArea("NAME"));
    std::size_t walked = 0;
    for (bool ok = t->first(); ok; ok = t->next()) ++walked;
    EXPECT_EQ(walked, 20u + kWriters * kEach);
}

TEST(Concurrency, TwoSharedHandlesInOneProgramKeepTheirMemosApart) {
    TempDir dir;
    const std::string path = dir.file("two.dbf");
    makeTable(path, 4);
    auto a = Table::open(path, OpenMode::Shared);
    auto b = Table::open(path, OpenMode::Shared);
    ASSERT_TRUE(a->go(1));
    ASSERT_TRUE(b->go(2));
    a->edit();
    b->edit();
    a->setMemo("NOTE", noteFor("from a"));
    b->setMemo("NOTE", noteFor("from b"));
    a->post();  // each allocates under the memo lock from the file's own free pointer
    b->post();
    a->append();
    a->setString("NAME", "added by a");
    a->post();
    ASSERT_TRUE(b->go(1));
    EXPECT_EQ(b->getMemo("NOTE"), noteFor("from a"));
    ASSERT_TRUE(a->go(2));
    EXPECT_EQ(a->getMemo("NOTE"), noteFor("from b"));
    b->append();
    b->setString("NAME", "added by b");
    b->post();
    // Each sees the other's new record through the index once the counter
    // has moved, also past the record count it last read.
    b->setOrder(b->tagArea("NAME"));
    EXPECT_TRUE(b->seek("ADDED BY A"));
    a->setOrder(a->tagArea("NAME"));
    EXPECT_TRUE(a->seek("ADDED BY B"));
    EXPECT_EQ(a->recNo(), 6u);
    a->setOrder(0);
    ASSERT_TRUE(a->go(5));
    EXPECT_TRUE(a->next());
    EXPECT_EQ(a->getString("NAME"), "added by b");
    a.reset();
    b.reset();
    EXPECT_TRUE(Table::open(path)->check().empty());
}

TEST(Concurrency, RecordAndHeaderLocksSitWhereOtherProgramsLookForThem) {
    TempDir dir;
    const std::string path = dir.file("locks.dbf");
    makeTable(path, 10);
    auto a = Table::open(path, OpenMode::Shared);
    auto b = Table::open(path, OpenMode::Shared);
    a->setLockWait(100ms);
    b->setLockWait(100ms);
    const int probe = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(probe, 0);

    ASSERT_TRUE(a->go(5));
    a->edit();
    EXPECT_TRUE(locks::isLockedByOthers(probe, locks::Kind::Write, 0x7FFFFFFE - 5));
    EXPECT_FALSE(locks::isLockedByOthers(probe, locks::Kind::Write, 0x7FFFFFFE - 4));
    ASSERT_TRUE(b->go(5));
    EXPECT_THROW(b->edit(), InUseError);
    a->setString("NAME", "changed");
    a->post();
    EXPECT_FALSE(locks::isLockedByOthers(probe, locks::Kind::Write, 0x7FFFFFFE - 5));
    b->edit();  // free again, and b reads what a wrote
    EXPECT_EQ(b->getString("NAME"), "changed");
    b->cancel();

    {
        // Another program holds record 7.
        OtherProgramLock other(path, 0x7FFFFFFE - 7);
        ASSERT_TRUE(other.held());
        ASSERT_TRUE(a->go(7));
        EXPECT_THROW(a->edit(), InUseError);
        other.release();
        a->edit();
        a->cancel();
    }
    {
        // Another program holds the header: appends wait for it, then give up.
        OtherProgramLock other(path, 0x7FFFFFFE);
        ASSERT_TRUE(other.held());
        a->append();
        a->setString("NAME", "must wait");
        EXPECT_THROW(a->post(), InUseError);
        EXPECT_EQ(a->recordCount(), 10u);
        a->cancel();
    }
    a->append();
    a->setString("NAME", "after the header lock");
    a->post();
    EXPECT_EQ(a->recordCount(), 11u);
    // Our own open-mode byte lies outside every conventional range.
    EXPECT_FALSE(locks::isLockedByOthers(probe, locks::Kind::Write, 0x7FFFFFFE));
    EXPECT_TRUE(locks::isLockedByOthers(probe, locks::Kind::Write, 0x7FFFFFFF));
    ::close(probe);
}

TEST(Concurrency, WholeFileLocksKeepOtherEnginesOutBothWays) {
    TempDir dir;
    const std::string path = dir.file("flock.dbf");
    makeTable(path, 3);
    const std::vector<std::string> files = {path, dir.file("flock.fpt"), dir.file("flock.cdx")};
    {
        // Another engine holds the table with flock() only.
        const int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        for (OpenMode mode : {OpenMode::Exclusive, OpenMode::Shared, OpenMode::ReadOnly})
            EXPECT_THROW(Table::open(path, mode), InUseError);
        ::close(fd);
    }
    {
        auto t = Table::open(path);
        for (const auto& f : files) {
            const int fd = ::open(f.c_str(), O_RDONLY);
            EXPECT_NE(::flock(fd, LOCK_SH | LOCK_NB), 0) << f;
            ::close(fd);
        }
    }
    {
        auto t = Table::open(path, OpenMode::Shared);
        for (const auto& f : files) {
            const int fd = ::open(f.c_str(), O_RDONLY);
            EXPECT_EQ(::flock(fd, LOCK_SH | LOCK_NB), 0) << f << ": sharing is allowed";
            EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0) << f;
            ::close(fd);
        }
    }
}

TEST(Concurrency, RefusalsSayWhoHoldsTheFile) {
    TempDir dir;
    const std::string path = dir.file("who.dbf");
    makeTable(path, 1);
    {
        auto held = Table::open(path);
        try {
            Table::open(path, OpenMode::ReadOnly);
            ADD_FAILURE() << "opened a table held exclusively";
        } catch (const InUseError& e) {
            EXPECT_NE(std::string(e.what()).find("already open in this program"), std::string::npos) << e.what();
        }
    }
    // Held by a child process: named with its process number when the system tells.
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        auto t = Table::open(path);
        const char c = 'y';
        if (write(ready[1], &c, 1) != 1) _exit(2);
        char x;
        if (read(done[0], &x, 1) < 0) _exit(2);
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    try {
        Table::open(path, OpenMode::Shared);
        ADD_FAILURE() << "opened a table another process holds";
    } catch (const InUseError& e) {
        EXPECT_NE(std::string(e.what()).find("process " + std::to_string(pid)), std::string::npos) << e.what();
    }
    // Creating over it changes nothing either.
    const std::string before = readAll(path);
    EXPECT_THROW(Table::create(path, {{"X", 'C', 1, 0}}, true), InUseError);
    EXPECT_EQ(readAll(path), before);
    if (write(done[1], "x", 1) != 1) {
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

TEST(Concurrency, TheIndexChangeCounterMovesWithEveryUpdate) {
    TempDir dir;
    const std::string path = dir.file("count.dbf");
    makeTable(path, 5);
    const std::string cdx = dir.file("count.cdx");
    auto t = Table::open(path, OpenMode::Shared);
    std::uint32_t last = counterOf(cdx);
    for (int i = 0; i < 3; ++i) {
        t->append();
        t->setString("NAME", "n" + std::to_string(i));
        t->post();
        const std::uint32_t now = counterOf(cdx);
        EXPECT_GT(now, last);
        last = now;
    }
    ASSERT_TRUE(t->go(1));
    t->edit();
    t->setString("NAME", "renamed");
    t->post();
    EXPECT_GT(counterOf(cdx), last);
    // Reading leaves it alone.
    last = counterOf(cdx);
    t->setOrder(1);
    for (bool ok = t->first(); ok; ok = t->next()) {
    }
    EXPECT_EQ(counterOf(cdx), last);
}

TEST(Concurrency, SharedOpensRefuseWhatOthersCouldNotFollowAndReportUnfinishedWork) {
    TempDir dir;
    const std::string path = dir.file("rules.dbf");
    makeTable(path, 2);
    {
        auto t = Table::open(path, OpenMode::Shared);
        EXPECT_THROW(t->indexTag("OTHER", "NAME"), StoreError);
        EXPECT_THROW(t->deleteIndexFile(), StoreError);
        EXPECT_THROW(t->pack(), StoreError);
        EXPECT_THROW(t->rebuildIndex({{"NAME", "NAME"}}), StoreError);
        EXPECT_EQ(t->tags().size(), 1u);
    }
    writeAll(path + ".packing", "left over");
    {
        auto t = Table::open(path, OpenMode::ReadOnly);
        EXPECT_NE(t->info().unfinishedWork.find("rules.dbf.packing"), std::string::npos) << t->info().unfinishedWork;
        EXPECT_NE(t->info().unfinishedWork.find("opening the table for writing removes them"), std::string::npos);
    }
    writeAll(path + ".packlog", "");
    EXPECT_NE(Table::open(path, OpenMode::ReadOnly)->info().unfinishedWork.find("interrupted pack"), std::string::npos);
    std::filesystem::remove(path + ".packlog");
    EXPECT_TRUE(Table::open(path)->info().unfinishedWork.empty());  // the exclusive open cleared the copy
    EXPECT_FALSE(std::filesystem::exists(path + ".packing"));
}

// A process killed at any moment never damages records it had posted.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "TestFiles.h"
#include "store/Table.h"

using namespace brindle::store;
using brindle::testing::TempDir;

namespace {

std::string valueFor(std::uint32_t i, int version) {
    return "rec" + std::to_string(i) + "v" + std::to_string(version);
}

// The child appends and edits records with memos and tags, reporting each
// posted record number (and its version) on the pipe, until it is killed.
[[noreturn]] void writer(const std::string& path, int out) {
    try {
        auto t = Table::open(path);
        for (std::uint32_t i = 1;; ++i) {
            t->append();
            t->setString("NAME", valueFor(i, 0));
            t->setMemo("NOTE", std::string(50 + i % 300, static_cast<char>('a' + i % 26)));
            t->post();
            std::uint32_t msg[2] = {t->recNo(), 0};
            if (write(out, msg, sizeof msg) != sizeof msg) _exit(3);
            if (i % 3 == 0) {
                const std::uint32_t r = 1 + static_cast<std::uint32_t>((i * 2654435761ULL) >> 7) % i;
                t->go(r);
                t->edit();
                t->setString("NAME", valueFor(r, static_cast<int>(i)));
                t->post();
                std::uint32_t m2[2] = {r, i};
                if (write(out, m2, sizeof m2) != sizeof m2) _exit(3);
            }
        }
    } catch (...) {
        _exit(2);
    }
}

}  // namespace

TEST(Crash, KilledWriterLosesNothingPosted) {
    for (int round = 0; round < 4; ++round) {
        TempDir dir;
        const std::string path = dir.file("crash.dbf");
        Table::create(path, {{"NAME", 'C', 20, 0}, {"NOTE", 'M', 10, 0}});
        {
            auto t = Table::open(path);
            t->indexTags({{"NAME", "UPPER(NAME)"}, {"DELETED", "DELETED()"}});
        }
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            writer(path, fds[1]);
        }
        close(fds[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(40 + 37 * round));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer stopped by itself, status " << status;
        // Everything the writer reported as posted.
        std::map<std::uint32_t, int> posted;
        std::uint32_t msg[2];
        while (read(fds[0], msg, sizeof msg) == sizeof msg) posted[msg[0]] = static_cast<int>(msg[1]);
        close(fds[0]);
        ASSERT_FALSE(posted.empty());

        auto t = Table::open(path);
        ASSERT_GE(t->recordCount(), posted.rbegin()->first);
        for (const auto& [r, version] : posted) {
            ASSERT_TRUE(t->go(r));
            const std::string name = t->getString("NAME");
            // The last reported version, or a newer one posted after the last report.
            if (name != valueFor(r, version)) {
                EXPECT_EQ(name.substr(0, valueFor(r, 0).size() - 1), valueFor(r, 0).substr(0, valueFor(r, 0).size() - 1));
            }
            EXPECT_EQ(t->getMemo("NOTE"), std::string(50 + r % 300, static_cast<char>('a' + r % 26)));
        }
        // The records are sound; only the index may need rebuilding.
        for (const auto& problem : t->check()) {
            EXPECT_EQ(problem.find("memo"), std::string::npos) << problem;
            EXPECT_EQ(problem.find("deletion flag"), std::string::npos) << problem;
            EXPECT_EQ(problem.find("too short"), std::string::npos) << problem;
        }
    }
}

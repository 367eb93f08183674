#include "store/FileLock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace brindle::store::locks {

namespace {

bool setLock(int fd, short type, off_t start, off_t length, bool wait) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
        if (errno == EINTR) continue;
        return false;
    }
}

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::map<std::pair<dev_t, ino_t>, int>& registry() {
    static std::map<std::pair<dev_t, ino_t>, int> r;
    return r;
}

bool identity(int fd, std::pair<dev_t, ino_t>& id) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

// Processes other than this one with the file open, as "name (process N)".
std::vector<std::string> holdersOf(const std::pair<dev_t, ino_t>& id) {
    std::vector<std::string> found;
    DIR* proc = ::opendir("/proc");
    if (!proc) return found;
    const pid_t self = ::getpid();
    while (dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (!end || *end != '\0' || pid <= 0 || pid == self) continue;
        const std::string fdDir = std::string("/proc/") + e->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds) continue;  // another user's process: the system does not tell
        bool holds = false;
        while (dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.') continue;
            struct stat st {};
            if (::stat((fdDir + "/" + f->d_name).c_str(), &st) == 0 && st.st_dev == id.first && st.st_ino == id.second) {
                holds = true;
                break;
            }
        }
        ::closedir(fds);
        if (!holds) continue;
        std::string name;
        std::ifstream comm(std::string("/proc/") + e->d_name + "/comm");
        std::getline(comm, name);
        found.push_back((name.empty() ? std::string("a program") : name) + " (process " + e->d_name + ")");
        if (found.size() >= 4) break;
    }
    ::closedir(proc);
    return found;
}

}  // namespace

bool tryLock(int fd, Kind kind, off_t start, off_t length) {
    return setLock(fd, kind == Kind::Write ? F_WRLCK : F_RDLCK, start, length, false);
}

bool lockWaiting(int fd, Kind kind, off_t start, off_t length, std::chrono::milliseconds timeout) {
    // Polled rather than blocking, so a holder that never lets go costs a
    // clear failure after the timeout instead of a hang.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        if (tryLock(fd, kind, start, length)) return true;
        if (errno != EAGAIN && errno != EACCES) return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            errno = EAGAIN;
            return false;
        }
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(50)) pause *= 2;
    }
}

void unlock(int fd, off_t start, off_t length) { setLock(fd, F_UNLCK, start, length, false); }

bool isLockedByOthers(int fd, Kind kind, off_t start, off_t length) {
    struct flock fl {};
    fl.l_type = kind == Kind::Write ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

bool tryFlock(int fd, bool exclusive) {
    for (;;) {
        if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        return false;
    }
}

void noteOpen(int fd) {
    std::pair<dev_t, ino_t> id;
    if (!identity(fd, id)) return;
    std::lock_guard lock(registryMutex());
    ++registry()[id];
}

void noteClosed(int fd) {
    std::pair<dev_t, ino_t> id;
    if (!identity(fd, id)) return;
    std::lock_guard lock(registryMutex());
    auto it = registry().find(id);
    if (it != registry().end() && --it->second <= 0) registry().erase(it);
}

bool openHere(int fd) {
    std::pair<dev_t, ino_t> id;
    if (!identity(fd, id)) return false;
    std::lock_guard lock(registryMutex());
    return registry().count(id) > 0;
}

std::string inUseMessage(const std::string& path, int fd) {
    if (openHere(fd)) return path + " is already open in this program";
    std::pair<dev_t, ino_t> id;
    std::vector<std::string> holders;
    if (identity(fd, id)) holders = holdersOf(id);
    if (holders.empty()) return path + " is in use by another program or user";
    std::string list;
    for (std::size_t i = 0; i < holders.size(); ++i) list += (i ? ", " : "") + holders[i];
    return path + " is in use by " + list;
}

}  // namespace brindle::store::locks

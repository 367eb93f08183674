#include "store/MemoFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "store/FileLock.h"

namespace brindle::store {
namespace {
// Memos longer than this are refused as damage rather than allocated.
constexpr std::uint64_t kMaxMemo = 256ULL * 1024 * 1024;
}

std::uint32_t memoBlockOf(const char* p, int width) {
    if (width == 4) return le32(reinterpret_cast<const unsigned char*>(p));
    std::uint64_t v = 0;
    bool any = false;
    for (int i = 0; i < width; ++i) {
        const char c = p[i];
        if (c >= '0' && c <= '9') {
            v = v * 10 + static_cast<unsigned>(c - '0');
            any = true;
            if (v > 0xFFFFFFFFULL) return 0xFFFFFFFFu;
        } else if (c != ' ' && c != '\0') {
            return any ? 0xFFFFFFFFu : 0;
        }
    }
    return static_cast<std::uint32_t>(v);
}

void setMemoBlock(char* p, int width, std::uint32_t block) {
    if (width == 4) {
        putLe32(reinterpret_cast<unsigned char*>(p), block);
        return;
    }
    std::memset(p, ' ', static_cast<std::size_t>(width));
    if (block == 0) return;
    std::string digits = std::to_string(block);
    if (static_cast<int>(digits.size()) > width) throw StoreError("Memo block number does not fit its field");
    std::memcpy(p + width - static_cast<int>(digits.size()), digits.data(), digits.size());
}

void MemoFile::createFpt(const std::string& path, std::uint32_t blockSize) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw StoreError("Cannot create " + path + ": " + std::strerror(errno));
    std::vector<unsigned char> h(512, 0);
    const std::uint32_t first = (512 + blockSize - 1) / blockSize;
    putBe32(h.data(), first);
    h[6] = static_cast<unsigned char>(blockSize >> 8);
    h[7] = static_cast<unsigned char>(blockSize);
    try {
        writeExact(fd, h.data(), h.size(), 0, path);
        syncFile(fd, path);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

std::unique_ptr<MemoFile> MemoFile::open(const std::string& path, MemoKind kind, OpenMode mode) {
    std::unique_ptr<MemoFile> m(new MemoFile());
    m->path_ = path;
    m->kind_ = kind;
    m->writable_ = mode != OpenMode::ReadOnly && kind == MemoKind::Fpt;
    m->shared_ = mode == OpenMode::Shared;
    m->fd_ = ::open(path.c_str(), (m->writable_ ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (m->fd_ < 0) {
        if (errno == ENOENT) throw StoreError("The memo file " + path + " is missing");
        throw StoreError("Cannot open " + path + ": " + std::strerror(errno));
    }
    if (!locks::tryFlock(m->fd_, mode == OpenMode::Exclusive)) throw InUseError(locks::inUseMessage(path, m->fd_));
    const std::uint64_t size = fileSize(m->fd_, path);
    if (size < 512) throw FormatError(path + " is not a memo file: it is shorter than its header");
    unsigned char h[32];
    readExact(m->fd_, h, sizeof h, 0, path);
    if (kind == MemoKind::Fpt) {
        m->blockSize_ = (static_cast<std::uint32_t>(h[6]) << 8) | h[7];
        if (m->blockSize_ == 0) m->blockSize_ = 512;  // some writers leave it unset
        if (m->blockSize_ > 16384)
            throw FormatError(path + " is damaged: block size " + std::to_string(m->blockSize_) + " is invalid");
        m->nextFree_ = m->sanerNextFree(be32(h), size);
    } else {
        m->nextFree_ = le32(h);
        m->blockSize_ = 512;
        if (kind == MemoKind::Dbt4) {
            const std::uint16_t bs = le16(h + 20);
            if (bs >= 64 && bs <= 32768) m->blockSize_ = bs;
        }
    }
    return m;
}

MemoFile::~MemoFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::string MemoFile::problem(std::uint32_t block) const {
    if (block == 0) return {};
    const std::uint64_t size = fileSize(fd_, path_);
    const std::uint64_t off = static_cast<std::uint64_t>(block) * blockSize_;
    if (off < 512 && kind_ == MemoKind::Fpt) return "memo block " + std::to_string(block) + " lies inside the memo file header";
    if (off >= size) return "memo block " + std::to_string(block) + " lies past the end of " + path_;
    if (kind_ == MemoKind::Fpt || kind_ == MemoKind::Dbt4) {
        if (off + 8 > size) return "memo block " + std::to_string(block) + " is cut off";
        unsigned char h[8];
        readExact(fd_, h, 8, off, path_);
        std::uint64_t len = kind_ == MemoKind::Fpt ? be32(h + 4) : le32(h + 4);
        if (kind_ == MemoKind::Dbt4) {
            if (!(h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00))
                return {};  // a dBASE III style block inside a IV file: read up to the end mark
            if (len < 8) return "memo block " + std::to_string(block) + " has an invalid length";
            len -= 8;
        }
        if (len > kMaxMemo) return "memo block " + std::to_string(block) + " claims an impossible length";
        if (off + 8 + len > size) return "memo block " + std::to_string(block) + " runs past the end of " + path_;
    }
    return {};
}

std::string MemoFile::read(std::uint32_t block) const {
    if (block == 0) return {};
    if (std::string p = problem(block); !p.empty()) throw FormatError(path_ + " is damaged: " + p);
    const std::uint64_t off = static_cast<std::uint64_t>(block) * blockSize_;
    const std::uint64_t size = fileSize(fd_, path_);
    unsigned char h[8] = {};
    if (off + 8 <= size) readExact(fd_, h, 8, off, path_);
    if (kind_ == MemoKind::Fpt || (kind_ == MemoKind::Dbt4 && h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00)) {
        std::uint64_t len = kind_ == MemoKind::Fpt ? be32(h + 4) : le32(h + 4) - 8;
        std::string text(static_cast<std::size_t>(len), '\0');
        if (len) readExact(fd_, text.data(), text.size(), off + 8, path_);
        return text;
    }
    // dBASE III: text up to the 0x1A end mark.
    std::string text;
    std::uint64_t pos = off;
    char buf[4096];
    while (pos < size && text.size() < kMaxMemo) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buf, size - pos));
        readExact(fd_, buf, n, pos, path_);
        const void* end = std::memchr(buf, 0x1A, n);
        if (end) {
            text.append(buf, static_cast<const char*>(end) - buf);
            return text;
        }
        text.append(buf, n);
        pos += n;
    }
    return text;
}

std::uint32_t MemoFile::sanerNextFree(std::uint32_t header, std::uint64_t size) const {
    // A header whose free pointer lies: appends go after the real end.
    const std::uint64_t blocks = (size + blockSize_ - 1) / blockSize_;
    if (header > blocks + 1 || header == 0) return static_cast<std::uint32_t>(blocks);
    return header;
}

std::uint32_t MemoFile::write(std::string_view text) {
    if (!writable_) throw StoreError(path_ + " is open read-only");
    if (text.empty()) return 0;
    if (text.size() > kMaxMemo) throw StoreError("A memo text may hold at most 256 MB");
    struct Allocation {
        int fd;
        bool held;
        ~Allocation() {
            if (held) locks::unlock(fd, locks::kMemoAllocationByte);
        }
    } allocation{fd_, false};
    if (shared_) {
        if (!locks::lockWaiting(fd_, locks::Kind::Write, locks::kMemoAllocationByte, 1, lockWait_))
            throw InUseError(path_ + ": the memo file is locked by another user; the memo was not written");
        allocation.held = true;
        unsigned char h[4];
        readExact(fd_, h, 4, 0, path_);
        nextFree_ = sanerNextFree(be32(h), fileSize(fd_, path_));
    }
    const std::uint32_t block = nextFree_;
    const std::uint64_t total = 8 + text.size();
    const std::uint64_t blocks = (total + blockSize_ - 1) / blockSize_;
    if (block + blocks > 0xFFFFFFFFULL) throw StoreError(path_ + " is full");
    std::string buf(static_cast<std::size_t>(blocks * blockSize_), '\0');
    auto* u = reinterpret_cast<unsigned char*>(buf.data());
    putBe32(u, 1);  // type 1: text
    putBe32(u + 4, static_cast<std::uint32_t>(text.size()));
    std::memcpy(buf.data() + 8, text.data(), text.size());
    writeExact(fd_, buf.data(), buf.size(), static_cast<std::uint64_t>(block) * blockSize_, path_);
    nextFree_ = static_cast<std::uint32_t>(block + blocks);
    unsigned char nf[4];
    putBe32(nf, nextFree_);
    writeExact(fd_, nf, 4, 0, path_);
    return block;
}

void MemoFile::sync() {
    if (writable_) syncFile(fd_, path_);
}

}  // namespace brindle::store

#include "store/DbfFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "store/Cp1252.h"
#include "store/FileLock.h"

namespace brindle::store {

namespace fs = std::filesystem;

namespace {

std::string errnoText() { return std::strerror(errno); }

// Takes the whole-file locks of an open in this mode: flock() as other
// engines on Linux take it, and the open-mode byte. Throws InUseError naming
// who holds the file when another open (here or elsewhere) conflicts.
void lockOpenMode(int fd, OpenMode mode, const std::string& path) {
    const bool exclusive = mode == OpenMode::Exclusive;
    const bool ok = locks::tryFlock(fd, exclusive) &&
                    locks::tryLock(fd, exclusive ? locks::Kind::Write : locks::Kind::Read, locks::kOpenModeByte);
    if (ok) return;
    if (errno == EAGAIN || errno == EACCES || errno == EWOULDBLOCK) throw InUseError(locks::inUseMessage(path, fd));
    throw StoreError("Cannot lock " + path + ": " + errnoText());
}

bool knownType(char t) { return std::strchr("CNFLDMIBYTGP@+O0VWQ", t) != nullptr && t != 0; }

}  // namespace

void readExact(int fd, void* buf, std::size_t n, std::uint64_t offset, const std::string& path) {
    auto* p = static_cast<char*>(buf);
    while (n > 0) {
        ssize_t r = ::pread(fd, p, n, static_cast<off_t>(offset));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw StoreError("Cannot read " + path + ": " + errnoText());
        }
        if (r == 0) throw FormatError(path + " is truncated (unexpected end of file)");
        p += r;
        n -= static_cast<std::size_t>(r);
        offset += static_cast<std::uint64_t>(r);
    }
}

void writeExact(int fd, const void* buf, std::size_t n, std::uint64_t offset, const std::string& path) {
    const auto* p = static_cast<const char*>(buf);
    while (n > 0) {
        ssize_t r = ::pwrite(fd, p, n, static_cast<off_t>(offset));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw StoreError("Cannot write " + path + ": " + errnoText());
        }
        p += r;
        n -= static_cast<std::size_t>(r);
        offset += static_cast<std::uint64_t>(r);
    }
}

std::uint64_t fileSize(int fd, const std::string& path) {
    struct stat st {};
    if (fstat(fd, &st) != 0) throw StoreError("Cannot read " + path + ": " + errnoText());
    return static_cast<std::uint64_t>(st.st_size);
}

void syncFile(int fd, const std::string& path) {
    if (::fsync(fd) != 0) throw StoreError("Cannot write " + path + ": " + errnoText());
}

std::string resolvePathIgnoringCase(const std::string& folder, const std::string& fileName) {
    fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    fs::path exact = dir / fileName;
    std::error_code ec;
    if (fs::exists(exact, ec)) return exact.string();
    const std::string wanted = toUpper1252(fileName);
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        if (toUpper1252(e.path().filename().string()) == wanted) return e.path().string();
    }
    return exact.string();
}

namespace {

// Names in the folder of `path` (without the folder).
std::vector<std::string> namesBeside(const fs::path& p) {
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string besidePath(const fs::path& p, const std::string& name) {
    return p.has_parent_path() ? (p.parent_path() / name).string() : name;
}

}  // namespace

std::string caseTwinOf(const std::string& path) {
    const fs::path p(path);
    const std::string own = p.filename().string();
    const std::string wanted = toUpper1252(own);
    for (const auto& name : namesBeside(p)) {
        if (name != own && toUpper1252(name) == wanted) return besidePath(p, name);
    }
    return {};
}

std::vector<std::string> ownedSiblings(const std::string& path, const std::string& upperExtension) {
    const fs::path p(path);
    const std::string stem = p.stem().string();
    const std::string wanted = toUpper1252(stem + upperExtension);
    const std::string ownUpper = toUpper1252(p.filename().string());
    const auto names = namesBeside(p);
    // Another table whose name differs only in case: then a sibling belongs
    // to this table only when its stem is spelled exactly as the table's.
    bool twin = false;
    for (const auto& name : names) {
        if (name != p.filename().string() && toUpper1252(name) == ownUpper) twin = true;
    }
    std::vector<std::string> exact, other;
    for (const auto& name : names) {
        if (toUpper1252(name) != wanted) continue;
        const bool sameStem = fs::path(name).stem().string() == stem;
        if (sameStem) exact.push_back(besidePath(p, name));
        else if (!twin) other.push_back(besidePath(p, name));
    }
    exact.insert(exact.end(), other.begin(), other.end());
    return exact;
}

std::string siblingPath(const std::string& path, const std::string& upperExtension) {
    fs::path p(path);
    const std::string oldExt = p.extension().string();
    const bool lower = !oldExt.empty() && std::islower(static_cast<unsigned char>(oldExt.back()));
    std::string ext = lower ? toLower1252(upperExtension) : upperExtension;
    fs::path candidate = p;
    candidate.replace_extension(ext);
    std::error_code ec;
    if (fs::exists(candidate, ec)) return candidate.string();
    const auto owned = ownedSiblings(path, upperExtension);
    return owned.empty() ? candidate.string() : owned.front();
}

std::string DbfFile::buildHeader(const std::vector<FieldDef>& fields, std::uint32_t count, bool structural) {
    if (fields.empty()) throw StoreError("A table needs at least one field");
    if (fields.size() > 255) throw StoreError("A table can have at most 255 fields");
    bool memo = false;
    int recordLength = 1;
    std::string descriptors;
    for (const auto& f : fields) {
        std::string name = toUpper1252(f.name);
        if (name.empty() || name.size() > 10) throw StoreError("Invalid field name \"" + f.name + "\"");
        for (char c : name) {
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
                throw StoreError("Invalid field name \"" + f.name + "\"");
        }
        char type = static_cast<char>(std::toupper(static_cast<unsigned char>(f.type)));
        int width = f.width;
        int decimals = 0;
        switch (type) {
            case 'C':
                if (width < 1 || width > 254) throw StoreError("Field " + name + ": character width must be 1 to 254");
                break;
            case 'N':
            case 'F':
                if (width < 1 || width > 20) throw StoreError("Field " + name + ": numeric width must be 1 to 20");
                decimals = f.decimals;
                if (decimals < 0 || (decimals > 0 && decimals > width - 2))
                    throw StoreError("Field " + name + ": too many decimals for its width");
                break;
            case 'L': width = 1; break;
            case 'D': width = 8; break;
            case 'M': width = 10; memo = true; break;
            default: throw StoreError("Field " + name + ": unsupported type '" + std::string(1, type) + "'");
        }
        unsigned char d[32] = {};
        std::memcpy(d, name.data(), name.size());
        d[11] = static_cast<unsigned char>(type);
        putLe32(d + 12, static_cast<std::uint32_t>(recordLength));
        d[16] = static_cast<unsigned char>(width);
        d[17] = static_cast<unsigned char>(decimals);
        descriptors.append(reinterpret_cast<char*>(d), 32);
        recordLength += width;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (toUpper1252(fields[i].name) == toUpper1252(fields[j].name))
                throw StoreError("Field " + toUpper1252(fields[i].name) + " appears twice");
        }
    }
    if (recordLength > 65535) throw StoreError("Records would be longer than 65535 bytes");
    std::string h(32, '\0');
    auto* u = reinterpret_cast<unsigned char*>(h.data());
    u[0] = memo ? 0xF5 : 0x03;
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    u[1] = static_cast<unsigned char>(tm.tm_year % 256);
    u[2] = static_cast<unsigned char>(tm.tm_mon + 1);
    u[3] = static_cast<unsigned char>(tm.tm_mday);
    putLe32(u + 4, count);
    putLe16(u + 8, static_cast<std::uint16_t>(32 + descriptors.size() + 1));
    putLe16(u + 10, static_cast<std::uint16_t>(recordLength));
    u[28] = structural ? 0x01 : 0x00;
    u[29] = 0x03;  // Windows-1252
    h += descriptors;
    h.push_back('\x0D');
    return h;
}

std::unique_ptr<DbfFile> DbfFile::create(const std::string& path, const std::vector<FieldDef>& fields, bool overwrite) {
    std::string header = buildHeader(fields, 0, false);
    header.push_back('\x1A');
    // No O_TRUNC: the file may be a table someone holds open, and nothing
    // may change before our exclusive lock says it is ours.
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
    std::unique_ptr<DbfFile> f(new DbfFile());
    f->path_ = path;
    f->mode_ = OpenMode::Exclusive;
    f->fd_ = ::open(path.c_str(), flags, 0644);
    if (f->fd_ < 0) {
        if (errno == EEXIST) throw StoreError("Cannot create " + path + ": the file already exists");
        throw StoreError("Cannot create " + path + ": " + errnoText());
    }
    struct stat st {};
    if (fstat(f->fd_, &st) != 0 || !S_ISREG(st.st_mode))
        throw StoreError("Cannot create " + path + ": it exists and is not a regular file");
    lockOpenMode(f->fd_, OpenMode::Exclusive, path);
    locks::noteOpen(f->fd_);
    f->registered_ = true;
    if (::ftruncate(f->fd_, 0) != 0) throw StoreError("Cannot create " + path + ": " + errnoText());
    writeExact(f->fd_, header.data(), header.size(), 0, path);
    syncFile(f->fd_, path);
    f->parseHeader(header.size());
    return f;
}

std::unique_ptr<DbfFile> DbfFile::open(const std::string& path, OpenMode mode) {
    std::unique_ptr<DbfFile> f(new DbfFile());
    f->path_ = path;
    f->mode_ = mode;
    int flags = (mode == OpenMode::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    f->fd_ = ::open(path.c_str(), flags);
    if (f->fd_ < 0) {
        if (errno == ENOENT) throw StoreError("File " + path + " not found");
        if (errno == EACCES || errno == EROFS)
            throw StoreError("Cannot open " + path + " for " +
                             (mode == OpenMode::ReadOnly ? "reading" : "writing") + ": " + errnoText());
        throw StoreError("Cannot open " + path + ": " + errnoText());
    }
    struct stat st {};
    if (fstat(f->fd_, &st) == 0 && !S_ISREG(st.st_mode)) throw FormatError(path + " is not a table (not a regular file)");
    lockOpenMode(f->fd_, mode, path);
    locks::noteOpen(f->fd_);
    f->registered_ = true;
    f->parseHeader(fileSize(f->fd_, path));
    return f;
}

DbfFile::~DbfFile() {
    if (headerMap_) ::munmap(headerMap_, kHeaderMapBytes);
    if (fd_ >= 0) {
        if (registered_) locks::noteClosed(fd_);
        ::close(fd_);
    }
}

bool DbfFile::lockRecord(std::uint32_t recno, std::chrono::milliseconds wait) {
    return locks::lockWaiting(fd_, locks::Kind::Write, locks::recordByte(recno), 1, wait);
}

void DbfFile::unlockRecord(std::uint32_t recno) { locks::unlock(fd_, locks::recordByte(recno)); }

void DbfFile::writeCount(std::uint32_t count) {
    // The header's first bytes are mapped shared, so the count reaches the
    // kernel's copy of the file with a store instead of a system call: once
    // this returns, a killed process has the record and its count on file.
    if (!headerMap_ && !headerMapFailed_) {
        void* p = ::mmap(nullptr, kHeaderMapBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (p == MAP_FAILED) headerMapFailed_ = true;
        else headerMap_ = static_cast<unsigned char*>(p);
    }
    if (headerMap_) {
        std::uint32_t le = 0;
        putLe32(reinterpret_cast<unsigned char*>(&le), count);
        __atomic_store_n(reinterpret_cast<std::uint32_t*>(headerMap_ + 4), le, __ATOMIC_RELEASE);
        return;
    }
    unsigned char c[4];
    putLe32(c, count);
    writeExact(fd_, c, 4, 4, path_);
}

void DbfFile::parseHeader(std::uint64_t size) {
    const std::string bad = path_ + " is not a table: ";
    if (size < 32) throw FormatError(bad + "the file is too short for a table header");
    unsigned char h32[32];
    readExact(fd_, h32, 32, 0, path_);
    const unsigned char v = h32[0];
    switch (v) {
        case 0x03: type_ = TableType::DBase3; break;
        case 0x83: type_ = TableType::DBase3; break;
        case 0x8B: case 0x8E: type_ = TableType::DBase4; break;
        case 0x30: case 0x31: case 0x32: type_ = TableType::VisualFoxPro; break;
        case 0xF5: case 0xFB: type_ = TableType::FoxPro; break;
        default: {
            char buf[8];
            std::snprintf(buf, sizeof buf, "0x%02X", v);
            throw FormatError(bad + "unknown version byte " + buf);
        }
    }
    // A table without memos that carries the FoxPro structural-index flag or
    // code-page byte is ours; plain 0x03 tables are read the same way anyway.
    if (v == 0x03 && (h32[28] & 0x01)) type_ = TableType::FoxPro;
    headerLength_ = le16(h32 + 8);
    const int recordLength = le16(h32 + 10);
    count_ = le32(h32 + 4);
    if (headerLength_ < 33 || static_cast<std::uint64_t>(headerLength_) > size)
        throw FormatError(bad + "the header length " + std::to_string(headerLength_) + " does not fit the file");
    if (recordLength < 2) throw FormatError(bad + "the record length " + std::to_string(recordLength) + " is invalid");
    header_.assign(static_cast<std::size_t>(headerLength_), '\0');
    readExact(fd_, header_.data(), header_.size(), 0, path_);
    const auto* u = reinterpret_cast<const unsigned char*>(header_.data());

    schema_ = Schema{};
    schema_.recordLength = recordLength;
    int offset = 1;
    bool memo = false;
    bool terminated = false;
    // The field list ends at its 0x0D mark. Writers differ in what follows
    // (nothing, one padding byte, a 263-byte back link), so any header
    // length that holds the mark is accepted and kept as found.
    for (int pos = 32; pos < headerLength_; pos += 32) {
        if (u[pos] == 0x0D) { terminated = true; break; }
        if (pos + 32 > headerLength_) break;
        const unsigned char* d = u + pos;
        std::string name;
        for (int i = 0; i < 11 && d[i] != 0; ++i) name.push_back(static_cast<char>(d[i]));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (name.empty()) throw FormatError(bad + "field " + std::to_string(schema_.fields.size() + 1) + " has no name");
        for (char c : name) {
            if (static_cast<unsigned char>(c) < 0x20)
                throw FormatError(bad + "field " + std::to_string(schema_.fields.size() + 1) + " has a garbled name");
        }
        char t = static_cast<char>(std::toupper(d[11]));
        if (!knownType(t))
            throw FormatError(bad + "field " + name + " has an unknown type (byte " + std::to_string(d[11]) + ")");
        int width = d[16];
        int decimals = d[17];
        if (t == 'C' && type_ != TableType::DBase3 && type_ != TableType::DBase4) {
            width += decimals * 256;  // wide character fields keep the high byte in "decimals"
            decimals = 0;
        }
        if (width < 1) throw FormatError(bad + "field " + name + " has width 0");
        if (t == '0') {  // hidden null-flags field of newer tables
            offset += width;
            continue;
        }
        FieldInfo fi;
        fi.name = toUpper1252(name);
        fi.type = t;
        fi.width = width;
        fi.decimals = t == 'C' ? 0 : decimals;
        fi.offset = offset;
        offset += width;
        if (offset > recordLength)
            throw FormatError(bad + "the fields are longer than the record length " + std::to_string(recordLength));
        if (t == 'M' || t == 'G' || t == 'P') memo = true;
        schema_.fields.push_back(fi);
        if (schema_.fields.size() > 1024) throw FormatError(bad + "too many fields");
    }
    if (!terminated && type_ != TableType::DBase3 && headerLength_ != 32 + 32 * static_cast<int>(schema_.fields.size()) + 1)
        throw FormatError(bad + "the field list has no end mark");
    if (schema_.fields.empty()) throw FormatError(bad + "it has no fields");
    const std::uint64_t need = static_cast<std::uint64_t>(headerLength_) +
                               static_cast<std::uint64_t>(count_) * static_cast<std::uint64_t>(recordLength);
    if (need > size) {
        const std::uint64_t have = (size - static_cast<std::uint64_t>(headerLength_)) / static_cast<std::uint64_t>(recordLength);
        throw FormatError(path_ + " is damaged: the header counts " + std::to_string(count_) +
                          " records but the file holds only " + std::to_string(have));
    }
    if (memo) {
        if (type_ == TableType::DBase3) memoKind_ = MemoKind::Dbt3;
        else if (type_ == TableType::DBase4) memoKind_ = MemoKind::Dbt4;
        else memoKind_ = MemoKind::Fpt;
    }
}

std::string DbfFile::lastUpdate() const {
    const auto* u = reinterpret_cast<const unsigned char*>(header_.data());
    char buf[16];
    // Years are counted from 1900, but some writers store only the last two
    // digits; those small values are read as this century.
    const int year = u[1] < 80 ? 2000 + u[1] : 1900 + u[1];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, u[2] % 100, u[3] % 100);
    return buf;
}

std::vector<FieldDef> DbfFile::fieldDefs() const {
    std::vector<FieldDef> defs;
    for (const auto& f : schema_.fields) defs.push_back({f.name, f.type, f.width, f.decimals});
    return defs;
}

void DbfFile::setStructuralFlag(bool on) {
    auto* u = reinterpret_cast<unsigned char*>(header_.data());
    const unsigned char want = on ? (u[28] | 0x01) : (u[28] & ~0x01);
    if (want == u[28]) return;
    u[28] = want;
    writeExact(fd_, &u[28], 1, 28, path_);
}

std::uint32_t DbfFile::refreshCount() {
    unsigned char b[4];
    readExact(fd_, b, 4, 4, path_);
    std::uint32_t c = le32(b);
    const std::uint64_t size = fileSize(fd_, path_);
    const std::uint64_t fit = (size - static_cast<std::uint64_t>(headerLength_)) /
                              static_cast<std::uint64_t>(schema_.recordLength);
    if (c > fit) c = static_cast<std::uint32_t>(fit);
    if (c != count_) cacheCount_ = 0;
    count_ = c;
    return count_;
}

const char* DbfFile::record(std::uint32_t recno) {
    // Another program may have appended since the count was read.
    if (recno > count_ && mode_ == OpenMode::Shared) refreshCount();
    if (recno < 1 || recno > count_) throw StoreError(path_ + ": record " + std::to_string(recno) + " does not exist");
    const auto len = static_cast<std::size_t>(schema_.recordLength);
    if (mode_ == OpenMode::Shared) {
        single_.resize(len);
        readExact(fd_, single_.data(), len, static_cast<std::uint64_t>(headerLength_) + (recno - 1ULL) * len, path_);
        return single_.data();
    }
    if (cacheCount_ > 0 && recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_)
        return cache_.data() + (recno - cacheFirst_) * len;
    // Sequential access (the record after the cached block, or turbo scans)
    // reads a large block; random access reads a small one.
    const bool sequential = turbo_ || (cacheCount_ > 0 && recno == cacheFirst_ + cacheCount_);
    const std::size_t bytes = sequential ? 256 * 1024 : 4096;
    std::uint32_t n = static_cast<std::uint32_t>(std::max<std::size_t>(1, bytes / len));
    n = std::min<std::uint32_t>(n, count_ - recno + 1);
    cache_.resize(static_cast<std::size_t>(n) * len);
    readExact(fd_, cache_.data(), cache_.size(), static_cast<std::uint64_t>(headerLength_) + (recno - 1ULL) * len, path_);
    cacheFirst_ = recno;
    cacheCount_ = n;
    return cache_.data();
}

void DbfFile::touchDate() {
    if (dateTouched_) return;
    dateTouched_ = true;
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    auto* u = reinterpret_cast<unsigned char*>(header_.data());
    u[1] = static_cast<unsigned char>(tm.tm_year % 256);
    u[2] = static_cast<unsigned char>(tm.tm_mon + 1);
    u[3] = static_cast<unsigned char>(tm.tm_mday);
    writeExact(fd_, u + 1, 3, 1, path_);
}

void DbfFile::writeRecord(std::uint32_t recno, const char* data) {
    if (!writable()) throw StoreError(path_ + " is open read-only");
    if (recno < 1 || recno > count_) throw StoreError(path_ + ": record " + std::to_string(recno) + " does not exist");
    const auto len = static_cast<std::size_t>(schema_.recordLength);
    touchDate();
    writeExact(fd_, data, len, static_cast<std::uint64_t>(headerLength_) + (recno - 1ULL) * len, path_);
    if (cacheCount_ > 0 && recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_)
        std::memcpy(cache_.data() + (recno - cacheFirst_) * len, data, len);
}

// Shared opens append under the header lock (the header byte, as other
// programs lock it before they change the header), with the count re-read
// under it.
class DbfFile::AppendLock {
public:
    explicit AppendLock(DbfFile& f) : f_(f) {
        if (f_.mode_ == OpenMode::Shared) {
            if (!locks::lockWaiting(f_.fd_, locks::Kind::Write, locks::kHeaderByte, 1, f_.lockWait_))
                throw InUseError(f_.path_ + ": the header is locked by another user; the record was not added");
            locked_ = true;
            f_.refreshCount();
        }
    }
    ~AppendLock() {
        if (locked_) locks::unlock(f_.fd_, locks::kHeaderByte);
    }

private:
    DbfFile& f_;
    bool locked_ = false;
};

std::uint32_t DbfFile::appendRecord(const char* data) {
    if (!writable()) throw StoreError(path_ + " is open read-only");
    AppendLock lock(*this);
    if (count_ == 0xFFFFFFFEu) throw StoreError(path_ + " cannot hold more records");
    const auto len = static_cast<std::size_t>(schema_.recordLength);
    touchDate();
    const std::uint32_t recno = count_ + 1;
    // Record and end mark in one write, then the count in the header.
    std::string buf(data, len);
    buf.push_back('\x1A');
    writeExact(fd_, buf.data(), buf.size(), static_cast<std::uint64_t>(headerLength_) + (recno - 1ULL) * len, path_);
    writeCount(recno);
    count_ = recno;
    if (cacheCount_ > 0 && recno == cacheFirst_ + cacheCount_ && cacheCount_ < 512) {
        cache_.insert(cache_.end(), data, data + len);
        ++cacheCount_;
    }
    return recno;
}

}  // namespace brindle::store

#pragma once
// Low-level access to a .DBF file: header and field descriptors (validated on
// open), record reads through a small cache, durable record writes, and the
// file lock that makes exclusive and shared opens real.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/Bytes.h"
#include "store/Paths.h"
#include "store/Schema.h"
#include "store/Table.h"

namespace brindle::store {

// pread/pwrite that loop over short transfers and throw StoreError naming the file.
void readExact(int fd, void* buf, std::size_t n, std::uint64_t offset, const std::string& path);
void writeExact(int fd, const void* buf, std::size_t n, std::uint64_t offset, const std::string& path);
std::uint64_t fileSize(int fd, const std::string& path);
void syncFile(int fd, const std::string& path);

// Memo pointer layout of a table's memo fields.
enum class MemoKind { None, Fpt, Dbt3, Dbt4 };

class DbfFile {
public:
    // Creates an empty table and returns it open exclusively. The exclusive
    // lock is taken before a single byte changes, so a table that this
    // process or another holds open is refused (InUseError) and left as it
    // was; an existing file is refused unless overwrite.
    static std::unique_ptr<DbfFile> create(const std::string& path, const std::vector<FieldDef>& fields, bool overwrite);
    static std::unique_ptr<DbfFile> open(const std::string& path, OpenMode mode);
    ~DbfFile();

    const std::string& path() const { return path_; }
    // The file was renamed while open (a pack's copy moved into place).
    void renamed(const std::string& path) { path_ = path; }
    OpenMode mode() const { return mode_; }
    bool writable() const { return mode_ != OpenMode::ReadOnly; }
    const Schema& schema() const { return schema_; }
    TableType type() const { return type_; }
    MemoKind memoKind() const { return memoKind_; }
    unsigned char versionByte() const { return header_[0]; }
    unsigned char codePage() const { return header_[29]; }
    bool structuralFlag() const { return (header_[28] & 0x01) != 0; }
    void setStructuralFlag(bool on);
    int headerLength() const { return headerLength_; }
    std::string lastUpdate() const;
    std::vector<FieldDef> fieldDefs() const;

    // Re-reads the record count from the header (shared opens, where another
    // program may append).
    std::uint32_t refreshCount();
    std::uint32_t recordCount() const { return count_; }

    // Pointer to the record's bytes, valid until the next call on this object.
    const char* record(std::uint32_t recno);
    void writeRecord(std::uint32_t recno, const char* data);
    // Writes the record after the last one, then the header count: a crash in
    // between loses only this record, never one posted before.
    std::uint32_t appendRecord(const char* data);
    void setTurbo(bool on) { turbo_ = on; }
    void dropCache() { cacheCount_ = 0; }

    // Takes the short lock that serialises appends of shared opens.
    class AppendLock;
    // Record locks of shared opens, at the conventional byte of each record
    // (see FileLock.h); false when another user holds the record past `wait`.
    bool lockRecord(std::uint32_t recno, std::chrono::milliseconds wait);
    void unlockRecord(std::uint32_t recno);
    void setLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

    int fd() const { return fd_; }

    // Builds a header (with field descriptors) for these fields.
    static std::string buildHeader(const std::vector<FieldDef>& fields, std::uint32_t count, bool structural);

private:
    DbfFile() = default;
    void parseHeader(std::uint64_t size);
    void touchDate();
    void writeCount(std::uint32_t count);
    static constexpr std::size_t kHeaderMapBytes = 32;
    unsigned char* headerMap_ = nullptr;
    bool headerMapFailed_ = false;

    std::string path_;
    OpenMode mode_ = OpenMode::Exclusive;
    int fd_ = -1;
    std::string header_;
    Schema schema_;
    TableType type_ = TableType::FoxPro;
    MemoKind memoKind_ = MemoKind::None;
    int headerLength_ = 0;
    std::uint32_t count_ = 0;
    bool dateTouched_ = false;
    bool turbo_ = false;
    bool registered_ = false;
    std::chrono::milliseconds lockWait_{5000};

    std::vector<char> cache_;
    std::uint32_t cacheFirst_ = 0;
    std::uint32_t cacheCount_ = 0;
    std::vector<char> single_;
};

}  // namespace brindle::store

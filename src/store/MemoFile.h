#pragma once
// Memo files: FoxPro .FPT (read and write, any block size, block headers
// big-endian) and dBASE .DBT (read: the III form ended by 0x1A and the IV form
// with a length header).
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "store/DbfFile.h"

namespace brindle::store {

class MemoFile {
public:
    static constexpr std::uint32_t kDefaultBlockSize = 64;
    // Creates (or truncates) an empty .FPT.
    static void createFpt(const std::string& path, std::uint32_t blockSize = kDefaultBlockSize);
    // Opens with the whole-file lock of the table's open mode (flock), so an
    // exclusive holder keeps other programs out of the memo file too.
    static std::unique_ptr<MemoFile> open(const std::string& path, MemoKind kind, OpenMode mode);
    ~MemoFile();

    const std::string& path() const { return path_; }
    void renamed(const std::string& path) { path_ = path; }
    std::uint32_t blockSize() const { return blockSize_; }
    MemoKind kind() const { return kind_; }

    // The text stored at a block; throws FormatError when the block is out of
    // range or its header is damaged.
    std::string read(std::uint32_t block) const;
    // Validates a block reference without reading the text; empty when sound.
    std::string problem(std::uint32_t block) const;
    // Writes the text to fresh blocks at the end (old blocks are never
    // overwritten, so a crash cannot damage a posted memo) and returns the
    // first block; 0 for an empty text. Shared opens allocate under the
    // allocation lock, reading the next free block anew under it, so two
    // writers never share blocks.
    std::uint32_t write(std::string_view text);
    void setLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }
    void sync();

private:
    MemoFile() = default;
    std::uint32_t sanerNextFree(std::uint32_t header, std::uint64_t size) const;
    std::string path_;
    MemoKind kind_ = MemoKind::Fpt;
    int fd_ = -1;
    bool writable_ = false;
    bool shared_ = false;
    std::chrono::milliseconds lockWait_{5000};
    std::uint32_t blockSize_ = 64;
    std::uint32_t nextFree_ = 0;
};

// The block number a memo field's bytes point at; 0 for none.
std::uint32_t memoBlockOf(const char* fieldBytes, int width);
// Writes a block number into a memo field's bytes (blank for 0).
void setMemoBlock(char* fieldBytes, int width, std::uint32_t block);

}  // namespace brindle::store

#pragma once
// Index keys sorted within a memory budget, for building tags in one go.
//
// Keys arrive in record order into one buffer per tag. When the buffers hold
// as many records as the budget allows, each tag's keys are sorted and
// written as a run to an unnamed scratch file in the index file's folder; at
// the end the build reads each tag's runs back merged into one stream in key
// order. Keys that fit in the budget never touch the scratch file and are
// sorted in memory. The scratch file has no name, so the system removes it
// when it is closed and after a crash, cancel or kill as well.
//
// Order everywhere: key bytes as unsigned bytes, then record number.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/IndexFile.h"

namespace brindle::store::tagsort {

// A stretch of the scratch file and the checksum of the bytes written there.
struct Extent {
    std::uint64_t offset = 0;
    std::uint32_t bytes = 0;
    std::uint64_t sum = 0;
};

std::uint64_t checksum(const void* data, std::size_t n);

// An unnamed file in a folder (O_TMPFILE, or a file unlinked as soon as it is
// made). Appends may come from several threads.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& folder);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    Extent append(const void* data, std::size_t n);
    // Reads an extent back; throws StoreError when the bytes are not what was written.
    void read(const Extent& e, void* buf) const;

private:
    std::string folder_;
    int fd_ = -1;
    std::atomic<std::uint64_t> end_{0};
};

// The scratch file of one build, made when first needed.
class Scratch {
public:
    explicit Scratch(std::string folder) : folder_(std::move(folder)) {}
    ScratchFile& file();
    bool used() const;

private:
    std::string folder_;
    mutable std::mutex mu_;
    std::unique_ptr<ScratchFile> file_;
};

// Fixed-size records appended in order and read back in order: kept in
// memory up to a limit, the rest in the scratch file in pieces of that size.
class Spool {
public:
    Spool(Scratch& scratch, std::size_t recordSize, std::size_t memory);
    void append(const void* records, std::size_t count);
    // Moves what is held in memory to the scratch file.
    void seal() { flushTail(); }
    std::size_t memoryHeld() const { return tail_.capacity(); }
    std::uint64_t size() const { return count_; }
    std::size_t recordSize() const { return recordSize_; }

    class Reader {
    public:
        explicit Reader(const Spool& spool) : spool_(spool) {}
        // The next piece: its records, and how many; 0 at the end.
        std::size_t next(const char*& records);

    private:
        const Spool& spool_;
        std::size_t piece_ = 0;
        bool tailDone_ = false;
        std::string buf_;
    };

private:
    void flushTail();
    Scratch& scratch_;
    std::size_t recordSize_;
    std::size_t memory_;
    std::uint64_t count_ = 0;
    std::vector<Extent> pieces_;
    std::string tail_;
};

// Sizes derived from the memory budget.
struct Limits {
    std::uint32_t runRecords = 0;   // records gathered before a spill
    std::size_t blockBytes = 0;     // pieces of a run, and the read buffer of each run in a merge
    std::size_t spoolMemory = 0;    // of each spool (interior entries, pages of a tag put aside)
    std::size_t pageBuffer = 0;     // pages laid out before they are written
    std::size_t fanIn = 0;          // runs merged at once
};

// One extra thread that runs a job beside the caller.
class Helper {
public:
    explicit Helper(bool enabled);
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    bool parallel() const { return enabled_; }
    // Runs `there` on the helper thread while the caller runs `here` (one
    // after the other when not parallel); returns when both are done and
    // rethrows the first failure. A failure on either side sets `stop` so
    // that the other side can end early.
    void run(const std::function<void()>& here, const std::function<void()>& there, std::atomic<bool>& stop);
    // For `here`: waits up to `wait` for `there` to finish; true when it has.
    bool waitThere(std::chrono::milliseconds wait);

private:
    void loop();
    bool enabled_;
    std::thread thread_;
    std::mutex mu_;
    std::condition_variable cv_;
    const std::function<void()>* job_ = nullptr;
    std::atomic<bool>* stop_ = nullptr;
    bool busy_ = false;
    bool quit_ = false;
    std::exception_ptr error_;
};

// The entries of one tag in order.
class SortedSource {
public:
    virtual ~SortedSource() = default;
    // The next entry; false at the end. `key` stays valid until the next
    // call. `same`: the key is known to equal the previous entry's (false
    // when not known).
    virtual bool next(const char*& key, std::uint32_t& recno, bool& same) = 0;
};

// A sorted run in the scratch file.
struct Run {
    std::vector<Extent> blocks;
    std::uint64_t count = 0;
};

class TagKeySorter {
public:
    // `expectedRecords` bounds the records that will come (for the size of the
    // first buffers); `folder` is where the scratch file goes.
    TagKeySorter(std::vector<IndexTagInfo> tags, const BuildOptions& options, const std::string& folder,
                 std::uint64_t expectedRecords);
    ~TagKeySorter();

    std::size_t tagCount() const { return tags_.size(); }
    const IndexTagInfo& info(std::size_t tag) const { return tags_[tag].info; }
    const Limits& limits() const { return limits_; }
    int threads() const { return options_.threads; }
    Helper& helper() { return helper_; }
    Scratch& scratch() { return scratch_; }
    // Set on cancel or failure; long steps check it.
    std::atomic<bool>& stop() { return stop_; }

    // Gathering, in record order: append exactly keyLength bytes to keys(tag),
    // then call added(tag, recno). Different threads may fill different tags.
    std::string& keys(std::size_t tag) { return tags_[tag].keys; }
    void added(std::size_t tag, std::uint32_t recno) {
        Tag& t = tags_[tag];
        t.recnos.push_back(recno);
        if (recno > t.maxRecno) t.maxRecno = recno;
        else t.ascending = false;
        ++t.total;
    }
    // Records (at most one key per tag each) that fit before spill() must run.
    std::uint32_t room() const;
    // Sorts the keys gathered so far and writes them as one run per tag.
    void spill();
    // The last key has arrived.
    void finishInput();
    // Keys already in memory (no budget applies), replacing what the tag has.
    void adopt(std::size_t tag, std::string keys, std::vector<std::uint32_t> recnos);

    std::uint64_t entryCount(std::size_t tag) const { return tags_[tag].total; }
    std::uint32_t maxRecno(std::size_t tag) const { return tags_[tag].maxRecno; }
    bool spilled() const { return spilled_; }
    // The tag's entries in order (`threads` sort keys still in memory). Call
    // once per tag; release(tag) afterwards frees what the tag still holds.
    std::unique_ptr<SortedSource> sorted(std::size_t tag, int threads);
    void release(std::size_t tag);

private:
    struct Tag {
        IndexTagInfo info;
        char fill = ' ';
        std::string keys;
        std::vector<std::uint32_t> recnos;
        std::vector<Run> runs;
        std::uint64_t total = 0;
        std::uint32_t maxRecno = 0;
        // Record numbers arrived rising, so every run holds a stretch of
        // records of its own (the merge relies on it to skip work).
        bool ascending = true;
    };
    void spillTag(Tag& t, int worker);
    Run mergeRuns(Tag& t, std::size_t from, std::size_t to);

    std::vector<Tag> tags_;
    BuildOptions options_;
    Limits limits_;
    Scratch scratch_;
    Helper helper_;
    std::atomic<bool> stop_{false};
    bool spilled_ = false;
    struct SortBuffers;
    std::vector<std::unique_ptr<SortBuffers>> sortBuffers_;  // one per worker
};

}  // namespace brindle::store::tagsort

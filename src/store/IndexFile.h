#pragma once
// Compact xBase index files: compound (.CDX, many named tags) and single-tag
// (.IDX), in the published compact format with 512-byte pages and compressed
// leaf entries, so other xBase tools read them.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/OpenMode.h"
#include "store/StoreError.h"

namespace brindle::store {

// Percentage done (0..100); return false to cancel (the operation then throws CancelledError).
using ProgressFn = std::function<bool(int percent)>;

struct IndexTagInfo {
    std::string name;           // upper case, at most 10 characters (ignored for .IDX)
    std::string expression;     // key expression as given
    std::string forExpression;  // condition; empty for none
    int keyLength = 0;
    bool charKeys = true;       // character keys: trailing blanks compressed; else trailing NULs
    bool descending = false;
    bool unique = false;
};

struct IndexEntry {
    std::string key;  // keyLength bytes
    std::uint32_t recno = 0;
};

class IndexFile;

class IndexTag {
public:
    virtual ~IndexTag() = default;
    virtual const IndexTagInfo& info() const = 0;
    // Keys are exactly keyLength bytes. Entries are ordered by (key bytes, recno).
    virtual void insert(std::string_view key, std::uint32_t recno) = 0;
    virtual bool remove(std::string_view key, std::uint32_t recno) = 0;  // false when absent
    virtual std::uint64_t entryCount() = 0;
    // Bumped on every change; cursors use it to notice that they must re-seek.
    virtual std::uint64_t version() const = 0;

    // A position in the tag. Moves in ascending key order (a descending tag is
    // walked the same way; the table reverses it).
    class Cursor {
    public:
        virtual ~Cursor() = default;
        virtual bool first() = 0;
        virtual bool last() = 0;
        // First entry whose leading key.size() bytes are >= key (key may be shorter
        // than keyLength: a prefix). With recno > 0 and a full-length key, the first
        // entry >= (key, recno).
        virtual bool seek(std::string_view key, std::uint32_t recno = 0) = 0;
        virtual bool next() = 0;
        virtual bool prev() = 0;
        virtual bool valid() const = 0;
        virtual std::string_view key() const = 0;
        virtual std::uint32_t recno() const = 0;
    };
    virtual std::unique_ptr<Cursor> cursor() = 0;
};

// Keys and record numbers for building a tag in one go. keys holds
// recnos.size() * info.keyLength bytes; the builder sorts them.
struct TagBuild {
    IndexTagInfo info;
    std::string keys;
    std::vector<std::uint32_t> recnos;
};

// What a bulk build of tags from keys gathered record by record may use.
struct BuildOptions {
    // Memory for the keys, their sorting and merging. Keys beyond it are
    // sorted in runs that go to an unnamed scratch file beside the index file
    // (gone when the build ends, however it ends) and merged from there.
    std::size_t memory = std::size_t(160) << 20;
    // 2: gathering, sorting and writing share the work between two threads.
    int threads = 2;
};

namespace tagsort {
class TagKeySorter;
}

// Whether a tag's keys are character keys (true: trailing blanks are
// compressed) or binary ones (false: numbers, dates and logicals, whose
// trailing zero bytes are compressed), judged from its key expression; empty
// when it cannot tell. Files of other programs do not record the key type,
// and reading binary keys as character keys breaks their order.
using KeyTypeFn = std::function<std::optional<bool>(const std::string& expression)>;

class IndexFile {
public:
    enum class Kind { Compound, Single };
    virtual ~IndexFile() = default;  // flushes when writable; never throws

    // Creates (or truncates) the file. A Single file gets its one tag from buildTag.
    static std::unique_ptr<IndexFile> create(const std::string& path, Kind kind);
    // Throws FormatError naming the file and the damage, including a file left
    // dirty by a writer that did not close it (a crash mid-update).
    // Tags whose file does not record the key type take it from `keyType`
    // (character keys when it is empty or cannot tell). The file gets the
    // whole-file lock of its mode (flock); writable means Exclusive.
    static std::unique_ptr<IndexFile> open(const std::string& path, bool writable, const KeyTypeFn& keyType = {});
    static std::unique_ptr<IndexFile> open(const std::string& path, OpenMode mode, const KeyTypeFn& keyType = {});

    virtual const std::string& path() const = 0;
    virtual Kind kind() const = 0;
    virtual std::vector<IndexTagInfo> tags() const = 0;  // creation order
    virtual int tagCount() const = 0;
    virtual IndexTag* tag(int index) = 0;                // 0-based, creation order
    virtual IndexTag* findTag(std::string_view name) = 0;  // ignoring case; nullptr when missing

    // Creates or replaces tags (replacing keeps the tag's place in the order).
    virtual IndexTag* buildTag(TagBuild build, const ProgressFn& progress = {}) = 0;
    virtual void buildTags(std::vector<TagBuild> builds, const ProgressFn& progress = {}) = 0;
    // The same for keys too many for memory: gatherKeys checks the tags and
    // returns the sorter that takes their keys in record order (at most
    // `expectedRecords` records); buildTags then writes the tags in the given
    // order. A cancel or failure keeps the tags written before it and leaves
    // nothing of the one being written.
    virtual std::unique_ptr<tagsort::TagKeySorter> gatherKeys(std::vector<IndexTagInfo> tags,
                                                              const BuildOptions& options,
                                                              std::uint64_t expectedRecords) = 0;
    virtual void buildTags(tagsort::TagKeySorter& keys, const ProgressFn& progress = {}) = 0;
    virtual void dropTag(std::string_view name) = 0;

    // Writes changed pages and clears the dirty mark.
    virtual void flush() = 0;
    // flush(), then waits until the file is on disk (before it is renamed into place).
    virtual void sync() = 0;
    // The file was renamed while open.
    virtual void renamed(const std::string& path) = 0;

    // Files opened Shared are read and changed only between beginAccess and
    // endAccess, under the index lock (a read lock for reading, a write lock
    // for changes). beginAccess reloads everything cached when the change
    // counter (offset 8) shows that another writer changed the file;
    // endAccess writes what changed, moves the counter on and lets the lock
    // go. Both do nothing for other modes. Throws InUseError when the lock
    // cannot be had within `wait`.
    virtual void beginAccess(bool write, std::chrono::milliseconds wait) = 0;
    // `commit` false (a change failed half-way): nothing more is written, the
    // lock goes, and the next access reads everything anew.
    virtual void endAccess(bool commit = true) = 0;
    // The change counter as last read or written.
    virtual std::uint32_t changeCounter() const = 0;
    // Structural check of every tag: pages in range, entries in order, sibling
    // links, counts. Appends one line per problem.
    virtual void verify(std::vector<std::string>& problems) = 0;
    // Every entry of a tag in order (for checks against recomputed keys).
    virtual void forEach(int tagIndex, const std::function<void(std::string_view key, std::uint32_t recno)>& fn) = 0;
};

}  // namespace brindle::store

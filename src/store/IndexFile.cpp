#include "store/IndexFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "store/CdxPage.h"
#include "store/FileLock.h"

namespace brindle::store {
namespace {

using namespace cdx;

constexpr int kMaxDepth = 32;
constexpr std::size_t kCacheLimit = std::size_t(128) << 20;  // bytes of decoded nodes kept in memory
constexpr std::size_t kMaxProblemsPerTag = 50;
constexpr char kOwnMagic[4] = {'B', 'R', 'D', 'X'};
constexpr char kDirtyMagic[4] = {'D', 'I', 'R', 'T'};
constexpr int kDirectoryKeyLength = 10;

using NodePtr = std::shared_ptr<Node>;

std::size_t memoryOf(const Node& n) {
    return n.keys.capacity() + 4 * (n.recnos.capacity() + n.children.capacity()) + 160;
}

int compareEntry(const char* a, std::uint32_t ra, const char* b, std::uint32_t rb, int kl) {
    const int c = std::memcmp(a, b, std::size_t(kl));
    if (c) return c;
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// First entry of n that is >= (key, recno).
std::size_t lowerBound(const Node& n, const char* key, std::uint32_t recno) {
    std::size_t lo = 0, hi = n.count();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (compareEntry(n.key(mid), n.recnos[mid], key, recno, n.keyLength) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::string upperAscii(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return r;
}

std::string trimName(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
    return std::string(s);
}

// ---------------------------------------------------------------------------
// Bulk build: sort the keys and lay the pages out packed full, with page
// pointers relative to the start of the image (patched when it is placed).

struct BuiltImage {
    std::vector<std::uint8_t> pages;
    std::uint32_t rootRel = 0;
    std::uint64_t count = 0;
    std::exception_ptr error;
    bool ready = false;
};

// Sort entries carry the first 16 key bytes and the record number, so that
// most comparisons never touch the key array; `index` has its top bit set
// when the key holds more than fill bytes past its first 16.
struct SortItem {
    std::uint64_t p1;
    std::uint64_t p2;
    std::uint32_t index;
    std::uint32_t recno;
};
constexpr std::uint32_t kLongTail = 0x80000000u;

// Sorts by the top 16 bits first (one counting pass), then each bucket on
// its own; the buckets split between two threads without a merge. Buckets
// already in order (long runs of one key arriving in record order) are only
// checked.
void sortEntries(std::vector<SortItem>& items, std::vector<SortItem>& scratch, const char* keys, int kl,
                 int threads) {
    auto less = [keys, kl](const SortItem& a, const SortItem& b) {
        if (a.p1 != b.p1) return a.p1 < b.p1;
        if (a.p2 != b.p2) return a.p2 < b.p2;
        if (kl > 16 && ((a.index | b.index) & kLongTail)) {
            const int c = std::memcmp(keys + std::size_t(a.index & ~kLongTail) * kl + 16,
                                      keys + std::size_t(b.index & ~kLongTail) * kl + 16, std::size_t(kl - 16));
            if (c) return c < 0;
        }
        return a.recno < b.recno;
    };
    const std::size_t n = items.size();
    if (n < 4096) {
        std::sort(items.begin(), items.end(), less);
        return;
    }
    std::vector<std::size_t> start(65537, 0);
    for (const auto& it : items) ++start[(it.p1 >> 48) + 1];
    for (std::size_t b = 1; b <= 65536; ++b) start[b] += start[b - 1];
    scratch.resize(n);
    {
        std::vector<std::size_t> pos(start.begin(), start.end() - 1);
        for (const auto& it : items) scratch[pos[it.p1 >> 48]++] = it;
    }
    items.swap(scratch);
    auto sortBuckets = [&](std::size_t from, std::size_t to) {
        for (std::size_t b = from; b < to; ++b) {
            const auto first = items.begin() + std::ptrdiff_t(start[b]), last = items.begin() + std::ptrdiff_t(start[b + 1]);
            if (last - first > 1 && !std::is_sorted(first, last, less)) std::sort(first, last, less);
        }
    };
    if (threads < 2) {
        sortBuckets(0, 65536);
        return;
    }
    std::size_t split = 0;
    while (split < 65536 && start[split + 1] < n / 2) ++split;
    std::thread other([&] { sortBuckets(0, split); });
    sortBuckets(split, 65536);
    other.join();
}

// Reused between tags so that each build does not fault in fresh memory.
struct BuildScratch {
    std::vector<SortItem> items;
    std::vector<SortItem> spare;
};

BuiltImage buildImage(const TagBuild& b, char fill, int sortThreads, const std::atomic<bool>& cancel,
                      BuildScratch& scratch) {
    BuiltImage img;
    const int kl = b.info.keyLength;
    const std::size_t n = b.recnos.size();
    if (n >= kLongTail) throw StoreError("too many keys for one tag");
    const char* keys = b.keys.data();
    std::vector<SortItem>& items = scratch.items;
    items.resize(n);
    std::uint32_t maxRec = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto* k = reinterpret_cast<const std::uint8_t*>(keys + i * kl);
        std::uint64_t p1 = 0, p2 = 0;
        for (int j = 0; j < 8; ++j) p1 = (p1 << 8) | (j < kl ? k[j] : 0);
        for (int j = 8; j < 16; ++j) p2 = (p2 << 8) | (j < kl ? k[j] : 0);
        std::uint32_t index = std::uint32_t(i);
        if (kl > 16 && kl - trailOf(keys + i * kl, kl, fill) > 16) index |= kLongTail;
        items[i] = {p1, p2, index, b.recnos[i]};
        maxRec = std::max(maxRec, b.recnos[i]);
    }
    sortEntries(items, scratch.spare, keys, kl, sortThreads);
    if (cancel) return img;
    auto keyOf = [&](std::size_t i) { return keys + std::size_t(items[i].index & ~kLongTail) * kl; };
    if (b.info.unique && n > 1) {
        // A unique tag keeps the first record of each key.
        std::size_t w = 1;
        for (std::size_t i = 1; i < n; ++i)
            if (std::memcmp(keyOf(i), keyOf(w - 1), std::size_t(kl)) != 0) items[w++] = items[i];
        items.resize(w);
    }
    const std::size_t count = items.size();
    img.count = count;
    const LeafLayout layout = leafLayoutFor(maxRec, kl);
    struct Child {
        const char* key;
        std::uint32_t recno;
        std::uint32_t rel;
    };
    std::vector<Child> level;

    // Leaves, packed full in one pass over the sorted entries.
    std::vector<std::uint8_t>& pages = img.pages;
    pages.reserve(std::max<std::size_t>(kPageSize, count * std::size_t(layout.entryBytes + 4)));
    std::size_t i = 0;
    do {
        const std::size_t pageNo = pages.size() / kPageSize;
        pages.resize(pages.size() + kPageSize, 0);
        std::uint8_t* page = pages.data() + pageNo * kPageSize;
        putLe16(page, kAttrLeaf);
        putLe32(page + 4, pageNo ? std::uint32_t((pageNo - 1) * kPageSize) : kNoPage);
        putLe32(page + 8, kNoPage);
        if (pageNo) putLe32(page - kPageSize + 8, std::uint32_t(pageNo * kPageSize));
        LeafWriter w(page, kl, fill, layout);
        const std::size_t s = i;
        for (; i < count; ++i) {
            if (i + 8 < count) __builtin_prefetch(keyOf(i + 8));
            if (!w.add(keyOf(i), items[i].recno)) break;
        }
        w.finish();
        if (i > s) level.push_back({keyOf(i - 1), items[i - 1].recno, std::uint32_t(pageNo * kPageSize)});
        if ((pageNo & 1023) == 0 && cancel) return img;
    } while (i < count);
    const std::size_t leaves = pages.size() / kPageSize;
    if (leaves == 1) putLe16(pages.data(), kAttrLeaf | kAttrRoot);

    // Interior levels, each node full.
    const std::size_t cap = std::size_t(interiorCapacity(kl));
    while (level.size() > 1) {
        const std::size_t sz = (level.size() + cap - 1) / cap;
        const std::size_t first = pages.size() / kPageSize;
        pages.resize(pages.size() + sz * kPageSize, 0);
        std::vector<Child> up;
        up.reserve(sz);
        for (std::size_t k = 0; k < sz; ++k) {
            const std::size_t pageNo = first + k;
            std::uint8_t* page = pages.data() + pageNo * kPageSize;
            const std::size_t s = k * cap, e = std::min(level.size(), s + cap);
            putLe16(page, sz == 1 ? kAttrRoot : 0);
            putLe16(page + 2, std::uint32_t(e - s));
            putLe32(page + 4, k ? std::uint32_t((pageNo - 1) * kPageSize) : kNoPage);
            putLe32(page + 8, k + 1 < sz ? std::uint32_t((pageNo + 1) * kPageSize) : kNoPage);
            std::uint8_t* p = page + 12;
            for (std::size_t c = s; c < e; ++c) {
                std::memcpy(p, level[c].key, std::size_t(kl));
                putBe32(p + kl, level[c].recno);
                putBe32(p + kl + 4, level[c].rel);
                p += kl + 8;
            }
            up.push_back({level[e - 1].key, level[e - 1].recno, std::uint32_t(pageNo * kPageSize)});
        }
        level.swap(up);
    }
    img.rootRel = std::uint32_t(pages.size() - kPageSize);
    return img;
}

// Moves an image's relative page pointers to its place in the file.
void relocateImage(BuiltImage& img, std::uint32_t base, int kl) {
    const std::size_t pages = img.pages.size() / kPageSize;
    for (std::size_t i = 0; i < pages; ++i) {
        std::uint8_t* page = img.pages.data() + i * kPageSize;
        for (int off : {4, 8}) {
            const std::uint32_t v = le32(page + off);
            if (v != kNoPage) putLe32(page + off, v + base);
        }
        if (!(le16(page) & kAttrLeaf)) {
            const int count = le16(page + 2);
            for (int k = 0; k < count; ++k) {
                std::uint8_t* c = page + 12 + k * (kl + 8) + kl + 4;
                putBe32(c, be32(c) + base);
            }
        }
    }
    img.rootRel += base;
}

class IndexFileImpl;

// ---------------------------------------------------------------------------

class TagImpl final : public IndexTag {
public:
    TagImpl(IndexFileImpl* file, IndexTagInfo info, std::uint32_t headerOffset, bool directory)
        : file_(file), info_(std::move(info)), headerOffset_(headerOffset), directory_(directory) {
        fill_ = info_.charKeys ? ' ' : '\0';
        header_.assign(kHeaderSize, 0);
    }

    const IndexTagInfo& info() const override { return info_; }
    void insert(std::string_view key, std::uint32_t recno) override;
    bool remove(std::string_view key, std::uint32_t recno) override;
    std::uint64_t entryCount() override;
    std::uint64_t version() const override { return version_; }
    std::unique_ptr<Cursor> cursor() override;

    IndexFileImpl* file_;
    IndexTagInfo info_;
    std::uint32_t headerOffset_;
    bool directory_;
    char fill_ = ' ';
    std::uint32_t root_ = kNoPage;
    std::vector<std::uint8_t> header_;  // as read (reserved bytes are kept)
    bool headerDirty_ = false;
    bool dropped_ = false;
    std::uint64_t version_ = 1;
    std::int64_t count_ = -1;  // unknown until counted

    struct Step {
        NodePtr node;
        std::size_t index;
    };
    using Path = std::vector<Step>;

    void checkKey(std::string_view key) const;
    NodePtr load(std::uint32_t offset);
    NodePtr descend(const char* key, std::uint32_t recno, Path& path, bool clampToLast);
    void updateLastKeys(Path& path, std::size_t depth, const Node& child);
    void insertIntoParent(Path& path, std::size_t depth, const NodePtr& left, const NodePtr& right);
    void splitLeaf(Path& path, const NodePtr& leaf);
    void splitInterior(Path& path, std::size_t depth);
    void removeNode(Path& path, std::size_t depth, const NodePtr& node);
    void maybeMergeLeaf(Path& path, const NodePtr& leaf);
    void collapseRoot();
    void unlinkSiblings(const Node& node);
    void doInsert(const char* key, std::uint32_t recno);
    bool doRemove(const char* key, std::uint32_t recno);
    void encodeHeader();
    void collectPages(std::vector<std::uint32_t>& out);
};

class CursorImpl final : public IndexTag::Cursor {
public:
    explicit CursorImpl(TagImpl* tag) : tag_(tag) {}
    bool first() override;
    bool last() override;
    bool seek(std::string_view key, std::uint32_t recno) override;
    bool next() override;
    bool prev() override;
    bool valid() const override { return valid_; }
    std::string_view key() const override { return valid_ ? std::string_view(key_) : std::string_view(); }
    std::uint32_t recno() const override { return valid_ ? recno_ : 0; }

private:
    TagImpl* tag_;
    NodePtr leaf_;
    std::size_t pos_ = 0;
    bool valid_ = false;
    std::uint64_t version_ = 0;
    std::string key_;
    std::uint32_t recno_ = 0;
    std::size_t crossings_ = 0;

    bool settle();  // takes the entry at pos_, moving right past the leaf's end
    bool settleBack();
    void capture();
    bool resync();
    void checkCrossing(const Node& from, const Node& to, bool forward);
    bool invalidate() {
        valid_ = false;
        leaf_.reset();
        return false;
    }
};

// ---------------------------------------------------------------------------

class IndexFileImpl final : public IndexFile {
public:
    IndexFileImpl(std::string path, Kind kind, OpenMode mode, int fd)
        : path_(std::move(path)), kind_(kind), writable_(mode != OpenMode::ReadOnly), mode_(mode), fd_(fd) {}
    ~IndexFileImpl() override {
        try {
            flush();
        } catch (...) {
        }
        if (fd_ >= 0) ::close(fd_);
    }

    const std::string& path() const override { return path_; }
    Kind kind() const override { return kind_; }
    std::vector<IndexTagInfo> tags() const override {
        std::vector<IndexTagInfo> r;
        for (auto& t : tags_) r.push_back(t->info_);
        return r;
    }
    int tagCount() const override { return int(tags_.size()); }
    IndexTag* tag(int index) override {
        return index >= 0 && index < int(tags_.size()) ? tags_[std::size_t(index)].get() : nullptr;
    }
    IndexTag* findTag(std::string_view name) override {
        const std::string u = upperAscii(name);
        for (auto& t : tags_)
            if (t->info_.name == u) return t.get();
        return nullptr;
    }
    IndexTag* buildTag(TagBuild build, const ProgressFn& progress) override;
    void buildTags(std::vector<TagBuild> builds, const ProgressFn& progress) override;
    void dropTag(std::string_view name) override;
    void flush() override;
    void sync() override {
        flush();
        if (writable_ && ::fsync(fd_) != 0) throw StoreError(path_ + ": cannot write: " + std::strerror(errno));
    }
    void renamed(const std::string& path) override { path_ = path; }
    void beginAccess(bool write, std::chrono::milliseconds wait) override;
    void endAccess(bool commit) override;
    std::uint32_t changeCounter() const override { return counter_; }
    void reload();
    std::uint32_t readCounter() const {
        std::uint8_t b[4];
        readAt(locks::kCounterOffset, b, 4);
        return le32(b);
    }
    void verify(std::vector<std::string>& problems) override;
    void forEach(int tagIndex, const std::function<void(std::string_view, std::uint32_t)>& fn) override;
    void walk(TagImpl& t, const std::function<void(std::string_view, std::uint32_t)>& fn);

    // Page access for the tags.
    [[noreturn]] void fail(const std::string& what) const { throw FormatError(path_ + ": " + what); }
    void checkPointer(std::uint32_t offset, const TagImpl& t) const {
        if (offset % kPageSize != 0 || offset < kHeaderSize || std::uint64_t(offset) + kPageSize > fileSize_)
            fail(tagLabel(t) + "page pointer " + std::to_string(offset) + " is out of range");
    }
    std::string tagLabel(const TagImpl& t) const {
        if (t.directory_) return "tag directory: ";
        if (kind_ == Kind::Single) return "";
        return "tag " + t.info_.name + ": ";
    }
    NodePtr loadNode(std::uint32_t offset, TagImpl& t);
    NodePtr newNode(TagImpl& t, bool leaf);
    void freePage(std::uint32_t offset);
    void beginChange();  // before any change: writable check, dirty mark, cache trim
    void trimCache();
    void readAt(std::uint64_t offset, void* buf, std::size_t n) const;
    void writeAt(std::uint64_t offset, const void* buf, std::size_t n);
    // A single-tag file's tag goes by the file's name.
    std::string fileStem() const {
        std::string stem = path_.substr(path_.find_last_of('/') + 1);
        return upperAscii(stem.substr(0, std::min<std::size_t>(10, stem.find('.'))));
    }
    std::uint32_t pageCount() const { return std::uint32_t(fileSize_ / kPageSize); }

    void openExisting();
    void createEmpty();
    TagImpl* installImage(const TagBuild& b, BuiltImage& img);
    void validateBuild(const TagBuild& b) const;
    void loadFreeList();
    void writeNode(const Node& n);
    void writeHeader(TagImpl& t);
    void readTagHeader(TagImpl& t, bool directory);
    KeyTypeFn keyType_;
    void checkTag(TagImpl& t, std::vector<std::string>& problems, std::unordered_set<std::uint32_t>& seen);

    std::string path_;
    Kind kind_;
    bool writable_;
    OpenMode mode_ = OpenMode::Exclusive;
    int fd_;
    std::uint32_t counter_ = 0;  // change counter at offset 8, as last seen
    bool accessHeld_ = false;
    bool accessWrite_ = false;
    std::uint64_t fileSize_ = 0;
    std::unordered_map<std::uint32_t, NodePtr> cache_;
    std::size_t cacheBytes_ = 0;  // estimate; recounted by each sweep
    std::uint32_t freeHead_ = kNoPage;
    bool freeLoaded_ = false;
    bool freeDirty_ = false;
    std::vector<std::uint32_t> freePages_;
    bool dirtyMarked_ = false;
    std::unique_ptr<TagImpl> directory_;
    std::vector<std::unique_ptr<TagImpl>> tags_;
    std::vector<std::unique_ptr<TagImpl>> dropped_;  // kept so stale pointers fail safely
};

// ---------------------------------------------------------------------------
// IndexFileImpl: pages, cache, headers

void IndexFileImpl::readAt(std::uint64_t offset, void* buf, std::size_t n) const {
    auto* p = static_cast<char*>(buf);
    while (n > 0) {
        const ssize_t r = ::pread(fd_, p, n, off_t(offset));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw StoreError(path_ + ": read failed: " + std::strerror(errno));
        }
        if (r == 0) fail("file is truncated");
        p += r;
        n -= std::size_t(r);
        offset += std::uint64_t(r);
    }
}

void IndexFileImpl::writeAt(std::uint64_t offset, const void* buf, std::size_t n) {
    const auto* p = static_cast<const char*>(buf);
    while (n > 0) {
        const ssize_t r = ::pwrite(fd_, p, n, off_t(offset));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw StoreError(path_ + ": write failed: " + std::strerror(errno));
        }
        p += r;
        n -= std::size_t(r);
        offset += std::uint64_t(r);
    }
}

NodePtr IndexFileImpl::loadNode(std::uint32_t offset, TagImpl& t) {
    checkPointer(offset, t);
    auto it = cache_.find(offset);
    if (it != cache_.end()) {
        Node& n = *it->second;
        if (n.keyLength != t.info_.keyLength || n.fill != t.fill_)
            fail(tagLabel(t) + "page " + std::to_string(offset) + " is shared with another tag");
        n.referenced = true;
        return it->second;
    }
    std::uint8_t page[kPageSize];
    readAt(offset, page, kPageSize);
    auto n = std::make_shared<Node>();
    n->offset = offset;
    n->keyLength = t.info_.keyLength;
    n->fill = t.fill_;
    const std::string problem = decodeNode(page, *n);
    if (!problem.empty()) fail(tagLabel(t) + "page " + std::to_string(offset) + ": " + problem);
    cache_.emplace(offset, n);
    cacheBytes_ += memoryOf(*n);
    return n;
}

void IndexFileImpl::loadFreeList() {
    if (freeLoaded_) return;
    std::unordered_set<std::uint32_t> seen;
    // The list ends at -1, or at 0 as some writers have it: page 0 is the
    // file header and can never be free.
    for (std::uint32_t p = freeHead_; p != kNoPage && p != 0;) {
        if (p % kPageSize || p < kHeaderSize || std::uint64_t(p) + kPageSize > fileSize_)
            fail("free page list points out of range");
        if (!seen.insert(p).second) fail("free page list loops");
        freePages_.push_back(p);
        std::uint8_t b[4];
        readAt(p, b, 4);
        p = le32(b);
    }
    freeLoaded_ = true;
}

NodePtr IndexFileImpl::newNode(TagImpl& t, bool leaf) {
    loadFreeList();
    std::uint32_t offset;
    if (!freePages_.empty()) {
        offset = freePages_.back();
        freePages_.pop_back();
        freeDirty_ = true;
    } else {
        if (fileSize_ + kPageSize > 0xFFFFFE00u) throw StoreError(path_ + ": index file is full");
        offset = std::uint32_t(fileSize_);
        fileSize_ += kPageSize;
    }
    auto n = std::make_shared<Node>();
    n->offset = offset;
    n->keyLength = t.info_.keyLength;
    n->fill = t.fill_;
    n->leaf = leaf;
    n->dirty = true;
    cache_[offset] = n;
    cacheBytes_ += memoryOf(*n) + std::size_t(n->keyLength) * 32;
    return n;
}

void IndexFileImpl::freePage(std::uint32_t offset) {
    loadFreeList();
    if (auto it = cache_.find(offset); it != cache_.end()) {
        cacheBytes_ -= std::min(cacheBytes_, memoryOf(*it->second));
        cache_.erase(it);
    }
    freePages_.push_back(offset);
    freeDirty_ = true;
}

void IndexFileImpl::beginChange() {
    if (!writable_) throw StoreError(path_ + ": index file is open read-only");
    if (!dirtyMarked_) {
        if (fileSize_ < kHeaderSize) fail("file is truncated");
        writeAt(hDirtyMark, kDirtyMagic, 4);
        dirtyMarked_ = true;
    }
    trimCache();
}

void IndexFileImpl::trimCache() {
    if (cacheBytes_ <= kCacheLimit) return;
    std::size_t total = 0;
    for (auto& [off, n] : cache_) total += memoryOf(*n);
    cacheBytes_ = total;
    if (total <= kCacheLimit * 7 / 8) return;
    // Clock sweep down to three quarters of the limit: nodes untouched since
    // the last sweep go first; dirty ones are written before they go (the
    // file is already marked as being changed).
    const std::size_t target = kCacheLimit * 3 / 4;
    for (int pass = 0; pass < 2 && cacheBytes_ > target; ++pass) {
        for (auto it = cache_.begin(); it != cache_.end() && cacheBytes_ > target;) {
            Node& n = *it->second;
            if (!n.referenced || pass == 1) {
                if (n.dirty) {
                    writeNode(n);
                    n.dirty = false;
                }
                cacheBytes_ -= std::min(cacheBytes_, memoryOf(n));
                it = cache_.erase(it);
            } else {
                n.referenced = false;
                ++it;
            }
        }
    }
}

void IndexFileImpl::writeNode(const Node& n) {
    std::uint8_t page[kPageSize];
    try {
        encodeNode(n, page);
    } catch (const std::length_error&) {
        throw StoreError(path_ + ": page " + std::to_string(n.offset) + " does not fit after a change");
    }
    writeAt(n.offset, page, kPageSize);
}

void TagImpl::encodeHeader() {
    std::uint8_t* h = header_.data();
    putLe32(h + hRoot, root_);
    if (headerOffset_ == 0)
        putLe32(h + hFree, file_->freeLoaded_ ? (file_->freePages_.empty() ? kNoPage : file_->freePages_.front())
                                              : file_->freeHead_);
    else
        putLe32(h + hFree, kNoPage);
    putLe16(h + hKeyLength, std::uint32_t(info_.keyLength));
    std::uint8_t opt = kOptCompact;
    if (directory_) opt |= kOptCompound | kOptDirectory;
    else if (file_->kind_ == IndexFile::Kind::Compound) opt |= kOptCompound;
    if (info_.unique) opt |= kOptUnique;
    if (!info_.forExpression.empty()) opt |= kOptFor;
    h[hOptions] = opt;
    h[hSignature] = 1;
    std::memcpy(h + hOwnMagic, kOwnMagic, 4);
    h[hOwnFlags] = info_.charKeys ? 0 : 1;
    putLe16(h + hDescending, info_.descending ? 1 : 0);
    std::memset(h + hPool, 0, kHeaderSize - hPool);
    const std::size_t keyLen = info_.expression.size() + 1, forLen = info_.forExpression.size() + 1;
    std::memcpy(h + hPool, info_.expression.data(), info_.expression.size());
    std::memcpy(h + hPool + keyLen, info_.forExpression.data(), info_.forExpression.size());
    putLe16(h + hForPos, std::uint32_t(keyLen));
    putLe16(h + hForLength, std::uint32_t(forLen));
    putLe16(h + hKeyPos, 0);
    putLe16(h + hKeyExprLength, std::uint32_t(keyLen));
}

void IndexFileImpl::writeHeader(TagImpl& t) {
    t.encodeHeader();
    if (t.headerOffset_ == 0) putLe32(t.header_.data() + locks::kCounterOffset, counter_);
    if (t.headerOffset_ == 0)
        std::memcpy(t.header_.data() + hDirtyMark, dirtyMarked_ ? kDirtyMagic : "\0\0\0\0", 4);
    writeAt(t.headerOffset_, t.header_.data(), kHeaderSize);
    t.headerDirty_ = false;
}

void IndexFileImpl::flush() {
    if (!writable_ || !dirtyMarked_) return;
    std::vector<std::uint32_t> order;
    for (auto& [off, n] : cache_)
        if (n->dirty) order.push_back(off);
    std::sort(order.begin(), order.end());
    for (auto off : order) {
        Node& n = *cache_[off];
        writeNode(n);
        n.dirty = false;
    }
    if (freeDirty_) {
        std::uint8_t page[kPageSize];
        for (std::size_t i = 0; i < freePages_.size(); ++i) {
            std::memset(page, 0, kPageSize);
            putLe32(page, i + 1 < freePages_.size() ? freePages_[i + 1] : kNoPage);
            writeAt(freePages_[i], page, kPageSize);
        }
        freeHead_ = freePages_.empty() ? kNoPage : freePages_.front();
        freeDirty_ = false;
    }
    for (auto& t : tags_)
        if (t->headerDirty_ && t->headerOffset_ != 0) writeHeader(*t);
    TagImpl* first = directory_ ? directory_.get() : (tags_.empty() ? nullptr : tags_.front().get());
    if (first) writeHeader(*first);  // carries the free list head
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && std::uint64_t(st.st_size) < fileSize_) {
        if (::ftruncate(fd_, off_t(fileSize_)) != 0) throw StoreError(path_ + ": cannot extend the file");
    }
    // Every flush of changes moves the change counter on, so that other
    // opens know their cached pages are stale.
    if (fileSize_ >= kHeaderSize) {
        ++counter_;
        std::uint8_t b[4];
        putLe32(b, counter_);
        writeAt(locks::kCounterOffset, b, 4);
        writeAt(hDirtyMark, "\0\0\0\0", 4);
    }
    dirtyMarked_ = false;
}

void IndexFileImpl::beginAccess(bool write, std::chrono::milliseconds wait) {
    if (mode_ != OpenMode::Shared || accessHeld_) return;
    if (!locks::lockWaiting(fd_, write ? locks::Kind::Write : locks::Kind::Read, locks::kIndexByte, 1, wait))
        throw InUseError(path_ + ": the index is locked by another user");
    accessHeld_ = true;
    accessWrite_ = write;
    try {
        const std::uint32_t now = readCounter();
        if (now != counter_) {
            reload();
            counter_ = now;
        }
    } catch (...) {
        locks::unlock(fd_, locks::kIndexByte);
        accessHeld_ = false;
        throw;
    }
}

void IndexFileImpl::endAccess(bool commit) {
    if (!accessHeld_) return;
    if (!commit) {
        // Half-done changes stay unwritten; pages already written carry the
        // file's dirty mark, which the next reader reports.
        cache_.clear();
        cacheBytes_ = 0;
        counter_ = ~readCounter();
        locks::unlock(fd_, locks::kIndexByte);
        accessHeld_ = false;
        return;
    }
    try {
        if (accessWrite_) flush();
    } catch (...) {
        locks::unlock(fd_, locks::kIndexByte);
        accessHeld_ = false;
        throw;
    }
    locks::unlock(fd_, locks::kIndexByte);
    accessHeld_ = false;
}

// Another writer changed the file: nothing cached can be trusted. Pages,
// free list and tag headers are read again; cursors notice the new version
// and find their place again.
void IndexFileImpl::reload() {
    cache_.clear();
    cacheBytes_ = 0;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw StoreError(path_ + ": cannot read file size");
    fileSize_ = std::uint64_t(st.st_size);
    if (fileSize_ < kHeaderSize + kPageSize) fail("file is too short to be an index");
    std::uint8_t head[kPageSize];
    readAt(0, head, kPageSize);
    if (std::memcmp(head + hDirtyMark, kDirtyMagic, 4) == 0)
        fail("another writer left it unfinished; rebuild the index (brindle-db reindex, or Reindex in the program)");
    freeHead_ = le32(head + hFree);
    freeLoaded_ = false;
    freeDirty_ = false;
    freePages_.clear();
    if (directory_) {
        readTagHeader(*directory_, true);
        ++directory_->version_;
        std::vector<std::pair<std::uint32_t, std::string>> entries;
        walk(*directory_, [&](std::string_view key, std::uint32_t recno) { entries.emplace_back(recno, trimName(key)); });
        std::sort(entries.begin(), entries.end());
        bool same = entries.size() == tags_.size();
        for (std::size_t i = 0; same && i < entries.size(); ++i)
            same = entries[i].first == tags_[i]->headerOffset_ && upperAscii(entries[i].second) == tags_[i]->info_.name;
        if (!same) throw StoreError(path_ + ": another program added or removed index tags; open the table again");
    }
    for (auto& t : tags_) {
        readTagHeader(*t, false);
        t->count_ = -1;
        ++t->version_;
    }
}

// ---------------------------------------------------------------------------
// Opening and creating

void IndexFileImpl::readTagHeader(TagImpl& t, bool directory) {
    if (t.headerOffset_ % kPageSize || std::uint64_t(t.headerOffset_) + kHeaderSize > fileSize_)
        fail(tagLabel(t) + "header lies outside the file");
    readAt(t.headerOffset_, t.header_.data(), kHeaderSize);
    const std::uint8_t* h = t.header_.data();
    const int kl = le16(h + hKeyLength);
    const std::uint8_t opt = h[hOptions];
    if (!(opt & kOptCompact)) fail(tagLabel(t) + "not a compact index");
    if (kl < 1 || kl > kMaxKeyLength) fail(tagLabel(t) + "implausible key length " + std::to_string(kl));
    if (directory && kl != kDirectoryKeyLength) fail("tag directory has a bad key length");
    t.info_.keyLength = kl;
    t.info_.unique = (opt & kOptUnique) != 0;
    t.info_.descending = le16(h + hDescending) != 0;
    auto poolString = [&](std::size_t pos, std::size_t len) {
        std::string s;
        if (pos >= kHeaderSize - hPool) return s;
        const std::size_t end = std::min<std::size_t>(kHeaderSize - hPool, pos + len);
        for (std::size_t i = pos; i < end && h[hPool + i]; ++i) s.push_back(char(h[hPool + i]));
        return s;
    };
    if (!directory) {
        const std::size_t keyPos = le16(h + hKeyPos), keyLen = le16(h + hKeyExprLength);
        t.info_.expression = poolString(keyPos, keyLen ? keyLen : kHeaderSize);
        if (opt & kOptFor) {
            std::size_t forPos = le16(h + hForPos);
            if (forPos == 0) forPos = keyPos + t.info_.expression.size() + 1;
            t.info_.forExpression = poolString(forPos, le16(h + hForLength) ? le16(h + hForLength) : kHeaderSize);
        }
    }
    // Our files record the key type; for others it follows from the key
    // expression (numeric, date and logical keys drop trailing zero bytes).
    const bool own = std::memcmp(h + hOwnMagic, kOwnMagic, 4) == 0;
    if (directory) {
        t.info_.charKeys = true;
    } else if (own) {
        t.info_.charKeys = (h[hOwnFlags] & 1) == 0;
    } else {
        std::optional<bool> judged;
        if (keyType_) judged = keyType_(t.info_.expression);
        t.info_.charKeys = judged.value_or(true);
    }
    t.fill_ = t.info_.charKeys ? ' ' : '\0';
    t.root_ = le32(h + hRoot);
    checkPointer(t.root_, t);
}

void IndexFileImpl::openExisting() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw StoreError(path_ + ": cannot read file size");
    fileSize_ = std::uint64_t(st.st_size);
    if (fileSize_ < kHeaderSize + kPageSize) fail("file is too short to be an index");
    if (fileSize_ % kPageSize) fail("file size is not a whole number of pages (truncated?)");
    if (fileSize_ > 0xFFFFFE00u) fail("file is too large");
    std::uint8_t head[kPageSize];
    readAt(0, head, kPageSize);
    if (!(head[hOptions] & kOptCompact)) fail("not a compact index file");
    if (std::memcmp(head + hDirtyMark, kDirtyMagic, 4) == 0)
        fail("was not closed properly; rebuild the index (brindle-db reindex, or Reindex in the program)");
    kind_ = (head[hOptions] & kOptCompound) ? Kind::Compound : Kind::Single;
    freeHead_ = le32(head + hFree);
    counter_ = le32(head + locks::kCounterOffset);
    if (kind_ == Kind::Single) {
        IndexTagInfo info;
        info.name = fileStem();
        auto t = std::make_unique<TagImpl>(this, info, 0, false);
        readTagHeader(*t, false);
        loadNode(t->root_, *t);
        tags_.push_back(std::move(t));
        return;
    }
    IndexTagInfo dirInfo;
    dirInfo.keyLength = kDirectoryKeyLength;
    directory_ = std::make_unique<TagImpl>(this, dirInfo, 0, true);
    readTagHeader(*directory_, true);
    std::vector<std::pair<std::uint32_t, std::string>> entries;
    walk(*directory_, [&](std::string_view key, std::uint32_t recno) { entries.emplace_back(recno, trimName(key)); });
    std::sort(entries.begin(), entries.end());  // header offsets follow creation order
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [off, name] = entries[i];
        if (off < kHeaderSize || (i && entries[i - 1].first + kHeaderSize > off))
            fail("tag directory: tag " + name + " has a bad header offset");
        IndexTagInfo info;
        info.name = upperAscii(name);
        auto t = std::make_unique<TagImpl>(this, info, off, false);
        readTagHeader(*t, false);
        loadNode(t->root_, *t);
        tags_.push_back(std::move(t));
    }
}

void IndexFileImpl::createEmpty() {
    if (kind_ == Kind::Single) {
        fileSize_ = kHeaderSize;  // the one tag's header arrives with buildTag
        return;
    }
    IndexTagInfo dirInfo;
    dirInfo.keyLength = kDirectoryKeyLength;
    directory_ = std::make_unique<TagImpl>(this, dirInfo, 0, true);
    fileSize_ = kHeaderSize;
    auto root = newNode(*directory_, true);
    root->root = true;
    directory_->root_ = root->offset;
    directory_->count_ = 0;
    dirtyMarked_ = true;
    writeHeader(*directory_);
    flush();
}

// ---------------------------------------------------------------------------
// Building and dropping tags

void IndexFileImpl::validateBuild(const TagBuild& b) const {
    const auto& i = b.info;
    if (i.keyLength < 1 || i.keyLength > kMaxKeyLength)
        throw StoreError(path_ + ": key length " + std::to_string(i.keyLength) + " is out of range");
    if (b.keys.size() != b.recnos.size() * std::size_t(i.keyLength))
        throw StoreError(path_ + ": keys do not match the record count");
    if (i.expression.size() + i.forExpression.size() + 2 > kHeaderSize - hPool)
        throw StoreError(path_ + ": key expression too long");
    if (kind_ == Kind::Compound) {
        if (i.name.empty() || i.name.size() > 10) throw StoreError(path_ + ": bad tag name \"" + i.name + "\"");
        for (char c : i.name)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
                throw StoreError(path_ + ": bad tag name \"" + i.name + "\"");
    }
}

void TagImpl::collectPages(std::vector<std::uint32_t>& out) {
    // Every page of the tree; a damaged tree gives up what it cannot reach.
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::pair<std::uint32_t, int>> stack{{root_, 0}};
    try {
        while (!stack.empty()) {
            auto [off, depth] = stack.back();
            stack.pop_back();
            if (depth > kMaxDepth || !seen.insert(off).second) continue;
            auto n = file_->loadNode(off, *this);
            out.push_back(off);
            if (!n->leaf)
                for (auto c : n->children) stack.push_back({c, depth + 1});
        }
    } catch (const FormatError&) {
    }
}

TagImpl* IndexFileImpl::installImage(const TagBuild& b, BuiltImage& img) {
    IndexTagInfo info = b.info;
    info.name = kind_ == Kind::Compound ? upperAscii(info.name) : fileStem();
    TagImpl* existing = kind_ == Kind::Compound ? static_cast<TagImpl*>(findTag(info.name))
                                                : (tags_.empty() ? nullptr : tags_[0].get());
    std::vector<std::uint32_t> oldPages;
    if (existing) existing->collectPages(oldPages);
    std::uint32_t headerOffset;
    if (existing) {
        headerOffset = existing->headerOffset_;
    } else if (kind_ == Kind::Single) {
        headerOffset = 0;
        fileSize_ = std::max<std::uint64_t>(fileSize_, kHeaderSize);
    } else {
        headerOffset = std::uint32_t(fileSize_);
        fileSize_ += kHeaderSize;
    }
    if (fileSize_ + img.pages.size() > 0xFFFFFE00u) throw StoreError(path_ + ": index file would grow too large");
    const std::uint32_t base = std::uint32_t(fileSize_);
    relocateImage(img, base, info.keyLength);
    writeAt(base, img.pages.data(), img.pages.size());
    fileSize_ += img.pages.size();
    TagImpl* t = existing;
    if (!t) {
        auto fresh = std::make_unique<TagImpl>(this, info, headerOffset, false);
        t = fresh.get();
        tags_.push_back(std::move(fresh));
    } else {
        t->info_ = info;
        t->fill_ = info.charKeys ? ' ' : '\0';
    }
    t->root_ = img.rootRel;
    t->count_ = std::int64_t(img.count);
    ++t->version_;
    t->headerDirty_ = true;
    for (auto p : oldPages) freePage(p);
    writeHeader(*t);
    if (!existing && directory_) {
        std::string key = info.name;
        key.resize(kDirectoryKeyLength, ' ');
        directory_->doInsert(key.data(), headerOffset);
    }
    img.pages.clear();
    img.pages.shrink_to_fit();
    return t;
}

IndexTag* IndexFileImpl::buildTag(TagBuild build, const ProgressFn& progress) {
    validateBuild(build);
    beginChange();
    if (progress && !progress(0)) throw CancelledError(path_ + ": tag build cancelled");
    std::atomic<bool> cancel{false};
    BuildScratch scratch;
    BuiltImage img = buildImage(build, build.info.charKeys ? ' ' : '\0', 2, cancel, scratch);
    build.keys.clear();
    build.keys.shrink_to_fit();
    TagImpl* t = installImage(build, img);
    flush();
    if (progress) progress(100);
    return t;
}

void IndexFileImpl::buildTags(std::vector<TagBuild> builds, const ProgressFn& progress) {
    if (builds.empty()) return;
    if (kind_ == Kind::Single && builds.size() > 1) throw StoreError(path_ + ": a single-tag index holds one tag");
    for (auto& b : builds) validateBuild(b);
    beginChange();
    if (progress && !progress(0)) throw CancelledError(path_ + ": tag build cancelled");
    const std::size_t n = builds.size();
    std::vector<BuiltImage> results(n);
    std::mutex mu;
    std::condition_variable cv;
    std::atomic<std::size_t> nextJob{0};
    std::atomic<bool> cancel{false};
    const int workers = int(std::min<std::size_t>(2, n));
    auto work = [&] {
        BuildScratch scratch;
        for (;;) {
            const std::size_t i = nextJob++;
            if (i >= n || cancel) return;
            BuiltImage img;
            try {
                img = buildImage(builds[i], builds[i].info.charKeys ? ' ' : '\0', workers == 1 ? 2 : 1, cancel, scratch);
            } catch (...) {
                img.error = std::current_exception();
            }
            builds[i].keys.clear();
            builds[i].keys.shrink_to_fit();
            std::lock_guard lock(mu);
            results[i] = std::move(img);
            results[i].ready = true;
            cv.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w) threads.emplace_back(work);
    std::exception_ptr error;
    bool cancelled = false;
    for (std::size_t i = 0; i < n && !error && !cancelled; ++i) {
        BuiltImage img;
        {
            std::unique_lock lock(mu);
            cv.wait(lock, [&] { return results[i].ready; });
            img = std::move(results[i]);
        }
        try {
            if (img.error) std::rethrow_exception(img.error);
            installImage(builds[i], img);
            if (progress && !progress(int((i + 1) * 100 / n))) cancelled = true;
        } catch (...) {
            error = std::current_exception();
        }
    }
    cancel = true;
    for (auto& th : threads) th.join();
    if (!error) flush();
    if (error) std::rethrow_exception(error);
    if (cancelled) throw CancelledError(path_ + ": tag build cancelled");
}

void IndexFileImpl::dropTag(std::string_view name) {
    if (kind_ != Kind::Compound) throw StoreError(path_ + ": a single-tag index has no tags to drop");
    const std::string u = upperAscii(name);
    auto it = std::find_if(tags_.begin(), tags_.end(), [&](auto& t) { return t->info_.name == u; });
    if (it == tags_.end()) throw StoreError(path_ + ": no tag " + u);
    beginChange();
    TagImpl& t = **it;
    std::vector<std::uint32_t> pages;
    t.collectPages(pages);
    std::string key = u;
    key.resize(kDirectoryKeyLength, ' ');
    directory_->doRemove(key.data(), t.headerOffset_);
    for (auto p : pages) freePage(p);
    freePage(t.headerOffset_);
    freePage(t.headerOffset_ + kPageSize);
    t.dropped_ = true;
    ++t.version_;
    dropped_.push_back(std::move(*it));
    tags_.erase(it);
}

// ---------------------------------------------------------------------------
// Tag operations

void TagImpl::checkKey(std::string_view key) const {
    if (dropped_) throw StoreError(file_->path_ + ": tag " + info_.name + " was dropped");
    if (key.size() != std::size_t(info_.keyLength))
        throw StoreError(file_->path_ + ": key of " + std::to_string(key.size()) + " bytes for a tag with " +
                         std::to_string(info_.keyLength) + "-byte keys");
}

NodePtr TagImpl::load(std::uint32_t offset) { return file_->loadNode(offset, *this); }

NodePtr TagImpl::descend(const char* key, std::uint32_t recno, Path& path, bool clampToLast) {
    NodePtr n = load(root_);
    while (!n->leaf) {
        if (path.size() >= std::size_t(kMaxDepth)) file_->fail(file_->tagLabel(*this) + "tree is too deep (loop?)");
        std::size_t i = lowerBound(*n, key, recno);
        if (i == n->count()) {
            if (!clampToLast) return nullptr;
            i = n->count() - 1;
        }
        path.push_back({n, i});
        n = load(n->children[i]);
    }
    return n;
}

void TagImpl::updateLastKeys(Path& path, std::size_t depth, const Node& child) {
    const Node* c = &child;
    for (std::size_t d = depth; d-- > 0;) {
        Node& p = *path[d].node;
        const std::size_t i = path[d].index;
        if (c->count() == 0) return;
        const std::size_t last = c->count() - 1;
        if (std::memcmp(p.key(i), c->key(last), std::size_t(info_.keyLength)) == 0 && p.recnos[i] == c->recnos[last])
            return;
        std::memcpy(p.key(i), c->key(last), std::size_t(info_.keyLength));
        p.recnos[i] = c->recnos[last];
        p.dirty = true;
        if (i + 1 != p.count()) return;
        c = &p;
    }
}

void TagImpl::insertIntoParent(Path& path, std::size_t depth, const NodePtr& left, const NodePtr& right) {
    const int kl = info_.keyLength;
    if (depth == 0) {
        auto r = file_->newNode(*this, false);
        r->root = true;
        left->root = false;
        left->dirty = true;
        for (const NodePtr& c : {left, right}) {
            r->keys.append(c->key(c->count() - 1), std::size_t(kl));
            r->recnos.push_back(c->recnos.back());
            r->children.push_back(c->offset);
        }
        root_ = r->offset;
        headerDirty_ = true;
        return;
    }
    Node& p = *path[depth - 1].node;
    const std::size_t i = path[depth - 1].index;
    std::memcpy(p.key(i), left->key(left->count() - 1), std::size_t(kl));
    p.recnos[i] = left->recnos.back();
    p.keys.insert(std::size_t(i + 1) * kl, right->key(right->count() - 1), std::size_t(kl));
    p.recnos.insert(p.recnos.begin() + std::ptrdiff_t(i + 1), right->recnos.back());
    p.children.insert(p.children.begin() + std::ptrdiff_t(i + 1), right->offset);
    p.dirty = true;
    if (int(p.count()) > interiorCapacity(kl)) splitInterior(path, depth - 1);
}

static void linkAfter(IndexFileImpl* file, TagImpl& t, Node& left, Node& right) {
    right.left = left.offset;
    right.right = left.right;
    if (left.right != kNoPage) {
        auto r = file->loadNode(left.right, t);
        r->left = right.offset;
        r->dirty = true;
    }
    left.right = right.offset;
}

void TagImpl::splitLeaf(Path& path, const NodePtr& leaf) {
    const int kl = info_.keyLength;
    Node& l = *leaf;
    const std::size_t n = l.count();
    const int eb = leafLayoutFor(l.maxRecno, kl).entryBytes;
    // Split at half of the encoded bytes.
    const int total = leafBytes(l);
    int acc = 0;
    std::size_t s = 0;
    for (; s < n; ++s) {
        acc += eb + storedOf(s ? l.key(s - 1) : nullptr, l.key(s), kl, fill_);
        if (acc > total / 2) break;
    }
    s = std::clamp<std::size_t>(s, 1, n - 1);
    auto r = file_->newNode(*this, true);
    r->keys.assign(l.keys, s * std::size_t(kl), std::string::npos);
    r->recnos.assign(l.recnos.begin() + std::ptrdiff_t(s), l.recnos.end());
    l.keys.resize(s * std::size_t(kl));
    l.recnos.resize(s);
    recomputeLeafStats(l);
    recomputeLeafStats(*r);
    linkAfter(file_, *this, l, *r);
    l.dirty = true;
    insertIntoParent(path, path.size(), leaf, r);
}

void TagImpl::splitInterior(Path& path, std::size_t depth) {
    const int kl = info_.keyLength;
    NodePtr left = path[depth].node;
    Node& l = *left;
    const std::size_t s = l.count() / 2;
    auto r = file_->newNode(*this, false);
    r->keys.assign(l.keys, s * std::size_t(kl), std::string::npos);
    r->recnos.assign(l.recnos.begin() + std::ptrdiff_t(s), l.recnos.end());
    r->children.assign(l.children.begin() + std::ptrdiff_t(s), l.children.end());
    l.keys.resize(s * std::size_t(kl));
    l.recnos.resize(s);
    l.children.resize(s);
    linkAfter(file_, *this, l, *r);
    l.dirty = true;
    insertIntoParent(path, depth, left, r);
}

void TagImpl::unlinkSiblings(const Node& node) {
    if (node.left != kNoPage) {
        auto l = load(node.left);
        l->right = node.right;
        l->dirty = true;
    }
    if (node.right != kNoPage) {
        auto r = load(node.right);
        r->left = node.left;
        r->dirty = true;
    }
}

void TagImpl::removeNode(Path& path, std::size_t depth, const NodePtr& node) {
    unlinkSiblings(*node);
    file_->freePage(node->offset);
    Node& p = *path[depth - 1].node;
    const std::size_t i = path[depth - 1].index;
    const int kl = info_.keyLength;
    p.keys.erase(i * std::size_t(kl), std::size_t(kl));
    p.recnos.erase(p.recnos.begin() + std::ptrdiff_t(i));
    p.children.erase(p.children.begin() + std::ptrdiff_t(i));
    p.dirty = true;
    if (p.count() == 0) {
        if (p.root) {
            // The tree is empty again: the root becomes an empty leaf.
            p.leaf = true;
            p.left = p.right = kNoPage;
            p.stored = p.maxRecno = 0;
            return;
        }
        removeNode(path, depth - 1, path[depth - 1].node);
        return;
    }
    if (i == p.count()) updateLastKeys(path, depth - 1, p);
}

void TagImpl::maybeMergeLeaf(Path& path, const NodePtr& leaf) {
    if (leaf->root || path.empty()) return;
    Node& l = *leaf;
    if (leafBytes(l) > kLeafSpace / 3) return;
    Node& p = *path.back().node;
    const std::size_t i = path.back().index;
    if (i + 1 >= p.count()) return;
    auto right = load(p.children[i + 1]);
    Node& r = *right;
    if (!r.leaf) return;
    const int kl = info_.keyLength;
    const std::uint32_t maxRec = std::max(l.maxRecno, r.maxRecno);
    const int eb = leafLayoutFor(maxRec, kl).entryBytes;
    int stored = int(l.stored) + int(r.stored);
    if (r.count() && l.count())
        stored += storedOf(l.key(l.count() - 1), r.key(0), kl, fill_) - storedOf(nullptr, r.key(0), kl, fill_);
    if (int(l.count() + r.count()) * eb + stored > kLeafSpace * 3 / 4) return;
    l.keys += r.keys;
    l.recnos.insert(l.recnos.end(), r.recnos.begin(), r.recnos.end());
    l.stored = std::uint32_t(stored);
    l.maxRecno = maxRec;
    l.dirty = true;
    // The right leaf goes; its parent entry's key (the last key of both) moves to ours.
    path.back().index = i + 1;
    std::memcpy(p.key(i), p.key(i + 1), std::size_t(kl));
    p.recnos[i] = p.recnos[i + 1];
    removeNode(path, path.size(), right);
}

void TagImpl::collapseRoot() {
    for (int depth = 0;; ++depth) {
        auto r = load(root_);
        if (r->leaf || r->count() != 1) return;
        if (depth > kMaxDepth || r->children[0] == r->offset)
            file_->fail(file_->tagLabel(*this) + "tree is too deep (loop?)");
        auto child = load(r->children[0]);
        child->root = true;
        child->left = child->right = kNoPage;
        child->dirty = true;
        file_->freePage(r->offset);
        root_ = child->offset;
        headerDirty_ = true;
    }
}

void TagImpl::doInsert(const char* key, std::uint32_t recno) {
    const int kl = info_.keyLength;
    if (info_.unique) {
        // A unique tag holds one record per key (the first one indexed).
        Path probe;
        NodePtr leaf = descend(key, 0, probe, false);
        if (leaf) {
            const std::size_t j = lowerBound(*leaf, key, 0);
            if (j < leaf->count() && std::memcmp(leaf->key(j), key, std::size_t(kl)) == 0) return;
        }
    }
    Path path;
    NodePtr leaf = descend(key, recno, path, true);
    Node& l = *leaf;
    const std::size_t j = lowerBound(l, key, recno);
    if (j < l.count() && compareEntry(l.key(j), l.recnos[j], key, recno, kl) == 0) return;  // already there
    // Size accounting: the new entry, and its successor now compressed against it.
    const char* prev = j ? l.key(j - 1) : nullptr;
    std::int64_t stored = std::int64_t(l.stored) + storedOf(prev, key, kl, fill_);
    if (j < l.count()) stored += storedOf(key, l.key(j), kl, fill_) - storedOf(prev, l.key(j), kl, fill_);
    l.keys.insert(j * std::size_t(kl), key, std::size_t(kl));
    l.recnos.insert(l.recnos.begin() + std::ptrdiff_t(j), recno);
    l.stored = std::uint32_t(stored);
    l.maxRecno = std::max(l.maxRecno, recno);
    l.dirty = true;
    file_->cacheBytes_ += std::size_t(kl) + 4;
    ++version_;
    if (count_ >= 0) ++count_;
    if (j + 1 == l.count()) updateLastKeys(path, path.size(), l);
    if (leafBytes(l) > kLeafSpace) splitLeaf(path, leaf);
}

bool TagImpl::doRemove(const char* key, std::uint32_t recno) {
    Path path;
    NodePtr leaf = descend(key, recno, path, false);
    if (!leaf) return false;
    Node& l = *leaf;
    const int kl = info_.keyLength;
    const std::size_t j = lowerBound(l, key, recno);
    if (j >= l.count() || compareEntry(l.key(j), l.recnos[j], key, recno, kl) != 0) return false;
    const char* prev = j ? l.key(j - 1) : nullptr;
    std::int64_t stored = std::int64_t(l.stored) - storedOf(prev, key, kl, fill_);
    if (j + 1 < l.count()) stored += storedOf(prev, l.key(j + 1), kl, fill_) - storedOf(key, l.key(j + 1), kl, fill_);
    l.keys.erase(j * std::size_t(kl), std::size_t(kl));
    l.recnos.erase(l.recnos.begin() + std::ptrdiff_t(j));
    l.stored = std::uint32_t(std::max<std::int64_t>(0, stored));
    l.dirty = true;
    ++version_;
    if (count_ > 0) --count_;
    if (l.count() == 0) {
        if (!l.root) removeNode(path, path.size(), leaf);
    } else {
        if (j == l.count()) updateLastKeys(path, path.size(), l);
        maybeMergeLeaf(path, leaf);
    }
    collapseRoot();
    return true;
}

void TagImpl::insert(std::string_view key, std::uint32_t recno) {
    checkKey(key);
    file_->beginChange();
    doInsert(key.data(), recno);
}

bool TagImpl::remove(std::string_view key, std::uint32_t recno) {
    checkKey(key);
    file_->beginChange();
    return doRemove(key.data(), recno);
}

std::uint64_t TagImpl::entryCount() {
    if (count_ >= 0) return std::uint64_t(count_);
    // Walk down the left edge, then along the leaf level reading only the
    // node headers of pages that are not in memory.
    NodePtr n = load(root_);
    for (int depth = 0; !n->leaf; ++depth) {
        if (depth > kMaxDepth) file_->fail(file_->tagLabel(*this) + "tree is too deep (loop?)");
        n = load(n->children[0]);
    }
    std::uint64_t total = n->count();
    std::uint32_t next = n->right;
    for (std::uint32_t steps = 0; next != kNoPage; ++steps) {
        if (steps > file_->pageCount()) file_->fail(file_->tagLabel(*this) + "leaf links loop");
        file_->checkPointer(next, *this);
        auto it = file_->cache_.find(next);
        if (it != file_->cache_.end()) {
            total += it->second->count();
            next = it->second->right;
            continue;
        }
        std::uint8_t h[12];
        file_->readAt(next, h, sizeof h);
        if (le16(h) != kAttrLeaf) file_->fail(file_->tagLabel(*this) + "leaf links lead to a non-leaf page");
        total += le16(h + 2);
        next = le32(h + 8);
    }
    count_ = std::int64_t(total);
    return total;
}

std::unique_ptr<IndexTag::Cursor> TagImpl::cursor() { return std::make_unique<CursorImpl>(this); }

// ---------------------------------------------------------------------------
// Cursor

void CursorImpl::capture() {
    key_.assign(leaf_->key(pos_), std::size_t(leaf_->keyLength));
    recno_ = leaf_->recnos[pos_];
    version_ = tag_->version_;
    valid_ = true;
}

void CursorImpl::checkCrossing(const Node& from, const Node& to, bool forward) {
    if (++crossings_ > std::size_t(tag_->file_->pageCount()) + 1)
        tag_->file_->fail(tag_->file_->tagLabel(*tag_) + "leaf links loop");
    if (!to.leaf) tag_->file_->fail(tag_->file_->tagLabel(*tag_) + "leaf links lead to a non-leaf page");
    // Entries must keep rising across a link; this also stops a loop early.
    if (from.count() && to.count()) {
        const int kl = from.keyLength;
        const int c = forward ? compareEntry(from.key(from.count() - 1), from.recnos.back(), to.key(0), to.recnos[0], kl)
                              : compareEntry(to.key(to.count() - 1), to.recnos.back(), from.key(0), from.recnos[0], kl);
        if (c >= 0) tag_->file_->fail(tag_->file_->tagLabel(*tag_) + "entries out of order across leaf links");
    }
}

bool CursorImpl::settle() {
    while (pos_ >= leaf_->count()) {
        if (leaf_->right == kNoPage) return invalidate();
        tag_->file_->trimCache();
        NodePtr next = tag_->load(leaf_->right);
        checkCrossing(*leaf_, *next, true);
        leaf_ = next;
        pos_ = 0;
    }
    capture();
    return true;
}

bool CursorImpl::settleBack() {
    // pos_ == -1 means the entry before leaf_'s first one is wanted: go left.
    while (leaf_->count() == 0 || pos_ == std::size_t(-1)) {
        if (leaf_->left == kNoPage) return invalidate();
        tag_->file_->trimCache();
        NodePtr prev = tag_->load(leaf_->left);
        checkCrossing(*leaf_, *prev, false);
        leaf_ = prev;
        pos_ = leaf_->count() ? leaf_->count() - 1 : std::size_t(-1);
    }
    capture();
    return true;
}

bool CursorImpl::first() {
    if (tag_->dropped_) return invalidate();
    tag_->file_->trimCache();
    crossings_ = 0;
    NodePtr n = tag_->load(tag_->root_);
    for (int d = 0; !n->leaf; ++d) {
        if (d > kMaxDepth) tag_->file_->fail(tag_->file_->tagLabel(*tag_) + "tree is too deep (loop?)");
        n = tag_->load(n->children.front());
    }
    leaf_ = n;
    pos_ = 0;
    return settle();
}

bool CursorImpl::last() {
    if (tag_->dropped_) return invalidate();
    tag_->file_->trimCache();
    crossings_ = 0;
    NodePtr n = tag_->load(tag_->root_);
    for (int d = 0; !n->leaf; ++d) {
        if (d > kMaxDepth) tag_->file_->fail(tag_->file_->tagLabel(*tag_) + "tree is too deep (loop?)");
        n = tag_->load(n->children.back());
    }
    leaf_ = n;
    pos_ = n->count() ? n->count() - 1 : std::size_t(-1);
    return settleBack();
}

bool CursorImpl::seek(std::string_view key, std::uint32_t recno) {
    if (tag_->dropped_) return invalidate();
    const std::size_t kl = std::size_t(tag_->info_.keyLength);
    std::string target(key.substr(0, kl));
    if (target.size() < kl) {
        target.resize(kl, '\0');  // a prefix: the lowest full key that starts with it
        recno = 0;
    }
    tag_->file_->trimCache();
    crossings_ = 0;
    TagImpl::Path path;
    NodePtr leaf = tag_->descend(target.data(), recno, path, false);
    if (!leaf) return invalidate();
    leaf_ = leaf;
    pos_ = lowerBound(*leaf, target.data(), recno);
    return settle();
}

bool CursorImpl::resync() {
    // The tag changed since we looked: find our entry (or the one after it) again.
    const std::string k = key_;
    return seek(k, recno_);
}

bool CursorImpl::next() {
    if (!valid_) return false;
    if (version_ != tag_->version_) {
        const std::string k = key_;
        const std::uint32_t r = recno_;
        if (!resync()) return false;
        if (key_ != k || recno_ != r) return true;  // ours went away: this is the next one
    }
    ++pos_;
    return settle();
}

bool CursorImpl::prev() {
    if (!valid_) return false;
    if (version_ != tag_->version_ && !resync()) return last();
    if (pos_ == 0)
        pos_ = std::size_t(-1);
    else
        --pos_;
    return settleBack();
}

// ---------------------------------------------------------------------------
// Checks

void IndexFileImpl::walk(TagImpl& t, const std::function<void(std::string_view, std::uint32_t)>& fn) {
    CursorImpl c(&t);
    for (bool ok = c.first(); ok; ok = c.next()) fn(c.key(), c.recno());
}

void IndexFileImpl::forEach(int tagIndex, const std::function<void(std::string_view, std::uint32_t)>& fn) {
    TagImpl* t = static_cast<TagImpl*>(tag(tagIndex));
    if (!t) throw StoreError(path_ + ": no tag number " + std::to_string(tagIndex));
    walk(*t, fn);
}

void IndexFileImpl::checkTag(TagImpl& t, std::vector<std::string>& problems,
                             std::unordered_set<std::uint32_t>& seen) {
    const std::size_t before = problems.size();
    auto problem = [&](const std::string& s) {
        if (problems.size() - before < kMaxProblemsPerTag) problems.push_back(path_ + ": " + tagLabel(t) + s);
    };
    const int kl = t.info_.keyLength;
    // Breadth-first, level by level, so sibling links can be checked per level.
    std::vector<std::uint32_t> level{t.root_};
    std::string lastKey;
    std::uint32_t lastRec = 0;
    bool haveLast = false;
    std::uint64_t entries = 0;
    struct Expect {
        std::string key;
        std::uint32_t recno;
    };
    std::vector<std::optional<Expect>> expect{std::nullopt};
    for (int depth = 0; !level.empty(); ++depth) {
        if (depth > kMaxDepth) {
            problem("tree is too deep (loop?)");
            return;
        }
        std::vector<std::uint32_t> below;
        std::vector<std::optional<Expect>> belowExpect;
        bool leafLevel = false;
        for (std::size_t k = 0; k < level.size(); ++k) {
            const std::uint32_t off = level[k];
            if (!seen.insert(off).second) {
                problem("page " + std::to_string(off) + " is reached twice");
                return;
            }
            NodePtr n;
            try {
                n = loadNode(off, t);
            } catch (const FormatError& e) {
                problems.push_back(e.what());
                return;
            }
            if (k == 0) leafLevel = n->leaf;
            if (n->leaf != leafLevel) problem("page " + std::to_string(off) + " is on the wrong level");
            if (n->root != (depth == 0)) problem("page " + std::to_string(off) + " has a wrong root mark");
            const std::uint32_t wantLeft = k ? level[k - 1] : kNoPage;
            const std::uint32_t wantRight = k + 1 < level.size() ? level[k + 1] : kNoPage;
            if (n->left != wantLeft || n->right != wantRight)
                problem("page " + std::to_string(off) + " has bad sibling links");
            for (std::size_t i = 1; i < n->count(); ++i)
                if (compareEntry(n->key(i - 1), n->recnos[i - 1], n->key(i), n->recnos[i], kl) >= 0)
                    problem("page " + std::to_string(off) + " has entries out of order");
            if (n->count() && expect[k]) {
                const auto& e = *expect[k];
                if (std::memcmp(e.key.data(), n->key(n->count() - 1), std::size_t(kl)) != 0 ||
                    e.recno != n->recnos.back())
                    problem("page " + std::to_string(off) + ": its parent's key is not its last key");
            }
            if (n->leaf) {
                if (n->count() == 0 && !n->root) problem("page " + std::to_string(off) + " is an empty leaf");
                if (n->count() && haveLast &&
                    compareEntry(lastKey.data(), lastRec, n->key(0), n->recnos[0], kl) >= 0)
                    problem("page " + std::to_string(off) + " has entries out of order with the page before");
                if (n->count()) {
                    lastKey.assign(n->key(n->count() - 1), std::size_t(kl));
                    lastRec = n->recnos.back();
                    haveLast = true;
                }
                entries += n->count();
            } else {
                for (std::size_t i = 0; i < n->count(); ++i) {
                    const std::uint32_t c = n->children[i];
                    if (c % kPageSize || c < kPageSize || std::uint64_t(c) + kPageSize > fileSize_) {
                        problem("page " + std::to_string(off) + " points out of range");
                        return;
                    }
                    below.push_back(c);
                    belowExpect.push_back(Expect{std::string(n->key(i), std::size_t(kl)), n->recnos[i]});
                }
            }
            trimCache();
        }
        level.swap(below);
        expect.swap(belowExpect);
    }
    if (t.count_ >= 0 && std::uint64_t(t.count_) != entries)
        problem("holds " + std::to_string(entries) + " entries, expected " + std::to_string(t.count_));
}

void IndexFileImpl::verify(std::vector<std::string>& problems) {
    std::unordered_set<std::uint32_t> seen;
    if (directory_) checkTag(*directory_, problems, seen);
    for (auto& t : tags_) {
        seen.insert(t->headerOffset_);
        seen.insert(t->headerOffset_ + kPageSize);
        checkTag(*t, problems, seen);
    }
    try {
        loadFreeList();
        for (auto p : freePages_)
            if (seen.count(p)) problems.push_back(path_ + ": free page " + std::to_string(p) + " is in use");
    } catch (const FormatError& e) {
        problems.push_back(e.what());
    }
}

}  // namespace

// ---------------------------------------------------------------------------

std::unique_ptr<IndexFile> IndexFile::create(const std::string& path, Kind kind) {
    // Not truncated before the whole-file lock says nobody else holds it.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw StoreError(path + ": cannot create: " + std::strerror(errno));
    auto f = std::make_unique<IndexFileImpl>(path, kind, OpenMode::Exclusive, fd);
    if (!locks::tryFlock(fd, true)) throw InUseError(locks::inUseMessage(path, fd));
    if (::ftruncate(fd, 0) != 0) throw StoreError(path + ": cannot create: " + std::strerror(errno));
    f->createEmpty();
    return f;
}

std::unique_ptr<IndexFile> IndexFile::open(const std::string& path, bool writable, const KeyTypeFn& keyType) {
    return open(path, writable ? OpenMode::Exclusive : OpenMode::ReadOnly, keyType);
}

std::unique_ptr<IndexFile> IndexFile::open(const std::string& path, OpenMode mode, const KeyTypeFn& keyType) {
    const int fd = ::open(path.c_str(), (mode == OpenMode::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) throw StoreError(path + ": cannot open: " + std::strerror(errno));
    auto f = std::make_unique<IndexFileImpl>(path, Kind::Compound, mode, fd);
    if (!locks::tryFlock(fd, mode == OpenMode::Exclusive)) throw InUseError(locks::inUseMessage(path, fd));
    f->keyType_ = keyType;
    if (mode == OpenMode::Shared) {
        // Read under the index lock, so that no writer is half-way through.
        if (!locks::lockWaiting(fd, locks::Kind::Read, locks::kIndexByte, 1, std::chrono::milliseconds(5000)))
            throw InUseError(path + ": the index is locked by another user");
        try {
            f->openExisting();
        } catch (...) {
            locks::unlock(fd, locks::kIndexByte);
            throw;
        }
        locks::unlock(fd, locks::kIndexByte);
    } else {
        f->openExisting();
    }
    return f;
}

}  // namespace brindle::store

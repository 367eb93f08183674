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
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "store/CdxPage.h"
#include "store/FileLock.h"
#include "store/TagSort.h"

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

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string trimName(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
    return std::string(s);
}

// ---------------------------------------------------------------------------
// Bulk build: a tag's pages laid out from its entries in key order, leaves
// packed full one after the other, then each level of interior nodes, the
// root last. Pages are numbered from `base` (their place in the file, or 0
// for an image put aside and placed later) and handed out in order through
// a buffer; only the entries of the interior levels are kept, in spools
// that go to the scratch file when large.

constexpr std::uint64_t kMaxFileSize = 0xFFFFFE00u;

class ImageWriter {
public:
    using Out = std::function<void(const std::uint8_t* pages, std::size_t count)>;
    ImageWriter(Out out, std::uint32_t base, const IndexTagInfo& info, std::uint32_t maxRecno,
                tagsort::Scratch& scratch, const tagsort::Limits& limits, const std::string& path)
        : out_(std::move(out)), base_(base), kl_(info.keyLength), fill_(info.charKeys ? ' ' : '\0'),
          unique_(info.unique), layout_(leafLayoutFor(maxRecno, info.keyLength)), scratch_(scratch),
          limits_(limits), path_(path) {
        buf_.resize(std::max<std::size_t>(limits.pageBuffer, 2 * kPageSize));
        for (auto& k : keys_) k.assign(std::size_t(kl_), fill_);
        level_ = std::make_unique<tagsort::Spool>(scratch_, childSize(), limits_.spoolMemory);
    }

    // Entries arrive in order; a unique tag keeps the first record of each
    // key. `same`: the key is known to equal the previous entry's.
    void add(const char* key, std::uint32_t recno, bool same) {
        if (same && count_) {
            if (unique_) return;
            if (!writer_->addRepeat(recno)) {
                closeLeaf(true);
                openLeaf();
                writer_->add(keys_[cur_ ^ 1].data(), recno);
            }
            lastRecno_ = recno;
            ++count_;
            ++inLeaf_;
            return;
        }
        if (unique_ && count_ && std::memcmp(key, keys_[cur_ ^ 1].data(), std::size_t(kl_)) == 0) return;
        char* k = keys_[cur_].data();
        std::memcpy(k, key, std::size_t(kl_));
        if (!leafOpen_) openLeaf();
        if (!writer_->add(k, recno)) {
            closeLeaf(true);
            openLeaf();
            writer_->add(k, recno);  // an empty leaf takes any key
        }
        lastRecno_ = recno;
        cur_ ^= 1;
        ++count_;
        ++inLeaf_;
    }

    void finish() {
        if (pages_ == 0) openLeaf();  // no entries: one empty leaf
        if (leafOpen_) closeLeaf(false);
        if (pages_ == 1) putLe16(buf_.data(), kAttrLeaf | kAttrRoot);  // still in the buffer
        const std::size_t cap = std::size_t(interiorCapacity(kl_));
        const std::size_t cs = childSize();
        while (level_->size() > 1) {
            const std::uint64_t total = level_->size();
            const std::uint64_t nodes = (total + cap - 1) / cap;
            auto up = std::make_unique<tagsort::Spool>(scratch_, cs, limits_.spoolMemory);
            tagsort::Spool::Reader reader(*level_);
            const char* pending = nullptr;
            std::size_t available = 0;
            std::uint64_t taken = 0;
            for (std::uint64_t k = 0; k < nodes; ++k) {
                const std::uint64_t pageNo = pages_;
                std::uint8_t* page = newPage();
                const std::uint64_t n = std::min<std::uint64_t>(cap, total - taken);
                putLe16(page, nodes == 1 ? kAttrRoot : 0);
                putLe16(page + 2, std::uint32_t(n));
                putLe32(page + 4, k ? offsetOf(pageNo - 1) : kNoPage);
                putLe32(page + 8, k + 1 < nodes ? offsetOf(pageNo + 1) : kNoPage);
                std::uint8_t* p = page + 12;
                const char* child = nullptr;
                for (std::uint64_t c = 0; c < n; ++c) {
                    if (available == 0 && (available = reader.next(pending)) == 0)
                        throw StoreError(path_ + ": interior entries of the new tag were lost");
                    child = pending;
                    pending += cs;
                    --available;
                    std::memcpy(p, child, std::size_t(kl_));
                    putBe32(p + kl_, childRecno(child));
                    putBe32(p + kl_ + 4, childPage(child));
                    p += kl_ + 8;
                }
                taken += n;
                pushChild(*up, child, childRecno(child), offsetOf(pageNo));
            }
            level_ = std::move(up);
        }
        flushPages();
        root_ = offsetOf(pages_ - 1);
    }

    std::uint64_t count() const { return count_; }
    std::uint32_t root() const { return root_; }
    std::uint64_t bytes() const { return pages_ * kPageSize; }

private:
    std::size_t childSize() const { return std::size_t(kl_) + 8; }
    // An entry of an interior level: the child's last key, its record
    // number and the child's page.
    static std::uint32_t u32At(const char* p) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    std::uint32_t childRecno(const char* c) const { return u32At(c + kl_); }
    std::uint32_t childPage(const char* c) const { return u32At(c + kl_ + 4); }
    void pushChild(tagsort::Spool& spool, const char* key, std::uint32_t recno, std::uint32_t page) {
        char rec[kMaxKeyLength + 8];
        std::memcpy(rec, key, std::size_t(kl_));
        std::memcpy(rec + kl_, &recno, 4);
        std::memcpy(rec + kl_ + 4, &page, 4);
        spool.append(rec, 1);
    }
    std::uint32_t offsetOf(std::uint64_t pageNo) const { return std::uint32_t(base_ + pageNo * kPageSize); }

    std::uint8_t* newPage() {
        if (std::uint64_t(base_) + (pages_ + 1) * kPageSize > kMaxFileSize)
            throw StoreError(path_ + ": index file would grow too large");
        if (used_ == buf_.size()) flushPages();
        std::uint8_t* page = buf_.data() + used_;
        std::memset(page, 0, kPageSize);
        used_ += kPageSize;
        ++pages_;
        return page;
    }
    void flushPages() {
        if (used_ == 0) return;
        out_(buf_.data(), used_ / kPageSize);
        used_ = 0;
    }
    void openLeaf() {
        std::uint8_t* page = newPage();
        leafNo_ = pages_ - 1;
        putLe16(page, kAttrLeaf);
        putLe32(page + 4, leafNo_ ? offsetOf(leafNo_ - 1) : kNoPage);
        putLe32(page + 8, kNoPage);
        leaf_ = page;
        writer_.emplace(page, kl_, fill_, layout_);
        leafOpen_ = true;
        inLeaf_ = 0;
    }
    void closeLeaf(bool more) {
        writer_->finish();
        if (more) putLe32(leaf_ + 8, offsetOf(leafNo_ + 1));
        if (inLeaf_ > 0) pushChild(*level_, keys_[cur_ ^ 1].data(), lastRecno_, offsetOf(leafNo_));
        writer_.reset();
        leafOpen_ = false;
    }

    Out out_;
    std::uint32_t base_;
    int kl_;
    char fill_;
    bool unique_;
    LeafLayout layout_;
    tagsort::Scratch& scratch_;
    const tagsort::Limits& limits_;
    const std::string& path_;
    std::vector<std::uint8_t> buf_;
    std::size_t used_ = 0;
    std::uint64_t pages_ = 0;
    std::string keys_[2];  // the entry being added and the one before, for the leaf's compression
    int cur_ = 0;
    std::optional<LeafWriter> writer_;
    std::uint8_t* leaf_ = nullptr;
    std::uint64_t leafNo_ = 0;
    bool leafOpen_ = false;
    std::size_t inLeaf_ = 0;
    std::uint32_t lastRecno_ = 0;
    std::uint64_t count_ = 0;
    std::uint32_t root_ = 0;
    std::unique_ptr<tagsort::Spool> level_;  // entries of the next level up
};

// Moves the page pointers of an image put aside (numbered from 0) to its
// place in the file, checking each against the image's size.
bool relocatePage(std::uint8_t* page, std::uint32_t base, std::uint64_t imageBytes, int kl) {
    auto move = [&](std::uint8_t* at, bool bigEndian) {
        const std::uint32_t v = bigEndian ? be32(at) : le32(at);
        if (v == kNoPage && !bigEndian) return true;
        if (v % kPageSize != 0 || v >= imageBytes) return false;
        bigEndian ? putBe32(at, v + base) : putLe32(at, v + base);
        return true;
    };
    const std::uint16_t attr = le16(page);
    if (attr > (kAttrLeaf | kAttrRoot) || !move(page + 4, false) || !move(page + 8, false)) return false;
    if (attr & kAttrLeaf) return true;
    const int count = le16(page + 2);
    if (count < 1 || count > interiorCapacity(kl)) return false;
    for (int k = 0; k < count; ++k)
        if (!move(page + 12 + k * (kl + 8) + kl + 4, true)) return false;
    return true;
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
    std::unique_ptr<tagsort::TagKeySorter> gatherKeys(std::vector<IndexTagInfo> tags, const BuildOptions& options,
                                                      std::uint64_t expectedRecords) override;
    void buildTags(tagsort::TagKeySorter& keys, const ProgressFn& progress) override;
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
    // A node as cached, or decoded into `scratch` without caching it.
    const Node& peekNode(std::uint32_t offset, TagImpl& t, Node& scratch);
    NodePtr newNode(TagImpl& t, bool leaf);
    void freePage(std::uint32_t offset);
    void beginChange();  // before any change: writable check, dirty mark, cache trim
    void trimCache();
    void readAt(std::uint64_t offset, void* buf, std::size_t n) const;
    void writeAt(std::uint64_t offset, const void* buf, std::size_t n);
    // Starts writing a stretch of the file to disk without waiting for it.
    void startWriteback(std::uint64_t offset, std::uint64_t bytes);
    // A single-tag file's tag goes by the file's name.
    std::string fileStem() const {
        std::string stem = path_.substr(path_.find_last_of('/') + 1);
        return upperAscii(stem.substr(0, std::min<std::size_t>(10, stem.find('.'))));
    }
    std::uint32_t pageCount() const { return std::uint32_t(fileSize_ / kPageSize); }

    void openExisting();
    void createEmpty();
    // A tag being written by a bulk build: where its header and pages go,
    // and the pages of the tag it replaces (freed once it is complete).
    struct Slot {
        IndexTagInfo info;
        TagImpl* existing = nullptr;
        std::vector<std::uint32_t> oldPages;
        std::uint32_t headerOffset = 0;
        std::uint64_t sizeBefore = 0;
        std::uint32_t base = 0;
    };
    Slot reserveTag(const IndexTagInfo& info);
    void completeTag(Slot& slot, std::uint32_t root, std::uint64_t count, std::uint64_t bytes);
    void abandonTag(const Slot& slot);
    void placeAside(const Slot& slot, const tagsort::Spool& pages, int keyLength);
    void validateInfo(const IndexTagInfo& info) const;
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

// Written pages are handed to the system for writing to disk in steps of
// this size while a bulk build goes on, so that the sync that ends it finds
// little left to write.
constexpr std::uint64_t kWritebackStep = std::uint64_t(8) << 20;

void IndexFileImpl::startWriteback(std::uint64_t offset, std::uint64_t bytes) {
#ifdef __linux__
    ::sync_file_range(fd_, off_t(offset), off_t(bytes), SYNC_FILE_RANGE_WRITE);
#else
    (void)offset;
    (void)bytes;
#endif
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

const Node& IndexFileImpl::peekNode(std::uint32_t offset, TagImpl& t, Node& scratch) {
    if (cache_.count(offset)) return *loadNode(offset, t);
    checkPointer(offset, t);
    std::uint8_t page[kPageSize];
    readAt(offset, page, kPageSize);
    scratch.offset = offset;
    scratch.keyLength = t.info_.keyLength;
    scratch.fill = t.fill_;
    const std::string problem = decodeNode(page, scratch);
    if (!problem.empty()) fail(tagLabel(t) + "page " + std::to_string(offset) + ": " + problem);
    return scratch;
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

void IndexFileImpl::validateInfo(const IndexTagInfo& i) const {
    if (i.keyLength < 1 || i.keyLength > kMaxKeyLength)
        throw StoreError(path_ + ": key length " + std::to_string(i.keyLength) + " is out of range");
    if (i.expression.size() + i.forExpression.size() + 2 > kHeaderSize - hPool)
        throw StoreError(path_ + ": key expression too long");
    if (kind_ == Kind::Compound) {
        if (i.name.empty() || i.name.size() > 10) throw StoreError(path_ + ": bad tag name \"" + i.name + "\"");
        for (char c : i.name)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
                throw StoreError(path_ + ": bad tag name \"" + i.name + "\"");
    }
}

void IndexFileImpl::validateBuild(const TagBuild& b) const {
    const auto& i = b.info;
    if (i.keyLength < 1 || i.keyLength > kMaxKeyLength)
        throw StoreError(path_ + ": key length " + std::to_string(i.keyLength) + " is out of range");
    if (b.keys.size() != b.recnos.size() * std::size_t(i.keyLength))
        throw StoreError(path_ + ": keys do not match the record count");
    validateInfo(i);
}

void TagImpl::collectPages(std::vector<std::uint32_t>& out) {
    // Every page of the tree; a damaged tree gives up what it cannot reach.
    // Pages not in the cache are read without being cached, so that
    // replacing a large tag does not fill memory with its old pages.
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::pair<std::uint32_t, int>> stack{{root_, 0}};
    Node scratch;
    try {
        while (!stack.empty()) {
            auto [off, depth] = stack.back();
            stack.pop_back();
            if (depth > kMaxDepth || !seen.insert(off).second) continue;
            const Node& n = file_->peekNode(off, *this, scratch);
            out.push_back(off);
            if (!n.leaf)
                for (auto c : n.children) stack.push_back({c, depth + 1});
        }
    } catch (const FormatError&) {
    }
}

IndexFileImpl::Slot IndexFileImpl::reserveTag(const IndexTagInfo& info) {
    Slot s;
    s.info = info;
    s.info.name = kind_ == Kind::Compound ? upperAscii(info.name) : fileStem();
    s.existing = kind_ == Kind::Compound ? static_cast<TagImpl*>(findTag(s.info.name))
                                         : (tags_.empty() ? nullptr : tags_[0].get());
    if (s.existing) s.existing->collectPages(s.oldPages);
    s.sizeBefore = fileSize_;
    if (s.existing) {
        s.headerOffset = s.existing->headerOffset_;
    } else if (kind_ == Kind::Single) {
        s.headerOffset = 0;
        fileSize_ = std::max<std::uint64_t>(fileSize_, kHeaderSize);
    } else {
        s.headerOffset = std::uint32_t(fileSize_);
        fileSize_ += kHeaderSize;
    }
    if (fileSize_ + kPageSize > kMaxFileSize) {
        fileSize_ = s.sizeBefore;
        throw StoreError(path_ + ": index file would grow too large");
    }
    s.base = std::uint32_t(fileSize_);
    return s;
}

// The tag's pages lie complete after its header: the tag takes them over,
// the pages of the tag it replaces go to the free list.
void IndexFileImpl::completeTag(Slot& s, std::uint32_t root, std::uint64_t count, std::uint64_t bytes) {
    fileSize_ = std::uint64_t(s.base) + bytes;
    TagImpl* t = s.existing;
    if (!t) {
        auto fresh = std::make_unique<TagImpl>(this, s.info, s.headerOffset, false);
        t = fresh.get();
        tags_.push_back(std::move(fresh));
    } else {
        t->info_ = s.info;
        t->fill_ = s.info.charKeys ? ' ' : '\0';
    }
    t->root_ = root;
    t->count_ = std::int64_t(count);
    ++t->version_;
    t->headerDirty_ = true;
    for (auto p : s.oldPages) freePage(p);
    writeHeader(*t);
    if (!s.existing && directory_) {
        std::string key = s.info.name;
        key.resize(kDirectoryKeyLength, ' ');
        directory_->doInsert(key.data(), s.headerOffset);
    }
}

// Forgets a tag that was not completed: the file ends where it ended before.
void IndexFileImpl::abandonTag(const Slot& s) {
    fileSize_ = s.sizeBefore;
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && std::uint64_t(st.st_size) > fileSize_) {
        if (::ftruncate(fd_, off_t(fileSize_)) != 0) {
            // The pages past the end stay unused; nothing refers to them.
        }
    }
}

void IndexFileImpl::placeAside(const Slot& slot, const tagsort::Spool& pages, int keyLength) {
    const std::uint64_t bytes = pages.size() * kPageSize;
    if (std::uint64_t(slot.base) + bytes > kMaxFileSize) throw StoreError(path_ + ": index file would grow too large");
    tagsort::Spool::Reader reader(pages);
    std::vector<std::uint8_t> buf;
    std::uint64_t at = 0, handedOn = 0;
    const char* data = nullptr;
    for (std::size_t count; (count = reader.next(data)) > 0;) {
        const auto* from = reinterpret_cast<const std::uint8_t*>(data);
        buf.assign(from, from + count * kPageSize);
        for (std::size_t p = 0; p < count; ++p)
            if (!relocatePage(buf.data() + p * kPageSize, slot.base, bytes, keyLength))
                throw StoreError(path_ + ": a page of the new tag did not read back as it was laid out");
        writeAt(std::uint64_t(slot.base) + at, buf.data(), buf.size());
        at += buf.size();
        if (at - handedOn >= kWritebackStep) {
            startWriteback(std::uint64_t(slot.base) + handedOn, at - handedOn);
            handedOn = at;
        }
    }
    if (at != bytes) throw StoreError(path_ + ": pages of the new tag were lost");
}

IndexTag* IndexFileImpl::buildTag(TagBuild build, const ProgressFn& progress) {
    validateBuild(build);
    if (progress && !progress(0)) throw CancelledError(path_ + ": tag build cancelled");
    const std::string name = upperAscii(build.info.name);
    std::vector<TagBuild> one;
    one.push_back(std::move(build));
    buildTags(std::move(one), {});
    if (progress) progress(100);
    return kind_ == Kind::Compound ? findTag(name) : tags_.front().get();
}

void IndexFileImpl::buildTags(std::vector<TagBuild> builds, const ProgressFn& progress) {
    if (builds.empty()) return;
    if (kind_ == Kind::Single && builds.size() > 1) throw StoreError(path_ + ": a single-tag index holds one tag");
    for (auto& b : builds) validateBuild(b);
    std::vector<IndexTagInfo> infos;
    for (const auto& b : builds) infos.push_back(b.info);
    BuildOptions options;
    options.memory = std::numeric_limits<std::size_t>::max();  // the keys are in memory already
    tagsort::TagKeySorter keys(std::move(infos), options, folderOf(path_), 0);
    for (std::size_t i = 0; i < builds.size(); ++i) keys.adopt(i, std::move(builds[i].keys), std::move(builds[i].recnos));
    buildTags(keys, progress);
}

std::unique_ptr<tagsort::TagKeySorter> IndexFileImpl::gatherKeys(std::vector<IndexTagInfo> tags,
                                                                 const BuildOptions& options,
                                                                 std::uint64_t expectedRecords) {
    if (kind_ == Kind::Single && tags.size() > 1) throw StoreError(path_ + ": a single-tag index holds one tag");
    for (const auto& t : tags) validateInfo(t);
    return std::make_unique<tagsort::TagKeySorter>(std::move(tags), options, folderOf(path_), expectedRecords);
}

// Two workers write the tags: this thread takes them from the front and
// writes each straight into its place at the end of the file; the other
// takes them from the back and lays each out aside (in memory, or in the
// scratch file when large), numbered from 0. Once both are done the tags
// put aside are moved into the file behind the others, in order, so the
// file is laid out as if each tag had been written in turn.
void IndexFileImpl::buildTags(tagsort::TagKeySorter& keys, const ProgressFn& progress) {
    const std::size_t n = keys.tagCount();
    if (n == 0) return;
    if (kind_ == Kind::Single && n > 1) throw StoreError(path_ + ": a single-tag index holds one tag");
    for (std::size_t i = 0; i < n; ++i) validateInfo(keys.info(i));
    beginChange();
    if (progress && !progress(0)) throw CancelledError(path_ + ": tag build cancelled");

    // Progress counts entries written, plus one for each finished tag (so
    // that empty tags count too); it is reported from this thread only.
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < n; ++i) total += keys.entryCount(i) + 1;
    std::uint64_t frontWritten = 0;
    std::atomic<std::uint64_t> asideWritten{0};
    bool cancelled = false;
    int last = 0;
    auto report = [&](bool finished) {
        if (!progress || cancelled) return;
        const std::uint64_t done = frontWritten + asideWritten;
        const int pct = finished ? 100 : int(std::min<std::uint64_t>(99, done * 100 / total));
        if (pct == last) return;
        last = pct;
        if (!progress(pct)) {
            cancelled = true;
            keys.stop() = true;
        }
    };

    struct Aside {
        std::unique_ptr<tagsort::Spool> pages;
        std::uint32_t root = 0;
        std::uint64_t count = 0;
        std::uint64_t bytes = 0;
    };
    std::vector<Aside> aside(n);
    std::size_t heldAside = 0;  // memory of the images put aside, kept below one spool's
    std::mutex mu;
    std::size_t front = 0, back = n;
    const int sortThreads = n == 1 && keys.threads() >= 2 ? 2 : 1;
    constexpr std::uint64_t kStep = 0x4000;  // entries between looks at progress and cancel

    auto frontWork = [&] {
        for (;;) {
            std::size_t i;
            {
                std::lock_guard lock(mu);
                if (keys.stop() || front >= back) break;
                i = front++;
            }
            Slot slot = reserveTag(keys.info(i));
            try {
                std::uint64_t written = 0, handedOn = 0;
                ImageWriter w(
                    [&](const std::uint8_t* pages, std::size_t count) {
                        writeAt(std::uint64_t(slot.base) + written, pages, count * kPageSize);
                        written += count * kPageSize;
                        if (written - handedOn >= kWritebackStep) {
                            startWriteback(std::uint64_t(slot.base) + handedOn, written - handedOn);
                            handedOn = written;
                        }
                    },
                    slot.base, slot.info, keys.maxRecno(i), keys.scratch(), keys.limits(), path_);
                auto source = keys.sorted(i, sortThreads);
                const char* key;
                std::uint32_t recno;
                bool same;
                std::uint64_t k = 0;
                while (!keys.stop() && source->next(key, recno, same)) {
                    w.add(key, recno, same);
                    if (++k % kStep == 0) {
                        frontWritten += kStep;
                        report(false);
                    }
                }
                if (keys.stop()) {  // cancelled, or the other worker failed
                    abandonTag(slot);
                    break;
                }
                w.finish();
                completeTag(slot, w.root(), w.count(), w.bytes());
                frontWritten += k % kStep + 1;
            } catch (...) {
                abandonTag(slot);
                throw;
            }
            keys.release(i);
            report(false);
        }
        // The other worker's last tag: keep reporting (and listening for a
        // cancel) until it is done.
        while (!keys.helper().waitThere(std::chrono::milliseconds(100))) report(false);
    };
    auto backWork = [&] {
        for (;;) {
            std::size_t j;
            {
                std::lock_guard lock(mu);
                if (keys.stop() || back <= front + 1) return;
                j = --back;
            }
            Aside& a = aside[j];
            a.pages = std::make_unique<tagsort::Spool>(keys.scratch(), kPageSize, keys.limits().spoolMemory);
            tagsort::Spool& spool = *a.pages;
            ImageWriter w([&spool](const std::uint8_t* pages, std::size_t count) { spool.append(pages, count); }, 0,
                          keys.info(j), keys.maxRecno(j), keys.scratch(), keys.limits(), path_);
            auto source = keys.sorted(j, 1);
            const char* key;
            std::uint32_t recno;
            bool same;
            std::uint64_t k = 0;
            while (source->next(key, recno, same)) {
                w.add(key, recno, same);
                if (++k % kStep == 0) {
                    asideWritten += kStep;
                    if (keys.stop()) return;
                }
            }
            w.finish();
            a.root = w.root();
            a.count = w.count();
            a.bytes = w.bytes();
            // Images waiting for their place keep little memory between them.
            if (heldAside + spool.memoryHeld() > keys.limits().spoolMemory) spool.seal();
            else heldAside += spool.memoryHeld();
            asideWritten += k % kStep + 1;
            source.reset();
            keys.release(j);
        }
    };
    keys.helper().run(frontWork, backWork, keys.stop());
    if (cancelled) {
        flush();
        throw CancelledError(path_ + ": tag build cancelled");
    }
    for (std::size_t j = front; j < n; ++j) {
        Aside& a = aside[j];
        if (!a.pages) throw StoreError(path_ + ": tag " + keys.info(j).name + " was not built");
        Slot slot = reserveTag(keys.info(j));
        try {
            placeAside(slot, *a.pages, slot.info.keyLength);
            completeTag(slot, a.root + slot.base, a.count, a.bytes);
        } catch (...) {
            abandonTag(slot);
            throw;
        }
        a.pages.reset();
        report(false);
        if (cancelled) {
            flush();
            throw CancelledError(path_ + ": tag build cancelled");
        }
    }
    flush();
    report(true);
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

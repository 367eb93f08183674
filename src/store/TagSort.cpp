#include "store/TagSort.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "store/CdxPage.h"
#include "store/DbfFile.h"

namespace brindle::store::tagsort {

using cdx::commonPrefix;
using cdx::trailOf;

// ---------------------------------------------------------------------------
// Checksum of what goes to the scratch file: four independent lanes of a
// multiply-rotate mix, fast enough to cost little next to the writes.

namespace {

constexpr std::uint64_t kMix = 0x9FB21C651E98DF25ull;

inline std::uint64_t mix(std::uint64_t h, std::uint64_t w) {
    h ^= w;
    h *= kMix;
    return std::rotl(h, 31);
}

inline std::uint64_t load64(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

}  // namespace

std::uint64_t checksum(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint64_t a = 0x9E3779B97F4A7C15ull, b = 0xC2B2AE3D27D4EB4Full, c = 0x165667B19E3779F9ull,
                  d = 0x27D4EB2F165667C5ull;
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        a = mix(a, load64(p + i));
        b = mix(b, load64(p + i + 8));
        c = mix(c, load64(p + i + 16));
        d = mix(d, load64(p + i + 24));
    }
    for (; i + 8 <= n; i += 8) a = mix(a, load64(p + i));
    if (i < n) {
        std::uint64_t w = 0;
        std::memcpy(&w, p + i, n - i);
        b = mix(b, w);
    }
    return mix(a ^ std::rotl(b, 17) ^ std::rotl(c, 29) ^ std::rotl(d, 43), n);
}

namespace {

// Gives a string's memory back (assigning an empty string keeps it).
void freeString(std::string& s) {
    std::string none;
    s.swap(none);
}

}  // namespace

// ---------------------------------------------------------------------------

ScratchFile::ScratchFile(const std::string& folder) : folder_(folder.empty() ? std::string(".") : folder) {
#ifdef O_TMPFILE
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd_ < 0) {
        // No unnamed files on this file system: a named one, unlinked at once.
        std::string name = folder_ + "/.brindle-sort-XXXXXX";
        fd_ = ::mkstemp(name.data());
        if (fd_ < 0)
            throw StoreError("Cannot create a scratch file for sorting in " + folder_ + ": " + std::strerror(errno));
        ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
        ::unlink(name.c_str());
    }
}

ScratchFile::~ScratchFile() {
    if (fd_ >= 0) ::close(fd_);
}

Extent ScratchFile::append(const void* data, std::size_t n) {
    Extent e;
    e.offset = end_.fetch_add(n);
    e.bytes = static_cast<std::uint32_t>(n);
    e.sum = checksum(data, n);
    writeExact(fd_, data, n, e.offset, "the sort's scratch file in " + folder_);
    return e;
}

void ScratchFile::read(const Extent& e, void* buf) const {
    readExact(fd_, buf, e.bytes, e.offset, "the sort's scratch file in " + folder_);
    if (checksum(buf, e.bytes) != e.sum)
        throw StoreError("The sort's scratch file in " + folder_ + " did not read back as written");
}

ScratchFile& Scratch::file() {
    std::lock_guard lock(mu_);
    if (!file_) file_ = std::make_unique<ScratchFile>(folder_);
    return *file_;
}

bool Scratch::used() const {
    std::lock_guard lock(mu_);
    return file_ != nullptr;
}

// ---------------------------------------------------------------------------

Spool::Spool(Scratch& scratch, std::size_t recordSize, std::size_t memory)
    : scratch_(scratch), recordSize_(recordSize), memory_(std::max(memory / recordSize, std::size_t(1)) * recordSize) {}

void Spool::append(const void* records, std::size_t count) {
    const char* p = static_cast<const char*>(records);
    std::size_t bytes = count * recordSize_;
    while (bytes > 0) {
        if (tail_.size() == memory_) flushTail();
        const std::size_t take = std::min(bytes, memory_ - tail_.size());
        if (tail_.size() + take > tail_.capacity())
            tail_.reserve(std::min(memory_, std::max(tail_.capacity() * 2, tail_.size() + take)));
        tail_.append(p, take);
        p += take;
        bytes -= take;
    }
    count_ += count;
}

void Spool::flushTail() {
    if (tail_.empty()) return;
    pieces_.push_back(scratch_.file().append(tail_.data(), tail_.size()));
    freeString(tail_);
}

std::size_t Spool::Reader::next(const char*& records) {
    if (piece_ < spool_.pieces_.size()) {
        const Extent& e = spool_.pieces_[piece_++];
        buf_.resize(e.bytes);
        spool_.scratch_.file().read(e, buf_.data());
        records = buf_.data();
        return e.bytes / spool_.recordSize_;
    }
    if (!tailDone_) {
        tailDone_ = true;
        freeString(buf_);
        records = spool_.tail_.data();
        return spool_.tail_.size() / spool_.recordSize_;
    }
    return 0;
}

// ---------------------------------------------------------------------------

Helper::Helper(bool enabled) : enabled_(enabled) {
    if (enabled_) thread_ = std::thread([this] { loop(); });
}

Helper::~Helper() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mu_);
        quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void Helper::loop() {
    std::unique_lock lock(mu_);
    for (;;) {
        cv_.wait(lock, [this] { return quit_ || job_ != nullptr; });
        if (job_ == nullptr) return;
        const std::function<void()>* job = job_;
        lock.unlock();
        std::exception_ptr error;
        try {
            (*job)();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && stop_) *stop_ = true;  // the caller's side can end early
        error_ = error;
        job_ = nullptr;
        busy_ = false;
        cv_.notify_all();
    }
}

void Helper::run(const std::function<void()>& here, const std::function<void()>& there, std::atomic<bool>& stop) {
    if (!enabled_) {
        try {
            here();
            there();
        } catch (...) {
            stop = true;
            throw;
        }
        return;
    }
    {
        std::lock_guard lock(mu_);
        job_ = &there;
        busy_ = true;
        error_ = nullptr;
        stop_ = &stop;
    }
    cv_.notify_all();
    std::exception_ptr mine;
    try {
        here();
    } catch (...) {
        mine = std::current_exception();
        stop = true;
    }
    std::exception_ptr theirs;
    {
        std::unique_lock lock(mu_);
        cv_.wait(lock, [this] { return !busy_; });
        theirs = error_;
        error_ = nullptr;
        stop_ = nullptr;
    }
    if (theirs) stop = true;
    if (mine) std::rethrow_exception(mine);
    if (theirs) std::rethrow_exception(theirs);
}

bool Helper::waitThere(std::chrono::milliseconds wait) {
    if (!enabled_) return true;
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, wait, [this] { return !busy_; });
}

// ---------------------------------------------------------------------------
// Sorting in memory. Sort entries carry the first 16 key bytes and the record
// number, so that most comparisons never touch the key array; `index` has its
// top bit set when the key holds more than fill bytes past its first 16.
//
// Entries are sorted by those 16 bytes and the record number alone. Entries
// whose first 16 bytes are equal and of which one at least goes on are then
// put in order by the next 16 bytes (read once for each entry rather than
// once for each comparison), and so on to the end of the key.

namespace {

struct SortItem {
    std::uint64_t p1;
    std::uint64_t p2;
    std::uint32_t index;
    std::uint32_t recno;
};
constexpr std::uint32_t kLongTail = 0x80000000u;
// While a group of entries is ordered by later key bytes: the key holds more
// than fill bytes past the 16 being compared.
constexpr std::uint32_t kGoesOn = 0x40000000u;
constexpr std::uint32_t kIndexMask = ~(kLongTail | kGoesOn);
// Keys in memory at once, for one tag.
constexpr std::size_t kMaxSortEntries = kGoesOn - 1;

// 16 key bytes from `key` as two big-endian numbers (zero beyond `len`).
inline void prefixesOf(const char* key, int len, std::uint64_t& p1, std::uint64_t& p2) {
    static_assert(std::endian::native == std::endian::little);
    if (len >= 16) {
        std::memcpy(&p1, key, 8);
        std::memcpy(&p2, key + 8, 8);
    } else {
        char b[16] = {};
        if (len > 0) std::memcpy(b, key, std::size_t(len));
        std::memcpy(&p1, b, 8);
        std::memcpy(&p2, b + 8, 8);
    }
    p1 = __builtin_bswap64(p1);
    p2 = __builtin_bswap64(p2);
}

// A function object rather than a function, so that the sort inlines it.
struct LessByPrefix {
    bool operator()(const SortItem& a, const SortItem& b) const {
        if (a.p1 != b.p1) return a.p1 < b.p1;
        if (a.p2 != b.p2) return a.p2 < b.p2;
        return a.recno < b.recno;
    }
};
constexpr LessByPrefix lessByPrefix{};

inline bool samePrefix(const SortItem& a, const SortItem& b) { return a.p1 == b.p1 && a.p2 == b.p2; }

struct KeyArray {
    const char* keys;
    int kl;
    char fill;
    const char* at(const SortItem& it) const { return keys + std::size_t(it.index & kIndexMask) * std::size_t(kl); }
};

void orderGroups(SortItem* items, std::size_t n, const KeyArray& k, int offset, std::uint32_t goesOn, SortItem* tmp);
void radixByPrefix(SortItem* items, SortItem* tmp, std::size_t n, int b);

// Entries with equal key bytes before `offset` (and equal 16 bytes before
// that, which they get back at the end): ordered by the rest of the key.
// `tmp` (room for n, or null): the entries are in record order, so the
// radix sort may order them.
void orderByLaterBytes(SortItem* items, std::size_t n, const KeyArray& k, int offset, SortItem* tmp) {
    const std::uint64_t p1 = items[0].p1, p2 = items[0].p2;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + 8 < n) __builtin_prefetch(k.at(items[i + 8]) + offset);
        SortItem& it = items[i];
        const char* key = k.at(it);
        prefixesOf(key + offset, k.kl - offset, it.p1, it.p2);
        it.index &= ~kGoesOn;
        if (k.kl > offset + 16 && k.kl - trailOf(key, k.kl, k.fill) > offset + 16) it.index |= kGoesOn;
    }
    if (!std::is_sorted(items, items + n, lessByPrefix)) {
        if (tmp) radixByPrefix(items, tmp, n, 0);
        else std::sort(items, items + n, lessByPrefix);
    }
    orderGroups(items, n, k, offset + 16, kGoesOn, tmp);
    for (std::size_t i = 0; i < n; ++i) {
        items[i].p1 = p1;
        items[i].p2 = p2;
        items[i].index &= ~kGoesOn;
    }
}

// Entries sorted by their 16 bytes before `offset` and record number: each
// stretch of equal bytes where an entry's key goes on (flag `goesOn`) is
// ordered by the bytes from `offset`.
void orderGroups(SortItem* items, std::size_t n, const KeyArray& k, int offset, std::uint32_t goesOn, SortItem* tmp) {
    if (offset >= k.kl) return;
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        bool more = (items[i].index & goesOn) != 0;
        while (j < n && samePrefix(items[i], items[j])) more |= (items[j++].index & goesOn) != 0;
        if (more && j - i > 1) orderByLaterBytes(items + i, j - i, k, offset, tmp ? tmp + i : nullptr);
        i = j;
    }
}

// Byte `b` (0..15) of an entry's first 16 key bytes.
inline unsigned prefixByte(const SortItem& it, int b) {
    return b < 8 ? unsigned(it.p1 >> (56 - 8 * b)) & 0xFF : unsigned(it.p2 >> (56 - 8 * (b - 8))) & 0xFF;
}

// Orders entries by their 16 prefix bytes from byte `b` on (the bytes before
// it are equal), one byte at a time, keeping entries of equal bytes in the
// order they came: with entries arriving in record order that is the order
// of lessByPrefix, at a fraction of its comparisons. `tmp` has room for n.
void radixByPrefix(SortItem* items, SortItem* tmp, std::size_t n, int b) {
    constexpr std::size_t kSmall = 48;
    std::uint32_t count[256];
    for (; b < 16; ++b) {
        if (n <= kSmall) {
            // Insertion sort; it keeps equal entries in order as well.
            for (std::size_t i = 1; i < n; ++i) {
                const SortItem x = items[i];
                std::size_t j = i;
                for (; j > 0 && lessByPrefix(x, items[j - 1]); --j) items[j] = items[j - 1];
                items[j] = x;
            }
            return;
        }
        std::memset(count, 0, sizeof count);
        for (std::size_t i = 0; i < n; ++i) ++count[prefixByte(items[i], b)];
        if (count[prefixByte(items[0], b)] == n) continue;  // all share this byte
        std::uint32_t start[256];
        std::uint32_t sum = 0;
        for (int v = 0; v < 256; ++v) {
            start[v] = sum;
            sum += count[v];
        }
        std::uint32_t pos[256];
        std::memcpy(pos, start, sizeof pos);
        for (std::size_t i = 0; i < n; ++i) tmp[pos[prefixByte(items[i], b)]++] = items[i];
        std::memcpy(items, tmp, n * sizeof(SortItem));
        if (b == 15) return;
        for (int v = 0; v < 256; ++v)
            if (count[v] > 1) radixByPrefix(items + start[v], tmp + start[v], count[v], b + 1);
        return;
    }
}

// Sorts by the top 16 bits first (one counting pass), then each bucket on
// its own; with two threads the buckets split between them without a merge.
// Buckets already in order (long runs of one key arriving in record order)
// are only checked. When the entries came in record order, buckets are
// ordered by the radix sort above, otherwise by comparisons.
void sortEntries(std::vector<SortItem>& items, std::vector<SortItem>& scratch, const char* keys, int kl, char fill,
                 int threads) {
    const KeyArray k{keys, kl, fill};
    const std::size_t n = items.size();
    if (n < 4096) {
        std::sort(items.begin(), items.end(), lessByPrefix);
        orderGroups(items.data(), n, k, 16, kLongTail, nullptr);
        return;
    }
    std::vector<std::size_t> start(65537, 0);
    bool inRecordOrder = true;
    std::uint32_t lastRecno = 0;
    for (const auto& it : items) {
        ++start[(it.p1 >> 48) + 1];
        inRecordOrder = inRecordOrder && it.recno > lastRecno;
        lastRecno = it.recno;
    }
    for (std::size_t b = 1; b <= 65536; ++b) start[b] += start[b - 1];
    scratch.resize(n);
    {
        std::vector<std::size_t> pos(start.begin(), start.end() - 1);
        for (const auto& it : items) scratch[pos[it.p1 >> 48]++] = it;
    }
    items.swap(scratch);
    auto sortBuckets = [&](std::size_t from, std::size_t to) {
        for (std::size_t b = from; b < to; ++b) {
            SortItem* first = items.data() + start[b];
            const std::size_t count = start[b + 1] - start[b];
            if (count < 2) continue;
            if (!std::is_sorted(first, first + count, lessByPrefix)) {
                if (inRecordOrder) radixByPrefix(first, scratch.data() + start[b], count, 2);
                else std::sort(first, first + count, lessByPrefix);
            }
            orderGroups(first, count, k, 16, kLongTail, inRecordOrder ? scratch.data() + start[b] : nullptr);
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

// Whether two sort entries hold equal keys: their first 16 bytes are equal
// and either neither holds more than fill bytes past them or the rest is
// equal too.
inline bool sameKeys(const SortItem& a, const SortItem& b, const char* keys, int kl) {
    if (a.p1 != b.p1 || a.p2 != b.p2) return false;
    if (kl <= 16 || !((a.index | b.index) & kLongTail)) return true;
    return std::memcmp(keys + std::size_t(a.index & kIndexMask) * std::size_t(kl) + 16,
                       keys + std::size_t(b.index & kIndexMask) * std::size_t(kl) + 16, std::size_t(kl - 16)) == 0;
}

void makeItems(const char* keys, const std::uint32_t* recnos, std::size_t n, int kl, char fill,
               std::vector<SortItem>& items) {
    items.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const char* k = keys + i * std::size_t(kl);
        SortItem& it = items[i];
        prefixesOf(k, kl, it.p1, it.p2);
        it.index = std::uint32_t(i);
        if (kl > 16 && kl - trailOf(k, kl, fill) > 16) it.index |= kLongTail;
        it.recno = recnos[i];
    }
}

// ---------------------------------------------------------------------------
// Runs. Entries follow each other in pieces (blocks) of at most blockBytes
// that never split an entry:
//   a key equal to the previous one:  0xFF, record number minus the previous
//                                      one (LEB128)
//   any other key:                    stored length, bytes shared with the
//                                      previous key, record number (LEB128),
//                                      the stored bytes
// Trailing fill bytes are not stored. Key lengths are at most 240, so 0xFF is
// free as a mark.

constexpr unsigned char kSameKey = 0xFF;
constexpr std::size_t kMaxEntryBytes = 2 + 5 + 240;

class RunEncoder {
public:
    RunEncoder(Scratch& scratch, int kl, char fill, std::size_t blockBytes, std::string& buffer)
        : scratch_(scratch), kl_(kl), fill_(fill), blockBytes_(std::max(blockBytes, kMaxEntryBytes)), buf_(buffer),
          prev_(std::size_t(kl), fill) {
        buf_.resize(blockBytes_);
    }

    // `same`: the key equals the previous one (the caller knows it, or the
    // encoder compares).
    void add(const char* key, std::uint32_t recno) {
        add(key, recno, run_.count && std::memcmp(key, prev_.data(), std::size_t(kl_)) == 0);
    }
    void add(const char* key, std::uint32_t recno, bool same) {
        if (used_ + kMaxEntryBytes > blockBytes_) flushBlock();
        auto* out = reinterpret_cast<unsigned char*>(buf_.data());
        if (same && run_.count && recno >= prevRecno_) {
            out[used_++] = kSameKey;
            putVarint(out, recno - prevRecno_);
        } else {
            const int limit = kl_ - trailOf(key, kl_, fill_);
            const int dup = run_.count ? commonPrefix(prev_.data(), key, limit) : 0;
            const int len = limit - dup;
            out[used_++] = static_cast<unsigned char>(len);
            out[used_++] = static_cast<unsigned char>(dup);
            putVarint(out, recno);
            std::memcpy(out + used_, key + dup, std::size_t(len));
            used_ += std::size_t(len);
            std::memcpy(prev_.data() + dup, key + dup, std::size_t(kl_ - dup));
        }
        prevRecno_ = recno;
        ++run_.count;
    }

    Run finish() {
        flushBlock();
        return std::move(run_);
    }

private:
    void putVarint(unsigned char* out, std::uint32_t v) {
        while (v >= 0x80) {
            out[used_++] = static_cast<unsigned char>(v | 0x80);
            v >>= 7;
        }
        out[used_++] = static_cast<unsigned char>(v);
    }
    void flushBlock() {
        if (used_ == 0) return;
        run_.blocks.push_back(scratch_.file().append(buf_.data(), used_));
        used_ = 0;
    }

    Scratch& scratch_;
    int kl_;
    char fill_;
    std::size_t blockBytes_;
    std::string& buf_;
    std::size_t used_ = 0;
    std::string prev_;
    std::uint32_t prevRecno_ = 0;
    Run run_;
};

// Reads a run back entry by entry. The checksum of each piece has been
// checked; the decoding checks every length and record number anyway, so
// that nothing it reads can take it out of bounds.
class RunReader {
public:
    RunReader(Scratch& scratch, const Run& run, int kl, char fill, std::uint32_t maxRecno)
        : scratch_(scratch), run_(run), kl_(kl), fill_(fill), maxRecno_(maxRecno), left_(run.count),
          key_(std::size_t(kl), fill) {}

    // Moves to the next entry; false at the end of the run.
    bool advance() {
        while (p_ == end_) {
            if (block_ == run_.blocks.size()) {
                if (left_ != 0) damaged();
                done_ = true;
                return false;
            }
            const Extent& e = run_.blocks[block_++];
            buf_.resize(e.bytes);
            scratch_.file().read(e, buf_.data());
            p_ = reinterpret_cast<const unsigned char*>(buf_.data());
            end_ = p_ + e.bytes;
        }
        if (left_ == 0) damaged();
        --left_;
        const unsigned char mark = *p_++;
        repeated_ = mark == kSameKey;
        if (repeated_) {
            if (first_) damaged();
            const std::uint32_t delta = varint();
            if (delta > maxRecno_ - recno_) damaged();
            recno_ += delta;
        } else {
            if (p_ == end_) damaged();
            const int len = mark, dup = *p_++;
            if (dup > kl_ || len > kl_ - dup || (first_ && dup != 0)) damaged();
            recno_ = varint();
            if (recno_ > maxRecno_ || end_ - p_ < len) damaged();
            std::memcpy(key_.data() + dup, p_, std::size_t(len));
            std::memset(key_.data() + dup + len, fill_, std::size_t(kl_ - dup - len));
            p_ += len;
            prefixesOf(key_.data(), kl_, p1, p2);
        }
        first_ = false;
        return true;
    }

    const char* key() const { return key_.data(); }
    std::uint32_t recno() const { return recno_; }
    bool done() const { return done_; }
    bool repeated() const { return repeated_; }  // the entry's key equals the one before it

    std::uint64_t p1 = 0, p2 = 0;

private:
    std::uint32_t varint() {
        std::uint32_t v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            if (p_ == end_) damaged();
            const unsigned char b = *p_++;
            v |= std::uint32_t(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        damaged();
    }
    [[noreturn]] void damaged() const {
        throw StoreError("The sort's scratch file holds a damaged run");
    }

    Scratch& scratch_;
    const Run& run_;
    int kl_;
    char fill_;
    std::uint32_t maxRecno_;
    std::uint64_t left_;
    std::size_t block_ = 0;
    std::string buf_;
    const unsigned char* p_ = nullptr;
    const unsigned char* end_ = nullptr;
    bool first_ = true;
    bool done_ = false;
    bool repeated_ = false;
    std::string key_;
    std::uint32_t recno_ = 0;
};

// Several runs merged by a tree of losers: each step replays one path from a
// leaf to the root, log2(runs) comparisons. When every run holds a stretch
// of records of its own, an entry that repeats its run's previous key is the
// smallest of all at once (another run's entries of that key lie wholly
// before or after the run's), so it needs no replay: runs of equal keys cost
// next to nothing.
class MergeSource final : public SortedSource {
public:
    MergeSource(std::vector<std::unique_ptr<RunReader>> readers, int kl, bool disjointRecords)
        : readers_(std::move(readers)), kl_(kl), k_(readers_.size()), tree_(std::max<std::size_t>(k_, 1)),
          disjoint_(disjointRecords) {}

    bool next(const char*& key, std::uint32_t& recno, bool& same) override {
        if (k_ == 0) return false;
        same = false;
        if (!started_) {
            started_ = true;
            for (auto& r : readers_) r->advance();
            tree_[0] = build(1);
        } else {
            std::size_t w = tree_[0];
            RunReader& r = *readers_[w];
            if (r.advance() && disjoint_ && r.repeated()) {
                key = r.key();
                recno = r.recno();
                same = true;
                return true;
            }
            for (std::size_t node = (w + k_) / 2; node > 0; node /= 2) {
                if (less(tree_[node], w)) std::swap(tree_[node], w);
            }
            tree_[0] = w;
        }
        const RunReader& r = *readers_[tree_[0]];
        if (r.done()) return false;
        key = r.key();
        recno = r.recno();
        return true;
    }

private:
    // Winner of the subtree at `node`; leaves are nodes k_ .. 2k_-1.
    std::size_t build(std::size_t node) {
        if (node >= k_) return node - k_;
        std::size_t a = build(2 * node), b = build(2 * node + 1);
        if (less(b, a)) std::swap(a, b);
        tree_[node] = b;
        return a;
    }
    bool less(std::size_t ia, std::size_t ib) const {
        const RunReader& a = *readers_[ia];
        const RunReader& b = *readers_[ib];
        if (a.done()) return false;
        if (b.done()) return true;
        if (a.p1 != b.p1) return a.p1 < b.p1;
        if (a.p2 != b.p2) return a.p2 < b.p2;
        if (kl_ > 16) {
            const int c = std::memcmp(a.key() + 16, b.key() + 16, std::size_t(kl_ - 16));
            if (c) return c < 0;
        }
        return a.recno() < b.recno();
    }

    std::vector<std::unique_ptr<RunReader>> readers_;
    int kl_;
    std::size_t k_;
    std::vector<std::size_t> tree_;
    bool disjoint_;
    bool started_ = false;
};

// Keys held in memory, sorted when the source is made.
class MemorySource final : public SortedSource {
public:
    MemorySource(const std::string& keys, const std::vector<std::uint32_t>& recnos, int kl, char fill, int threads)
        : keys_(keys.data()), kl_(kl) {
        makeItems(keys.data(), recnos.data(), recnos.size(), kl, fill, items_);
        std::vector<SortItem> spare;
        sortEntries(items_, spare, keys_, kl, fill, threads);
    }
    bool next(const char*& key, std::uint32_t& recno, bool& same) override {
        if (pos_ == items_.size()) return false;
        if (pos_ + 8 < items_.size())
            __builtin_prefetch(keys_ + std::size_t(items_[pos_ + 8].index & kIndexMask) * std::size_t(kl_));
        const SortItem& it = items_[pos_++];
        key = keys_ + std::size_t(it.index & kIndexMask) * std::size_t(kl_);
        recno = it.recno;
        same = pos_ > 1 && sameKeys(items_[pos_ - 2], it, keys_, kl_);
        return true;
    }

private:
    const char* keys_;
    int kl_;
    std::vector<SortItem> items_;
    std::size_t pos_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------

struct TagKeySorter::SortBuffers {
    std::vector<SortItem> items;
    std::vector<SortItem> spare;
    std::string block;
};

TagKeySorter::TagKeySorter(std::vector<IndexTagInfo> tags, const BuildOptions& options, const std::string& folder,
                           std::uint64_t expectedRecords)
    : options_(options), scratch_(folder), helper_(options.threads >= 2 && tags.size() >= 2) {
    // The budget covers the key buffers of all tags and the sort entries of
    // the two tags being sorted at a time (items and their scratch copy);
    // while merging, each of the two workers reads its runs with half of it.
    const std::size_t budget = std::max<std::size_t>(options.memory, 1);
    Limits& l = limits_;
    l.blockBytes = std::clamp<std::size_t>(budget / 2048, 4096, 128 * 1024);
    l.spoolMemory = std::clamp<std::size_t>(budget / 64, 16 * 1024, 4 << 20);
    l.pageBuffer = std::clamp<std::size_t>(budget / 256, 8 * cdx::kPageSize, 512 * 1024) / cdx::kPageSize * cdx::kPageSize;
    std::size_t perRecord = 4 * sizeof(SortItem);
    for (const auto& t : tags) perRecord += std::size_t(t.keyLength) + 4;
    const std::size_t fixed = 2 * l.blockBytes;
    const std::size_t records = budget > fixed ? (budget - fixed) / perRecord : 0;
    l.runRecords = std::uint32_t(std::clamp<std::size_t>(records, 64, kMaxSortEntries));
    const std::size_t besides = 3 * l.spoolMemory + l.pageBuffer;
    const std::size_t mergeMemory = budget / 2 > besides ? budget / 2 - besides : 0;
    l.fanIn = std::max<std::size_t>(2, mergeMemory / l.blockBytes);

    const std::size_t first = std::size_t(std::min<std::uint64_t>(l.runRecords, expectedRecords));
    tags_.resize(tags.size());
    for (std::size_t i = 0; i < tags.size(); ++i) {
        Tag& t = tags_[i];
        t.info = std::move(tags[i]);
        t.fill = t.info.charKeys ? ' ' : '\0';
        t.keys.reserve(first * std::size_t(t.info.keyLength));
        t.recnos.reserve(first);
    }
}

TagKeySorter::~TagKeySorter() = default;

std::uint32_t TagKeySorter::room() const {
    std::size_t most = 0;
    for (const auto& t : tags_) most = std::max(most, t.recnos.size());
    return most >= limits_.runRecords ? 0 : std::uint32_t(limits_.runRecords - most);
}

void TagKeySorter::spill() {
    spilled_ = true;
    sortBuffers_.resize(2);
    for (auto& b : sortBuffers_)
        if (!b) b = std::make_unique<SortBuffers>();
    std::atomic<std::size_t> next{0};
    auto work = [&](int worker) {
        for (;;) {
            if (stop_) return;
            const std::size_t i = next++;
            if (i >= tags_.size()) return;
            spillTag(tags_[i], worker);
        }
    };
    helper_.run([&] { work(0); }, [&] { work(1); }, stop_);
}

void TagKeySorter::spillTag(Tag& t, int worker) {
    const std::size_t n = t.recnos.size();
    if (n == 0) return;
    const int kl = t.info.keyLength;
    if (t.keys.size() != n * std::size_t(kl)) throw StoreError("tag " + t.info.name + ": keys do not match the record count");
    SortBuffers& b = *sortBuffers_[std::size_t(worker)];
    makeItems(t.keys.data(), t.recnos.data(), n, kl, t.fill, b.items);
    sortEntries(b.items, b.spare, t.keys.data(), kl, t.fill, tags_.size() == 1 && options_.threads >= 2 ? 2 : 1);
    RunEncoder enc(scratch_, kl, t.fill, limits_.blockBytes, b.block);
    const char* keys = t.keys.data();
    auto keyOf = [&](const SortItem& it) { return keys + std::size_t(it.index & kIndexMask) * std::size_t(kl); };
    const SortItem* prev = nullptr;
    const std::size_t count = b.items.size();
    for (std::size_t i = 0; i < count; ++i) {
        // Keys are visited in sorted order, all over the buffer: fetch ahead.
        if (i + 8 < count) __builtin_prefetch(keyOf(b.items[i + 8]));
        const SortItem& it = b.items[i];
        enc.add(keyOf(it), it.recno, prev && sameKeys(*prev, it, keys, kl));
        prev = &it;
    }
    t.runs.push_back(enc.finish());
    t.keys.clear();
    t.recnos.clear();
}

void TagKeySorter::finishInput() {
    if (!spilled_) return;  // everything fits: sorted in memory when built
    spill();
    for (auto& t : tags_) {
        freeString(t.keys);
        t.recnos = std::vector<std::uint32_t>();
    }
    sortBuffers_.clear();
}

void TagKeySorter::adopt(std::size_t tag, std::string keys, std::vector<std::uint32_t> recnos) {
    Tag& t = tags_[tag];
    t.keys = std::move(keys);
    t.recnos = std::move(recnos);
    t.runs.clear();
    t.total = t.recnos.size();
    t.maxRecno = 0;
    t.ascending = true;
    for (auto r : t.recnos) {
        if (r <= t.maxRecno) t.ascending = false;
        t.maxRecno = std::max(t.maxRecno, r);
    }
}

Run TagKeySorter::mergeRuns(Tag& t, std::size_t from, std::size_t to) {
    std::vector<std::unique_ptr<RunReader>> readers;
    for (std::size_t i = from; i < to; ++i)
        readers.push_back(std::make_unique<RunReader>(scratch_, t.runs[i], t.info.keyLength, t.fill, t.maxRecno));
    MergeSource merge(std::move(readers), t.info.keyLength, t.ascending);
    std::string block;
    RunEncoder enc(scratch_, t.info.keyLength, t.fill, limits_.blockBytes, block);
    const char* key;
    std::uint32_t recno;
    bool same;
    std::uint64_t n = 0;
    while (merge.next(key, recno, same)) {
        if (same) enc.add(key, recno, true);
        else enc.add(key, recno);
        if ((++n & 0xFFFF) == 0 && stop_) throw CancelledError("Index build cancelled");
    }
    return enc.finish();
}

std::unique_ptr<SortedSource> TagKeySorter::sorted(std::size_t tag, int threads) {
    Tag& t = tags_[tag];
    const int kl = t.info.keyLength;
    if (t.runs.empty()) {
        if (t.recnos.size() > kMaxSortEntries) throw StoreError("too many keys for one tag");
        if (t.keys.size() != t.recnos.size() * std::size_t(kl))
            throw StoreError("tag " + t.info.name + ": keys do not match the record count");
        return std::make_unique<MemorySource>(t.keys, t.recnos, kl, t.fill, threads);
    }
    // More runs than the budget can read at once are merged in groups of
    // neighbours first, each group taking its place, so that every run still
    // holds a stretch of records next to the others'.
    while (t.runs.size() > limits_.fanIn) {
        std::vector<Run> fewer;
        for (std::size_t i = 0; i < t.runs.size(); i += limits_.fanIn) {
            const std::size_t end = std::min(t.runs.size(), i + limits_.fanIn);
            fewer.push_back(end - i == 1 ? std::move(t.runs[i]) : mergeRuns(t, i, end));
        }
        t.runs = std::move(fewer);
    }
    std::vector<std::unique_ptr<RunReader>> readers;
    for (const Run& r : t.runs) readers.push_back(std::make_unique<RunReader>(scratch_, r, kl, t.fill, t.maxRecno));
    return std::make_unique<MergeSource>(std::move(readers), kl, t.ascending);
}

void TagKeySorter::release(std::size_t tag) {
    Tag& t = tags_[tag];
    freeString(t.keys);
    t.recnos = std::vector<std::uint32_t>();
    t.runs = std::vector<Run>();
}

}  // namespace brindle::store::tagsort

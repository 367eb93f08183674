#pragma once
// Byte layout of compact index pages: the 1024-byte tag header and the
// 512-byte interior and leaf (exterior) nodes, with the bit-packed,
// prefix/suffix-compressed leaf entries. Decoding checks everything it reads,
// so a garbled page is reported instead of read out of bounds.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "store/Bytes.h"

namespace brindle::store::cdx {

constexpr std::uint32_t kPageSize = 512;
constexpr std::uint32_t kHeaderSize = 1024;
constexpr std::uint32_t kNoPage = 0xFFFFFFFFu;
constexpr int kLeafHeader = 24;
constexpr int kLeafSpace = 488;      // bytes 24..511 of a leaf
constexpr int kInteriorSpace = 500;  // bytes 12..511 of an interior node
constexpr int kMaxKeyLength = 240;

// Node attribute bits.
constexpr std::uint16_t kAttrRoot = 1;
constexpr std::uint16_t kAttrLeaf = 2;

// Tag header fields.
constexpr int hRoot = 0;
constexpr int hFree = 4;
constexpr int hCounter = 8;
constexpr int hKeyLength = 12;
constexpr int hOptions = 14;
constexpr int hSignature = 15;
constexpr int hOwnMagic = 256;  // "BRDX" when the flags byte below is ours
constexpr int hOwnFlags = 260;  // bit 0: keys padded with NULs (not blanks)
constexpr int hDirtyMark = 264;  // "DIRT" while a writer has unwritten changes
constexpr int hDescending = 502;
constexpr int hForPos = 504;
constexpr int hForLength = 506;
constexpr int hKeyPos = 508;
constexpr int hKeyExprLength = 510;
constexpr int hPool = 512;

constexpr std::uint8_t kOptUnique = 0x01;
constexpr std::uint8_t kOptFor = 0x08;
constexpr std::uint8_t kOptCompact = 0x20;
constexpr std::uint8_t kOptCompound = 0x40;
constexpr std::uint8_t kOptDirectory = 0x80;

using store::be32;
using store::le16;
using store::le32;
using store::putBe32;
using store::putLe16;
using store::putLe32;

// Number of bits needed to hold v (at least 1).
inline int bitsFor(std::uint32_t v) {
    int b = 1;
    while (b < 32 && (v >> b) != 0) ++b;
    return b;
}

// How the entries of one leaf are packed.
struct LeafLayout {
    int recBits = 0;
    int dupBits = 0;
    int trailBits = 0;
    int entryBytes = 0;
};
LeafLayout leafLayoutFor(std::uint32_t maxRecno, int keyLength);

// Trailing fill bytes of a key (blanks for character keys, NULs otherwise).
// Compares eight bytes at a time: keys are often mostly fill.
inline int trailOf(const char* key, int keyLength, char fill) {
    const std::uint64_t pattern = 0x0101010101010101ull * static_cast<unsigned char>(fill);
    int t = 0;
    while (t + 8 <= keyLength) {
        std::uint64_t w;
        std::memcpy(&w, key + keyLength - t - 8, 8);
        if (w != pattern) break;
        t += 8;
    }
    while (t < keyLength && key[keyLength - 1 - t] == fill) ++t;
    return t;
}
// Length of the common prefix of a and b, at most limit.
inline int commonPrefix(const char* a, const char* b, int limit) {
    static_assert(std::endian::native == std::endian::little);
    int d = 0;
    while (d + 8 <= limit) {
        std::uint64_t x, y;
        std::memcpy(&x, a + d, 8);
        std::memcpy(&y, b + d, 8);
        if (x != y) return d + (__builtin_ctzll(x ^ y) >> 3);
        d += 8;
    }
    while (d < limit && a[d] == b[d]) ++d;
    return d;
}
// Key bytes a leaf stores for `key` after `prev` (nullptr for the first entry).
inline int storedOf(const char* prev, const char* key, int keyLength, char fill) {
    const int limit = keyLength - trailOf(key, keyLength, fill);
    return prev ? limit - commonPrefix(prev, key, limit) : limit;
}

// A decoded node. Keys are stored expanded, count * keyLength bytes.
struct Node {
    std::uint32_t offset = 0;
    int keyLength = 0;
    char fill = ' ';
    bool leaf = true;
    bool root = false;
    bool dirty = false;
    bool referenced = true;  // for the cache's clock eviction
    std::uint32_t left = kNoPage;
    std::uint32_t right = kNoPage;
    std::string keys;
    std::vector<std::uint32_t> recnos;
    std::vector<std::uint32_t> children;  // interior nodes only
    // Leaf size accounting: compressed key bytes and an upper bound of the
    // largest record number (kept while entries come and go).
    std::uint32_t stored = 0;
    std::uint32_t maxRecno = 0;

    std::size_t count() const { return recnos.size(); }
    const char* key(std::size_t i) const { return keys.data() + i * std::size_t(keyLength); }
    char* key(std::size_t i) { return keys.data() + i * std::size_t(keyLength); }
};

// Bytes a leaf needs when encoded (entries plus compressed keys).
inline int leafBytes(const Node& n) {
    return int(n.count()) * leafLayoutFor(n.maxRecno, n.keyLength).entryBytes + int(n.stored);
}
inline int interiorCapacity(int keyLength) { return kInteriorSpace / (keyLength + 8); }
void recomputeLeafStats(Node& n);

// Encodes a node into a 512-byte page.
void encodeNode(const Node& n, std::uint8_t* page);
// Fills one leaf page entry by entry: the entries grow from the front, the
// compressed key bytes from the back.
class LeafWriter {
public:
    LeafWriter(std::uint8_t* page, int keyLength, char fill, const LeafLayout& layout)
        : page_(page), kl_(keyLength), fill_(fill), layout_(layout) {}
    // Appends an entry (keys in ascending order); false when it does not fit.
    bool add(const char* key, std::uint32_t recno) {
        const int trail = trailOf(key, kl_, fill_);
        const int limit = kl_ - trail;
        const int dup = prev_ ? commonPrefix(prev_, key, limit) : 0;
        const int stored = limit - dup;
        if (keyPos_ - stored < entryPos_ + layout_.entryBytes) return false;
        keyPos_ -= stored;
        std::memcpy(page_ + keyPos_, key + dup, std::size_t(stored));
        putEntry(recno, dup, trail);
        prev_ = key;
        prevTrail_ = trail;
        return true;
    }
    // Appends an entry whose key equals the one added last on this page
    // (what add() would store for it: nothing but the counts).
    bool addRepeat(std::uint32_t recno) {
        if (!prev_ || keyPos_ < entryPos_ + layout_.entryBytes) return false;
        putEntry(recno, kl_ - prevTrail_, prevTrail_);
        return true;
    }
    // Writes the leaf header fields that describe the entries.
    void finish() {
        putLe16(page_ + 2, std::uint32_t(count_));
        putLe16(page_ + 12, std::uint32_t(keyPos_ - entryPos_));
        putLe32(page_ + 14, layout_.recBits >= 32 ? 0xFFFFFFFFu : ((1u << layout_.recBits) - 1));
        page_[18] = std::uint8_t((1u << layout_.dupBits) - 1);
        page_[19] = std::uint8_t((1u << layout_.trailBits) - 1);
        page_[20] = std::uint8_t(layout_.recBits);
        page_[21] = std::uint8_t(layout_.dupBits);
        page_[22] = std::uint8_t(layout_.trailBits);
        page_[23] = std::uint8_t(layout_.entryBytes);
    }
    std::size_t count() const { return count_; }

private:
    void putEntry(std::uint32_t recno, int dup, int trail) {
        const std::uint64_t v = std::uint64_t(recno) | (std::uint64_t(dup) << layout_.recBits) |
                                (std::uint64_t(trail) << (layout_.recBits + layout_.dupBits));
        for (int b = 0; b < layout_.entryBytes; ++b) page_[entryPos_ + b] = std::uint8_t(v >> (8 * b));
        entryPos_ += layout_.entryBytes;
        ++count_;
    }

    std::uint8_t* page_;
    int kl_;
    char fill_;
    LeafLayout layout_;
    int entryPos_ = kLeafHeader;
    int keyPos_ = int(kPageSize);
    const char* prev_ = nullptr;
    int prevTrail_ = 0;
    std::size_t count_ = 0;
};

// Decodes a page into n (keyLength and fill already set). Returns an empty
// string on success, else a description of what is wrong.
std::string decodeNode(const std::uint8_t* page, Node& n);

}  // namespace brindle::store::cdx

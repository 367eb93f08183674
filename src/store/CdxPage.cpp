#include "store/CdxPage.h"

#include <algorithm>
#include <stdexcept>

namespace brindle::store::cdx {

LeafLayout leafLayoutFor(std::uint32_t maxRecno, int keyLength) {
    LeafLayout l;
    l.dupBits = l.trailBits = bitsFor(std::uint32_t(keyLength));
    const int need = bitsFor(maxRecno) + l.dupBits + l.trailBits;
    l.entryBytes = (need + 7) / 8;
    // Record numbers get every bit the entry has left.
    l.recBits = std::min(32, l.entryBytes * 8 - l.dupBits - l.trailBits);
    return l;
}

void recomputeLeafStats(Node& n) {
    n.stored = 0;
    n.maxRecno = 0;
    for (std::size_t i = 0; i < n.count(); ++i) {
        n.stored += std::uint32_t(storedOf(i ? n.key(i - 1) : nullptr, n.key(i), n.keyLength, n.fill));
        n.maxRecno = std::max(n.maxRecno, n.recnos[i]);
    }
}

void encodeNode(const Node& n, std::uint8_t* page) {
    std::memset(page, 0, kPageSize);
    putLe16(page, (n.leaf ? kAttrLeaf : 0) | (n.root ? kAttrRoot : 0));
    putLe16(page + 2, std::uint32_t(n.count()));
    putLe32(page + 4, n.left);
    putLe32(page + 8, n.right);
    if (n.leaf) {
        std::uint32_t maxRec = 0;
        for (auto r : n.recnos) maxRec = std::max(maxRec, r);
        const LeafLayout layout = leafLayoutFor(maxRec, n.keyLength);
        LeafWriter w(page, n.keyLength, n.fill, layout);
        for (std::size_t i = 0; i < n.count(); ++i)
            if (!w.add(n.key(i), n.recnos[i])) throw std::length_error("index leaf overflows its page");
        w.finish();
        return;
    }
    const int kl = n.keyLength;
    std::uint8_t* p = page + 12;
    for (std::size_t i = 0; i < n.count(); ++i) {
        std::memcpy(p, n.key(i), std::size_t(kl));
        putBe32(p + kl, n.recnos[i]);
        putBe32(p + kl + 4, n.children[i]);
        p += kl + 8;
    }
}

std::string decodeNode(const std::uint8_t* page, Node& n) {
    const int kl = n.keyLength;
    const std::uint16_t attr = le16(page);
    if (attr > 3) return "bad node attributes " + std::to_string(attr);
    n.leaf = (attr & kAttrLeaf) != 0;
    n.root = (attr & kAttrRoot) != 0;
    const std::size_t count = le16(page + 2);
    n.left = le32(page + 4);
    n.right = le32(page + 8);
    n.keys.clear();
    n.recnos.clear();
    n.children.clear();
    if (!n.leaf) {
        if (count == 0) return "empty interior node";
        if (int(count) > interiorCapacity(kl)) return "interior node holds too many keys";
        n.keys.resize(count * std::size_t(kl));
        n.recnos.resize(count);
        n.children.resize(count);
        const std::uint8_t* p = page + 12;
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(n.key(i), p, std::size_t(kl));
            n.recnos[i] = be32(p + kl);
            n.children[i] = be32(p + kl + 4);
            p += kl + 8;
        }
        return {};
    }
    const int freeSpace = le16(page + 12);
    LeafLayout l;
    l.recBits = page[20];
    l.dupBits = page[21];
    l.trailBits = page[22];
    l.entryBytes = page[23];
    if (l.entryBytes < 1 || l.entryBytes > 8 || l.recBits < 1 || l.recBits > 32 || l.dupBits < 1 || l.dupBits > 8 ||
        l.trailBits < 1 || l.trailBits > 8 || l.recBits + l.dupBits + l.trailBits > 8 * l.entryBytes)
        return "implausible leaf bit widths";
    if (count > std::size_t(kLeafSpace / l.entryBytes)) return "leaf holds too many keys";
    if (freeSpace > kLeafSpace) return "implausible leaf free space";
    n.keys.resize(count * std::size_t(kl));
    n.recnos.resize(count);
    const int entriesEnd = kLeafHeader + int(count) * l.entryBytes;
    const std::uint64_t recMask = (std::uint64_t(1) << l.recBits) - 1;
    const std::uint64_t dupMask = (std::uint64_t(1) << l.dupBits) - 1;
    const std::uint64_t trailMask = (std::uint64_t(1) << l.trailBits) - 1;
    int keyPos = int(kPageSize);
    std::uint32_t stored = 0, maxRec = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = page + kLeafHeader + i * std::size_t(l.entryBytes);
        std::uint64_t v = 0;
        for (int b = 0; b < l.entryBytes; ++b) v |= std::uint64_t(e[b]) << (8 * b);
        const std::uint32_t rec = std::uint32_t(v & recMask);
        const int dup = int((v >> l.recBits) & dupMask);
        const int trail = int((v >> (l.recBits + l.dupBits)) & trailMask);
        if (dup + trail > kl || (i == 0 && dup != 0)) return "bad leaf entry counts";
        const int len = kl - dup - trail;
        keyPos -= len;
        if (keyPos < entriesEnd) return "leaf keys overlap the entries";
        char* k = n.key(i);
        if (dup) std::memcpy(k, k - kl, std::size_t(dup));
        std::memcpy(k + dup, page + keyPos, std::size_t(len));
        std::memset(k + dup + len, n.fill, std::size_t(trail));
        n.recnos[i] = rec;
        stored += std::uint32_t(len);
        maxRec = std::max(maxRec, rec);
    }
    if (freeSpace != keyPos - entriesEnd) return "leaf free space does not match its entries";
    n.stored = stored;
    n.maxRecno = maxRec;
    return {};
}

}  // namespace brindle::store::cdx

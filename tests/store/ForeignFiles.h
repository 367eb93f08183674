#pragma once
// Table and index files laid out byte by byte from the published DBF and
// compact-index layouts, the way other xBase programs write them, without
// going through the store's own writers: the padding byte after the field
// list, index keys with their trailing zero bytes dropped, a free-page list
// ended by 0, and leaf entries packed with other bit widths than ours.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace brindle::testing {

inline void putLe(std::string& s, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct ForeignField {
    std::string name;
    char type;
    int width;
    int decimals = 0;
};

// A DBF of the FoxPro 2 family without memos. `padding` bytes follow the
// field list's 0x0D mark (one for the older convention). Records are given
// as their field bytes, concatenated, without the deletion flag.
inline std::string foreignDbf(const std::vector<ForeignField>& fields, const std::vector<std::string>& records,
                              int padding, unsigned char codePage = 0x03, unsigned char version = 0x03) {
    int recordLength = 1;
    for (const auto& f : fields) recordLength += f.width;
    const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1 + padding;
    std::string h(static_cast<std::size_t>(headerLength), '\0');
    h[0] = static_cast<char>(version);
    h[1] = 124;  // 2024
    h[2] = 5;
    h[3] = 17;
    putLe(h, 4, static_cast<std::uint32_t>(records.size()), 4);
    putLe(h, 8, static_cast<std::uint32_t>(headerLength), 2);
    putLe(h, 10, static_cast<std::uint32_t>(recordLength), 2);
    h[29] = static_cast<char>(codePage);
    int offset = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t d = 32 + 32 * i;
        std::memcpy(&h[d], fields[i].name.data(), fields[i].name.size());
        h[d + 11] = fields[i].type;
        putLe(h, d + 12, static_cast<std::uint32_t>(offset), 4);
        h[d + 16] = static_cast<char>(fields[i].width);
        h[d + 17] = static_cast<char>(fields[i].decimals);
        offset += fields[i].width;
    }
    h[32 + 32 * fields.size()] = '\x0D';
    for (const auto& r : records) {
        std::string row = " " + r;
        row.resize(static_cast<std::size_t>(recordLength), ' ');
        h += row;
    }
    h.push_back('\x1A');
    return h;
}

// The sortable 8-byte key of a number in compact indexes: the IEEE double
// big-endian, the sign bit flipped for positive numbers and every bit
// flipped for negative ones. Dates use it with the Julian day number.
inline std::string foreignNumberKey(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    if (v < 0) bits = ~bits;
    else bits |= std::uint64_t{1} << 63;
    std::string k(8, '\0');
    for (int i = 0; i < 8; ++i) k[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (56 - 8 * i));
    return k;
}

struct ForeignTag {
    std::string name;
    std::string expression;
    int keyLength;
    bool charKeys;  // trailing blanks dropped; otherwise trailing zero bytes
    std::vector<std::pair<std::string, std::uint32_t>> entries;  // sorted by key, then record
};

// One leaf page holding all entries: 16 record bits, 4 duplicate bits and 4
// trailing bits in 3-byte entries (our writer picks other widths).
inline std::string foreignLeaf(int keyLength, bool charKeys, const std::vector<std::pair<std::string, std::uint32_t>>& entries) {
    std::string page(512, '\0');
    putLe(page, 0, 3, 2);  // root and leaf
    putLe(page, 2, static_cast<std::uint32_t>(entries.size()), 2);
    putLe(page, 4, 0xFFFFFFFFu, 4);
    putLe(page, 8, 0xFFFFFFFFu, 4);
    putLe(page, 14, 0xFFFF, 4);
    page[18] = 0x0F;
    page[19] = 0x0F;
    page[20] = 16;
    page[21] = 4;
    page[22] = 4;
    page[23] = 3;
    const char fill = charKeys ? ' ' : '\0';
    int keyPos = 512;
    int entryPos = 24;
    std::string prev;
    for (const auto& [key, recno] : entries) {
        int trail = 0;
        while (trail < keyLength && key[static_cast<std::size_t>(keyLength - 1 - trail)] == fill) ++trail;
        int dup = 0;
        if (!prev.empty())
            while (dup < keyLength - trail && key[static_cast<std::size_t>(dup)] == prev[static_cast<std::size_t>(dup)]) ++dup;
        const int stored = keyLength - dup - trail;
        keyPos -= stored;
        std::memcpy(&page[static_cast<std::size_t>(keyPos)], key.data() + dup, static_cast<std::size_t>(stored));
        const std::uint32_t v = recno | (static_cast<std::uint32_t>(dup) << 16) | (static_cast<std::uint32_t>(trail) << 20);
        putLe(page, static_cast<std::size_t>(entryPos), v, 3);
        entryPos += 3;
        prev = key;
    }
    putLe(page, 12, static_cast<std::uint32_t>(keyPos - entryPos), 2);
    return page;
}

inline std::string foreignTagHeader(std::uint32_t root, std::uint32_t freeList, int keyLength, unsigned char options,
                                    const std::string& expression) {
    std::string h(1024, '\0');
    putLe(h, 0, root, 4);
    putLe(h, 4, freeList, 4);
    putLe(h, 8, 1, 4);  // change counter
    putLe(h, 12, static_cast<std::uint32_t>(keyLength), 2);
    h[14] = static_cast<char>(options);
    h[15] = 1;
    putLe(h, 506, 1, 2);  // FOR expression pool length (just its NUL)
    putLe(h, 510, static_cast<std::uint32_t>(expression.size() + 1), 2);
    std::memcpy(&h[512], expression.data(), expression.size());
    return h;
}

// A compound index with one root leaf per tag and the tag directory, as
// another program writes it: no mark of ours, free-page list head
// `freeList` (0 or -1 for "none").
inline std::string foreignCdx(const std::vector<ForeignTag>& tags, std::uint32_t freeList = 0) {
    // 0: directory header, 1024: directory leaf, then per tag a 1024-byte
    // header and a 512-byte leaf.
    std::vector<std::pair<std::string, std::uint32_t>> dir;
    std::uint32_t at = 1536;
    std::vector<std::uint32_t> headers;
    for (const auto& t : tags) {
        std::string key = t.name;
        key.resize(10, ' ');
        dir.emplace_back(key, at);
        headers.push_back(at);
        at += 1536;
    }
    std::sort(dir.begin(), dir.end());
    std::string file = foreignTagHeader(1024, freeList, 10, 0xE0, "");
    file += foreignLeaf(10, true, dir);
    for (std::size_t i = 0; i < tags.size(); ++i) {
        file += foreignTagHeader(headers[i] + 1024, freeList, tags[i].keyLength, 0x60, tags[i].expression);
        file += foreignLeaf(tags[i].keyLength, tags[i].charKeys, tags[i].entries);
    }
    return file;
}

}  // namespace brindle::testing

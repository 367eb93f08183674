#include "store/Cp1252.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace brindle::store {
namespace {

// Unicode code points of 0x80..0x9F; 0 marks an undefined position.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
    CaseTables() {
        for (int i = 0; i < 256; ++i) upper[i] = lower[i] = static_cast<unsigned char>(i);
        for (int c = 'a'; c <= 'z'; ++c) {
            upper[c] = static_cast<unsigned char>(c - 32);
            lower[c - 32] = static_cast<unsigned char>(c);
        }
        // Latin-1 letters: 0xE0..0xFE map to 0xC0..0xDE, except the division sign.
        for (int c = 0xE0; c <= 0xFE; ++c) {
            if (c == 0xF7) continue;
            upper[c] = static_cast<unsigned char>(c - 32);
            lower[c - 32] = static_cast<unsigned char>(c);
        }
        // S caron, OE ligature, Z caron, Y diaeresis.
        const std::pair<int, int> pairs[] = {{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
        for (auto [lo, up] : pairs) {
            upper[lo] = static_cast<unsigned char>(up);
            lower[up] = static_cast<unsigned char>(lo);
        }
    }
};

const CaseTables& tables() {
    static const CaseTables t;
    return t;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char encode1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == cp && cp != 0) return static_cast<char>(0x80 + i);
    }
    if (cp >= 0x80 && cp <= 0x9F && kHigh[cp - 0x80] == 0) return static_cast<char>(cp);
    return '?';
}

}  // namespace

unsigned char upper1252(unsigned char c) { return tables().upper[c]; }
unsigned char lower1252(unsigned char c) { return tables().lower[c]; }

void upperInPlace(char* p, std::size_t n) {
    const auto& up = tables().upper;
    std::size_t i = 0;
    // Eight bytes at a time while they are plain ASCII: clear bit 5 of every
    // byte in 'a'..'z' (index keys upper-case millions of field values).
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ULL) {
            for (std::size_t k = i; k < i + 8; ++k) p[k] = static_cast<char>(up[static_cast<unsigned char>(p[k])]);
            continue;
        }
        const std::uint64_t heptets = w & 0x7F7F7F7F7F7F7F7FULL;
        const std::uint64_t geA = heptets + 0x1F1F1F1F1F1F1F1FULL;  // high bit set when byte >= 'a'
        const std::uint64_t gtZ = heptets + 0x0505050505050505ULL;  // high bit set when byte > 'z'
        const std::uint64_t lower = geA & ~gtZ & 0x8080808080808080ULL;
        w -= lower >> 2;  // 0x80 >> 2 == 0x20
        std::memcpy(p + i, &w, 8);
    }
    for (; i < n; ++i) p[i] = static_cast<char>(up[static_cast<unsigned char>(p[i])]);
}

std::string toUpper1252(std::string_view s) {
    std::string r(s);
    upperInPlace(r.data(), r.size());
    return r;
}

std::string toLower1252(std::string_view s) {
    std::string r(s);
    const auto& lo = tables().lower;
    for (char& c : r) c = static_cast<char>(lo[static_cast<unsigned char>(c)]);
    return r;
}

std::string cp1252ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else if (c < 0xA0) {
            const char32_t cp = kHigh[c - 0x80];
            appendUtf8(out, cp ? cp : c);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

int decodeUtf8At(std::string_view s, std::size_t i, char32_t& cp) {
    const auto c = static_cast<unsigned char>(s[i]);
    int len = 0;
    if (c < 0x80) { cp = c; return 1; }
    if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
    if (len == 0 || i + len > s.size()) return 0;
    for (int k = 1; k < len; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    return len;
}

namespace {

template <typename OnLost>
std::string convertTo1252(std::string_view s, OnLost&& onLost) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    std::size_t index = 0;
    while (i < s.size()) {
        char32_t cp = 0;
        const int len = decodeUtf8At(s, i, cp);
        if (len == 0) {
            out.push_back(s[i]);
            ++i;
        } else {
            const char b = encode1252(cp);
            if (b == '?' && cp != U'?') onLost(i, index, cp);
            out.push_back(b);
            i += static_cast<std::size_t>(len);
        }
        ++index;
    }
    return out;
}

}  // namespace

std::string utf8ToCp1252(std::string_view s) {
    return convertTo1252(s, [](std::size_t, std::size_t, char32_t) {});
}

EncodedText utf8ToCp1252Counted(std::string_view s) {
    EncodedText r;
    r.text = convertTo1252(s, [&r](std::size_t offset, std::size_t index, char32_t cp) {
        r.lost.push_back({offset, index, cp});
    });
    return r;
}

std::string codePointToUtf8(char32_t cp) {
    std::string out;
    if (cp >= 0x10000) {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        appendUtf8(out, cp);
    }
    return out;
}

}  // namespace brindle::store

// Case folding and UTF-8 conversion of Windows-1252 text.
#include <gtest/gtest.h>

#include "store/Cp1252.h"

using namespace brindle::store;

TEST(Cp1252, UpperCaseOfEveryByteAtEveryAlignment) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    // The word-at-a-time path and the byte path must agree at any offset.
    for (std::size_t shift = 0; shift < 9; ++shift) {
        std::string s = std::string(shift, 'q') + all + all;
        upperInPlace(s.data(), s.size());
        for (std::size_t i = 0; i < s.size(); ++i) {
            ASSERT_EQ(static_cast<unsigned char>(s[i]), upper1252(static_cast<unsigned char>((std::string(shift, 'q') + all + all)[i])))
                << "byte " << i << " shift " << shift;
        }
    }
    EXPECT_EQ(toUpper1252("smith-jones {z}`a"), "SMITH-JONES {Z}`A");
    EXPECT_EQ(toUpper1252("\xE9l\xE8ve \xFF\x9A"), "\xC9L\xC8VE \x9F\x8A");  // accents, y-diaeresis, s-caron
    EXPECT_EQ(toUpper1252("\xF7\xDF"), "\xF7\xDF");  // division sign and sharp s stay
    EXPECT_EQ(toLower1252("\xC9""COLE"), "\xE9""cole");
}

TEST(Cp1252, Utf8RoundTrip) {
    std::string all;
    for (int i = 1; i < 256; ++i) all.push_back(static_cast<char>(i));
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(utf8ToCp1252("caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"), "caf\xE9 \x80 ?");
    EXPECT_EQ(utf8ToCp1252("bad \xC3"), "bad \xC3");  // a cut-off sequence keeps its byte
}

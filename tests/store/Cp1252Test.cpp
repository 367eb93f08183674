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

TEST(Cp1252, CountedConversionNamesWhatIsLost) {
    // "Wałęsa": ł and ę have no Windows-1252 form; a literal '?' is not counted.
    const auto r = utf8ToCp1252Counted("Wa\xC5\x82\xC4\x99sa? M\xC3\xBCller \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xF0\x9F\x98\x80");
    EXPECT_EQ(r.text, "Wa??sa? M\xFCller ???? ?");
    ASSERT_EQ(r.lost.size(), 7u);
    EXPECT_EQ(r.lost[0].codePoint, U'\u0142');
    EXPECT_EQ(r.lost[0].offset, 2u);
    EXPECT_EQ(r.lost[0].index, 2u);
    EXPECT_EQ(r.lost[1].codePoint, U'\u0119');
    EXPECT_EQ(r.lost[1].index, 3u);
    EXPECT_EQ(r.lost[2].codePoint, U'\u0418');  // Cyrillic I
    EXPECT_EQ(r.lost[2].index, 15u);
    EXPECT_EQ(r.lost[6].codePoint, U'\U0001F600');
    EXPECT_EQ(r.lost[6].index, 20u);
    EXPECT_EQ(codePointToUtf8(r.lost[6].codePoint), "\xF0\x9F\x98\x80");
    EXPECT_EQ(codePointToUtf8(U'\u0142'), "\xC5\x82");

    const auto plain = utf8ToCp1252Counted("Jos\xC3\xA9 \xE2\x82\xAC 100?");
    EXPECT_TRUE(plain.lossless());
    EXPECT_EQ(plain.text, "Jos\xE9 \x80 100?");
    EXPECT_EQ(plain.text, utf8ToCp1252("Jos\xC3\xA9 \xE2\x82\xAC 100?"));
}

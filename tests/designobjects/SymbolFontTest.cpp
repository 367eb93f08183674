// The symbol font table: every code has a glyph in the drawing font, captions
// convert to and from their codes without loss, and only symbol fonts have
// their text translated.
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

#include "designobjects/SymbolFont.h"

using namespace brindle::designobjects;

namespace {

QString ucs4(char32_t cp) { return QString::fromUcs4(&cp, 1); }

TEST(SymbolFont, EveryCodeHasAGlyphInTheDrawingFont) {
    const QFont font(symbolFontFamily());
    ASSERT_EQ(QFontInfo(font).family(), symbolFontFamily()) << "the symbol drawing font is not installed";
    const QFontMetrics fm(font);
    for (int code = 32; code <= 255; ++code) {
        const char32_t cp = symbolCodeToUnicode(code);
        EXPECT_TRUE(fm.inFontUcs4(cp)) << "code " << code << " -> U+" << std::hex << unsigned(cp);
        if (code > 32) {
            EXPECT_FALSE(QChar::isSpace(cp) || cp < 0x20) << "code " << code;
        }
    }
    EXPECT_EQ(symbolCodeToUnicode(32), U' ');
    for (int outside : {-1, 0, 31, 256}) EXPECT_EQ(symbolCodeToUnicode(outside), U'\uFFFD') << outside;
}

TEST(SymbolFont, FamiliarSymbolsKeepTheirMeaning) {
    EXPECT_EQ(symbolCodeToUnicode(0x22), U'\u2702');  // scissors
    EXPECT_EQ(symbolCodeToUnicode(0x28), U'\u260E');  // telephone
    EXPECT_EQ(symbolCodeToUnicode(0x2A), U'\u2709');  // envelope
    EXPECT_EQ(symbolCodeToUnicode(0x5B), U'\u262F');  // yin yang, the default caption "["
    EXPECT_EQ(symbolCodeToUnicode(0x81), U'\u2460');  // circled 1
    EXPECT_EQ(symbolCodeToUnicode(0x95), U'\u277F');  // negative circled 10
    EXPECT_EQ(symbolCodeToUnicode(0xFB), U'\u2717');  // ballot x
    EXPECT_EQ(symbolCodeToUnicode(0xFC), U'\u2713');  // check mark
}

TEST(SymbolFont, CaptionCharactersRoundTripThroughTheirCodes) {
    for (int code = 0; code <= 255; ++code) EXPECT_EQ(symbolCode(symbolChar(code)), code) << code;
    EXPECT_EQ(symbolChar(0x41), QChar('A'));
    EXPECT_EQ(symbolChar(0x80), QChar(0x20AC));  // euro sign
    EXPECT_EQ(symbolChar(0x9F), QChar(0x0178));  // Y diaeresis
    EXPECT_EQ(symbolChar(0x81), QChar(0x0081));  // undefined byte kept as its control
    EXPECT_EQ(symbolCode(QChar('?')), 0x3F);
    // Characters without a byte, including the C1 controls whose byte means
    // something else and halves of surrogate pairs.
    EXPECT_EQ(symbolCode(QChar(0x0100)), -1);
    EXPECT_EQ(symbolCode(QChar(0x0080)), -1);
    EXPECT_EQ(symbolCode(QChar(0x2702)), -1);
    EXPECT_EQ(symbolCode(QChar(0xD83D)), -1);
}

TEST(SymbolFont, OnlyTheSymbolFontNameIsTranslated) {
    EXPECT_TRUE(isSymbolFont("WingDings"));
    EXPECT_TRUE(isSymbolFont("wingdings"));
    EXPECT_TRUE(isSymbolFont("WINGDINGS"));
    for (const char* other : {"", "Arial", "Wingdings 2", " WingDings", "Symbol", "DejaVu Sans"})
        EXPECT_FALSE(isSymbolFont(other)) << other;

    const QString text = QStringLiteral("[(*\u20AC\n\u03A9A");
    EXPECT_EQ(drawableText("Arial", text), text);
    EXPECT_EQ(drawableText("", text), text);

    // Codes translate; a control character and a letter without a byte stay.
    const QString expected = ucs4(U'\u262F') + ucs4(U'\u260E') + ucs4(U'\u2709') + ucs4(symbolCodeToUnicode(0x80)) +
                             QChar('\n') + QChar(0x03A9) + ucs4(symbolCodeToUnicode('A'));
    EXPECT_EQ(drawableText("WingDings", text), expected);
    EXPECT_EQ(drawableText("wingdings", text), expected);
}

TEST(SymbolFont, TranslatedTextKeepsPairsWhole) {
    // A symbol beyond the basic plane is written as a surrogate pair, and a
    // pair already in the text passes through unchanged.
    const char32_t face = symbolCodeToUnicode(0x4B);
    const QString drawn = drawableText("WingDings", "K");
    EXPECT_EQ(drawn, ucs4(face));
    EXPECT_EQ(drawn.size(), QChar::requiresSurrogates(face) ? 2 : 1);

    const QString pair = ucs4(U'\U0001F600');
    EXPECT_EQ(drawableText("WingDings", pair + "x"), pair + ucs4(symbolCodeToUnicode('x')));
}

}  // namespace

#include "designobjects/SymbolFont.h"

#include "store/Cp1252.h"

#include <array>
#include <string>

namespace brindle::designobjects {
namespace {

// The picture of each symbol code 0x20..0xFF as a Unicode character that
// DejaVu Sans draws. Where the font has the symbol itself it is used; where
// the nearest Unicode symbol lies in the pictograph blocks the font lacks, a
// character of similar shape stands in (noted per row).
constexpr std::array<char32_t, 224> kSymbols = {
    // 0x20 space, pencil, scissors, upper blade scissors, eyeglasses, bell,
    // open book, candle, telephone, telephone location, envelope, stamped
    // envelope, mailboxes (closed flag down, closed flag up, open flag up,
    // open flag down) as half-filled squares; the diagonal halves are left
    // out because the font draws both of a pair alike.
    0x0020, 0x270E, 0x2702, 0x2701, 0x26AF, 0x260A, 0x25EB, 0x26B4,
    0x260E, 0x2706, 0x2709, 0x25F3, 0x2B13, 0x2B12, 0x25E8, 0x25E7,
    // 0x30 folder, open folder, document, page, pages, file cabinet,
    // hourglass, keyboard, mouse, trackball, computer, hard disk, hard and
    // soft diskettes, tape drive, writing hand.
    0x25F0, 0x25B1, 0x25A4, 0x274F, 0x2750, 0x2637, 0x2169, 0x2328,
    0x25D3, 0x2299, 0x25A3, 0x229F, 0x25D8, 0x25D9, 0x2707, 0x270D,
    // 0x40 left writing hand (pencil), victory hand, OK hand, thumbs up and
    // down (heavy check and cross), four pointing hands, raised hand,
    // smiling, neutral and frowning faces, bomb, skull, white flag.
    0x270F, 0x270C, 0x261B, 0x2714, 0x2718, 0x261C, 0x261E, 0x261D,
    0x261F, 0x261A, 0x263A, 0x1F610, 0x2639, 0x2688, 0x2620, 0x2690,
    // 0x50 pennant, aeroplane, sun, droplet (umbrella), snowflake, latin
    // cross, shadowed cross, celtic cross, maltese cross, star of David,
    // star and crescent, yin yang, om (adi shakti), wheel of dharma, aries,
    // taurus.
    0x2691, 0x2708, 0x263C, 0x2602, 0x2744, 0x271D, 0x271E, 0x2295,
    0x2720, 0x2721, 0x262A, 0x262F, 0x262C, 0x2638, 0x2648, 0x2649,
    // 0x60 gemini to pisces, et ligature, swash ampersand, black circle,
    // shadowed white circle, black square, white square.
    0x264A, 0x264B, 0x264C, 0x264D, 0x264E, 0x264F, 0x2650, 0x2651,
    0x2652, 0x2653, 0x0026, 0x214B, 0x25CF, 0x274D, 0x25A0, 0x25A1,
    // 0x70 bold white square, shadowed squares, black lozenges and
    // diamonds, diamond minus x, medium diamond, x in a box, up arrowhead
    // in a box, place of interest, rosettes, heavy quotation ornaments,
    // 0x7F a plain upright box.
    0x2610, 0x2751, 0x2752, 0x2666, 0x29EB, 0x25C6, 0x2756, 0x25C8,
    0x2327, 0x2324, 0x2318, 0x2740, 0x273F, 0x275D, 0x275E, 0x25AF,
    // 0x80 circled digits 0 to 10 (a ringed circle for 0), negative circled
    // 0 (a black disc) and 1 to 4.
    0x229A, 0x2460, 0x2461, 0x2462, 0x2463, 0x2464, 0x2465, 0x2466,
    0x2467, 0x2468, 0x2469, 0x2B24, 0x2776, 0x2777, 0x2778, 0x2779,
    // 0x90 negative circled 5 to 10, four buds (floral hearts), four vine
    // leaves (shamrock, flower, fleur-de-lis, heart bud), middle dot,
    // bullet.
    0x277A, 0x277B, 0x277C, 0x277D, 0x277E, 0x277F, 0x2767, 0x2619,
    0x2766, 0x2765, 0x2618, 0x2698, 0x269C, 0x2763, 0x00B7, 0x2022,
    // 0xA0 small square, medium, bold and very heavy white circles,
    // fisheye, bullseye, upper right shadowed circle, black and white
    // medium squares, three to twelve pointed stars.
    0x25AA, 0x25CB, 0x25EF, 0x2D54, 0x25C9, 0x25CE, 0x25D1, 0x25FC,
    0x25FB, 0x2144, 0x2726, 0x2605, 0x2736, 0x2734, 0x2739, 0x2735,
    // 0xB0 square position indicator, position indicator, concave diamond,
    // square lozenge, uncertainty sign, circled star, shadowed star, clock
    // faces 1 to 9: a dial marking the quarter that holds the hour hand.
    0x22A1, 0x22B9, 0x27E1, 0x2311, 0x2370, 0x272A, 0x2730, 0x25F7,
    0x25F7, 0x25F7, 0x25F6, 0x25F6, 0x25F6, 0x25F5, 0x25F5, 0x25F5,
    // 0xC0 clock faces 10 to 12, ribbon arrows (down-left, down-right,
    // up-left, up-right, left-up, right-up, left-down, right-down), quilt
    // square ornaments, turned leaves (card suit shapes).
    0x25F4, 0x25F4, 0x25F4, 0x21B2, 0x21B3, 0x21B0, 0x21B1, 0x2B11,
    0x2B0F, 0x2B10, 0x2B0E, 0x2725, 0x2724, 0x2664, 0x2667, 0x2661,
    // 0xD0 turned leaf, four leaves, erase left and right, 3-D arrowheads
    // left, right, up, down, circled arrows left, right, up, down,
    // triangle-headed arrow left.
    0x2662, 0x2660, 0x2663, 0x2665, 0x2764, 0x232B, 0x2326, 0x25C0,
    0x25B6, 0x25B2, 0x25BC, 0x21D0, 0x21D2, 0x21D1, 0x21D3, 0x2190,
    // 0xE0 triangle-headed arrows right, up, down, NW, NE, SW, SE, heavy
    // arrows left, right, up, down, NW, NE, SW, SE, white arrow left.
    0x2192, 0x2191, 0x2193, 0x2196, 0x2197, 0x2199, 0x2198, 0x2B05,
    0x27A1, 0x2B06, 0x2B07, 0x2B09, 0x2B08, 0x2B0B, 0x2B0A, 0x21E6,
    // 0xF0 white arrows right, up, down, left-right, up-down, NW, NE, SW,
    // SE, arrow shafts, ballot x, check mark, boxes with x and check, the
    // four-pane window logo.
    0x21E8, 0x21E7, 0x21E9, 0x2B04, 0x21F3, 0x2B01, 0x2B00, 0x2B03,
    0x2B02, 0x25AD, 0x25AB, 0x2717, 0x2713, 0x2612, 0x2611, 0x229E,
};

constexpr int kFirstCode = 0x20;
constexpr int kLastCode = 0xFF;
static_assert(kSymbols.size() == kLastCode - kFirstCode + 1);

}  // namespace

bool isSymbolFont(const QString& fontName) {
    return fontName.compare(QLatin1String("WingDings"), Qt::CaseInsensitive) == 0;
}

QString symbolFontFamily() { return QStringLiteral("DejaVu Sans"); }

char32_t symbolCodeToUnicode(int code) {
    if (code < kFirstCode || code > kLastCode) return 0xFFFD;
    return kSymbols[static_cast<std::size_t>(code - kFirstCode)];
}

int symbolCode(QChar c) {
    // A lone half of a surrogate pair has no single-byte form.
    if (c.isSurrogate()) return -1;
    const QByteArray utf8 = QString(c).toUtf8();
    const std::string bytes = store::utf8ToCp1252(std::string_view(utf8.constData(), utf8.size()));
    if (bytes.size() != 1) return -1;
    // The conversion writes '?' for characters it cannot encode.
    if (bytes[0] == '?' && c != QLatin1Char('?')) return -1;
    return static_cast<unsigned char>(bytes[0]);
}

QChar symbolChar(int code) {
    if (code < 0 || code > 255) return QChar(QChar::ReplacementCharacter);
    const char byte = static_cast<char>(code);
    const std::string utf8 = store::cp1252ToUtf8(std::string_view(&byte, 1));
    const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    return s.size() == 1 ? s.at(0) : QChar(QChar::ReplacementCharacter);
}

QString drawableText(const QString& fontName, const QString& text) {
    if (!isSymbolFont(fontName)) return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const int code = symbolCode(c);
        if (code < kFirstCode || code > kLastCode) {
            out.append(c);
            continue;
        }
        const char32_t cp = symbolCodeToUnicode(code);
        if (QChar::requiresSurrogates(cp)) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(static_cast<char16_t>(cp)));
        }
    }
    return out;
}

}  // namespace brindle::designobjects

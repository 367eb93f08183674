#include "richtext/RtfWriter.h"

#include "richtext/TextFormats.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace brindle::richtext {

namespace {

// Text lines are wrapped at about this many bytes; readers ignore CR LF
// between tokens.
constexpr int kLineLength = 120;

struct FontKey {
    QString name;
    int charset = 0;
    bool operator==(const FontKey&) const = default;
};

// Windows-1252 byte of a character, or -1.
int cp1252Byte(char32_t c) {
    if (c < 0x80) return int(c);
    if (c >= 0xA0 && c <= 0xFF) return int(c);
    static const char16_t high[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                      0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
                                      0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    for (int i = 0; i < 32; ++i) {
        if (high[i] != 0 && high[i] == c) return 0x80 + i;
    }
    return -1;
}

class Writer {
public:
    Writer(const QTextDocument& doc, const PageSetup& page)
        : m_doc(doc), m_page(page), m_defaultTab(pixelsToTwips(doc.defaultTextOption().tabStopDistance())) {}
    QByteArray run();

private:
    int fontIndex(const QTextCharFormat& f);
    int colourIndex(const QColor& c);
    void collect();
    void token(const QByteArray& t);  // a control word or symbol, written whole
    void newLine();
    void text(const QString& s, bool ansiFont);
    void paragraphFormat(const QTextBlockFormat& b);
    void characterFormat(const QTextCharFormat& f);
    void picture(const QTextImageFormat& f);

    const QTextDocument& m_doc;
    PageSetup m_page;
    int m_defaultTab;  // twips between default tab stops
    std::vector<FontKey> m_fonts;
    std::vector<QColor> m_colours;  // entry 0 is automatic, written as ";"
    QByteArray m_out;
    int m_lineStart = 0;
    bool m_needDelimiter = false;  // the last token was a control word
};

int Writer::fontIndex(const QTextCharFormat& f) {
    const QStringList families = f.fontFamilies().toStringList();
    FontKey key{families.isEmpty() ? QStringLiteral("Arial") : families.first(), f.intProperty(kFontCharset)};
    if (key.name.isEmpty()) key.name = QStringLiteral("Arial");
    const auto it = std::find(m_fonts.begin(), m_fonts.end(), key);
    if (it != m_fonts.end()) return int(it - m_fonts.begin());
    m_fonts.push_back(key);
    return int(m_fonts.size()) - 1;
}

int Writer::colourIndex(const QColor& c) {
    const QRgb rgb = c.rgb();
    for (size_t i = 1; i < m_colours.size(); ++i) {
        if (m_colours[i].rgb() == rgb) return int(i);
    }
    m_colours.push_back(QColor::fromRgb(rgb));
    return int(m_colours.size()) - 1;
}

// Fonts and colours in order of first use, so that the tables come first.
void Writer::collect() {
    m_colours.emplace_back();
    for (QTextBlock b = m_doc.begin(); b.isValid(); b = b.next()) {
        if (b.begin().atEnd()) fontIndex(b.charFormat());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            fontIndex(f);
            if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) colourIndex(f.foreground().color());
            if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush) colourIndex(f.background().color());
        }
    }
    if (m_fonts.empty()) fontIndex(m_doc.begin().charFormat());
}

void Writer::newLine() {
    m_out += "\r\n";
    m_lineStart = int(m_out.size());
    m_needDelimiter = false;
}

void Writer::token(const QByteArray& t) {
    if (m_out.size() - m_lineStart > kLineLength) newLine();
    m_out += t;
    // A control word (backslash and letters, maybe a number) needs a blank
    // before text that follows it; symbols like \'e9 and \~ do not.
    m_needDelimiter = t.size() > 1 && t[0] == '\\' && ((t[1] >= 'a' && t[1] <= 'z') || (t[1] >= 'A' && t[1] <= 'Z'));
}

void Writer::text(const QString& s, bool ansiFont) {
    const QList<uint> chars = s.toUcs4();
    for (const uint c : chars) {
        QByteArray t;
        if (c == '\\' || c == '{' || c == '}') {
            t = QByteArray("\\") + char(c);
        } else if (c == '\t') {
            t = "\\tab";
        } else if (c == 0x2028 || c == '\n' || c == '\r' || c == 0x0B) {
            t = "\\line";
        } else if (c == 0x00A0) {
            t = "\\~";
        } else if (c == 0x00AD) {
            t = "\\-";
        } else if (c == 0x2011) {
            t = "\\_";
        } else if (c >= 0x20 && c < 0x7F) {
            if (m_needDelimiter) {
                m_out += ' ';
                m_needDelimiter = false;
            }
            if (m_out.size() - m_lineStart > kLineLength && c == ' ') {
                // Break after a blank so the blank stays on this line.
                m_out += ' ';
                newLine();
                continue;
            }
            if (m_out.size() - m_lineStart > 2 * kLineLength) newLine();  // a very long word
            m_out += char(c);
            continue;
        } else if (c < 0x20 || c == QChar::ObjectReplacementCharacter || c == 0x2029) {
            continue;  // control characters have no place in the text
        } else if (const int b = ansiFont ? cp1252Byte(c) : -1; b >= 0) {
            t = "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
        } else {
            // \uN with a "?" for readers without Unicode; N is a signed 16-bit value.
            const QString utf16 = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
            for (const QChar u : utf16) {
                token("\\u" + QByteArray::number(int(qint16(u.unicode()))));
                m_out += '?';
                m_needDelimiter = false;
            }
            continue;
        }
        token(t);
    }
}

void Writer::paragraphFormat(const QTextBlockFormat& b) {
    token("\\pard");
    if (b.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) token("\\pagebb");
    const Qt::Alignment a = b.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify) token("\\qj");
    else if (a & Qt::AlignHCenter) token("\\qc");
    else if (a & Qt::AlignRight) token("\\qr");
    auto twipsWord = [&](const char* word, double units) {
        const int v = unitsToTwips(units);
        if (v != 0) token(QByteArray(word) + QByteArray::number(v));
    };
    twipsWord("\\li", b.leftMargin());
    twipsWord("\\ri", b.rightMargin());
    twipsWord("\\fi", b.textIndent());
    if (const int v = pixelsToTwips(b.topMargin())) token("\\sb" + QByteArray::number(v));
    if (const int v = pixelsToTwips(b.bottomMargin())) token("\\sa" + QByteArray::number(v));
    if (b.hasProperty(kLineSpacing)) {
        token("\\sl" + QByteArray::number(b.intProperty(kLineSpacing)));
        token(b.boolProperty(kLineSpacingMultiple) ? "\\slmult1" : "\\slmult0");
    } else if (b.hasProperty(QTextFormat::LineHeightType)) {
        // Line spacing set through Qt (an editor): proportional or fixed.
        const int type = b.lineHeightType();
        if (type == QTextBlockFormat::ProportionalHeight && b.lineHeight() != 100) {
            token("\\sl" + QByteArray::number(qRound(b.lineHeight() * 240 / 100)));
            token("\\slmult1");
        } else if (type == QTextBlockFormat::FixedHeight) {
            token("\\sl-" + QByteArray::number(pixelsToTwips(b.lineHeight())));
            token("\\slmult0");
        } else if (type == QTextBlockFormat::MinimumHeight) {
            token("\\sl" + QByteArray::number(pixelsToTwips(b.lineHeight())));
            token("\\slmult0");
        }
    }
    if (b.hasProperty(kTabStops)) {
        const QStringList stops = b.stringProperty(kTabStops).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& s : stops) {
            if (s.startsWith(QLatin1Char('r'))) token("\\tqr");
            else if (s.startsWith(QLatin1Char('c'))) token("\\tqc");
            token("\\tx" + QByteArray::number(s.mid(1).toInt()));
        }
    } else if (!(b.textIndent() < 0)) {
        // Tab stops set through Qt (an editor), counted from the first line's start.
        const int li = unitsToTwips(b.leftMargin()) + unitsToTwips(b.textIndent());
        for (const QTextOption::Tab& t : b.tabPositions()) {
            if (t.type == QTextOption::RightTab) token("\\tqr");
            else if (t.type == QTextOption::CenterTab) token("\\tqc");
            token("\\tx" + QByteArray::number(pixelsToTwips(t.position) + li));
        }
    }
}

void Writer::characterFormat(const QTextCharFormat& f) {
    token("\\plain");
    token("\\f" + QByteArray::number(fontIndex(f)));
    const double pt = f.fontPointSize() > 0 ? f.fontPointSize() : 12.0;
    token("\\fs" + QByteArray::number(qRound(pt * 2)));
    if (f.fontWeight() >= QFont::DemiBold) token("\\b");
    if (f.fontItalic()) token("\\i");
    if (f.fontUnderline()) token("\\ul");
    if (f.fontStrikeOut()) token("\\strike");
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        token("\\cf" + QByteArray::number(colourIndex(f.foreground().color())));
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        token("\\highlight" + QByteArray::number(colourIndex(f.background().color())));
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) token("\\super");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) token("\\sub");
}

void Writer::picture(const QTextImageFormat& f) {
    QImage image = qvariant_cast<QImage>(m_doc.resource(QTextDocument::ImageResource, QUrl(f.name())));
    if (image.isNull()) return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return;
    const int goalw = std::max(1, unitsToTwips(f.width() > 0 ? f.width() : twipsToUnits(image.width() * 15)));
    const int goalh = std::max(1, unitsToTwips(f.height() > 0 ? f.height() : twipsToUnits(image.height() * 15)));
    token("{\\pict");
    token("\\pngblip");
    token("\\picw" + QByteArray::number(image.width()));
    token("\\pich" + QByteArray::number(image.height()));
    token("\\picwgoal" + QByteArray::number(goalw));
    token("\\pichgoal" + QByteArray::number(goalh));
    newLine();
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        m_out += hex.mid(i, 128);
        newLine();
    }
    m_out += '}';
    m_needDelimiter = false;
}

QByteArray Writer::run() {
    collect();
    m_out.reserve(4096);
    token("{\\rtf1");
    token("\\ansi");
    token("\\ansicpg1252");
    token("\\deff0");
    if (m_defaultTab != 720) token("\\deftab" + QByteArray::number(m_defaultTab));
    newLine();
    token("{\\fonttbl");
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        token("{\\f" + QByteArray::number(qulonglong(i)));
        token("\\fnil");
        token("\\fcharset" + QByteArray::number(m_fonts[i].charset));
        text(m_fonts[i].name, m_fonts[i].charset == 0);
        m_out += ";}";
        m_needDelimiter = false;
    }
    m_out += '}';
    newLine();
    token("{\\colortbl ;");
    m_needDelimiter = false;
    for (size_t i = 1; i < m_colours.size(); ++i) {
        const QColor& c = m_colours[i];
        token("\\red" + QByteArray::number(c.red()));
        token("\\green" + QByteArray::number(c.green()));
        token("\\blue" + QByteArray::number(c.blue()));
        m_out += ';';
        m_needDelimiter = false;
    }
    m_out += '}';
    newLine();
    token("\\paperw" + QByteArray::number(m_page.paperWidth));
    token("\\paperh" + QByteArray::number(m_page.paperHeight));
    token("\\margl" + QByteArray::number(m_page.marginLeft));
    token("\\margr" + QByteArray::number(m_page.marginRight));
    token("\\margt" + QByteArray::number(m_page.marginTop));
    token("\\margb" + QByteArray::number(m_page.marginBottom));
    if (m_page.landscape) token("\\landscape");
    token("\\uc1");
    newLine();

    bool first = true;
    for (QTextBlock b = m_doc.begin(); b.isValid(); b = b.next()) {
        if (!first) {
            token("\\par");
            newLine();
        }
        paragraphFormat(b.blockFormat());
        first = false;
        if (b.begin().atEnd()) {
            // An empty paragraph still carries the character format of its mark.
            characterFormat(b.charFormat());
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat f = frag.charFormat();
            characterFormat(f);
            if (f.isImageFormat()) {
                for (int i = 0; i < frag.length(); ++i) picture(f.toImageFormat());
                continue;
            }
            text(frag.text(), f.intProperty(kFontCharset) == 0);
        }
    }
    m_out += '}';
    newLine();
    return m_out;
}

}  // namespace

QByteArray writeRtf(const QTextDocument& document, const PageSetup& page) {
    Writer w(document, page);
    return w.run();
}

int PageSetup::textWidth() const { return std::max(360, paperWidth - marginLeft - marginRight); }
int PageSetup::textHeight() const { return std::max(360, paperHeight - marginTop - marginBottom); }

}  // namespace brindle::richtext

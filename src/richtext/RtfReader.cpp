#include "richtext/RtfReader.h"

#include "pictures/PictureFiles.h"
#include "richtext/TextFormats.h"

#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

namespace brindle::richtext {

namespace {

enum class Dest { Text, Skip, FontTable, ColourTable, Picture, StyleSheet };

struct CharState {
    int font = -1;  // index into the font table; -1 = \deff
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false, strike = false, hidden = false;
    int fg = 0, bg = 0;  // colour table indexes; 0 = automatic
    int valign = 0;      // 1 superscript, -1 subscript
};

struct TabStop {
    int pos = 0;
    char kind = 'l';
};

struct ParaState {
    int align = 0;  // 0 left, 1 right, 2 centre, 3 justify
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0, sl = 0;
    bool slmult = false;
    bool pagebb = false;
    bool intbl = false;
    std::vector<TabStop> tabs;
    char pendingTab = 'l';
};

struct Group {
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    int uc = 1;
    int style = -1;      // in the style sheet: the paragraph style this group defines (\sN)
    int charStyle = -1;  // in the style sheet: the character style this group defines (\csN)
};

// A style of the style sheet: the formats \sN gives a paragraph, or \csN
// gives text.
struct StyleEntry {
    CharState ch;
    ParaState para;
};

struct FontEntry {
    QString name;
    int charset = 0;
};

struct Picture {
    QString kind;  // png, jpeg, wmf, emf, dib
    QByteArray bytes;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    bool highNibble = true;
    int nibble = 0;
    bool overflow = false;
};

// Code page of an RTF character set.
int codePageOfCharset(int charset, int documentCodePage) {
    switch (charset) {
    case 0: case 1: return documentCodePage;
    case 2: return 0;  // symbol: bytes are taken as they are
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return documentCodePage;
    }
}

QByteArray codecName(int codePage) {
    switch (codePage) {
    case 0: return "ISO-8859-1";
    case 65001: return "UTF-8";
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 874: return "windows-874";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "EUC-KR";
    case 950: return "Big5";
    case 10000: return "macintosh";
    default:
        if (codePage >= 1250 && codePage <= 1258) return "windows-" + QByteArray::number(codePage);
        return "windows-1252";
    }
}

class Reader {
public:
    Reader(const QByteArray& bytes, QTextCursor& cursor) : m_in(bytes), m_cursor(cursor) {}

    RtfReadResult run();

private:
    // ------------------------------------------------------------ input
    bool atEnd() const { return m_pos >= m_in.size(); }
    char peek() const { return m_in.at(m_pos); }

    void warn(const QString& text) {
        if (!m_result.warnings.contains(text) && m_result.warnings.size() < 20) m_result.warnings << text;
    }

    Group& top() { return m_groups.back(); }

    void pushGroup();
    void popGroup();
    void controlWord(const QByteArray& word, bool hasParam, int param);
    void controlSymbol(char c);
    void textByte(char c);
    void hexByte(int value);
    void unicodeChar(int value);
    void skipBinary(qint64 length);

    // ------------------------------------------------------------ output
    void addBytes(char c);
    void addText(const QString& text);
    void appendText(const QString& text);
    void flushBytes();
    void flushText();
    void endParagraph();
    void finishDocument();
    void applyBlockFormat();
    QTextCharFormat charFormat() const;
    QTextBlockFormat blockFormat() const;
    void finishPicture();
    void finishFontName();
    void cellBoundary();
    int currentCodePage() const;

    const QByteArray& m_in;
    qsizetype m_pos = 0;
    QTextCursor& m_cursor;
    RtfReadResult m_result;

    std::vector<Group> m_groups;
    int m_overflowDepth = 0;  // groups opened beyond kMaxGroupDepth, skipped
    int m_skipChars = 0;      // fallback characters left to skip after \uN

    int m_codePage = 1252;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    QHash<int, StyleEntry> m_styles;
    QHash<int, StyleEntry> m_charStyles;
    int m_fontBeingRead = -1;
    QByteArray m_fontNameBytes;
    std::vector<QColor> m_colours;  // invalid = automatic
    int m_red = -1, m_green = -1, m_blue = -1;

    QByteArray m_bytes;  // undecoded text bytes
    int m_bytesCodePage = 1252;
    QString m_text;      // decoded text waiting for insertion
    QTextCharFormat m_textFormat;

    std::unique_ptr<Picture> m_picture;
    size_t m_pictureDepth = 0;
    int m_pictures = 0;

    int m_cellsInRow = 0;
    bool m_pendingCellTab = false;
    bool m_pageBreakPending = false;
    bool m_blockHasFormat = false;
    bool m_firstBlock = true;
    bool m_done = false;
};

RtfReadResult Reader::run() {
    m_groups.reserve(64);
    m_groups.push_back(Group{});
    top().dest = Dest::Skip;  // nothing before the first "{" is text
    if (m_cursor.hasSelection()) m_cursor.removeSelectedText();
    m_firstBlock = true;

    while (!atEnd() && !m_done) {
        const char c = m_in.at(m_pos++);
        if (c == '{') {
            pushGroup();
        } else if (c == '}') {
            popGroup();
        } else if (c == '\\') {
            if (atEnd()) {
                warn(QStringLiteral("The file ends in the middle of a control word."));
                break;
            }
            const char n = peek();
            if ((n >= 'a' && n <= 'z') || (n >= 'A' && n <= 'Z')) {
                QByteArray word;
                while (!atEnd() && ((peek() >= 'a' && peek() <= 'z') || (peek() >= 'A' && peek() <= 'Z'))) {
                    if (word.size() < 32) word += peek();
                    ++m_pos;
                }
                bool hasParam = false, negative = false;
                qint64 value = 0;
                if (!atEnd() && peek() == '-') {
                    negative = true;
                    ++m_pos;
                }
                while (!atEnd() && peek() >= '0' && peek() <= '9') {
                    hasParam = true;
                    if (value < 100000000000LL) value = value * 10 + (peek() - '0');
                    ++m_pos;
                }
                if (!atEnd() && peek() == ' ') ++m_pos;  // the delimiter belongs to the word
                if (negative) value = -value;
                value = std::clamp<qint64>(value, -2147483647LL, 2147483647LL);
                if (word == "bin") {
                    skipBinary(hasParam ? value : 0);
                    continue;
                }
                if (m_overflowDepth == 0) controlWord(word, hasParam, int(value));
            } else if (n == '\'') {
                ++m_pos;
                int v = 0, digits = 0;
                while (digits < 2 && !atEnd()) {
                    const char h = peek();
                    int d = -1;
                    if (h >= '0' && h <= '9') d = h - '0';
                    else if (h >= 'a' && h <= 'f') d = h - 'a' + 10;
                    else if (h >= 'A' && h <= 'F') d = h - 'A' + 10;
                    if (d < 0) break;
                    v = v * 16 + d;
                    ++digits;
                    ++m_pos;
                }
                if (digits == 0) warn(QStringLiteral("A \\' escape without a hexadecimal value was ignored."));
                else if (m_overflowDepth == 0) hexByte(v);
            } else {
                ++m_pos;
                if (m_overflowDepth == 0) controlSymbol(n);
            }
        } else if (c == '\r' || c == '\n' || c == '\0') {
            // line ends are not text; NUL bytes are padding some writers leave
        } else if (m_overflowDepth == 0) {
            textByte(c);
        }
    }
    if (!m_done) {
        if (m_groups.size() > 1 || m_overflowDepth > 0)
            warn(QStringLiteral("The file ends inside a group: it is truncated or damaged."));
        else if (m_groups.size() == 1 && top().dest == Dest::Skip)
            warn(QStringLiteral("The file holds no RTF document."));
    }
    if (!m_done) finishDocument();
    return m_result;
}

void Reader::finishDocument() {
    if (m_picture) finishPicture();
    flushText();
    applyBlockFormat();
    if (m_cursor.block().length() <= 1) m_cursor.setBlockCharFormat(charFormat());
}

void Reader::pushGroup() {
    if (m_overflowDepth > 0 || m_groups.size() >= size_t(kMaxGroupDepth)) {
        if (m_overflowDepth == 0) warn(QStringLiteral("Groups are nested too deeply; the innermost ones were skipped."));
        ++m_overflowDepth;
        return;
    }
    flushBytes();
    m_groups.push_back(m_groups.back());
    // A style without \sN is style 0 (or a character style, which \* skips).
    if (m_groups.back().dest == Dest::StyleSheet && m_groups.back().style < 0) m_groups.back().style = 0;
    if (m_groups.size() == 2) {
        // The document's own group: RTF only when it starts with \rtf.
        m_groups.back().dest = m_in.mid(m_pos, 4) == "\\rtf" ? Dest::Text : Dest::Skip;
    }
    m_skipChars = 0;
}

void Reader::popGroup() {
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    flushBytes();
    if (m_groups.size() <= 1) {
        warn(QStringLiteral("The file has more closing than opening braces."));
        return;
    }
    const Dest leaving = top().dest;
    if (leaving == Dest::FontTable) finishFontName();
    if (leaving == Dest::StyleSheet && top().charStyle >= 0 &&
        m_groups[m_groups.size() - 2].charStyle != top().charStyle &&
        (m_charStyles.size() < kMaxFonts || m_charStyles.contains(top().charStyle))) {
        m_charStyles[top().charStyle].ch = top().ch;
    } else if (leaving == Dest::StyleSheet && top().charStyle < 0 && top().style >= 0 &&
               m_groups[m_groups.size() - 2].style != top().style &&
               (m_styles.size() < kMaxFonts || m_styles.contains(top().style))) {
        StyleEntry& s = m_styles[top().style];
        s.ch = top().ch;
        s.para = top().para;
        s.para.pendingTab = 'l';
    }
    if (m_groups.size() == 2) finishDocument();  // with the last paragraph's own state
    m_groups.pop_back();
    m_skipChars = 0;
    if (m_picture && m_groups.size() < m_pictureDepth) finishPicture();
    if (leaving == Dest::FontTable && top().dest != Dest::FontTable) m_fontBeingRead = -1;
    if (m_groups.size() == 1) {
        // The document's outermost group has closed: what follows is not part of it.
        m_done = true;
    }
}

void Reader::skipBinary(qint64 length) {
    if (length < 0) length = 0;
    const qint64 left = m_in.size() - m_pos;
    if (length > left) {
        warn(QStringLiteral("Binary data runs past the end of the file."));
        length = left;
    }
    if (m_overflowDepth == 0 && m_picture && top().dest == Dest::Picture) {
        const qsizetype room = kMaxPictureBytes - m_picture->bytes.size();
        if (length > room) m_picture->overflow = true;
        else m_picture->bytes.append(m_in.constData() + m_pos, qsizetype(length));
    }
    m_pos += qsizetype(length);
}

int Reader::currentCodePage() const {
    const int f = m_groups.back().ch.font < 0 ? m_defaultFont : m_groups.back().ch.font;
    const auto it = m_fonts.constFind(f);
    return codePageOfCharset(it == m_fonts.constEnd() ? 0 : it->charset, m_codePage);
}

void Reader::addBytes(char c) {
    const int cp = currentCodePage();
    if (!m_bytes.isEmpty() && cp != m_bytesCodePage) flushBytes();
    m_bytesCodePage = cp;
    m_bytes += c;
}

void Reader::flushBytes() {
    if (m_bytes.isEmpty()) return;
    QString text;
    QStringDecoder decoder(codecName(m_bytesCodePage).constData());
    if (decoder.isValid()) text = decoder.decode(m_bytes);
    else text = QString::fromLatin1(m_bytes);
    m_bytes.clear();
    appendText(text);
}

void Reader::addText(const QString& text) {
    flushBytes();
    appendText(text);
}

void Reader::appendText(const QString& text) {
    if (text.isEmpty()) return;
    const QTextCharFormat f = charFormat();
    if (!m_text.isEmpty() && f != m_textFormat) flushText();
    if (m_pendingCellTab) {
        m_pendingCellTab = false;
        m_text += QLatin1Char(m_cellsInRow <= kMaxTableCells ? '\t' : ' ');
    }
    m_textFormat = f;
    m_text += text;
}

void Reader::flushText() {
    flushBytes();
    if (m_text.isEmpty()) return;
    if (!m_blockHasFormat) applyBlockFormat();
    m_cursor.insertText(m_text, m_textFormat);
    m_text.clear();
}

QTextCharFormat Reader::charFormat() const {
    const CharState& s = m_groups.back().ch;
    QTextCharFormat f;
    const int fi = s.font < 0 ? m_defaultFont : s.font;
    const auto it = m_fonts.constFind(fi);
    const QString face = it == m_fonts.constEnd() || it->name.isEmpty() ? QStringLiteral("Arial") : it->name;
    f.setFontFamilies({face});
    if (it != m_fonts.constEnd() && it->charset != 0) f.setProperty(kFontCharset, it->charset);
    f.setFontPointSize(std::clamp(s.halfPoints, 2, 3276) / 2.0);
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setFontStrikeOut(s.strike);
    if (s.fg > 0 && size_t(s.fg) < m_colours.size() && m_colours[size_t(s.fg)].isValid())
        f.setForeground(m_colours[size_t(s.fg)]);
    if (s.bg > 0 && size_t(s.bg) < m_colours.size() && m_colours[size_t(s.bg)].isValid())
        f.setBackground(m_colours[size_t(s.bg)]);
    if (s.valign > 0) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (s.valign < 0) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return f;
}

QTextBlockFormat Reader::blockFormat() const {
    const ParaState& p = m_groups.back().para;
    QTextBlockFormat b;
    static const Qt::Alignment aligns[] = {Qt::AlignLeft | Qt::AlignAbsolute, Qt::AlignRight | Qt::AlignAbsolute,
                                           Qt::AlignHCenter, Qt::AlignJustify};
    b.setAlignment(aligns[p.align]);
    if (p.li) b.setLeftMargin(twipsToUnits(p.li));
    if (p.ri) b.setRightMargin(twipsToUnits(p.ri));
    if (p.fi) b.setTextIndent(twipsToUnits(p.fi));
    if (p.sb) b.setTopMargin(twipsToPixels(p.sb));
    if (p.sa) b.setBottomMargin(twipsToPixels(p.sa));
    if (p.sl != 0) {
        b.setProperty(kLineSpacing, p.sl);
        if (p.slmult) b.setProperty(kLineSpacingMultiple, true);
        if (p.slmult && p.sl > 0) b.setLineHeight(p.sl * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (p.sl > 0) b.setLineHeight(twipsToPixels(p.sl), QTextBlockFormat::MinimumHeight);
        else b.setLineHeight(twipsToPixels(-p.sl), QTextBlockFormat::FixedHeight);
    }
    if (!p.tabs.empty() || p.fi < 0) {
        // Qt counts tab stops from where the first line's text starts (the
        // left indent plus the first-line indent), RTF from the margin.
        const int lineStart = p.li + p.fi;
        QString spec;
        QList<QTextOption::Tab> tabs;
        bool hangingStop = p.fi < 0;
        for (const TabStop& t : p.tabs) {
            if (!spec.isEmpty()) spec += QLatin1Char(' ');
            spec += QLatin1Char(t.kind) + QString::number(t.pos);
            if (t.pos <= lineStart) continue;
            // A hanging indent is a tab stop of its own unless a stop comes first.
            if (hangingStop && t.pos >= p.li) {
                if (t.pos > p.li) tabs << QTextOption::Tab(twipsToPixels(p.li - lineStart), QTextOption::LeftTab);
                hangingStop = false;
            }
            const auto type = t.kind == 'r' ? QTextOption::RightTab : t.kind == 'c' ? QTextOption::CenterTab : QTextOption::LeftTab;
            tabs << QTextOption::Tab(twipsToPixels(t.pos - lineStart), type);
        }
        if (hangingStop) tabs << QTextOption::Tab(twipsToPixels(p.li - lineStart), QTextOption::LeftTab);
        if (!spec.isEmpty()) b.setProperty(kTabStops, spec);
        b.setTabPositions(tabs);
    }
    if (p.pagebb || m_pageBreakPending) b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    return b;
}

// Gives the paragraph being read its format: at the first text and again when
// it ends, since RTF states paragraph properties anywhere before \par.
void Reader::applyBlockFormat() {
    QTextBlockFormat b = blockFormat();
    if (m_firstBlock && m_cursor.block().length() > 1 && m_cursor.block().position() < m_cursor.position()) {
        // Inserting into the middle of a paragraph that has text: it keeps its own format.
        m_blockHasFormat = true;
        return;
    }
    m_cursor.setBlockFormat(b);
    m_blockHasFormat = true;
}

void Reader::endParagraph() {
    flushText();
    applyBlockFormat();
    if (m_cursor.block().length() <= 1) m_cursor.setBlockCharFormat(charFormat());
    m_cursor.insertBlock();
    m_pageBreakPending = false;
    m_blockHasFormat = false;
    m_firstBlock = false;
    m_pendingCellTab = false;
    ++m_result.paragraphs;
}

void Reader::cellBoundary() {
    flushText();
    ++m_cellsInRow;
    m_pendingCellTab = true;
}

void Reader::finishFontName() {
    if (m_fontBeingRead < 0 || m_fontNameBytes.isEmpty()) return;
    QByteArray name = m_fontNameBytes.trimmed();
    m_fontNameBytes.clear();
    if (name.endsWith(';')) name.chop(1);
    if (m_fonts.size() >= kMaxFonts && !m_fonts.contains(m_fontBeingRead)) {
        warn(QStringLiteral("The font table is too long; later fonts were ignored."));
        return;
    }
    FontEntry& e = m_fonts[m_fontBeingRead];
    QStringDecoder decoder(codecName(codePageOfCharset(e.charset, m_codePage)).constData());
    e.name = (decoder.isValid() ? decoder.decode(name) : QString::fromLatin1(name)).trimmed().left(64);
}

void Reader::finishPicture() {
    std::unique_ptr<Picture> pic = std::move(m_picture);
    m_pictureDepth = 0;
    if (!pic) return;
    if (pic->overflow) {
        warn(QStringLiteral("A picture larger than the limit was left out."));
        return;
    }
    if (pic->bytes.isEmpty()) return;
    if (++m_pictures > kMaxPictures) {
        warn(QStringLiteral("The file holds too many pictures; later ones were left out."));
        return;
    }
    QImage image;
    if (pic->kind == QLatin1String("png") || pic->kind == QLatin1String("jpeg")) {
        const pictures::PictureFile f = pictures::decodePicture(pic->bytes, pic->kind == QLatin1String("png") ? QStringLiteral("png") : QStringLiteral("jpg"));
        if (f.kind == pictures::PictureKind::Bitmap) image = f.image;
    } else if (pic->kind == QLatin1String("wmf") || pic->kind == QLatin1String("emf")) {
        QByteArray bytes = pic->bytes;
        if (pic->kind == QLatin1String("wmf")) bytes = pictures::placeableMetafile(bytes);
        if (pictures::isMetafile(bytes)) {
            QSize size = pictures::metafileSize(bytes);
            if (pic->goalw > 0 && pic->goalh > 0) size = QSize(pic->goalw * 150 / 1440, pic->goalh * 150 / 1440);
            if (size.isEmpty()) size = QSize(300, 300);
            size = size.boundedTo(QSize(2400, 2400)).expandedTo(QSize(1, 1));
            image = QImage(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            if (!pictures::drawMetafile(painter, QRectF(QPointF(0, 0), QSizeF(size)), bytes)) image = QImage();
        }
    }
    if (image.isNull()) {
        warn(QStringLiteral("A picture could not be read and was left out."));
        return;
    }
    if (image.width() > pictures::kMaxPictureSide || image.height() > pictures::kMaxPictureSide) {
        warn(QStringLiteral("A picture larger than the limit was left out."));
        return;
    }
    // Size on the page: the goal size, else the natural size scaled, else 96 dpi pixels.
    double w = pic->goalw > 0 ? pic->goalw : pic->picw > 0 && pic->kind != QLatin1String("wmf") && pic->kind != QLatin1String("emf") ? pic->picw * 15.0 : image.width() * 15.0;
    double h = pic->goalh > 0 ? pic->goalh : pic->pich > 0 && pic->kind != QLatin1String("wmf") && pic->kind != QLatin1String("emf") ? pic->pich * 15.0 : image.height() * 15.0;
    w = w * std::clamp(pic->scalex, 1, 1000) / 100.0;
    h = h * std::clamp(pic->scaley, 1, 1000) / 100.0;
    w = std::clamp(w, 15.0, 1440.0 * 22);
    h = std::clamp(h, 15.0, 1440.0 * 22);

    QTextDocument* doc = m_cursor.document();
    // A name unique within the document, so inserting into a document that
    // already holds pictures never replaces one of them.
    QString name;
    for (int n = 1;; ++n) {
        name = QStringLiteral("rtfpicture:%1").arg(n);
        if (doc->resource(QTextDocument::ImageResource, QUrl(name)).isNull()) break;
    }
    doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    flushText();
    if (!m_blockHasFormat) applyBlockFormat();
    QTextImageFormat f;
    f.merge(charFormat());
    f.setName(name);
    f.setWidth(twipsToUnits(int(w)));
    f.setHeight(twipsToUnits(int(h)));
    f.setProperty(kPictureSource, pic->kind);
    m_cursor.insertImage(f);
}

void Reader::textByte(char c) {
    Group& g = top();
    if (g.dest == Dest::Picture) {
        if (!m_picture) return;
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return;
        if (m_picture->highNibble) {
            m_picture->nibble = d;
        } else if (m_picture->bytes.size() < kMaxPictureBytes) {
            m_picture->bytes += char(m_picture->nibble * 16 + d);
        } else {
            m_picture->overflow = true;
        }
        m_picture->highNibble = !m_picture->highNibble;
        return;
    }
    if (m_skipChars > 0) {
        --m_skipChars;
        return;
    }
    if (g.dest == Dest::FontTable) {
        if (m_fontBeingRead >= 0) {
            if (c == ';') finishFontName();
            else if (m_fontNameBytes.size() < 256) m_fontNameBytes += c;
        }
        return;
    }
    if (g.dest == Dest::ColourTable) {
        if (c == ';') {
            if (m_colours.size() >= size_t(kMaxColours)) {
                warn(QStringLiteral("The colour table is too long; later colours were ignored."));
            } else if (m_red < 0 && m_green < 0 && m_blue < 0) {
                m_colours.emplace_back();  // automatic
            } else {
                m_colours.emplace_back(std::clamp(m_red, 0, 255), std::clamp(m_green, 0, 255), std::clamp(m_blue, 0, 255));
            }
            m_red = m_green = m_blue = -1;
        }
        return;
    }
    if (g.dest != Dest::Text || g.ch.hidden) return;
    if (c == '\t') {
        addText(QStringLiteral("\t"));
        return;
    }
    addBytes(c);
}

void Reader::hexByte(int value) {
    if (m_skipChars > 0) {
        --m_skipChars;
        return;
    }
    const Dest d = top().dest;
    if (d == Dest::Text) {
        if (!top().ch.hidden) addBytes(char(value));
    } else if (d == Dest::FontTable) {
        if (m_fontBeingRead >= 0 && m_fontNameBytes.size() < 256) m_fontNameBytes += char(value);
    } else if (d == Dest::Picture && m_picture) {
        if (m_picture->bytes.size() < kMaxPictureBytes) m_picture->bytes += char(value);
        else m_picture->overflow = true;
    }
}

void Reader::unicodeChar(int value) {
    if (value < 0) value += 65536;
    if (value < 0 || value > 0xFFFF) value = 0xFFFD;
    m_skipChars = std::max(0, top().uc);
    if (top().dest != Dest::Text || top().ch.hidden) return;
    flushBytes();
    addText(QString(QChar(char16_t(value))));
}

void Reader::controlSymbol(char c) {
    switch (c) {
    case '\\': case '{': case '}':
        textByte(c);
        return;
    case '*': {
        // An optional destination: kept only when we know it.
        const qsizetype save = m_pos;
        while (!atEnd() && (peek() == ' ' || peek() == '\r' || peek() == '\n')) ++m_pos;
        static const QByteArray known[] = {"\\shppict", "\\pngblip", "\\jpegblip"};
        bool keep = false;
        for (const QByteArray& k : known) {
            if (m_in.mid(m_pos, k.size()) == k) keep = true;
        }
        // Character styles of the style sheet are read too: some writers
        // give text its formats only through them.
        if (top().dest == Dest::StyleSheet && m_in.mid(m_pos, 3) == "\\cs" &&
            (m_pos + 3 >= m_in.size() || !std::isalpha(static_cast<unsigned char>(m_in.at(m_pos + 3)))))
            keep = true;
        m_pos = save;
        if (!keep) {
            flushText();
            top().dest = Dest::Skip;
        }
        return;
    }
    case '~': if (top().dest == Dest::Text) addText(QString(QChar(0x00A0))); return;
    case '-': if (top().dest == Dest::Text) addText(QString(QChar(0x00AD))); return;
    case '_': if (top().dest == Dest::Text) addText(QString(QChar(0x2011))); return;
    case '\r': case '\n':
        // A backslash before a line end is a paragraph mark.
        if (top().dest == Dest::Text) endParagraph();
        return;
    case '\t': if (top().dest == Dest::Text) addText(QStringLiteral("\t")); return;
    default:
        // \| \: and the like are index and formula marks: nothing to show.
        return;
    }
}

void Reader::controlWord(const QByteArray& w, bool hasParam, int param) {
    Group& g = top();
    const bool on = !hasParam || param != 0;

    // Destinations first: they decide what the group's text is.
    static const char* const skipped[] = {
        "info", "header", "footer", "headerl", "headerr", "headerf", "footerl", "footerr", "footerf",
        "fldinst", "listtable", "listoverridetable", "revtbl", "rsidtbl", "generator", "xmlnstbl", "themedata",
        "colorschememapping", "latentstyles", "datastore", "filetbl", "pgdsctbl", "footnote", "annotation",
        "atnid", "atnauthor", "nonshppict", "objdata", "objclass", "objname", "pn", "template", "private", "userprops",
        "txe", "mmathPr", "docvar", "fldtype", "xe", "tc", "bkmkstart", "bkmkend", "shpinst"};
    for (const char* s : skipped) {
        if (w == s) {
            flushText();
            g.dest = Dest::Skip;
            return;
        }
    }
    if (g.dest == Dest::Skip) return;

    if (w == "stylesheet") { flushText(); g.dest = Dest::StyleSheet; return; }
    if (g.dest == Dest::StyleSheet && w == "s") { g.style = std::max(0, param); return; }
    if (g.dest == Dest::StyleSheet && w == "cs") { g.charStyle = std::max(0, param); return; }
    if (w == "fonttbl") { flushText(); g.dest = Dest::FontTable; m_fontBeingRead = -1; return; }
    if (w == "colortbl") { flushText(); g.dest = Dest::ColourTable; m_colours.clear(); m_red = m_green = m_blue = -1; return; }
    if (w == "pict") {
        flushText();
        if (m_picture) finishPicture();
        g.dest = Dest::Picture;
        m_picture = std::make_unique<Picture>();
        m_pictureDepth = m_groups.size();
        return;
    }

    if (g.dest == Dest::FontTable) {
        if (w == "f") { finishFontName(); m_fontBeingRead = param; if (!m_fonts.contains(param) && m_fonts.size() < kMaxFonts) m_fonts.insert(param, {}); }
        else if (w == "fcharset" && m_fontBeingRead >= 0 && m_fonts.contains(m_fontBeingRead)) m_fonts[m_fontBeingRead].charset = param;
        return;
    }
    if (g.dest == Dest::ColourTable) {
        if (w == "red") m_red = param;
        else if (w == "green") m_green = param;
        else if (w == "blue") m_blue = param;
        return;
    }
    if (g.dest == Dest::Picture) {
        if (!m_picture) return;
        if (w == "pngblip") m_picture->kind = QStringLiteral("png");
        else if (w == "jpegblip") m_picture->kind = QStringLiteral("jpeg");
        else if (w == "wmetafile") m_picture->kind = QStringLiteral("wmf");
        else if (w == "emfblip") m_picture->kind = QStringLiteral("emf");
        else if (w == "dibitmap" || w == "wbitmap" || w == "macpict" || w == "pmmetafile") m_picture->kind = QStringLiteral("other");
        else if (w == "picw") m_picture->picw = param;
        else if (w == "pich") m_picture->pich = param;
        else if (w == "picwgoal") m_picture->goalw = param;
        else if (w == "pichgoal") m_picture->goalh = param;
        else if (w == "picscalex") m_picture->scalex = param;
        else if (w == "picscaley") m_picture->scaley = param;
        return;
    }

    // ------------------------------------------------------------ document
    if (w == "ansicpg") { if (param > 0) m_codePage = param; return; }
    if (w == "mac") { m_codePage = 10000; return; }
    if (w == "pc") { m_codePage = 437; return; }
    if (w == "pca") { m_codePage = 850; return; }
    if (w == "deff") { m_defaultFont = param; return; }
    // Default tab stops closer than 1/20 inch or farther than the widest paper are damage.
    if (w == "deftab") { if (param >= 72 && param <= 113385) m_result.defaultTab = param; return; }
    if (w == "uc") { g.uc = std::clamp(param, 0, 16); return; }
    if (w == "u") { unicodeChar(param); return; }
    if (w == "paperw" || w == "paperh" || w == "margl" || w == "margr" || w == "margt" || w == "margb") {
        // Paper up to 2 m, margins up to the paper; anything else is damage.
        const int v = std::clamp(param, 0, 113385);
        PageSetup& pg = m_result.page;
        if (w == "paperw") pg.paperWidth = std::max(v, 720);
        else if (w == "paperh") pg.paperHeight = std::max(v, 720);
        else if (w == "margl") pg.marginLeft = v;
        else if (w == "margr") pg.marginRight = v;
        else if (w == "margt") pg.marginTop = v;
        else pg.marginBottom = v;
        m_result.pageGiven = true;
        return;
    }
    if (w == "landscape") { m_result.page.landscape = true; m_result.pageGiven = true; return; }

    // ------------------------------------------------------------ characters
    CharState& ch = g.ch;
    auto setChar = [&](auto apply) { flushBytes(); apply(); };
    if (w == "plain") { setChar([&] { ch = CharState{}; }); return; }
    if (w == "f") { setChar([&] { ch.font = param; }); return; }
    if (w == "fs") { setChar([&] { ch.halfPoints = hasParam ? param : 24; }); return; }
    if (w == "b") { setChar([&] { ch.bold = on; }); return; }
    if (w == "i") { setChar([&] { ch.italic = on; }); return; }
    if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth") { setChar([&] { ch.underline = on; }); return; }
    if (w == "ulnone") { setChar([&] { ch.underline = false; }); return; }
    if (w == "strike") { setChar([&] { ch.strike = on; }); return; }
    if (w == "v") { setChar([&] { ch.hidden = on; }); return; }
    if (w == "cf") { setChar([&] { ch.fg = std::max(0, param); }); return; }
    if (w == "highlight" || w == "cb" || w == "chcbpat") { setChar([&] { ch.bg = std::max(0, param); }); return; }
    if (w == "super") { setChar([&] { ch.valign = on ? 1 : 0; }); return; }
    if (w == "sub") { setChar([&] { ch.valign = on ? -1 : 0; }); return; }
    if (w == "nosupersub") { setChar([&] { ch.valign = 0; }); return; }

    // ------------------------------------------------------------ special characters
    if (g.dest == Dest::Text && !ch.hidden) {
        static const struct { const char* word; char16_t c; } specials[] = {
            {"emdash", 0x2014}, {"endash", 0x2013}, {"bullet", 0x2022}, {"lquote", 0x2018}, {"rquote", 0x2019},
            {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002},
            {"qmspace", 0x2005}, {"zwj", 0x200D}, {"zwnj", 0x200C}, {"line", 0x2028}, {"softline", 0x2028}, {"tab", '\t'},
        };
        for (const auto& s : specials) {
            if (w == s.word) {
                if (m_skipChars > 0) { --m_skipChars; return; }
                flushBytes();
                addText(QString(QChar(s.c)));
                return;
            }
        }
    }

    // ------------------------------------------------------------ paragraphs
    ParaState& pa = g.para;
    if (w == "par") { if (pa.intbl && m_cellsInRow >= 0 && g.dest == Dest::Text) { flushBytes(); addText(QStringLiteral(" ")); } else endParagraph(); return; }
    if (w == "page") {
        // A break at the start of a paragraph breaks before it; anywhere else
        // it ends the paragraph and the next one starts the new page.
        flushText();
        if (m_cursor.block().length() > 1) endParagraph();
        m_pageBreakPending = true;
        if (m_blockHasFormat) applyBlockFormat();
        return;
    }
    if (w == "sect") { endParagraph(); return; }
    if (w == "pard") { flushBytes(); pa = ParaState{}; return; }
    if (w == "s" && g.dest == Dest::Text) {
        // A paragraph style: its formats, which the words after it refine.
        // Writers that repeat the formats in full lose nothing by this.
        if (const auto it = m_styles.constFind(std::max(0, param)); it != m_styles.constEnd()) {
            const bool intbl = pa.intbl;
            pa = it->para;
            pa.intbl = intbl;
            setChar([&] { ch = it->ch; });
        }
        return;
    }
    if (w == "cs" && g.dest == Dest::Text) {
        // A character style: the formats its entry states, over the text's
        // own (a style that states no size keeps the text's size, whether or
        // not it is marked \additive), refined by the words after \cs.
        if (const auto it = m_charStyles.constFind(std::max(0, param)); it != m_charStyles.constEnd()) {
            const CharState& s = it->ch;
            setChar([&] {
                const CharState none;
                if (s.font != none.font) ch.font = s.font;
                if (s.halfPoints != none.halfPoints) ch.halfPoints = s.halfPoints;
                ch.bold = ch.bold || s.bold;
                ch.italic = ch.italic || s.italic;
                ch.underline = ch.underline || s.underline;
                ch.strike = ch.strike || s.strike;
                ch.hidden = ch.hidden || s.hidden;
                if (s.fg != none.fg) ch.fg = s.fg;
                if (s.bg != none.bg) ch.bg = s.bg;
                if (s.valign != none.valign) ch.valign = s.valign;
            });
        }
        return;
    }
    if (w == "pagebb") { pa.pagebb = on; return; }
    if (w == "ql") { pa.align = 0; return; }
    if (w == "qr") { pa.align = 1; return; }
    if (w == "qc") { pa.align = 2; return; }
    if (w == "qj" || w == "qd") { pa.align = 3; return; }
    auto twips = [&] { return std::clamp(param, -31680, 31680); };
    if (w == "li") { pa.li = twips(); return; }
    if (w == "ri") { pa.ri = twips(); return; }
    if (w == "fi") { pa.fi = twips(); return; }
    if (w == "sb") { pa.sb = std::max(0, twips()); return; }
    if (w == "sa") { pa.sa = std::max(0, twips()); return; }
    if (w == "sl") { pa.sl = twips(); return; }
    if (w == "slmult") { pa.slmult = on; return; }
    if (w == "tqr") { pa.pendingTab = 'r'; return; }
    if (w == "tqc") { pa.pendingTab = 'c'; return; }
    if (w == "tqdec") { pa.pendingTab = 'r'; return; }
    if (w == "tx" || w == "tb") {
        if (pa.tabs.size() < 64) pa.tabs.push_back({std::clamp(param, 0, 31680), pa.pendingTab});
        pa.pendingTab = 'l';
        return;
    }

    // ------------------------------------------------------------ tables
    if (w == "intbl") { pa.intbl = true; return; }
    if (w == "trowd") { m_cellsInRow = 0; m_pendingCellTab = false; return; }
    if (w == "cell" || w == "nestcell") { if (g.dest == Dest::Text) cellBoundary(); return; }
    if (w == "row" || w == "nestrow") {
        m_pendingCellTab = false;
        m_cellsInRow = 0;
        const bool was = pa.intbl;
        pa.intbl = false;
        endParagraph();
        pa.intbl = was;
        return;
    }
}

}  // namespace

bool looksLikeRtf(const QByteArray& bytes) {
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\t')) ++i;
    return bytes.mid(i, 5) == "{\\rtf";
}

RtfReadResult readRtf(const QByteArray& bytes, QTextCursor& cursor) {
    Reader reader(bytes, cursor);
    return reader.run();
}

}  // namespace brindle::richtext

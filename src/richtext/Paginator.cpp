#include "richtext/Paginator.h"

#include "printing/DrawOps.h"
#include "richtext/RichDocument.h"
#include "richtext/TextFormats.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QUrl>

#include <algorithm>

namespace brindle::richtext {

namespace {

double toInches(double units) { return units / kLayoutDpi; }

// The page canvas takes glyphs at its 7200-dpi reference size.
constexpr double kToReference = 7200.0 / kLayoutDpi;

printing::FontSpec fontSpecOf(const QTextCharFormat& f, const QFont& fallback) {
    printing::FontSpec s;
    const QStringList families = f.fontFamilies().toStringList();
    s.face = families.isEmpty() ? fallback.family() : families.first();
    s.sizePt = f.fontPointSize() > 0 ? f.fontPointSize() : fallback.pointSizeF();
    s.bold = f.fontWeight() >= QFont::DemiBold;
    s.italic = f.fontItalic();
    s.underline = f.fontUnderline();
    s.strikeOut = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        s.colour = printing::colourToInt(f.foreground().color());
    return s;
}

// ------------------------------------------------------------ tab stops per line
// Qt measures tab stops from where each line starts, and keeps one list for
// all lines of a paragraph; RTF measures them from the margin. With a
// first-line indent the first line starts elsewhere than the others, so one
// list cannot serve both, and the default stops (every \deftab from the
// margin) fall elsewhere whenever a line does not start on one of them.
// Paragraphs with tabs and indents are therefore laid out again line by
// line, each line with the stops measured from its own start.

struct RtfStop {
    int pos = 0;  // twips from the margin
    QTextOption::TabType type = QTextOption::LeftTab;
};

std::vector<RtfStop> rtfStops(const QTextBlockFormat& b) {
    std::vector<RtfStop> stops;
    if (b.hasProperty(kTabStops)) {
        for (const QString& t : b.stringProperty(kTabStops).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (t.size() < 2) continue;
            const QChar kind = t.at(0);
            stops.push_back({t.mid(1).toInt(), kind == QLatin1Char('r') ? QTextOption::RightTab
                                               : kind == QLatin1Char('c') ? QTextOption::CenterTab
                                                                          : QTextOption::LeftTab});
        }
    } else {
        // Stops set without the RTF list are measured from the first line's start.
        const int firstStart = unitsToTwips(b.leftMargin() + b.textIndent());
        for (const QTextOption::Tab& t : b.tabPositions()) stops.push_back({pixelsToTwips(t.position) + firstStart, t.type});
    }
    std::sort(stops.begin(), stops.end(), [](const RtfStop& a, const RtfStop& b) { return a.pos < b.pos; });
    return stops;
}

// The stops of a line starting `lineStart` twips from the margin, measured
// from that start: the paragraph's own, then a hanging indent's stop at the
// left indent on the first line, then the default stops up to `width`.
QList<QTextOption::Tab> lineTabs(const std::vector<RtfStop>& stops, int lineStart, int leftIndent, bool hanging,
                                 int defaultTab, int width) {
    QList<QTextOption::Tab> tabs;
    int last = lineStart;
    auto add = [&](int pos, QTextOption::TabType type) {
        tabs << QTextOption::Tab(twipsToPixels(pos - lineStart), type);
        last = pos;
    };
    for (const RtfStop& t : stops) {
        if (t.pos <= lineStart) continue;
        if (hanging && t.pos >= leftIndent) {
            if (t.pos > leftIndent) add(leftIndent, QTextOption::LeftTab);
            hanging = false;
        }
        add(t.pos, t.type);
    }
    if (hanging && leftIndent > lineStart) add(leftIndent, QTextOption::LeftTab);
    defaultTab = std::max(defaultTab, 72);
    for (int pos = (std::max(last, 0) / defaultTab + 1) * defaultTab; pos <= width + defaultTab && tabs.size() < 512;
         pos += defaultTab)
        add(pos, QTextOption::LeftTab);
    return tabs;
}

// What the document layout advances for a line and how far it moves the line
// up from there, by the paragraph's line spacing.
std::pair<double, double> lineAdvance(const QTextBlockFormat& b, const QTextLine& line, double scaling) {
    const double height = b.lineHeight(line.height(), scaling);
    switch (b.lineHeightType()) {
    case QTextBlockFormat::FixedHeight:
        return {height, line.ascent() + std::max(line.leading(), 0.0) - height * 4 / 5};
    case QTextBlockFormat::MinimumHeight:
        return {height, line.height() - height};
    default:
        return {height, 0.0};
    }
}

// Lays out a paragraph again with each line's own tab stops, when it has tabs
// and indents. Returns how much taller (or, when negative, shorter) the
// paragraph became; `tabs` gets the first line's and the other lines' stops.
// Qt measures tabs again whenever a line is measured or drawn, with the stops
// the layout holds then: the layout is left with the first line's, and
// drawing sets each line's own.
bool needsOwnTabs(const QTextBlock& block) {
    const QTextBlockFormat b = block.blockFormat();
    return (b.leftMargin() != 0 || b.textIndent() != 0) && block.text().contains(QLatin1Char('\t'));
}

double relayTabs(const QTextDocument& doc, const QTextBlock& block, bool* relaid,
                 std::pair<QList<QTextOption::Tab>, QList<QTextOption::Tab>>* tabs) {
    *relaid = false;
    QTextLayout* tl = block.layout();
    const QTextBlockFormat b = block.blockFormat();
    if (!tl || tl->lineCount() == 0 || !needsOwnTabs(block)) return 0;
    const std::vector<RtfStop> stops = rtfStops(b);
    const int left = unitsToTwips(b.leftMargin());
    const int first = unitsToTwips(b.leftMargin() + b.textIndent());
    const int width = unitsToTwips(doc.textWidth());
    const int defaultTab = pixelsToTwips(doc.defaultTextOption().tabStopDistance());
    const QList<QTextOption::Tab> firstTabs = lineTabs(stops, first, left, b.textIndent() < 0, defaultTab, width);
    const QList<QTextOption::Tab> nextTabs = lineTabs(stops, left, left, false, defaultTab, width);

    const double scaling = kLayoutDpi / 96.0;
    const QTextLine line0 = tl->lineAt(0);
    const double x0 = line0.x(), w0 = line0.width();
    const double xn = b.leftMargin(), wn = std::max(1.0, doc.textWidth() - b.leftMargin() - b.rightMargin());
    const double top = line0.y() + lineAdvance(b, line0, scaling).second;
    double oldBottom = top;
    for (int i = 0; i < tl->lineCount(); ++i) oldBottom += lineAdvance(b, tl->lineAt(i), scaling).first;

    QTextOption option = tl->textOption();
    option.setTabs(firstTabs);
    tl->setTextOption(option);
    tl->beginLayout();
    double y = top;
    for (int i = 0;; ++i) {
        QTextLine line = tl->createLine();
        if (!line.isValid()) break;
        if (i == 1) {
            option.setTabs(nextTabs);
            tl->setTextOption(option);
        }
        line.setLeadingIncluded(true);
        line.setLineWidth(i == 0 ? w0 : wn);
        const auto [advance, up] = lineAdvance(b, line, scaling);
        line.setPosition(QPointF(i == 0 ? x0 : xn, y - up));
        y += advance;
    }
    tl->endLayout();
    option.setTabs(firstTabs);
    tl->setTextOption(option);
    *relaid = true;
    *tabs = {firstTabs, nextTabs};
    return y - oldBottom;
}

}  // namespace

void keepShapedText(QTextDocument& doc) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (QTextLayout* tl = b.layout(); tl && !tl->cacheEnabled()) tl->setCacheEnabled(true);
}

Paginator::Paginator(const RichDocument& document) : m_document(document) { relayout(); }

void Paginator::relayout() {
    m_pages.clear();
    auto* doc = const_cast<QTextDocument*>(m_document.document());
    const PageSetup& page = m_document.page();
    // Setting the width lays the whole document out again, even at the same width.
    const double width = twipsToUnits(page.textWidth());
    if (doc->textWidth() != width) doc->setTextWidth(width);
    // Paragraphs laid out again for their tab stops (here or by another
    // paginator) go back to the document layout first, so each starts from
    // the lines the document layout gave it, which place the paragraphs after it.
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        if (needsOwnTabs(b)) doc->markContentsDirty(b.position(), b.length());
    m_relaid.clear();
    keepShapedText(*doc);
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    layout->documentSize();  // lays the whole document out
    const double height = twipsToUnits(page.textHeight());

    Page current;
    bool empty = true;
    double shift = 0;  // how far paragraphs laid out again moved the ones after them
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout* tl = b.layout();
        if (!tl) continue;
        bool relaid = false;
        std::pair<QList<QTextOption::Tab>, QList<QTextOption::Tab>> tabs;
        const double grown = relayTabs(*doc, b, &relaid, &tabs);
        if (relaid) m_relaid.push_back({b.blockNumber(), std::move(tabs.first), std::move(tabs.second)});
        const bool breakBefore = b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
        for (int i = 0; i < tl->lineCount(); ++i) {
            const QTextLine line = tl->lineAt(i);
            const double top = tl->position().y() + shift + line.y();
            const double h = line.height();
            const bool forced = i == 0 && breakBefore;
            if (!empty && (forced || top + h - current.top > height + 0.5)) {
                m_pages.push_back(std::move(current));
                current = Page{};
                empty = true;
            }
            if (empty) {
                current.start = b.position() + line.textStart();
                current.top = top;
                empty = false;
            }
            current.lines.push_back({b.blockNumber(), i, top, h});
        }
        shift += grown;
    }
    if (!empty || m_pages.empty()) m_pages.push_back(std::move(current));
    m_pages.front().start = 0;
}

int Paginator::pageStart(int index) const {
    if (index < 0 || index >= pageCount()) return -1;
    return m_pages[size_t(index)].start;
}

int Paginator::pageIndexAt(int position) const {
    int index = 0;
    for (int i = 0; i < pageCount(); ++i) {
        if (m_pages[size_t(i)].start <= position) index = i;
        else break;
    }
    return index;
}

void Paginator::applyPaper(printing::PageCanvas& canvas) const {
    const PageSetup& page = m_document.page();
    const QSizeF inches = page.paperInches();
    if (page.landscape && inches.width() > inches.height()) {
        canvas.setPaperSize(inches.transposed());
        canvas.setOrientation(printing::Orientation::Landscape);
    } else {
        canvas.setPaperSize(inches);
        canvas.setOrientation(printing::Orientation::Portrait);
    }
}

int Paginator::drawPage(printing::PageCanvas& canvas, int start) const {
    const PageSetup& page = m_document.page();
    return drawPage(canvas, start, QPointF(page.marginLeft / double(kTwipsPerInch), page.marginTop / double(kTwipsPerInch)));
}

int Paginator::drawPage(printing::PageCanvas& canvas, int start, QPointF origin) const {
    const int index = pageIndexAt(std::max(0, start));
    const Page& p = m_pages[size_t(index)];
    for (const Line& line : p.lines) drawLine(canvas, line, p.top, origin);
    return index + 1 < pageCount() ? m_pages[size_t(index) + 1].start : -1;
}

int Paginator::drawAll(printing::PageCanvas& canvas) const {
    applyPaper(canvas);
    int start = 0, drawn = 0;
    while (start >= 0 && !canvas.aborted()) {
        if (drawn > 0) canvas.newPage();
        start = drawPage(canvas, start);
        ++drawn;
    }
    return drawn;
}

std::vector<QRectF> Paginator::lineRects(int pageIndex) const {
    std::vector<QRectF> rects;
    if (pageIndex < 0 || pageIndex >= pageCount()) return rects;
    const Page& p = m_pages[size_t(pageIndex)];
    const QTextDocument* doc = m_document.document();
    for (const Line& l : p.lines) {
        const QTextLine line = doc->findBlockByNumber(l.block).layout()->lineAt(l.line);
        rects.emplace_back(toInches(line.x()), toInches(l.top - p.top), toInches(line.naturalTextWidth()), toInches(l.height));
    }
    return rects;
}

// Font ascents are asked for every run; a letter uses a handful of fonts.
double Paginator::ascentOf(const printing::FontSpec& spec) const {
    for (const auto& [known, ascent] : m_ascents)
        if (known == spec) return ascent;
    const double ascent = printing::measureFont(spec).ascent;
    if (m_ascents.size() < 64) m_ascents.emplace_back(spec, ascent);
    return ascent;
}

// A font at the reference size for each layout font; a letter uses a handful.
QRawFont Paginator::referenceFont(const QRawFont& layoutFont) const {
    for (const auto& [known, scaled] : m_referenceFonts)
        if (known == layoutFont) return scaled;
    QRawFont scaled = layoutFont;
    scaled.setPixelSize(layoutFont.pixelSize() * kToReference);
    if (m_referenceFonts.size() < 64) m_referenceFonts.emplace_back(layoutFont, scaled);
    return scaled;
}

QList<QGlyphRun> Paginator::toReferenceSize(QList<QGlyphRun> runs) const {
    for (QGlyphRun& run : runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p *= kToReference;
        run.setPositions(positions);
        run.setRawFont(referenceFont(run.rawFont()));
    }
    return runs;
}

// Draws one line: each run of text in one format at the x its layout gives,
// so tab stops and justification come out as laid out; pictures standing on
// the baseline; backgrounds behind their text.
void Paginator::drawLine(printing::PageCanvas& canvas, const Line& l, double pageTop, QPointF origin) const {
    const QTextDocument* doc = m_document.document();
    const QTextBlock block = doc->findBlockByNumber(l.block);
    QTextLayout* tl = block.layout();
    // A paragraph laid out again for its tab stops: this line's stops while it is measured.
    const auto relaid = std::find_if(m_relaid.begin(), m_relaid.end(), [&](const RelaidBlock& r) { return r.block == l.block; });
    struct Restore {
        QTextLayout* tl;
        QTextOption option;
        ~Restore() { if (tl) tl->setTextOption(option); }
    } restore{relaid != m_relaid.end() && l.line > 0 ? tl : nullptr, tl->textOption()};
    if (restore.tl) {
        QTextOption option = restore.option;
        option.setTabs(relaid->next);
        tl->setTextOption(option);
    }
    const QTextLine line = tl->lineAt(l.line);
    const double x0 = tl->position().x();
    const double lineTop = l.top - pageTop;
    const double baseline = lineTop + line.ascent();
    const int lineStart = line.textStart();
    const int lineEnd = lineStart + line.textLength();
    const QString blockText = block.text();
    const QFont fallback = doc->defaultFont();

    auto xAt = [&](int pos) { return origin.x() + toInches(x0 + line.cursorToX(pos)); };

    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        const int fs = frag.position() - block.position();
        const int fe = fs + frag.length();
        const int a = std::max(fs, lineStart), e = std::min(fe, lineEnd);
        if (a >= e) continue;
        const QTextCharFormat f = frag.charFormat();

        if (f.isImageFormat()) {
            const QTextImageFormat img = f.toImageFormat();
            const QImage image = qvariant_cast<QImage>(doc->resource(QTextDocument::ImageResource, QUrl(img.name())));
            if (image.isNull()) continue;
            for (int pos = a; pos < e; ++pos) {
                const double w = toInches(img.width() > 0 ? img.width() : image.width() * kLayoutDpi / 96.0);
                const double h = toInches(img.height() > 0 ? img.height() : image.height() * kLayoutDpi / 96.0);
                canvas.drawImage(QRectF(xAt(pos), origin.y() + toInches(baseline) - h, w, h), image);
            }
            continue;
        }

        printing::FontSpec spec = fontSpecOf(f, fallback);
        double shift = 0;  // baseline offset of super- and subscript
        if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript || f.verticalAlignment() == QTextCharFormat::AlignSubScript) {
            const printing::TextMetrics full = printing::measureFont(spec);
            spec.sizePt = spec.sizePt * 2.0 / 3.0;
            shift = f.verticalAlignment() == QTextCharFormat::AlignSuperScript ? -(full.ascent + full.descent) / 2.0
                                                                               : (full.ascent + full.descent) / 6.0;
        }
        canvas.setFont(spec);
        const double cellTop = origin.y() + toInches(baseline) + shift - ascentOf(spec);

        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush) {
            const double left = xAt(a), right = xAt(e);
            canvas.fillRect(QRectF(left, origin.y() + toInches(lineTop), right - left, toInches(l.height)),
                            printing::colourToInt(f.background().color()));
        }

        // Runs are cut at tabs, line breaks, soft hyphens and pictures, so
        // each piece of text sits at the x its layout gives. The glyphs are
        // the layout's own (justified blanks and tab stops included), so no
        // back-end shapes the text again.
        int runStart = a;
        const double baselineUnits = line.y() + line.ascent() + shift * kLayoutDpi;
        auto flush = [&](int runEnd) {
            if (runEnd <= runStart) return;
            const QString text = blockText.mid(runStart, runEnd - runStart);
            if (text.trimmed().isEmpty()) return;
            const double startUnits = line.cursorToX(runStart);
            const double endUnits = line.cursorToX(runEnd);
            auto glyphs = printing::glyphsFrom(toReferenceSize(line.glyphRuns(runStart, runEnd - runStart)),
                                               QPointF(startUnits, baselineUnits) * kToReference);
            canvas.glyphText(origin.x() + toInches(x0 + startUnits), cellTop, text, std::move(glyphs),
                             toInches(endUnits - startUnits));
        };
        for (int pos = a; pos < e; ++pos) {
            const QChar c = blockText.at(pos);
            const bool cut = c == QLatin1Char('\t') || c == QChar::LineSeparator || c == QChar(0x00AD) ||
                             c == QChar::ObjectReplacementCharacter;
            if (!cut) continue;
            flush(pos);
            runStart = pos + 1;
        }
        flush(e);
    }
}

}  // namespace brindle::richtext

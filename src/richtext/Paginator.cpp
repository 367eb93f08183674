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
    keepShapedText(*doc);
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    layout->documentSize();  // lays the whole document out
    const double height = twipsToUnits(page.textHeight());

    Page current;
    bool empty = true;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout* tl = b.layout();
        if (!tl) continue;
        const bool breakBefore = b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
        for (int i = 0; i < tl->lineCount(); ++i) {
            const QTextLine line = tl->lineAt(i);
            const double top = tl->position().y() + line.y();
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

// Draws one line: each run of text in one format at the x its layout gives,
// so tab stops and justification come out as laid out; pictures standing on
// the baseline; backgrounds behind their text.
void Paginator::drawLine(printing::PageCanvas& canvas, const Line& l, double pageTop, QPointF origin) const {
    const QTextDocument* doc = m_document.document();
    const QTextBlock block = doc->findBlockByNumber(l.block);
    const QTextLayout* tl = block.layout();
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
            auto glyphs = printing::glyphsFrom(line.glyphRuns(runStart, runEnd - runStart), QPointF(startUnits, baselineUnits));
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

#pragma once
// Lays a rich-text document out once on its page and breaks it into pages,
// then draws any page onto a page canvas (printer, PDF, recorder, preview).
//
// The document is laid out at 720 dpi with design metrics and unhinted
// fonts, the text width being the paper minus the left and right margins;
// each page holds whole lines up to the text height, and a paragraph that
// starts a new page (page break) always begins one. A page is drawn line by
// line, and only its own lines: a paragraph crossing a page break puts each
// of its lines on exactly one page.
//
// Pages are addressed by the document position they start at, as preview
// and printing walk them: the first page starts at 0, and drawing a page
// returns where the next one starts, or -1 after the last.
//
// The paginator keeps a pointer to the document: after the document changes
// (a record merged into it), call relayout() before drawing. One paginator
// serves any number of records that way.
#include "printing/PageCanvas.h"
#include "richtext/PageSetup.h"

#include <QGlyphRun>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QTextOption>

#include <utility>
#include <vector>

class QTextDocument;

namespace brindle::richtext {

class RichDocument;

// Makes every paragraph keep its shaped text after it is laid out. Qt drops
// it by default, and drawing a page (the x of each run, its glyphs) would
// shape every paragraph a second time.
void keepShapedText(QTextDocument& doc);

class Paginator {
public:
    explicit Paginator(const RichDocument& document);

    void relayout();

    int pageCount() const { return int(m_pages.size()); }
    // Document position at which page `index` (from 0) starts.
    int pageStart(int index) const;
    // Index of the page holding a document position.
    int pageIndexAt(int position) const;

    // Draws the page that holds `start` with its text box's top-left corner at
    // `origin` (inches from the paper's corner; by default the top-left
    // margin). Returns the start of the next page, or -1 when none follows.
    int drawPage(printing::PageCanvas& canvas, int start) const;
    int drawPage(printing::PageCanvas& canvas, int start, QPointF origin) const;

    // Sets the canvas's paper to the document's page, then draws every page,
    // starting a new canvas page between them. Returns the pages drawn.
    int drawAll(printing::PageCanvas& canvas) const;
    void applyPaper(printing::PageCanvas& canvas) const;

    // Lines of a page as rectangles in inches relative to the text box (for tests and hit testing).
    std::vector<QRectF> lineRects(int pageIndex) const;

private:
    struct Line {
        int block = 0;  // block number
        int line = 0;   // line within the block's layout
        double top = 0; // layout units from the top of the document
        double height = 0;
    };
    struct Page {
        int start = 0;
        double top = 0;  // layout units of the first line's top
        std::vector<Line> lines;
    };

    void drawLine(printing::PageCanvas& canvas, const Line& line, double pageTop, QPointF origin) const;
    double ascentOf(const printing::FontSpec& spec) const;
    // Glyphs of the layout scaled to the page canvas's reference size.
    QList<QGlyphRun> toReferenceSize(QList<QGlyphRun> runs) const;
    QRawFont referenceFont(const QRawFont& layoutFont) const;

    const RichDocument& m_document;
    std::vector<Page> m_pages;
    mutable std::vector<std::pair<printing::FontSpec, double>> m_ascents;
    mutable std::vector<std::pair<QRawFont, QRawFont>> m_referenceFonts;
    // Paragraphs laid out again for their tab stops, with the stops of their
    // first line and of the others.
    struct RelaidBlock {
        int block = 0;
        QList<QTextOption::Tab> first, next;
    };
    std::vector<RelaidBlock> m_relaid;
};

}  // namespace brindle::richtext

// The drawing operations a page canvas produces, in inches from the paper's
// top-left corner, and the one routine that paints them onto a QPainter at a
// given scale. The printer, the PDF writer and the preview all paint through
// paintOp(), so a recorded page and its printout agree.
#pragma once

#include "printing/PageCanvas.h"

#include <QGlyphRun>
#include <QImage>
#include <QList>
#include <QPicture>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

class QPainter;

namespace brindle::printing {

enum class OpKind { Line, Rectangle, RoundRect, Ellipse, Fill, Picture, Image, Text };

struct DrawOp {
    OpKind kind = OpKind::Line;
    // Line: from p1 to p2. Text: p1 is the top-left corner of the text cell.
    QPointF p1, p2;
    // Shapes, pictures and fills: the bounding box. Text: the clip rectangle
    // when `clipped`, else the text's own cell (p1, measured width, line height).
    QRectF box;
    QSizeF corner;  // rounded rectangle: corner ellipse width and height
    PenSpec pen;
    double penWidth = 0;  // inches, after the width rule (at least one device pixel)
    BrushSpec brush;
    quint32 fillColour = 0;  // Fill
    FontSpec font;
    QString text;
    double ascent = 0;  // Text: inches from the cell's top to the baseline
    bool clipped = false;
    // Text: the glyphs of `text`, shaped once when the text was drawn (or by
    // the document layout that placed it), at the 7200-dpi reference size,
    // positioned from the baseline's left end (p1.x, p1.y + ascent). Painting
    // draws them as they are, so no back-end shapes the text again. Empty
    // for text that is shaped when painted.
    std::shared_ptr<const QList<QGlyphRun>> glyphs;
    std::shared_ptr<const QPicture> picture;
    QImage image;
};

struct RecordedPage {
    QSizeF size;  // inches, as printed (landscape already turned)
    Orientation orientation = Orientation::Portrait;
    std::vector<DrawOp> ops;
};

// A recorded job: what the preview shows.
struct RecordedDocument {
    std::vector<RecordedPage> pages;
    QString title;
    int pageCount() const { return int(pages.size()); }
};

// How paintOp() maps inches to the painter's coordinates. The painter must
// have no transform of its own beyond `origin`: positions are rounded in
// device units by Qt, so scaling is done here, not with QPainter::scale.
struct PaintScale {
    double pixelsPerInch = 96.0;
    QPointF origin;  // painter coordinates of the paper's top-left corner
    // Raster targets honour pen mix modes; PDF and printers draw copy mode.
    bool raster = true;
};

// The QFont used for a font spec on any device: faces mapped to installed
// equivalents, no hinting, so that measures scale linearly with the size.
QFont makeQFont(const FontSpec& spec);
// Text measures in inches, independent of the screen.
struct TextMetrics {
    double ascent = 0, descent = 0, lineHeight = 0;
};
TextMetrics measureFont(const FontSpec& spec);
double measureText(const FontSpec& spec, const QString& text);

// Text measured once and kept for drawing: its glyphs at the 7200-dpi
// reference size, positioned from the baseline's left end, and its advance
// in inches (what measureText gives). Text holding tabs or line breaks is not
// shaped here (`glyphs` empty): it is shaped when painted.
struct ShapedText {
    std::shared_ptr<const QList<QGlyphRun>> glyphs;
    double width = 0;
};
ShapedText shapeText(const FontSpec& spec, const QString& text);
// Glyph runs taken from a layout at the reference resolution, moved so that
// their positions start from `baselineOrigin` (layout units).
std::shared_ptr<const QList<QGlyphRun>> glyphsFrom(QList<QGlyphRun> runs, QPointF baselineOrigin);

void paintOp(QPainter& painter, const DrawOp& op, const PaintScale& scale);
void paintPage(QPainter& painter, const RecordedPage& page, const PaintScale& scale);

}  // namespace brindle::printing

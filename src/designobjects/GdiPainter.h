#pragma once
// Pixel-exact lines and outlined shapes on top of QPainter, following the
// pixel rules the stored designs were laid out with:
//
// - A line covers the pixels from its start point towards its end point and
//   leaves the end point itself out, so that joined lines do not draw their
//   shared corner twice.
// - A shape's box (l, t, r, b) has its right and bottom edges outside the
//   shape: the one-pixel outline runs through columns l and r - 1 and rows
//   t and b - 1, and the brush fills the pixels inside it.
// - A pen of width w > 1 widens every pixel of the one-pixel line or outline
//   into a w x w square whose top-left corner lies w div 2 pixels up and to
//   the left. A horizontal line from (hw, hw) to (W + hw - w + 1, hw), with
//   hw = w div 2, therefore covers exactly columns 0 to W - 1 and rows 0 to
//   w - 1, and a rectangle whose box is moved in the same way fills exactly
//   W x H pixels.
// - Dashed and dotted pens are dashed only while they are one pixel wide.
// - The pen's mix mode combines pen and brush with what is already drawn;
//   every pixel is drawn once, so exclusive-or and the other raster modes
//   come out as they should.
//
// - Hatch patterns are 8 x 8 pixels laid from the device's top-left corner.
//
// Colours are screen colours; styles and modes are the ordinals of the
// stored names (psSolid ..., pmBlack ..., bsSolid ...).
#include <QColor>
#include <QPainter>
#include <QPoint>
#include <vector>

namespace brindle::designobjects {

class GdiPainter {
public:
    enum PenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
    enum PenMode {
        pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
        pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
    };
    enum BrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

    // Draws on `painter` (anti-aliasing off while it lives; the painter's
    // state is restored afterwards).
    explicit GdiPainter(QPainter& painter);
    ~GdiPainter();
    GdiPainter(const GdiPainter&) = delete;
    GdiPainter& operator=(const GdiPainter&) = delete;

    // Width 1 or less draws one pixel wide.
    void setPen(const QColor& colour, int style = psSolid, int mode = pmCopy, int width = 1);
    void setBrush(const QColor& colour, int style = bsSolid);

    void moveTo(int x, int y);
    // Draws from the current position towards (x, y), without (x, y) itself.
    void lineTo(int x, int y);
    void rectangle(int l, int t, int r, int b);
    // Corners are quarters of a cornerWidth x cornerHeight ellipse.
    void roundRect(int l, int t, int r, int b, int cornerWidth, int cornerHeight);
    void ellipse(int l, int t, int r, int b);

    // The pixels of a one-pixel line, the end point left out.
    static std::vector<QPoint> linePixels(QPoint from, QPoint to);
    // The Qt pattern of a brush style (NoBrush for bsClear).
    static Qt::BrushStyle brushPattern(int style);
    // The Qt composition mode that mixes like the pen mode.
    static QPainter::CompositionMode compositionFor(int mode);

    // Pixels drawn in one row: columns first to last, both included.
    struct Run {
        int first = 0;
        int last = 0;
        bool operator==(const Run&) const = default;
    };

private:
    struct Shape;
    void drawShape(const Shape& shape);
    void fillRuns(int y, const std::vector<Run>& runs, const QBrush& brush);
    bool penVisible() const;
    bool dashed() const;
    // Whether the pixel with this index along a dashed line is drawn.
    bool dashOn(int index) const;
    QColor penColour() const;
    QColor brushColour() const;
    // The rows and columns that can reach the device (drawing elsewhere is skipped).
    QRect reachable() const;

    QPainter& p_;
    QColor penColour_ = Qt::black;
    int penStyle_ = psSolid;
    int penMode_ = pmCopy;
    int penWidth_ = 1;
    QColor brushColour_ = Qt::white;
    int brushStyle_ = bsSolid;
    QPoint pos_;
    int dashIndex_ = 0;
};

}  // namespace brindle::designobjects

#pragma once
// Design objects without text: the line (TKLineShape) and the rectangle,
// rounded rectangle and ellipse (TKLabelShapes, and Trpshapes, its report
// twin). On screen they draw through GdiPainter at the object's zoom; on
// paper they draw with the page canvas in inches, with pen widths in
// hundredths of an inch.
#include <QPointF>
#include <QRect>

#include <optional>

#include "designobjects/DesignTypes.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::designobjects {

// What lines and shapes share: the pen, its colour chooser and the "Line
// Thickness" entries.
class PenShape : public TKGraphicControl {
    Q_OBJECT
public:
    const DesignPen& pen() const { return pen_; }
    void setPen(const DesignPen& pen);
    // The colour chooser starting at the pen's colour; OK takes the colour
    // for the pen, and the design changed.
    void choosePenColor();

protected:
    // The colour chooser starting at `start`; nothing on Cancel.
    std::optional<DesignColor> askColor(DesignColor start) const;
    // "Line Thickness": "1 Point" to "10 Point", the pen's width checked;
    // an entry makes the pen that many pixels wide, and the design changed.
    MenuEntry thicknessMenu();
    // The stored "Pen" of a concrete class.
    template <class T>
    static PropertyDescriptor penProperty() {
        return makeProperty<T>("Pen", PropKind::Pen, std::nullopt, [](const T& o) { return o.pen(); },
                               [](T& o, const PropValue& v) {
                                   if (auto* p = std::get_if<DesignPen>(&v)) o.setPen(*p);
                               });
    }

private:
    DesignPen pen_;
};

// ---------------------------------------------------------------- line

class TKLineShape : public PenShape {
    Q_OBJECT
public:
    enum LineStyle { stHorizontal, stVertical, stAngleSlopingUp, stAngleSlopingDown };

    TKLineShape();
    QString designClass() const override { return QStringLiteral("TKLineShape"); }

    int lineStyle() const { return lineStyle_; }
    void setLineStyle(int style);

    // Where the line goes on screen for an object of w x h pixels: from
    // `from` towards `to` (which is not drawn), `width` pixels thick (0 and
    // 1 both draw one pixel).
    struct ScreenLine {
        QPoint from, to;
        int width = 1;
    };
    static ScreenLine screenLine(int style, int w, int h, int penWidth, float zoom);
    // Where it goes on paper, in inches, for an object at `bounds` (pixels)
    // printed with the design's corner at (left, top).
    struct PaperLine {
        QPointF from, to;
        int canvasWidth = -1;  // page canvas pen width: -n is n hundredths of an inch
    };
    static PaperLine paperLine(int style, const QRect& bounds, int penWidth, double top, double left);

    // "Stretch To Edges": a horizontal line spans the surface's width, a
    // vertical one its height; angled lines stay as they are.
    void stretchToEdges();

    void paint(QPainter& p, const PaintContext& ctx) override;
    void printAt(printing::PageCanvas& page, double top, double left) override;
    // "Style", "Color", "Line Thickness", then "Stretch To Edges".
    void addMenuEntries(MenuEntries& menu) override;

    static PropertyList ownProperties();

private:
    int lineStyle_ = stHorizontal;
};

// ---------------------------------------------------------------- shapes

class TKLabelShapes : public PenShape {
    Q_OBJECT
public:
    enum ShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

    TKLabelShapes();
    QString designClass() const override { return QStringLiteral("TKLabelShapes"); }

    bool transparent() const { return transparent_; }
    // Also sets the brush style: clear when transparent, solid otherwise.
    void setTransparent(bool v);
    const DesignBrush& brush() const { return brush_; }
    void setBrush(const DesignBrush& b);
    int roundPerc() const { return roundPerc_; }
    void setRoundPerc(int v);
    int shape() const { return shape_; }
    void setShape(int s);
    // Squares, round squares and circles draw like rectangles, round
    // rectangles and ellipses: the object is never forced square.
    bool isRound() const { return shape_ == stRoundRect || shape_ == stRoundSquare; }

    // The pen width drawn at a zoom: Round(width x zoom), at least one pixel.
    static int screenPenWidth(int penWidth, float zoom);
    // The box passed to the painter for a w x h object and a drawn pen width.
    static QRect screenBox(int w, int h, int drawnWidth);
    // Width and height of the corner ellipse: roundPerc percent of the larger side, truncated.
    static int cornerSize(int roundPerc, int w, int h);
    // The page canvas pen width for a pen of `penWidth` pixels: the width in
    // hundredths of an inch, truncated, as a negative number.
    static int paperPenWidth(int penWidth);
    // The corner ellipse on paper, in inches, for a paper rectangle.
    static double paperCorner(int roundPerc, const QRectF& paper);

    // The colour chooser for the fill; OK makes the shape opaque in that colour.
    void chooseBackgroundColor();

    void paint(QPainter& p, const PaintContext& ctx) override;
    void printAt(printing::PageCanvas& page, double top, double left) override;
    // "Background Color", "Line Color", "Line Thickness", "Transparent", and
    // for round rectangles "Degree of Rounding".
    void addMenuEntries(MenuEntries& menu) override;

    static PropertyList ownProperties();

private:
    bool transparent_ = false;
    DesignBrush brush_;
    int roundPerc_ = 25;
    int shape_ = stRectangle;
};

// The report designer's shape: the same object under its own class name.
class Trpshapes : public TKLabelShapes {
    Q_OBJECT
public:
    Trpshapes() = default;
    QString designClass() const override { return QStringLiteral("Trpshapes"); }
};

}  // namespace brindle::designobjects

#include "designobjects/Shapes.h"

#include <QPainter>

#include <algorithm>

#include "designobjects/DesignDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/GdiPainter.h"
#include "printing/PageCanvas.h"

namespace brindle::designobjects {

namespace {

// Stored ordinals as page canvas values; anything a damaged file holds
// beyond the named members falls back to the default.
printing::PenStyle canvasPenStyle(int style) {
    return style >= 0 && style <= int(printing::PenStyle::InsideFrame) ? printing::PenStyle(style)
                                                                       : printing::PenStyle::Solid;
}
printing::PenMode canvasPenMode(int mode) {
    return mode >= 0 && mode <= int(printing::PenMode::NotXor) ? printing::PenMode(mode) : printing::PenMode::Copy;
}
printing::BrushStyle canvasBrushStyle(int style) {
    return style >= 0 && style <= int(printing::BrushStyle::DiagCross) ? printing::BrushStyle(style)
                                                                       : printing::BrushStyle::Solid;
}

// Far beyond any surface; keeps corner sizes from damaged files within int.
constexpr qint64 kCornerLimit = 1 << 24;

}  // namespace

// ---------------------------------------------------------------- pen

void PenShape::setPen(const DesignPen& pen) {
    if (pen == pen_) return;
    pen_ = pen;
    invalidate();
}

std::optional<DesignColor> PenShape::askColor(DesignColor start) const {
    const DesignDocument* s = document();
    DesignDialogs* d = s ? s->designDialogs() : DesignDialogs::defaultDialogs();
    return d ? d->chooseColor(start) : std::nullopt;
}

void PenShape::choosePenColor() {
    const auto c = askColor(pen_.color);
    if (!c) return;
    DesignPen p = pen_;
    p.color = *c;
    setPen(p);
    changed();
}

MenuEntry PenShape::thicknessMenu() {
    std::vector<MenuEntry> sizes;
    for (int n = 1; n <= 10; ++n)
        sizes.push_back(MenuEntry::check(QStringLiteral("%1 Point").arg(n), pen_.width == n, [this, n] {
            DesignPen p = pen_;
            p.width = n;
            setPen(p);
            changed();
        }));
    return MenuEntry::submenu(QStringLiteral("Line Thickness"), std::move(sizes));
}

// ---------------------------------------------------------------- line

TKLineShape::TKLineShape() { setBounds(0, 0, 10, 10); }

void TKLineShape::setLineStyle(int style) {
    if (style < stHorizontal || style > stAngleSlopingDown || style == lineStyle_) return;
    lineStyle_ = style;
    invalidate();
}

TKLineShape::ScreenLine TKLineShape::screenLine(int style, int w, int h, int penWidth, float zoom) {
    int pw = zoom == 1.0f ? penWidth : roundHalfEven(penWidth * double(zoom));
    pw = std::max(pw, 0);  // 0 draws one pixel
    const int hw = pw / 2;
    ScreenLine line;
    line.width = pw;
    switch (style) {
    case stVertical:
        line.from = {hw, hw};
        line.to = {hw, h + hw - pw + 1};
        break;
    case stAngleSlopingUp:
        line.from = {w, 0};
        line.to = {0, h};
        break;
    case stAngleSlopingDown:
        line.from = {0, 0};
        line.to = {w, h};
        break;
    default:
        line.from = {hw, hw};
        line.to = {w + hw - pw + 1, hw};
        break;
    }
    return line;
}

TKLineShape::PaperLine TKLineShape::paperLine(int style, const QRect& b, int penWidth, double top, double left) {
    const int pw = std::max(penWidth, 0);
    const double ppi = kDesignPpi;
    const double x1 = left + b.left() / ppi;
    const double x2 = left + (b.left() + b.width()) / ppi;
    const double y1 = top + (b.top() + pw / 2) / ppi;
    const double y2 = top + (b.top() + b.height() + pw / 2) / ppi;
    PaperLine line;
    line.canvasWidth = -pw;
    switch (style) {
    case stVertical:
        line.from = {x1, y1};
        line.to = {x1, y2};
        break;
    case stAngleSlopingUp:
        line.from = {x1, y2};
        line.to = {x2, y1};
        break;
    case stAngleSlopingDown:
        line.from = {x1, y1};
        line.to = {x2, y2};
        break;
    default:
        line.from = {x1, y1};
        line.to = {x2, y1};
        break;
    }
    return line;
}

void TKLineShape::stretchToEdges() {
    const DesignSurface* s = surface();
    if (!s) return;
    if (lineStyle_ == stHorizontal) setBounds(0, top(), s->width(), height());
    else if (lineStyle_ == stVertical) setBounds(left(), 0, width(), s->height());
}

void TKLineShape::paint(QPainter& p, const PaintContext&) {
    const DesignPen& pen = this->pen();
    const ScreenLine line = screenLine(lineStyle_, width(), height(), pen.width, zoom());
    GdiPainter g(p);
    g.setPen(toQColor(pen.color), pen.style, pen.mode, line.width);
    g.moveTo(line.from.x(), line.from.y());
    g.lineTo(line.to.x(), line.to.y());
}

void TKLineShape::printAt(printing::PageCanvas& page, double top, double left) {
    const PaperLine line = paperLine(lineStyle_, designBounds(), pen().width, top, left);
    page.setPen(quint32(pen().color), canvasPenStyle(pen().style), printing::PenMode::Copy, line.canvasWidth);
    page.moveTo(line.from.x(), line.from.y());
    page.lineTo(line.to.x(), line.to.y());
}

void TKLineShape::addMenuEntries(MenuEntries& menu) {
    TKGraphicControl::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    auto style = [this](const char* caption, int s) {
        return MenuEntry::check(QString::fromLatin1(caption), lineStyle_ == s, [this, s] {
            changed();
            setLineStyle(s);
        });
    };
    menu.push_back(MenuEntry::submenu(QStringLiteral("Style"),
                                      {style("Horizontal", stHorizontal), style("Vertical", stVertical),
                                       style("Angled Sloping Up", stAngleSlopingUp),
                                       style("Angled Sloping Down", stAngleSlopingDown)}));
    menu.push_back(MenuEntry::item(QStringLiteral("Color"), [this] { choosePenColor(); }));
    menu.push_back(thicknessMenu());
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Stretch To Edges"), [this] { stretchToEdges(); }));
}

PropertyList TKLineShape::ownProperties() {
    using T = TKLineShape;
    return {
        makeProperty<T>("LineStyle", PropKind::Enum, 0, [](const T& o) { return qint64(o.lineStyle()); },
                        [](T& o, const PropValue& v) { o.setLineStyle(int(intOf(v))); },
                        {"stHorizontal", "stVertical", "stAngleSlopingUp", "stAngleSlopingDown"}),
        penProperty<T>(),
    };
}

// ---------------------------------------------------------------- shapes

TKLabelShapes::TKLabelShapes() { setBounds(0, 0, 25, 25); }

void TKLabelShapes::setTransparent(bool v) {
    transparent_ = v;
    DesignBrush b = brush_;
    b.style = v ? GdiPainter::bsClear : GdiPainter::bsSolid;
    brush_ = b;
    invalidate();
}

void TKLabelShapes::setBrush(const DesignBrush& b) {
    if (b == brush_) return;
    brush_ = b;
    invalidate();
}

void TKLabelShapes::setRoundPerc(int v) {
    if (v == roundPerc_) return;
    roundPerc_ = v;
    invalidate();
}

void TKLabelShapes::setShape(int s) {
    if (s < stRectangle || s > stCircle || s == shape_) return;
    shape_ = s;
    invalidate();
}

int TKLabelShapes::screenPenWidth(int penWidth, float zoom) {
    if (zoom == 1.0f) return penWidth;
    const int w = roundHalfEven(penWidth * double(zoom));
    return penWidth > 0 && w <= 0 ? 1 : w;
}

QRect TKLabelShapes::screenBox(int w, int h, int drawnWidth) {
    // A pen of width 0 still draws one pixel; the box is laid out for what it draws.
    const int pw = std::max(drawnWidth, 1);
    const int hw = pw / 2;
    return QRect(QPoint(hw, hw), QPoint(w + hw - pw + 1, h + hw - pw + 1) - QPoint(1, 1));
}

int TKLabelShapes::cornerSize(int roundPerc, int w, int h) {
    // Whole-number percent of a whole number of pixels, truncated, without
    // the rounding noise of 0.01 in binary floating point.
    const qint64 c = qint64(roundPerc) * std::max(w, h) / 100;
    return int(std::clamp<qint64>(c, -kCornerLimit, kCornerLimit));
}

int TKLabelShapes::paperPenWidth(int penWidth) { return -int(qint64(std::max(penWidth, 0)) * 100 / kDesignPpi); }

double TKLabelShapes::paperCorner(int roundPerc, const QRectF& paper) {
    const double d = paper.height() >= paper.width() ? paper.height() : paper.width();
    return roundPerc * 0.01 * d;
}

void TKLabelShapes::chooseBackgroundColor() {
    const auto c = askColor(brush_.color);
    if (!c) return;
    DesignBrush b = brush_;
    b.color = *c;
    setBrush(b);
    changed();
    setTransparent(false);
}

void TKLabelShapes::paint(QPainter& p, const PaintContext&) {
    const DesignPen& pen = this->pen();
    const int pw = screenPenWidth(pen.width, zoom());
    const QRect box = screenBox(width(), height(), pw);
    const int l = box.left(), t = box.top(), r = box.right() + 1, b = box.bottom() + 1;
    GdiPainter g(p);
    g.setPen(toQColor(pen.color), pen.style, pen.mode, pw);
    g.setBrush(toQColor(brush_.color), brush_.style);
    switch (shape_) {
    case stRoundRect:
    case stRoundSquare: {
        const int c = cornerSize(roundPerc_, width(), height());
        g.roundRect(l, t, r, b, c, c);
        break;
    }
    case stEllipse:
    case stCircle:
        g.ellipse(l, t, r, b);
        break;
    default:
        g.rectangle(l, t, r, b);
        break;
    }
}

void TKLabelShapes::printAt(printing::PageCanvas& page, double top, double left) {
    const DesignPen& pen = this->pen();
    page.setPen(quint32(pen.color), canvasPenStyle(pen.style), canvasPenMode(pen.mode), paperPenWidth(pen.width));
    page.setBrush(quint32(brush_.color), canvasBrushStyle(brush_.style));
    const QRectF r = paperRect(top, left);
    switch (shape_) {
    case stRoundRect:
    case stRoundSquare: {
        const double c = paperCorner(roundPerc_, r);
        page.roundRect(r.left(), r.top(), r.right(), r.bottom(), c, c);
        break;
    }
    case stEllipse:
    case stCircle:
        page.ellipse(r.left(), r.top(), r.right(), r.bottom());
        break;
    default:
        page.rectangle(r.left(), r.top(), r.right(), r.bottom());
        break;
    }
}

void TKLabelShapes::addMenuEntries(MenuEntries& menu) {
    TKGraphicControl::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Background Color"), [this] { chooseBackgroundColor(); }));
    menu.push_back(MenuEntry::item(QStringLiteral("Line Color"), [this] { choosePenColor(); }));
    menu.push_back(thicknessMenu());
    menu.push_back(MenuEntry::separator());
    // Filling or emptying the shape changes the design like any other edit.
    menu.push_back(MenuEntry::check(QStringLiteral("Transparent"), transparent_, [this] {
        setTransparent(!transparent_);
        changed();
    }));
    if (isRound()) {
        menu.push_back(MenuEntry::separator());
        std::vector<MenuEntry> degrees;
        for (int n = 20; n <= 80; n += 10)
            degrees.push_back(MenuEntry::item(QStringLiteral("%1 %").arg(n), [this, n] {
                setRoundPerc(n);
                changed();
            }));
        menu.push_back(MenuEntry::submenu(QStringLiteral("Degree of Rounding"), std::move(degrees)));
    }
}

PropertyList TKLabelShapes::ownProperties() {
    using T = TKLabelShapes;
    return {
        makeProperty<T>("Transparent", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.transparent()); },
                        [](T& o, const PropValue& v) { o.setTransparent(intOf(v) != 0); }),
        makeProperty<T>("Brush", PropKind::Brush, std::nullopt, [](const T& o) { return o.brush(); },
                        [](T& o, const PropValue& v) {
                            if (auto* b = std::get_if<DesignBrush>(&v)) o.setBrush(*b);
                        }),
        penProperty<T>(),
        makeProperty<T>("RoundPerc", PropKind::Integer, 25, [](const T& o) { return qint64(o.roundPerc()); },
                        [](T& o, const PropValue& v) { o.setRoundPerc(int(intOf(v))); }),
        makeProperty<T>("Shape", PropKind::Enum, 0, [](const T& o) { return qint64(o.shape()); },
                        [](T& o, const PropValue& v) { o.setShape(int(intOf(v))); },
                        {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"}),
    };
}

}  // namespace brindle::designobjects

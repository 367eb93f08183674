#include "designobjects/GdiPainter.h"

#include <QPaintDevice>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <numbers>
#include <optional>

namespace brindle::designobjects {

namespace {

using Run = GdiPainter::Run;
using Rows = std::map<int, std::vector<Run>>;

// Widths beyond this cannot matter on any surface and would only cost time
// (pen widths come from design files).
constexpr int kMaxPenWidth = 4096;

// Sorts and joins overlapping or touching runs.
void mergeRuns(std::vector<Run>& runs) {
    if (runs.size() < 2) return;
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.first < b.first; });
    std::vector<Run> out;
    out.reserve(runs.size());
    for (const Run& r : runs) {
        if (!out.empty() && r.first <= out.back().last + 1) out.back().last = std::max(out.back().last, r.last);
        else out.push_back(r);
    }
    runs.swap(out);
}

// `span` minus the sorted, merged `cut` runs.
std::vector<Run> subtractRuns(Run span, const std::vector<Run>& cut) {
    std::vector<Run> out;
    int from = span.first;
    for (const Run& c : cut) {
        if (c.last < from) continue;
        if (c.first > span.last) break;
        if (c.first > from) out.push_back({from, c.first - 1});
        from = std::max(from, c.last + 1);
        if (from > span.last) break;
    }
    if (from <= span.last) out.push_back({from, span.last});
    return out;
}

}  // namespace

// A convex shape by its rows: a rectangle, a rectangle with elliptic corners
// or an ellipse, all inside the box (l, t)-(r, b) with r and b outside. A
// pixel belongs to the shape when its centre lies inside.
struct GdiPainter::Shape {
    int l = 0, t = 0, r = 0, b = 0;
    double rx = 0, ry = 0;  // corner radii; 0 for square corners

    std::optional<Run> span(int y) const {
        if (y < t || y >= b || r <= l) return std::nullopt;
        double x0 = l, x1 = r;
        if (rx > 0 && ry > 0) {
            const double yc = y + 0.5;
            double dy = 0;
            if (yc < t + ry) dy = (t + ry - yc) / ry;
            else if (yc > b - ry) dy = (yc - (b - ry)) / ry;
            if (dy >= 1) return std::nullopt;
            if (dy > 0) {
                const double half = rx * std::sqrt(1.0 - dy * dy);
                x0 = l + rx - half;
                x1 = r - rx + half;
            }
        }
        const int first = int(std::ceil(x0 - 0.5));
        const int last = int(std::floor(x1 - 0.5));
        if (first > last) return std::nullopt;
        return Run{first, last};
    }
};

GdiPainter::GdiPainter(QPainter& painter) : p_(painter) {
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setPen(Qt::NoPen);
    // Hatch patterns are laid from the device's corner, not the object's, so
    // that neighbouring hatched shapes continue each other's lines.
    bool invertible = false;
    const QTransform back = p_.deviceTransform().inverted(&invertible);
    if (invertible) p_.setBrushOrigin(back.map(QPointF(0, 0)));
}

GdiPainter::~GdiPainter() { p_.restore(); }

void GdiPainter::setPen(const QColor& colour, int style, int mode, int width) {
    penColour_ = colour;
    penStyle_ = style;
    penMode_ = mode;
    penWidth_ = std::clamp(width, 1, kMaxPenWidth);
}

void GdiPainter::setBrush(const QColor& colour, int style) {
    brushColour_ = colour;
    brushStyle_ = style;
}

bool GdiPainter::penVisible() const { return penStyle_ != psClear && penMode_ != pmNop; }

bool GdiPainter::dashed() const {
    return penWidth_ <= 1 && penStyle_ >= psDash && penStyle_ <= psDashDotDot;
}

bool GdiPainter::dashOn(int index) const {
    static const std::vector<int> patterns[] = {
        {18, 6},              // psDash
        {3, 3},               // psDot
        {9, 6, 3, 6},         // psDashDot
        {9, 3, 3, 3, 3, 3},   // psDashDotDot
    };
    const auto& pattern = patterns[penStyle_ - psDash];
    int total = 0;
    for (int n : pattern) total += n;
    int at = index % total;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (at < pattern[i]) return i % 2 == 0;
        at -= pattern[i];
    }
    return true;
}

QColor GdiPainter::penColour() const {
    if (penMode_ == pmBlack) return Qt::black;
    if (penMode_ == pmWhite) return Qt::white;
    return penColour_;
}

QColor GdiPainter::brushColour() const {
    if (penMode_ == pmBlack) return Qt::black;
    if (penMode_ == pmWhite) return Qt::white;
    return brushColour_;
}

QRect GdiPainter::reachable() const {
    constexpr int kFar = std::numeric_limits<int>::max() / 4;
    QRect area(QPoint(-kFar, -kFar), QPoint(kFar, kFar));
    const QPaintDevice* dev = p_.device();
    if (dev && dev->devType() != QInternal::Picture && dev->width() > 0 && dev->height() > 0) {
        bool invertible = false;
        const QTransform back = p_.deviceTransform().inverted(&invertible);
        if (invertible) area = back.mapRect(QRectF(0, 0, dev->width(), dev->height())).toAlignedRect();
    }
    if (p_.hasClipping()) area = area.intersected(p_.clipBoundingRect().toAlignedRect());
    return area;
}

void GdiPainter::moveTo(int x, int y) {
    pos_ = QPoint(x, y);
    dashIndex_ = 0;
}

std::vector<QPoint> GdiPainter::linePixels(QPoint from, QPoint to) {
    std::vector<QPoint> out;
    qint64 x = from.x(), y = from.y();
    const qint64 x1 = to.x(), y1 = to.y();
    const qint64 dx = std::llabs(x1 - x), dy = -std::llabs(y1 - y);
    const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
    qint64 err = dx + dy;
    out.reserve(size_t(std::max(dx, -dy)));
    while (x != x1 || y != y1) {
        out.emplace_back(int(x), int(y));
        const qint64 e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return out;
}

void GdiPainter::lineTo(int x, int y) {
    const QPoint to(x, y);
    const std::vector<QPoint> pixels = linePixels(pos_, to);
    pos_ = to;
    if (!penVisible()) return;
    const int w = penWidth_;
    const int hw = w / 2;
    const QRect area = reachable().adjusted(-w, -w, w, w);
    Rows rows;
    for (const QPoint& px : pixels) {
        const bool on = !dashed() || dashOn(dashIndex_);
        ++dashIndex_;
        if (!on || !area.contains(px)) continue;
        for (int dy = -hw; dy < w - hw; ++dy) rows[px.y() + dy].push_back({px.x() - hw, px.x() + w - 1 - hw});
    }
    p_.save();
    p_.setCompositionMode(compositionFor(penMode_));
    const QBrush pen(penColour());
    for (auto& [row, runs] : rows) {
        mergeRuns(runs);
        fillRuns(row, runs, pen);
    }
    p_.restore();
}

void GdiPainter::rectangle(int l, int t, int r, int b) { drawShape(Shape{l, t, r, b, 0, 0}); }

void GdiPainter::roundRect(int l, int t, int r, int b, int cornerWidth, int cornerHeight) {
    Shape s{l, t, r, b, 0, 0};
    s.rx = std::max(0, cornerWidth) / 2.0;
    s.ry = std::max(0, cornerHeight) / 2.0;
    drawShape(s);
}

void GdiPainter::ellipse(int l, int t, int r, int b) {
    Shape s{l, t, r, b, 0, 0};
    s.rx = s.ry = -1;  // the whole box: set from the final box in drawShape
    drawShape(s);
}

void GdiPainter::drawShape(const Shape& requested) {
    if (penMode_ == pmNop) return;
    Shape s = requested;
    if (s.r < s.l) std::swap(s.l, s.r);
    if (s.b < s.t) std::swap(s.t, s.b);
    const bool pen = penVisible();
    const int w = penWidth_;
    const int hw = w / 2;
    if (!pen) {
        // Without an outline the fill leaves out the right column and the bottom row too.
        s.r -= 1;
        s.b -= 1;
    } else if (penStyle_ == psInsideFrame && w > 1) {
        // The whole outline stays inside the box.
        s.l += hw;
        s.t += hw;
        s.r -= w - 1 - hw;
        s.b -= w - 1 - hw;
    }
    if (s.r <= s.l || s.b <= s.t) return;
    if (requested.rx < 0) {
        s.rx = (s.r - s.l) / 2.0;
        s.ry = (s.b - s.t) / 2.0;
    } else {
        s.rx = std::min(s.rx, (s.r - s.l) / 2.0);
        s.ry = std::min(s.ry, (s.b - s.t) / 2.0);
    }

    const QRect area = reachable().adjusted(-w - 1, -w - 1, w + 1, w + 1);
    const int top = std::max(s.t, area.top());
    const int bottom = std::min(s.b - 1, area.bottom());

    // The one-pixel outline: pixels of the shape with a neighbour outside it.
    Rows outline;
    if (pen) {
        std::vector<QPoint> dashPixels;
        for (int y = top; y <= bottom; ++y) {
            const auto span = s.span(y);
            if (!span) continue;
            const auto up = s.span(y - 1), down = s.span(y + 1);
            std::vector<Run> runs;
            if (up && down) {
                const int first = std::max({span->first + 1, up->first, down->first});
                const int last = std::min({span->last - 1, up->last, down->last});
                if (first <= last) {
                    runs.push_back({span->first, first - 1});
                    runs.push_back({last + 1, span->last});
                }
            }
            if (runs.empty()) runs.push_back(*span);
            if (dashed()) {
                for (const Run& r : runs)
                    for (int x = r.first; x <= r.last; ++x) dashPixels.emplace_back(x, y);
            } else {
                for (const Run& r : runs)
                    for (int dy = -hw; dy < w - hw; ++dy)
                        outline[y + dy].push_back({r.first - hw, r.last + w - 1 - hw});
            }
        }
        if (dashed()) {
            // The pattern runs once around the outline, clockwise from the left.
            const double cx = (s.l + s.r) / 2.0, cy = (s.t + s.b) / 2.0;
            auto angle = [&](const QPoint& q) {
                double a = std::atan2(q.y() + 0.5 - cy, q.x() + 0.5 - cx) - std::numbers::pi;
                while (a < 0) a += 2 * std::numbers::pi;
                return a;
            };
            std::stable_sort(dashPixels.begin(), dashPixels.end(),
                             [&](const QPoint& a, const QPoint& b) { return angle(a) < angle(b); });
            for (size_t i = 0; i < dashPixels.size(); ++i)
                if (dashOn(int(i))) outline[dashPixels[i].y()].push_back({dashPixels[i].x(), dashPixels[i].x()});
        }
        for (auto& [row, runs] : outline) mergeRuns(runs);
    }

    p_.save();
    p_.setCompositionMode(compositionFor(penMode_));
    const Qt::BrushStyle pattern = brushPattern(brushStyle_);
    if (pattern != Qt::NoBrush) {
        const QBrush fill(brushColour(), pattern);
        const std::vector<Run> none;
        Rows inside;
        for (int y = top; y <= bottom; ++y) {
            const auto span = s.span(y);
            if (!span) continue;
            const auto it = outline.find(y);
            // Dashed outlines leave their gaps open rather than filled.
            if (pen && dashed()) {
                const auto up = s.span(y - 1), down = s.span(y + 1);
                if (!up || !down) continue;
                const int first = std::max({span->first + 1, up->first, down->first});
                const int last = std::min({span->last - 1, up->last, down->last});
                if (first <= last) inside[y].push_back({first, last});
                continue;
            }
            inside[y] = subtractRuns(*span, it == outline.end() ? none : it->second);
        }
        for (const auto& [row, runs] : inside) fillRuns(row, runs, fill);
    }
    if (pen) {
        const QBrush colour(penColour());
        for (const auto& [row, runs] : outline) fillRuns(row, runs, colour);
    }
    p_.restore();
}

void GdiPainter::fillRuns(int y, const std::vector<Run>& runs, const QBrush& brush) {
    for (const Run& r : runs) p_.fillRect(QRect(r.first, y, r.last - r.first + 1, 1), brush);
}

Qt::BrushStyle GdiPainter::brushPattern(int style) {
    switch (style) {
    case bsSolid: return Qt::SolidPattern;
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;  // "\\\\": down from left to right
    case bsBDiagonal: return Qt::BDiagPattern;  // "////": up from left to right
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

QPainter::CompositionMode GdiPainter::compositionFor(int mode) {
    switch (mode) {
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

}  // namespace brindle::designobjects

#include "designobjects/Selection.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace brindle::designobjects::selection {

QRect overlayFor(const std::vector<QRect>& bounds) {
    QRect u;
    for (const QRect& b : bounds) {
        // Objects of no size still get an overlay around their position.
        const QRect r(b.x(), b.y(), std::max(0, b.width()), std::max(0, b.height()));
        const QRect o = r.adjusted(-kMarginBefore, -kMarginBefore, kMarginAfter, kMarginAfter);
        u = u.isNull() ? o : u.united(o);
    }
    return u;
}

QRect boxInside(const QRect& overlay) {
    return overlay.adjusted(kMarginBefore, kMarginBefore, -kMarginAfter, -kMarginAfter);
}

QRect overlayAround(const QRect& box) {
    return box.adjusted(-kMarginBefore, -kMarginBefore, kMarginAfter, kMarginAfter);
}

int zoneAt(const QSize& overlay, const QPoint& p, int selectedCount) {
    if (selectedCount != 1) return zMove;
    const int w = overlay.width();
    const int h = overlay.height();
    constexpr int corner = 8;
    constexpr int middle = 6;
    const bool left = p.x() < corner;
    const bool right = w - 1 - p.x() < corner;
    const bool top = p.y() < corner;
    const bool bottom = h - 1 - p.y() < corner;
    const bool midX = std::abs(p.x() - w / 2) < middle;
    const bool midY = std::abs(p.y() - h / 2) < middle;
    if (left && top) return zTopLeft;
    if (right && top) return zTopRight;
    if (left && bottom) return zBottomLeft;
    if (right && bottom) return zBottomRight;
    if (midX && top) return zTop;
    if (midX && bottom) return zBottom;
    if (midY && left) return zLeft;
    if (midY && right) return zRight;
    return zMove;
}

int snap(int v, int step) {
    if (step < 2) return v;
    return step * (v / step);
}

QRect draggedOverlay(const QRect& o, int zone, const QPoint& d, int gridX, int gridY) {
    const int l = o.x(), t = o.y(), w = o.width(), h = o.height();
    int nl = l, nt = t, nw = w, nh = h;
    auto sx = [&](int v) { return snap(v, gridX); };
    auto sy = [&](int v) { return snap(v, gridY); };
    switch (zone) {
    case zMove:
        nl = sx(l + d.x());
        nt = sy(t + d.y());
        break;
    case zTopLeft:
        nl = sx(l + d.x());
        nt = sy(t + d.y());
        nw = w + l - nl;
        nh = h + t - nt;
        break;
    case zTopRight:
        nt = sy(t + d.y());
        nw = sx(w + d.x()) - 1;
        nh = h + t - nt;
        break;
    case zBottomLeft:
        nl = sx(l + d.x());
        nw = w + l - nl;
        nh = sy(h + d.y()) - 1;
        break;
    case zBottomRight:
        nw = sx(w + d.x()) - 1;
        nh = sy(h + d.y()) - 1;
        break;
    case zTop:
        nt = sy(t + d.y());
        nh = h + t - nt;
        break;
    case zLeft:
        nl = sx(l + d.x());
        nw = w + l - nl;
        break;
    case zBottom:
        nh = sy(h + d.y()) - 1;
        break;
    case zRight:
        nw = sx(w + d.x()) - 1;
        break;
    default:
        break;
    }
    // Not clamped here: the overlay is 5 pixels larger than the object, so a
    // floor on the overlay would still let the object shrink to nothing, and
    // a near edge dragged past the far one must leave the far edge in place.
    // followOverlay keeps the objects at their minimum size.
    return QRect(nl, nt, nw, nh);
}

namespace {

// One axis of followOverlay: position and size of the object, of the overlay
// before and after.
std::pair<int, int> followAxis(int pos, int size, int before, int beforeSize, int after, int afterSize) {
    const int moved = after - before;
    const int grown = afterSize - beforeSize;
    int np = pos + moved;
    int ns = size + grown;
    const int floor = std::min(size, kMinSize);
    if (ns < floor) {
        ns = floor;
        // Dragging the near edge keeps the far edge where it was.
        if (before + beforeSize == after + afterSize) np = pos + size - ns;
    }
    return {np, ns};
}

}  // namespace

QRect followOverlay(const QRect& object, const QRect& before, const QRect& after) {
    const auto [x, w] =
        followAxis(object.x(), object.width(), before.x(), before.width(), after.x(), after.width());
    const auto [y, h] =
        followAxis(object.y(), object.height(), before.y(), before.height(), after.y(), after.height());
    return QRect(x, y, w, h);
}

std::vector<QRect> marks(const QRect& b, bool onlySelected) {
    const QRect e(b.x() - 2, b.y() - 2, b.width() + 4, b.height() + 4);
    const int l = e.x();
    const int t = e.y();
    const int r = e.x() + e.width() - kMarkSize;
    const int btm = e.y() + e.height() - kMarkSize;
    std::vector<QRect> out = {
        {l, t, kMarkSize, kMarkSize},
        {r, t, kMarkSize, kMarkSize},
        {l, btm, kMarkSize, kMarkSize},
        {r, btm, kMarkSize, kMarkSize},
    };
    if (onlySelected) {
        const int cx = e.x() + (e.width() - kMarkSize) / 2;
        const int cy = e.y() + (e.height() - kMarkSize) / 2;
        out.push_back({cx, t, kMarkSize, kMarkSize});
        out.push_back({l, cy, kMarkSize, kMarkSize});
        out.push_back({cx, btm, kMarkSize, kMarkSize});
        out.push_back({r, cy, kMarkSize, kMarkSize});
    }
    return out;
}

QRect nudged(const QRect& o, Direction d, bool resize, const QSize& surface) {
    QRect r = o;
    const bool fitsWider = r.x() + r.width() + 1 <= surface.width();
    const bool fitsLower = r.y() + r.height() + 1 <= surface.height();
    if (resize) {
        switch (d) {
        case Direction::Left:
            if (r.width() > kMinKeyboardSize) r.setWidth(r.width() - 1);
            break;
        case Direction::Up:
            if (r.height() > kMinKeyboardSize) r.setHeight(r.height() - 1);
            break;
        case Direction::Right:
            if (fitsWider) r.setWidth(r.width() + 1);
            break;
        case Direction::Down:
            if (fitsLower) r.setHeight(r.height() + 1);
            break;
        }
        return r;
    }
    switch (d) {
    case Direction::Left:
        if (r.x() > 0) r.translate(-1, 0);
        break;
    case Direction::Up:
        if (r.y() > 0) r.translate(0, -1);
        break;
    case Direction::Right:
        if (fitsWider) r.translate(1, 0);
        break;
    case Direction::Down:
        if (fitsLower) r.translate(0, 1);
        break;
    }
    return r;
}

std::vector<QRect> aligned(const std::vector<QRect>& bounds, Align how, const QSize& surface) {
    if (bounds.empty()) return {};
    auto right = [](const QRect& r) { return r.x() + r.width(); };
    auto bottom = [](const QRect& r) { return r.y() + r.height(); };
    // The search for the extreme edge starts from the surface's far side for
    // the smallest left or top and from 0 for the largest right or bottom.
    int edge = 0;
    switch (how) {
    case Align::Left: edge = surface.width(); break;
    case Align::Tops: edge = surface.height(); break;
    case Align::Right:
    case Align::Bottoms: edge = 0; break;
    }
    for (const QRect& r : bounds) {
        switch (how) {
        case Align::Left: edge = std::min(edge, r.x()); break;
        case Align::Tops: edge = std::min(edge, r.y()); break;
        case Align::Right: edge = std::max(edge, right(r)); break;
        case Align::Bottoms: edge = std::max(edge, bottom(r)); break;
        }
    }
    std::vector<QRect> out;
    out.reserve(bounds.size());
    for (QRect r : bounds) {
        switch (how) {
        case Align::Left: r.moveLeft(edge); break;
        case Align::Tops: r.moveTop(edge); break;
        case Align::Right: r.moveLeft(edge - r.width()); break;
        case Align::Bottoms: r.moveTop(edge - r.height()); break;
        }
        out.push_back(r);
    }
    return out;
}

QRect centredVertically(const QRect& r, const QSize& s) {
    return QRect(r.x(), s.height() / 2 - r.height() / 2, r.width(), r.height());
}

QRect centredHorizontally(const QRect& r, const QSize& s) {
    return QRect(s.width() / 2 - r.width() / 2, r.y(), r.width(), r.height());
}

PasteGate::PasteGate() {
    clock_ = [] {
        using namespace std::chrono;
        return qint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
}

void PasteGate::setClock(Clock c) {
    if (c) clock_ = std::move(c);
}

bool PasteGate::ready() const { return !last_ || clock_() - *last_ >= kPasteGapMs; }

void PasteGate::stamp() { last_ = clock_(); }

}  // namespace brindle::designobjects::selection

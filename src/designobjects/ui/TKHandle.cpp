#include "designobjects/ui/TKHandle.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

#include "designobjects/DesignSurface.h"
#include "designobjects/Selection.h"
#include "designobjects/TKGraphicControl.h"
#include "designobjects/ui/TKBasePanel.h"

namespace brindle::designobjects {

namespace {

// A hand silhouette from rounded finger and palm pieces: white, outlined in black.
QCursor drawnCursor(const std::vector<QRectF>& pieces, const QPolygonF& thumb, QPoint hotSpot) {
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill);
    for (const QRectF& r : pieces) {
        QPainterPath p;
        p.addRoundedRect(r, 2, 2);
        shape = shape.united(p);
    }
    QPainterPath t;
    t.addPolygon(thumb);
    t.closeSubpath();
    shape = shape.united(t);
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(shape.simplified());
    p.end();
    return QCursor(pm, hotSpot.x(), hotSpot.y());
}

Qt::CursorShape zoneShape(int zone) {
    using namespace selection;
    switch (zone) {
    case zTopLeft:
    case zBottomRight: return Qt::SizeFDiagCursor;
    case zTopRight:
    case zBottomLeft: return Qt::SizeBDiagCursor;
    case zTop:
    case zBottom: return Qt::SizeVerCursor;
    case zLeft:
    case zRight: return Qt::SizeHorCursor;
    default: return Qt::ArrowCursor;
    }
}

std::optional<selection::Direction> arrowOf(int key) {
    switch (key) {
    case Qt::Key_Left: return selection::Direction::Left;
    case Qt::Key_Up: return selection::Direction::Up;
    case Qt::Key_Right: return selection::Direction::Right;
    case Qt::Key_Down: return selection::Direction::Down;
    default: return std::nullopt;
    }
}

}  // namespace

const QCursor& handGrabCursor() {
    static const QCursor c = drawnCursor(
        {QRectF(8.5, 6.5, 4, 11), QRectF(12.5, 3.5, 4, 14), QRectF(16.5, 3.5, 4, 14), QRectF(20.5, 6.5, 4, 11),
         QRectF(8.5, 12.5, 16, 13)},
        QPolygonF({QPointF(9, 15), QPointF(4.5, 12), QPointF(3, 14), QPointF(8.5, 22)}), QPoint(16, 15));
    return c;
}

const QCursor& handPointCursor() {
    static const QCursor c = drawnCursor(
        {QRectF(10.5, 0.5, 5, 17), QRectF(15.5, 9.5, 4, 9), QRectF(19.5, 10.5, 4, 9), QRectF(23.5, 12.5, 4, 8),
         QRectF(10.5, 15.5, 17, 12)},
        QPolygonF({QPointF(11, 17), QPointF(6.5, 14), QPointF(5, 16), QPointF(11, 25)}), QPoint(13, 1));
    return c;
}

TKHandle::TKHandle(TKBasePanel* panel) : QWidget(panel), panel_(panel) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    DesignSurface& s = surface();
    connect(&s, &DesignSurface::selectionChanged, this, &TKHandle::replace);
    connect(&s, &DesignSurface::selectionBoundsChanged, this, &TKHandle::replace);
    connect(&s, &DesignSurface::panelStateChanged, this, [this] {
        setAttribute(Qt::WA_TransparentForMouseEvents, !surface().pointing());
    });
    setAttribute(Qt::WA_TransparentForMouseEvents, !s.pointing());
    replace();
}

DesignSurface& TKHandle::surface() const { return panel_->surface(); }

void TKHandle::setColor(DesignColor c) {
    color_ = c;
    update();
}

void TKHandle::setSecondaryColor(DesignColor c) {
    secondaryColor_ = c;
    update();
}

void TKHandle::replace() {
    const QRect r = surface().overlayRect();
    if (r.isNull()) {
        cancelDrag();
        keyMoving_ = false;
        hide();
        setEnabled(false);
        setGeometry(0, 0, 24, 24);
        return;
    }
    setGeometry(r);
    setEnabled(true);
    show();
    raise();
    update();
}

QPoint TKHandle::toPanel(const QPoint& local) const { return local + pos(); }

void TKHandle::paintEvent(QPaintEvent*) {
    const auto& sel = surface().selection();
    if (sel.empty()) return;
    QPainter p(this);
    const bool one = sel.size() == 1;
    const QColor c = toQColor(one ? color_ : secondaryColor_);
    for (auto* o : sel)
        for (const QRect& m : selection::marks(o->bounds(), one)) p.fillRect(m.translated(-pos()), c);
}

void TKHandle::showZoneCursor(int zone) {
    if (zone == selection::zMove) setCursor(handGrabCursor());
    else setCursor(zoneShape(zone));
}

QRect TKHandle::draggedBounds(const QPoint& at) const {
    // The pointer is held inside the surface.
    const QPoint p(std::clamp(at.x(), 0, std::max(0, panel_->width() - 1)),
                   std::clamp(at.y(), 0, std::max(0, panel_->height() - 1)));
    return selection::draggedOverlay(startOverlay_, zone_, p - start_, surface().gridX(), surface().gridY());
}

void TKHandle::beginDrag(const QPoint& at, quint64 time, int zone) {
    keyMoving_ = false;
    afterDoubleClick_ = false;
    zone_ = zone;
    start_ = at;
    startOverlay_ = surface().overlayRect();
    pressTime_ = time;
    pressClock_.start();
    dragging_ = !startOverlay_.isNull();
}

void TKHandle::dragTo(const QPoint& at) {
    if (!dragging_) return;
    const QRect bounds = draggedBounds(at);
    const auto& sel = surface().selection();
    // One object shows where it will land, held at its minimum size; the
    // overlay's own bounds may have turned inside out by then.
    if (sel.size() == 1)
        panel_->setOutline(selection::overlayAround(selection::followOverlay(sel[0]->bounds(), startOverlay_, bounds)));
    else
        panel_->setOutline(bounds);
}

void TKHandle::endDrag(const QPoint& at, quint64 time) {
    if (!dragging_) return;
    dragging_ = false;
    panel_->setOutline(QRect());
    // Real events carry timestamps; without them the press is timed here.
    const qint64 held = (time != 0 || pressTime_ != 0) ? qint64(time) - qint64(pressTime_) : pressClock_.elapsed();
    unsetCursor();
    if (held < selection::kClickMs || at == start_) return;
    surface().applyOverlay(draggedBounds(at));
}

void TKHandle::cancelDrag() {
    if (!dragging_) return;
    dragging_ = false;
    panel_->setOutline(QRect());
}

void TKHandle::mousePressEvent(QMouseEvent* e) {
    const QPoint at = toPanel(e->position().toPoint());
    panel_->setFocus(Qt::MouseFocusReason);
    DesignSurface& s = surface();
    if (e->button() == Qt::RightButton) {
        cancelDrag();
        TKGraphicControl* o = s.selectedObjectAt(at);
        if (o && s.selection().size() == 1) panel_->openObjectMenu(o, e->globalPosition().toPoint());
        else panel_->openSurfaceMenu(e->globalPosition().toPoint());
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    beginDrag(at, e->timestamp(), selection::zoneAt(size(), e->position().toPoint(), int(s.selection().size())));
}

void TKHandle::mouseMoveEvent(QMouseEvent* e) {
    if (afterDoubleClick_) {
        // The move that follows a double-click never starts a drag.
        afterDoubleClick_ = false;
        return;
    }
    if (dragging_ && (e->buttons() & Qt::LeftButton)) {
        dragTo(toPanel(e->position().toPoint()));
        return;
    }
    if (dragging_) cancelDrag();
    zone_ = selection::zoneAt(size(), e->position().toPoint(), int(surface().selection().size()));
    showZoneCursor(zone_);
}

void TKHandle::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    endDrag(toPanel(e->position().toPoint()), e->timestamp());
}

void TKHandle::mouseDoubleClickEvent(QMouseEvent* e) {
    cancelDrag();
    afterDoubleClick_ = true;
    DesignSurface& s = surface();
    if (s.selection().size() > 1) return;
    if (TKGraphicControl* o = s.selectedObjectAt(toPanel(e->position().toPoint())))
        panel_->openObjectMenu(o, e->globalPosition().toPoint());
}

bool TKHandle::arrowPressed(QKeyEvent* e) {
    const auto d = arrowOf(e->key());
    if (!d) return false;
    DesignSurface& s = surface();
    if (s.selection().empty() || dragging_) return !s.selection().empty();
    if (!keyMoving_) {
        keyMoving_ = true;
        keyOutline_ = selection::boxInside(s.overlayRect());
    }
    // Every press moves once, auto-repeated ones included; the move is
    // applied when the key goes up for real.
    const bool resize = (e->modifiers() & Qt::ShiftModifier) && s.selection().size() == 1;
    keyOutline_ = selection::nudged(keyOutline_, *d, resize, s.size());
    panel_->setOutline(keyOutline_);
    return true;
}

bool TKHandle::arrowReleased(QKeyEvent* e) {
    if (!arrowOf(e->key())) return false;
    if (e->isAutoRepeat() || !keyMoving_) return keyMoving_;
    keyMoving_ = false;
    panel_->setOutline(QRect());
    surface().applyOverlay(selection::overlayAround(keyOutline_));
    panel_->update();
    return true;
}

}  // namespace brindle::designobjects

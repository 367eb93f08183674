#include "designobjects/ui/TKBasePanel.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "designobjects/TKGraphicControl.h"
#include "designobjects/ui/BuildMenu.h"

namespace brindle::designobjects {

TKBasePanel::TKBasePanel(DesignSurface::Kind kind, QWidget* parent)
    : QWidget(parent), surface_(new DesignSurface(kind, this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    connect(surface_, &DesignSurface::sizeChanged, this, [this](const QSize& s) { setFixedSize(s); });
    connect(surface_, &DesignSurface::repaintNeeded, this, [this](const QRect& r) {
        if (r.isEmpty()) update();
        else update(r.adjusted(-2, -2, 2, 2));
    });
    setFixedSize(surface_->size());
}

TKBasePanel::~TKBasePanel() = default;

void TKBasePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, surface_->render());
    if (dragging_ && !band_.isNull()) {
        // The rubber band inverts what lies below, so drawing it twice erases it.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 0, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(band_.normalized());
    }
}

void TKBasePanel::surfaceMouseDown(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        emit contextMenuRequested(e->globalPosition().toPoint());
        return;
    }
    dragging_ = true;
    origin_ = e->position().toPoint();
    band_ = QRect(origin_, origin_);
    setCursor(Qt::PointingHandCursor);
}

void TKBasePanel::childMouseDown(TKGraphicControl* o, QMouseEvent* e) {
    if (!surface_->pointing() || o->unselectable()) {
        surfaceMouseDown(e);
        return;
    }
    if (!(e->modifiers() & Qt::ShiftModifier)) surface_->clearSelection();
    surface_->select(o);
    if (e->button() == Qt::RightButton && surface_->selection().size() == 1 && surface_->isSelected(o))
        openObjectMenu(o, e->globalPosition().toPoint());
}

void TKBasePanel::openObjectMenu(TKGraphicControl* o, const QPoint& globalPos) {
    // The menu's actions may delete the object, and with it anything but the
    // menu's own copies of the entries; nothing here touches them afterwards.
    QPointer<QMenu> menu = buildMenu(o->contextMenu(), this);
    menu->exec(globalPos);
    delete menu.data();
}

void TKBasePanel::mousePressEvent(QMouseEvent* e) {
    if (auto* o = surface_->objectAt(e->position().toPoint())) childMouseDown(o, e);
    else surfaceMouseDown(e);
}

void TKBasePanel::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) {
        if (surface_->pointing() && surface_->objectAt(e->position().toPoint())) setCursor(Qt::PointingHandCursor);
        else if (surface_->pointing()) unsetCursor();
        return;
    }
    band_ = QRect(origin_, e->position().toPoint());
    update();
}

void TKBasePanel::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_) return;
    dragging_ = false;
    const QPoint end = e->position().toPoint();
    // A click without a drag is a rectangle of no size at the click point.
    const QRect r = QRect(QPoint(std::min(origin_.x(), end.x()), std::min(origin_.y(), end.y())),
                          QSize(std::abs(end.x() - origin_.x()), std::abs(end.y() - origin_.y())));
    band_ = QRect();
    if (surface_->pointing()) unsetCursor();
    surface_->rubberBandReleased(r);
    update();
}

TKLabelPanel::TKLabelPanel(QWidget* parent) : TKDataPanel(DesignSurface::LabelSurface, parent) {
    connect(&surface(), &DesignSurface::panelStateChanged, this, [this](int s) {
        if (s == DesignSurface::psPointing) unsetCursor();
        else setCursor(Qt::DragCopyCursor);
    });
}

}  // namespace brindle::designobjects

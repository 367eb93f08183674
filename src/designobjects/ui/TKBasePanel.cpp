#include "designobjects/ui/TKBasePanel.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "designobjects/TKGraphicControl.h"
#include "designobjects/ui/BuildMenu.h"
#include "designobjects/ui/TKHandle.h"

namespace brindle::designobjects {

TKBasePanel::TKBasePanel(DesignSurface::Kind kind, QWidget* parent)
    : QWidget(parent), surface_(new DesignSurface(kind, this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(surface_, &DesignSurface::sizeChanged, this, [this](const QSize& s) { setFixedSize(s); });
    connect(surface_, &DesignSurface::repaintNeeded, this, [this](const QRect& r) {
        if (r.isEmpty()) update();
        else update(r.adjusted(-2, -2, 2, 2));
    });
    setFixedSize(surface_->size());
    handle_ = new TKHandle(this);
}

TKBasePanel::~TKBasePanel() = default;

void TKBasePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, surface_->render());
    // The rubber band and the outline of a move invert what lies below, so
    // drawing one twice erases it.
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 0, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    if (dragging_ && !band_.isNull()) p.drawRect(band_.normalized());
    if (!outline_.isNull()) p.drawRect(outline_.adjusted(0, 0, -1, -1));
}

void TKBasePanel::setOutline(const QRect& r) {
    if (r == outline_) return;
    if (!outline_.isNull()) update(outline_.adjusted(-1, -1, 1, 1));
    outline_ = r;
    if (!outline_.isNull()) update(outline_.adjusted(-1, -1, 1, 1));
}

void TKBasePanel::present(const MenuEntries& entries, const QPoint& globalPos) {
    if (presenter_) {
        presenter_(entries, globalPos);
        return;
    }
    // The menu's actions may delete the object, and with it anything but the
    // menu's own copies of the entries; nothing here touches them afterwards.
    QPointer<QMenu> menu = buildMenu(entries, this);
    menu->exec(globalPos);
    delete menu.data();
}

void TKBasePanel::openObjectMenu(TKGraphicControl* o, const QPoint& globalPos) {
    if (!o || o->surface() != surface_) return;
    present(o->contextMenu(), globalPos);
}

void TKBasePanel::openSurfaceMenu(const QPoint& globalPos) {
    emit contextMenuRequested(globalPos);
    if (isSignalConnected(QMetaMethod::fromSignal(&TKBasePanel::contextMenuRequested))) return;
    present(surface_->surfaceMenu(), globalPos);
}

void TKBasePanel::surfaceMouseDown(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        openSurfaceMenu(e->globalPosition().toPoint());
        return;
    }
    dragging_ = true;
    origin_ = e->position().toPoint();
    band_ = QRect(origin_, origin_);
    if (surface_->pointing()) setCursor(handPointCursor());
}

void TKBasePanel::childMouseDown(TKGraphicControl* o, QMouseEvent* e) {
    if (!surface_->pointing() || o->unselectable()) {
        surfaceMouseDown(e);
        return;
    }
    if (!(e->modifiers() & Qt::ShiftModifier)) surface_->clearSelection();
    surface_->select(o);
    if (e->button() == Qt::LeftButton) {
        // The press that selected the object goes on as a move of the selection.
        setCursor(handGrabCursor());
        handleDrag_ = true;
        handle_->beginDrag(e->position().toPoint(), e->timestamp(), 0);
        return;
    }
    if (e->button() == Qt::RightButton && surface_->selection().size() == 1 && surface_->isSelected(o))
        openObjectMenu(o, e->globalPosition().toPoint());
}

void TKBasePanel::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (auto* o = surface_->objectAt(e->position().toPoint())) childMouseDown(o, e);
    else surfaceMouseDown(e);
}

void TKBasePanel::mouseDoubleClickEvent(QMouseEvent* e) {
    auto* o = surface_->objectAt(e->position().toPoint());
    if (!o || !surface_->pointing() || o->unselectable()) {
        // Like a press on the empty surface.
        mousePressEvent(e);
        return;
    }
    handleDrag_ = false;
    handle_->cancelDrag();
    if (!surface_->isSelected(o) || surface_->selection().size() <= 1)
        openObjectMenu(o, e->globalPosition().toPoint());
}

void TKBasePanel::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (handleDrag_) {
        handle_->dragTo(at);
        return;
    }
    if (!dragging_) {
        if (surface_->pointing() && surface_->objectAt(at)) setCursor(handPointCursor());
        else if (surface_->pointing()) unsetCursor();
        return;
    }
    band_ = QRect(origin_, at);
    update();
}

void TKBasePanel::mouseReleaseEvent(QMouseEvent* e) {
    if (handleDrag_) {
        handleDrag_ = false;
        handle_->endDrag(e->position().toPoint(), e->timestamp());
        unsetCursor();
        return;
    }
    if (!dragging_) return;
    dragging_ = false;
    const QPoint end = e->position().toPoint();
    // A click without a drag is a rectangle of no size at the click point.
    const QRect r = QRect(QPoint(std::min(origin_.x(), end.x()), std::min(origin_.y(), end.y())),
                          QSize(std::abs(end.x() - origin_.x()), std::abs(end.y() - origin_.y())));
    band_ = QRect();
    if (surface_->pointing()) unsetCursor();
    surface_->rubberBandReleased(r, e->modifiers() & Qt::ShiftModifier);
    update();
}

void TKBasePanel::keyPressEvent(QKeyEvent* e) {
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (ctrl && e->key() == Qt::Key_C) {
        surface_->copy();
    } else if (ctrl && e->key() == Qt::Key_X) {
        surface_->cut();
    } else if (ctrl && e->key() == Qt::Key_V) {
        surface_->paste();
    } else if (e->key() == Qt::Key_Delete) {
        surface_->deleteSelection();
    } else if (!handle_->arrowPressed(e)) {
        QWidget::keyPressEvent(e);
    }
}

void TKBasePanel::keyReleaseEvent(QKeyEvent* e) {
    if (!handle_->arrowReleased(e)) QWidget::keyReleaseEvent(e);
}

TKLabelPanel::TKLabelPanel(QWidget* parent) : TKDataPanel(DesignSurface::LabelSurface, parent) {
    connect(&surface(), &DesignSurface::panelStateChanged, this, [this](int s) {
        if (s == DesignSurface::psPointing) unsetCursor();
        else setCursor(Qt::DragCopyCursor);
    });
}

}  // namespace brindle::designobjects

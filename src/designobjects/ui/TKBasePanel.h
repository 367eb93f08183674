#pragma once
// The design surface widgets: TKBasePanel shows a DesignSurface (painted
// through one off-screen image per paint) and turns mouse presses, drags and
// releases into rubber bands, selections and new objects. TKDataPanel is the
// surface bound to the address records; TKLabelPanel adds the drawing tools'
// cursors.
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "designobjects/DesignSurface.h"

namespace brindle::designobjects {

class TKBasePanel : public QWidget {
    Q_OBJECT
public:
    explicit TKBasePanel(QWidget* parent = nullptr) : TKBasePanel(DesignSurface::BaseSurface, parent) {}
    ~TKBasePanel() override;

    DesignSurface& surface() { return *surface_; }
    const DesignSurface& surface() const { return *surface_; }

    // Forwarders for the owner's common calls.
    bool saveToFile(const QString& path) { return surface_->saveToFile(path); }
    DesignSurface::LoadResult loadFromFile(const QString& path) { return surface_->loadFromFile(path); }
    void setZoom(float z) { surface_->setZoom(z); }

    bool rubberBandActive() const { return dragging_; }

signals:
    // A press with another button than the left one on the empty surface.
    void contextMenuRequested(const QPoint& globalPos);

protected:
    TKBasePanel(DesignSurface::Kind kind, QWidget* parent);
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    // A press on an object: with a drawing tool, or on an object that cannot
    // be selected, it acts as a press on the empty surface. Otherwise the
    // object is selected (alone, unless Shift is held); a right press that
    // leaves it the only selected object opens its context menu.
    virtual void childMouseDown(TKGraphicControl* o, QMouseEvent* e);
    // Runs the object's context menu at a screen position.
    void openObjectMenu(TKGraphicControl* o, const QPoint& globalPos);
    void surfaceMouseDown(QMouseEvent* e);

private:
    DesignSurface* surface_;
    bool dragging_ = false;
    QPoint origin_;
    QRect band_;
};

class TKDataPanel : public TKBasePanel {
    Q_OBJECT
public:
    explicit TKDataPanel(QWidget* parent = nullptr) : TKBasePanel(DesignSurface::DataSurface, parent) {}

protected:
    TKDataPanel(DesignSurface::Kind kind, QWidget* parent) : TKBasePanel(kind, parent) {}
};

class TKLabelPanel : public TKDataPanel {
    Q_OBJECT
public:
    explicit TKLabelPanel(QWidget* parent = nullptr);
    // Sets the tool; drawing tools show the drag cursor, the selection tool the default one.
    void setPanelState(DesignSurface::PanelState s) { surface().setPanelState(s); }
    DesignSurface::PanelState panelState() const { return surface().panelState(); }
};

}  // namespace brindle::designobjects

#pragma once
// The design surface widgets: TKBasePanel shows a DesignSurface (painted
// through one off-screen image per paint) with its selection overlay
// (TKHandle) and turns mouse presses, drags and releases into rubber bands,
// selections and new objects, keys into clipboard commands and nudges, and
// right-clicks and double-clicks into context menus. TKDataPanel is the
// surface bound to the address records; TKLabelPanel adds the drawing tools'
// cursors.
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>

#include "designobjects/DesignMenu.h"
#include "designobjects/DesignSurface.h"

namespace brindle::designobjects {

class TKHandle;

class TKBasePanel : public QWidget {
    Q_OBJECT
public:
    explicit TKBasePanel(QWidget* parent = nullptr) : TKBasePanel(DesignSurface::BaseSurface, parent) {}
    ~TKBasePanel() override;

    DesignSurface& surface() { return *surface_; }
    const DesignSurface& surface() const { return *surface_; }
    TKHandle& handle() const { return *handle_; }

    // Forwarders for the owner's common calls.
    bool saveToFile(const QString& path) { return surface_->saveToFile(path); }
    DesignSurface::LoadResult loadFromFile(const QString& path) { return surface_->loadFromFile(path); }
    void setZoom(float z) { surface_->setZoom(z); }

    bool rubberBandActive() const { return dragging_; }

    // How context menus are shown: by default as a popup menu at the screen
    // position; tests and owners may show them otherwise.
    using MenuPresenter = std::function<void(const MenuEntries& entries, const QPoint& globalPos)>;
    void setMenuPresenter(MenuPresenter p) { presenter_ = std::move(p); }

    // The object's context menu at a screen position.
    void openObjectMenu(TKGraphicControl* o, const QPoint& globalPos);
    // The surface's context menu: contextMenuRequested is raised; an owner
    // that listens to it shows its own menu, otherwise the surface menu opens.
    void openSurfaceMenu(const QPoint& globalPos);

    // The dotted outline of a drag or keyboard move (null: none), drawn
    // inverting what lies below.
    void setOutline(const QRect& r);
    QRect outline() const { return outline_; }

signals:
    // A press with another button than the left one on the empty surface.
    void contextMenuRequested(const QPoint& globalPos);

protected:
    TKBasePanel(DesignSurface::Kind kind, QWidget* parent);
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    // A press on an object: with a drawing tool, or on an object that cannot
    // be selected, it acts as a press on the empty surface. Otherwise the
    // object is selected (alone, unless Shift is held); a left press goes on
    // as a drag of the selection, a right press that leaves it the only
    // selected object opens its context menu.
    virtual void childMouseDown(TKGraphicControl* o, QMouseEvent* e);
    void surfaceMouseDown(QMouseEvent* e);

private:
    void present(const MenuEntries& entries, const QPoint& globalPos);

    DesignSurface* surface_;
    TKHandle* handle_;
    bool dragging_ = false;      // a rubber band is drawn
    bool handleDrag_ = false;    // a press that selected an object drags the selection
    QPoint origin_;
    QRect band_;
    QRect outline_;
    MenuPresenter presenter_;
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

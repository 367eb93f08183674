#pragma once
// Base of every design object: a lightweight element without a window of its
// own, owned by one design surface. The object keeps its bounds twice: as the
// design has them (pixels at zoom 1.0, what files, printing and undo read)
// and as they are shown at the object's zoom factor. The shown bounds are
// derived from the design bounds on every zoom, so zooming never moves or
// resizes an object in the design; an edit at a zoom changes only the design
// values of the edges it really moved.
#include <QObject>
#include <QRect>
#include <QString>

#include "designobjects/DesignMenu.h"
#include "designobjects/PropertyDescriptor.h"

class QPainter;

namespace brindle::printing {
class PageCanvas;
}

namespace brindle::designobjects {

class DesignSurface;
class DesignDocument;

// What an object needs to know while it paints itself on screen.
struct PaintContext {
    bool selected = false;
};

class TKGraphicControl : public QObject {
    Q_OBJECT
public:
    TKGraphicControl();
    ~TKGraphicControl() override;

    // The registered class name ("TKPLabel").
    virtual QString designClass() const = 0;

    // ---- stored properties
    int left() const { return bounds_.x(); }
    int top() const { return bounds_.y(); }
    int width() const { return bounds_.width(); }
    int height() const { return bounds_.height(); }
    QRect bounds() const { return bounds_; }
    // The bounds at zoom 1.0, whatever the object is shown at.
    QRect designBounds() const { return design_; }
    // Sets the bounds at zoom 1.0; the shown bounds follow at the current zoom.
    void setDesignBounds(const QRect& r);
    void setLeft(int v) { setBounds(v, top(), width(), height()); }
    void setTop(int v) { setBounds(left(), v, width(), height()); }
    void setWidth(int v) { setBounds(left(), top(), v, height()); }
    void setHeight(int v) { setBounds(left(), top(), width(), v); }
    void setBounds(int l, int t, int w, int h);
    void setBounds(const QRect& r) { setBounds(r.x(), r.y(), r.width(), r.height()); }
    bool locked() const { return locked_; }
    void setLocked(bool v) { locked_ = v; }
    bool unselectable() const { return unselectable_; }
    void setUnselectable(bool v) { unselectable_ = v; }
    bool visible() const { return visible_; }
    void setVisible(bool v);

    // ---- run-time state
    float zoom() const { return zoom_; }
    // Shows the object at zoom x: the shown bounds become the design bounds
    // times x (half-even rounding); the design bounds stay.
    void setZoom(float x);
    // Takes the zoom factor without moving the shown bounds (objects just
    // read from a file or created by a tool at that zoom): the design bounds
    // become the shown bounds divided by x.
    void setZoomFactor(float x);
    // The editor surface the object lies on (null on a bare document).
    DesignSurface* surface() const;
    // The design the object belongs to.
    DesignDocument* document() const;

    // ---- operation slots; the base versions do what their comment says
    // After creation by a tool, a design file or cloning. Base: nothing.
    virtual void loaded() {}
    // Screen drawing in object coordinates (the painter is translated to the
    // object's top-left corner and clipped to its bounds). Base: nothing.
    virtual void paint(QPainter& p, const PaintContext& ctx);
    // After the position or size changed: notifies the surface once per real change.
    virtual void boundsChanged();
    virtual void applyFont(const DesignFont&) {}
    virtual void refreshData() {}
    virtual void clearDataText() {}
    virtual void advanceCounter() {}
    virtual void resetCounter() {}
    // Prints the object with the design's top-left corner at (left, top) inches.
    virtual void printAt(printing::PageCanvas& page, double top, double left);
    // Appends the kind's own context-menu entries, with check marks set from
    // the current properties. Base: nothing.
    virtual void addMenuEntries(MenuEntries& menu);
    // The context menu as it opens now: on a surface, the entries common to
    // every object (order, clipboard, clone, locking, centring), then the
    // kind's own.
    MenuEntries contextMenu();

    // Centres the object on its surface (top = height div 2 − Height div 2,
    // or left = width div 2 − Width div 2) and reports a change.
    void centerVertically();
    void centerHorizontally();

    // The object's rectangle on paper, in inches, for a design placed at (left, top).
    QRectF paperRect(double top, double left) const;

    // Tells the surface that the design changed (silent while it prints or zooms).
    void changed();
    // Asks the surface to repaint this object (no effect while printing).
    void invalidate();

    // Trimming used by data objects; only the space character counts.
    static QString trimLeading(const QString& s);
    static QString trimTrailing(const QString& s);
    static QString trimBoth(const QString& s);

    static PropertyList baseProperties();

private:
    // Brings the design bounds up to date after the shown bounds changed.
    void syncDesignBounds();

    QRect bounds_{0, 0, 0, 0};
    QRect design_{0, 0, 0, 0};
    bool rezooming_ = false;  // shown bounds being derived from the design bounds
    QRect remembered_{0, 0, 0, 0};
    bool inBoundsChanged_ = false;
    int boundsDepth_ = 0;  // setBounds calls nested through boundsChanged
    bool locked_ = false;
    bool unselectable_ = false;
    bool visible_ = true;
    float zoom_ = 1.0f;
};

}  // namespace brindle::designobjects

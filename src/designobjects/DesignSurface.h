#pragma once
// A design surface: a design document (the objects at zoom 1.0, what saving,
// printing and undo read) paired with the editor's view of it (zoom, tool,
// selection, grid, clip file), and the editing commands that need both. The
// widgets under ui/ show a surface and route the mouse to it; printing
// engines may use a bare DesignDocument or a surface alike.
#include <QImage>
#include <QRect>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "designobjects/DesignDocument.h"
#include "designobjects/DesignMenu.h"
#include "designobjects/DesignTypes.h"
#include "designobjects/DesignView.h"
#include "designobjects/Selection.h"

class QPainter;
class QPainterPath;

namespace brindle::designobjects {

class TKGraphicControl;
class RecordSource;
class DesignDialogs;

class DesignSurface : public DesignDocument {
    Q_OBJECT
public:
    using GridSize = DesignView::GridSize;
    using enum DesignView::GridSize;
    using PanelState = DesignView::PanelState;
    using enum DesignView::PanelState;

    explicit DesignSurface(Kind kind = LabelSurface, QObject* parent = nullptr);
    ~DesignSurface() override;

    // The two halves: the design, and how this editor shows it.
    DesignDocument& document() { return *this; }
    const DesignDocument& document() const { return *this; }
    DesignView& view() { return view_; }
    const DesignView& view() const { return view_; }

    // ---- size and zoom (pixels as shown)
    int width() const { return view_.shownSize().width(); }
    int height() const { return view_.shownSize().height(); }
    QSize size() const { return view_.shownSize(); }
    // A size given as shown: the dimensions it really changes are taken back
    // to zoom 1.0, the others keep their design value.
    void setSize(int w, int h);
    void setDesignSize(const QSize& s) override;
    float zoom() const { return view_.zoom(); }
    void setZoom(float x);
    bool zooming() const override { return zooming_; }

    // ---- view properties
    bool pointing() const { return view_.pointing(); }
    void setPointing(bool v) { view_.setPointing(v); }
    bool drawOutline() const { return view_.drawOutline(); }
    void setDrawOutline(bool v);
    const QImage& picture() const { return view_.picture(); }
    void setPicture(const QImage& img);
    GridSize gridSize() const { return view_.gridSize(); }
    void setGridSize(GridSize g);
    bool showGrid() const { return view_.showGrid(); }
    void setShowGrid(bool v);
    bool snapToGrid() const { return view_.snapToGrid(); }
    void setSnapToGrid(bool v) { view_.setSnapToGrid(v); }
    int gridStep() const { return view_.gridStep(); }

    // ---- drawing tools (label surfaces)
    PanelState panelState() const { return view_.panelState(); }
    void setPanelState(PanelState s);

    void clearObjects() override;

    // ---- selection, in the order the objects were selected
    const std::vector<TKGraphicControl*>& selection() const { return view_.selection(); }
    // Adds an object; unselectable and already selected objects are left out.
    void select(TKGraphicControl* o);
    void deselect(TKGraphicControl* o);
    // Removes a selected object, adds an unselected one (Shift and a rubber band).
    void toggleSelection(TKGraphicControl* o);
    void clearSelection();
    // Clears, then selects every selectable object.
    void selectAll();
    bool isSelected(const TKGraphicControl* o) const { return view_.isSelected(o); }
    // The first selected object whose bounds enlarged by 2 pixels hold the point.
    TKGraphicControl* selectedObjectAt(const QPoint& p) const { return view_.selectedObjectAt(p); }
    // The overlay over the selection (null when nothing is selected).
    QRect overlayRect() const { return view_.overlayRect(); }
    // Snapping steps: the grid spacing while snapping is on, else 1.
    int gridX() const { return view_.gridX(); }
    int gridY() const { return view_.gridX(); }
    // Gives the overlay new bounds: every selected object that is not locked
    // moves and grows or shrinks with it; locked objects stay.
    void applyOverlay(const QRect& overlay);

    // ---- commands on the selection
    void bringToFront();
    // Also clears the selection.
    void sendToBack();
    void copy();
    // Copies, then deletes; nothing is deleted when the clip file could not be written.
    void cut();
    // Reads the clip file's objects 15 pixels (at zoom 1.0) right of and
    // below where they were copied. Nothing happens within one second of the
    // previous paste. True when a paste ran.
    bool paste();
    void deleteSelection();
    void alignLeft();
    void alignRight();
    void alignTops();
    void alignBottoms();
    void centerVertically();
    void centerHorizontally();
    // Font dialog starting from the surface's font; OK gives the font to every selected object.
    void applyFontToSelection();
    // ---- commands on every object
    void lockAll();
    void unlockAll();
    void markAllSelectable();
    void markAllUnselectable();
    // ---- commands from an object's own menu
    // The object alone to the top, or to the bottom (clearing the selection).
    void bringToFront(TKGraphicControl* o);
    void sendToBack(TKGraphicControl* o);
    // On the whole selection when the object is selected, else on the object alone.
    void copy(TKGraphicControl* o);
    void cut(TKGraphicControl* o);
    void remove(TKGraphicControl* o);
    // A copy of the object 25 pixels (at zoom 1.0) below it, on top of the
    // others; the selection moves from the source to the copy. Returns the copy.
    TKGraphicControl* clone(TKGraphicControl* o);
    bool clipFileExists() const;
    // The clock the one-second paste rule reads (tests set their own).
    void setPasteClock(selection::PasteGate::Clock c) { view_.pasteGate().setClock(std::move(c)); }
    // The menu of the empty surface, its entries enabled by the current state.
    MenuEntries surfaceMenu();

    // ---- operations
    // Both clear the selection first.
    void clampObjects() override;
    void deleteOutsideObjects() override;
    void addObject(TKGraphicControl* o, const QRect& rect);
    // Creates the current tool's object (nullptr for the selection tool or a
    // kind that is not available).
    TKGraphicControl* createObjectInRect(QRect rect);
    // End of a rubber band: with the selection tool the objects it touches
    // become the selection (with `toggle`, as Shift does, each of them joins
    // or leaves the selection instead); with a drawing tool the tool's object
    // is created and droppedObject raised.
    void rubberBandReleased(const QRect& rect, bool toggle = false);
    // Objects whose bounds intersect the rectangle, back to front.
    std::vector<TKGraphicControl*> objectsInRect(const QRect& rect) const { return view_.objectsInRect(rect); }
    // Topmost object under a point, or nullptr.
    TKGraphicControl* objectAt(const QPoint& p) const { return view_.objectAt(p); }

    // ---- clip file
    // Clipbrd.tmp in the program's directory unless set.
    QString clipFilePath() const;
    // Empty: no clip file (nothing is deleted when the surface goes).
    void setClipFilePath(const QString& p) { view_.clipFile() = p; }

    // ---- painting
    // The label shape as a path (the area inside the outline).
    QPainterPath shapePath() const;
    // The whole surface drawn off screen: background, picture, outline, grid, objects.
    QImage render() const;
    void paint(QPainter& p) const;

    // ---- called by objects and the reader
    void objectBoundsChanged(TKGraphicControl* o) override;
    void objectsRead(std::size_t first) override;

signals:
    void droppedObject(const QRect& rect);
    void sizeChanged(const QSize& size);
    void panelStateChanged(int state);
    void selectionChanged();
    // A selected object moved or changed size: the overlay follows.
    void selectionBoundsChanged();

protected:
    void removeFromLists(TKGraphicControl* o) override;

private:
    // Sets one flag on every object; a change of the design when any differed.
    void setOnAll(bool (TKGraphicControl::*get)() const, void (TKGraphicControl::*set)(bool), bool v);
    void followUpCreation(PanelState tool, TKGraphicControl* o);
    // False (and the error shown) when the clip file could not be written.
    bool writeClip(const std::vector<TKGraphicControl*>& objects);
    // The copy half of a cut: the selection, or `o` alone when it is not selected.
    bool copiedForCut(TKGraphicControl* o);
    void destroyObjects(std::vector<TKGraphicControl*> objects);
    void align(selection::Align how);
    friend class TKGraphicControl;
    void paintGrid(QImage& img) const;

    DesignView view_;
    bool zooming_ = false;
};

}  // namespace brindle::designobjects

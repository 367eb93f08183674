#pragma once
// A design surface: the objects of one design (a label, an envelope, a report
// band) on a rectangle of pixels, with zoom, drawing tools, grid and outline,
// data binding, the printing contract and the design file operations. The
// widgets under ui/ show a surface and route the mouse to it; printing
// engines and the render command use it without a window.
#include <QImage>
#include <QObject>
#include <QRect>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "designobjects/DesignMenu.h"
#include "designobjects/DesignTypes.h"
#include "designobjects/Selection.h"

class QPainter;
class QPainterPath;

namespace brindle::common {
class UserDialogs;
}
namespace brindle::printing {
class PageCanvas;
}

namespace brindle::designobjects {

class TKGraphicControl;
class RecordSource;
class DesignDialogs;

class DesignSurface : public QObject {
    Q_OBJECT
public:
    // Envelope and report band surfaces are data surfaces with their own classes.
    enum Kind { BaseSurface, DataSurface, LabelSurface, EnvelopeSurface, ReportSurface };
    enum LabelShape { lsRectangle, lsRoundRect, lsEllipse };
    enum GridSize { gs4x4, gs8x8 };
    enum PanelState {
        psPointing, psLabel, psCounterLabel, psSymbolLabel, psDataLabel, psMultiLineLabel,
        psMultiLineDataLabel, psAddressLabel, psRectangle, psEllipse, psRoundRectangle, psLine,
        psImage, psPostNetBarCode,
    };

    struct LoadResult {
        bool ok = true;
        QString error;              // the reader's message when it stopped
        QStringList objectsRead;    // "Component0 (TKPLabel)" for each object kept
    };

    explicit DesignSurface(Kind kind = LabelSurface, QObject* parent = nullptr);
    ~DesignSurface() override;

    Kind kind() const { return kind_; }

    // ---- size and zoom (pixels at the current zoom)
    int width() const { return width_; }
    int height() const { return height_; }
    QSize size() const { return {width_, height_}; }
    // The size at zoom 1.0, whatever the surface is shown at.
    QSize designSize() const { return designSize_; }
    void setSize(int w, int h);
    // A label of w × h inches: Round(inches × 96) pixels at zoom 1.0.
    void setSizeInches(double w, double h);
    float zoom() const { return zoom_; }
    void setZoom(float x);
    bool zooming() const { return zooming_; }

    // ---- properties
    bool pointing() const { return pointing_; }
    void setPointing(bool v) { pointing_ = v; }
    bool drawOutline() const { return drawOutline_; }
    void setDrawOutline(bool v);
    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& img);
    bool printing() const { return printing_; }
    void setPrinting(bool v) { printing_ = v; }
    LabelShape shape() const { return shape_; }
    void setShape(LabelShape s);
    GridSize gridSize() const { return gridSize_; }
    void setGridSize(GridSize g);
    bool showGrid() const { return showGrid_; }
    void setShowGrid(bool v);
    bool snapToGrid() const { return snapToGrid_; }
    void setSnapToGrid(bool v) { snapToGrid_ = v; }
    int gridStep() const { return gridSize_ == gs8x8 ? 8 : 4; }
    const DesignFont& font() const { return font_; }
    void setFont(const DesignFont& f) { font_ = f; }
    DesignColor color() const { return color_; }
    void setColor(DesignColor c) { color_ = c; }

    // ---- data surfaces
    bool displayDataValues() const { return displayDataValues_; }
    void setDisplayDataValues(bool v) { displayDataValues_ = v; }
    RecordSource* recordSource() const { return records_; }
    void setRecordSource(RecordSource* r) { records_ = r; }

    // ---- drawing tools (label surfaces)
    PanelState panelState() const { return panelState_; }
    void setPanelState(PanelState s);
    // The design classes the file reader may create on this surface.
    const QStringList& registeredClasses() const { return classes_; }
    void setRegisteredClasses(const QStringList& names) { classes_ = names; }
    bool acceptsClass(const QString& name) const;
    // The classes each kind of surface registers when it is created.
    static QStringList classesFor(Kind kind);

    // ---- objects, back to front
    const std::vector<TKGraphicControl*>& objects() const { return objects_; }
    // Takes ownership and appends (top of the z-order); no naming, no placing.
    void adoptObject(TKGraphicControl* o);
    void clearObjects();
    void deleteObject(TKGraphicControl* o);
    // The window that holds the surface; object names are unique among its
    // components. The surface itself when none is set.
    QObject* owner() const;
    void setOwner(QObject* o) { owner_ = o; }
    bool ownerHasName(const QString& name, const QObject* except = nullptr) const;

    // ---- selection, in the order the objects were selected
    const std::vector<TKGraphicControl*>& selection() const { return selection_; }
    // Adds an object; unselectable and already selected objects are left out.
    void select(TKGraphicControl* o);
    void deselect(TKGraphicControl* o);
    // Removes a selected object, adds an unselected one (Shift and a rubber band).
    void toggleSelection(TKGraphicControl* o);
    void clearSelection();
    // Clears, then selects every selectable object.
    void selectAll();
    bool isSelected(const TKGraphicControl* o) const;
    // The first selected object whose bounds enlarged by 2 pixels hold the point.
    TKGraphicControl* selectedObjectAt(const QPoint& p) const;
    // The overlay over the selection (null when nothing is selected).
    QRect overlayRect() const;
    // Snapping steps: the grid spacing while snapping is on, else 1.
    int gridX() const { return snapToGrid_ ? gridStep() : 1; }
    int gridY() const { return gridX(); }
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
    // Reads the clip file's objects 15 pixels right of and below where they
    // were copied. Nothing happens within one second of the previous paste.
    // True when a paste ran.
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
    void setPasteClock(selection::PasteGate::Clock c) { pasteGate_.setClock(std::move(c)); }
    // The menu of the empty surface, its entries enabled by the current state.
    MenuEntries surfaceMenu();

    // ---- operations
    void refreshData();
    void printObjects(printing::PageCanvas& page, double top, double left);
    void advanceCounters();
    void resetCounters();
    void clampObjects();
    void deleteOutsideObjects();
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
    std::vector<TKGraphicControl*> objectsInRect(const QRect& rect) const;
    // Topmost object under a point, or nullptr.
    TKGraphicControl* objectAt(const QPoint& p) const;

    // ---- files
    // Writes the design at zoom 1.0; the old file is replaced only once the
    // new one is complete. False (and a message) when it could not be written.
    bool saveToFile(const QString& path);
    // Reads a design; a missing file reads nothing. When the reader stops at
    // damage the objects before it stay and the user is told which ones; the
    // next save of that file first keeps the original as "<file>.bak".
    LoadResult loadFromFile(const QString& path);
    const QString& lastError() const { return lastError_; }
    // Clipbrd.tmp in the program's directory unless set.
    QString clipFilePath() const;
    // Empty: no clip file (nothing is deleted when the surface goes).
    void setClipFilePath(const QString& p) { clipFile_ = p; }
    void setDialogs(common::UserDialogs* d) { dialogs_ = d; }
    common::UserDialogs* dialogs() const { return dialogs_; }
    // The object dialogs: the surface's own, else the process-wide ones, else nullptr.
    void setDesignDialogs(DesignDialogs* d) { designDialogs_ = d; }
    DesignDialogs* designDialogs() const;

    // ---- painting
    // The label shape as a path (the area inside the outline).
    QPainterPath shapePath() const;
    // The whole surface drawn off screen: background, picture, outline, grid, objects.
    QImage render() const;
    void paint(QPainter& p) const;

    // ---- called by objects
    void objectChanged(TKGraphicControl* o);
    void objectBoundsChanged(TKGraphicControl* o);
    void objectNeedsRepaint(TKGraphicControl* o);
    // While a design file is read, changes are not reported.
    void setLoading(bool v) { loading_ = v; }

signals:
    void labelChanged();
    void droppedObject(const QRect& rect);
    void repaintNeeded(const QRect& rect);  // empty: everything
    void sizeChanged(const QSize& size);
    void panelStateChanged(int state);
    void selectionChanged();
    // A selected object moved or changed size: the overlay follows.
    void selectionBoundsChanged();

private:
    // Sets one flag on every object; a change of the design when any differed.
    void setOnAll(bool (TKGraphicControl::*get)() const, void (TKGraphicControl::*set)(bool), bool v);
    void removeFromLists(TKGraphicControl* o);
    void followUpCreation(PanelState tool, TKGraphicControl* o);
    void raise(TKGraphicControl* o);
    void lower(TKGraphicControl* o);
    // False (and the error shown) when the clip file could not be written.
    bool writeClip(const std::vector<TKGraphicControl*>& objects);
    // The copy half of a cut: the selection, or `o` alone when it is not selected.
    bool copiedForCut(TKGraphicControl* o);
    void destroyObjects(std::vector<TKGraphicControl*> objects);
    void align(selection::Align how);
    void reportError(const QString& message);
    friend class TKGraphicControl;
    void paintGrid(QImage& img) const;

    Kind kind_;
    int width_ = 0;
    int height_ = 0;
    QSize designSize_{0, 0};
    float zoom_ = 1.0f;
    bool zooming_ = false;
    bool loading_ = false;
    bool pointing_ = true;
    bool drawOutline_ = false;
    QImage picture_;
    bool printing_ = false;
    LabelShape shape_ = lsRoundRect;
    GridSize gridSize_ = gs4x4;
    bool showGrid_ = false;
    bool snapToGrid_ = false;
    DesignFont font_;
    DesignColor color_ = clWhite;
    bool displayDataValues_ = true;
    RecordSource* records_ = nullptr;
    PanelState panelState_ = psPointing;
    QStringList classes_;
    std::vector<TKGraphicControl*> objects_;
    std::vector<TKGraphicControl*> selection_;
    QObject* owner_ = nullptr;
    std::optional<QString> clipFile_;
    QString damagedFile_;  // read only partly; keep the original before saving over it
    QString lastError_;
    common::UserDialogs* dialogs_ = nullptr;
    DesignDialogs* designDialogs_ = nullptr;
    selection::PasteGate pasteGate_;
};

// What a data object bound to a field by its display label sees of the
// surface's current record: whether the surface is printing, whether it shows
// values rather than field names, whether the field exists and, when values
// are wanted (or while printing), the field's text.
struct BoundField {
    bool printing = false;
    bool showValues = true;
    bool found = false;
    QString text;
};
BoundField readBoundField(const DesignSurface* surface, const QString& label);

}  // namespace brindle::designobjects

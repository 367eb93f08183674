#pragma once
// The editor's state over one design document: the zoom it is shown at, the
// active tool, the ordered selection, the grid and snapping, the outline and
// the backdrop picture, the clip file and the one-second paste rule. Screen
// geometry is derived here from the document's zoom-1.0 values; nothing here
// is stored with the design. DesignSurface pairs a view with its document;
// the envelope and report designers use the same pair.
#include <QImage>
#include <QRect>
#include <optional>
#include <vector>

#include "designobjects/Selection.h"

namespace brindle::designobjects {

class DesignDocument;
class TKGraphicControl;

class DesignView {
public:
    enum GridSize { gs4x4, gs8x8 };
    enum PanelState {
        psPointing, psLabel, psCounterLabel, psSymbolLabel, psDataLabel, psMultiLineLabel,
        psMultiLineDataLabel, psAddressLabel, psRectangle, psEllipse, psRoundRectangle, psLine,
        psImage, psPostNetBarCode, psIMBarCode,
    };

    explicit DesignView(const DesignDocument& document) : document_(document) {}

    // ---- geometry: shown values from the document's values at zoom 1.0
    float zoom() const { return zoom_; }
    void setZoomValue(float z) { zoom_ = z; }
    // A design length shown at the zoom (half-even rounding).
    int shown(int design) const;
    QRect shown(const QRect& design) const;
    // The area's size as it is shown.
    QSize shownSize() const;
    // A shown length back at zoom 1.0, for a value the user really changed.
    int design(int shown) const;

    // ---- tools
    PanelState panelState() const { return panelState_; }
    void setPanelStateValue(PanelState s) { panelState_ = s; }
    bool pointing() const { return pointing_; }
    void setPointing(bool v) { pointing_ = v; }

    // ---- grid and display
    GridSize gridSize() const { return gridSize_; }
    void setGridSize(GridSize g) { gridSize_ = g; }
    bool showGrid() const { return showGrid_; }
    void setShowGrid(bool v) { showGrid_ = v; }
    bool snapToGrid() const { return snapToGrid_; }
    void setSnapToGrid(bool v) { snapToGrid_ = v; }
    int gridStep() const { return gridSize_ == gs8x8 ? 8 : 4; }
    // Snapping steps: the grid spacing while snapping is on, else 1.
    int gridX() const { return snapToGrid_ ? gridStep() : 1; }
    bool drawOutline() const { return drawOutline_; }
    void setDrawOutline(bool v) { drawOutline_ = v; }
    // Shown behind the design inside the label shape; never stored or printed.
    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& img) { picture_ = img; }

    // ---- selection, in the order the objects were selected
    std::vector<TKGraphicControl*>& selection() { return selection_; }
    const std::vector<TKGraphicControl*>& selection() const { return selection_; }
    bool isSelected(const TKGraphicControl* o) const;
    // The first selected object whose shown bounds enlarged by 2 pixels hold the point.
    TKGraphicControl* selectedObjectAt(const QPoint& p) const;
    // The overlay over the selection in shown pixels (null when nothing is selected).
    QRect overlayRect() const;
    // Objects whose shown bounds intersect the rectangle, back to front.
    std::vector<TKGraphicControl*> objectsInRect(const QRect& rect) const;
    // Topmost visible object under a shown point, or nullptr.
    TKGraphicControl* objectAt(const QPoint& p) const;

    // ---- clipboard
    std::optional<QString>& clipFile() { return clipFile_; }
    const std::optional<QString>& clipFile() const { return clipFile_; }
    selection::PasteGate& pasteGate() { return pasteGate_; }

private:
    const DesignDocument& document_;
    float zoom_ = 1.0f;
    PanelState panelState_ = psPointing;
    bool pointing_ = true;
    GridSize gridSize_ = gs4x4;
    bool showGrid_ = false;
    bool snapToGrid_ = false;
    bool drawOutline_ = false;
    QImage picture_;
    std::vector<TKGraphicControl*> selection_;
    std::optional<QString> clipFile_;
    selection::PasteGate pasteGate_;
};

}  // namespace brindle::designobjects

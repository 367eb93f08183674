#pragma once
// The arithmetic of direct manipulation, apart from any widget: the overlay
// that covers the selected objects, which part of it the pointer is over,
// grid snapping, the overlay's new bounds after a drag, how a change of the
// overlay moves and resizes the objects under it, keyboard nudging, alignment
// and centring, the selection marks, and the pause required between pastes.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

namespace brindle::designobjects::selection {

// The overlay reaches 2 pixels left of and above the selection and 3 pixels
// right of and below it, so that the marks drawn around the objects lie on it.
inline constexpr int kMarginBefore = 2;
inline constexpr int kMarginAfter = 3;
// Marks are squares of this side around bounds enlarged by 2 pixels.
inline constexpr int kMarkSize = 5;
// Neither the overlay nor a resized object gets narrower or lower than this.
inline constexpr int kMinSize = 5;
// A press released sooner than this is a click and moves nothing.
inline constexpr int kClickMs = 150;
// A paste within this time of the previous one is ignored.
inline constexpr int kPasteGapMs = 1000;
// Pasted objects land this far right of and below where they were copied
// (pixels at zoom 1.0); a clone lands this far below its source.
inline constexpr int kPasteOffset = 15;
inline constexpr int kCloneOffset = 25;
// Shift+Left and Shift+Up never shrink an object below this.
inline constexpr int kMinKeyboardSize = 10;

// Where a press on the overlay takes hold: 0 moves, 1 to 8 resize.
enum Zone {
    zMove = 0,
    zTopLeft = 1,
    zTopRight = 2,
    zBottomLeft = 3,
    zBottomRight = 4,
    zTop = 5,
    zLeft = 6,
    zBottom = 7,
    zRight = 8,
};

// The overlay over objects with these bounds; a null rectangle for none.
QRect overlayFor(const std::vector<QRect>& bounds);
// The selection's bounding box inside an overlay, and the overlay around a box.
QRect boxInside(const QRect& overlay);
QRect overlayAround(const QRect& box);

// The zone under a point given relative to the overlay's top-left corner.
// Corners take 8 pixels each way; the middles of the sides take 6 pixels
// either side of the middle and 8 pixels in from the side. Several selected
// objects are only ever moved.
int zoneAt(const QSize& overlay, const QPoint& local, int selectedCount);

// S(v) = step × (v div step), div truncating toward zero; a step below 2 leaves v.
int snap(int v, int step);

// The overlay's bounds after the pointer moved by `delta` while holding `zone`;
// gridX and gridY are the snapping steps (1 when snapping is off). The result
// is not clamped (it may even be negative when a near edge was dragged past
// the far one); followOverlay keeps the objects at their minimum size.
QRect draggedOverlay(const QRect& overlay, int zone, const QPoint& delta, int gridX, int gridY);

// An unlocked object's new bounds when the overlay changed from `before` to
// `after`: moved by the change of position, grown or shrunk by the change of
// size. A shrink never takes the object below kMinSize (or below its size
// when it was already smaller); when the overlay kept its right or bottom
// edge, the object keeps its own there too.
QRect followOverlay(const QRect& object, const QRect& before, const QRect& after);

// The filled squares marking a selected object: the four corners of its
// bounds enlarged by 2 pixels, plus the middles of the sides when it is the
// only selected object.
std::vector<QRect> marks(const QRect& bounds, bool onlySelected);

// Keyboard nudging: one step of the outline. Moves stop at the surface's left
// and top edges and where the outline would leave the surface on the right or
// at the bottom; resizing shrinks while the side exceeds kMinKeyboardSize and
// grows while the outline stays inside the surface.
enum class Direction { Left, Up, Right, Down };
QRect nudged(const QRect& outline, Direction d, bool resize, const QSize& surface);

// Alignment over a set of bounds: every rectangle takes the extreme edge of
// the set (smallest left or top, largest right or bottom edge). The search
// starts from the surface's width or height for the smallest left or top and
// from 0 for the largest right or bottom edge, so a set lying wholly beyond
// the surface is pulled to its edge.
enum class Align { Left, Right, Tops, Bottoms };
std::vector<QRect> aligned(const std::vector<QRect>& bounds, Align how, const QSize& surface);
// Centred on a surface: top = height div 2 − h div 2, left = width div 2 − w div 2.
QRect centredVertically(const QRect& r, const QSize& surface);
QRect centredHorizontally(const QRect& r, const QSize& surface);

// Remembers when the last paste ran and refuses another within kPasteGapMs.
// The clock returns milliseconds from any fixed start; a monotonic one is
// used unless a test sets its own.
class PasteGate {
public:
    using Clock = std::function<qint64()>;
    PasteGate();
    void setClock(Clock c);
    bool ready() const;
    void stamp();

private:
    Clock clock_;
    std::optional<qint64> last_;
};

}  // namespace brindle::designobjects::selection

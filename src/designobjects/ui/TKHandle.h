#pragma once
// The selection overlay of a design surface widget: a transparent child
// widget laid over the selected objects (their bounds enlarged by 2 pixels
// left and top, 3 right and bottom). It draws the selection marks, takes the
// presses over the selection, shows the cursor of the zone under the pointer,
// moves and resizes the selection with the mouse (a dotted outline follows
// the pointer; a press shorter than 150 ms is a click and moves nothing) and
// nudges or resizes it with the arrow keys. Hidden while nothing is selected;
// presses pass through it while a drawing tool is active.
#include <QCursor>
#include <QElapsedTimer>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "designobjects/DesignTypes.h"

class QKeyEvent;

namespace brindle::designobjects {

class DesignSurface;
class TKBasePanel;

// The program's own hand cursors, drawn in code: an open grabbing hand over
// the selection and a pointing hand over objects while the selection tool is
// active (and while a rubber band is drawn).
const QCursor& handGrabCursor();
const QCursor& handPointCursor();

class TKHandle : public QWidget {
    Q_OBJECT
public:
    explicit TKHandle(TKBasePanel* panel);

    // Colours of the marks: one selected object, several.
    DesignColor color() const { return color_; }
    void setColor(DesignColor c);
    DesignColor secondaryColor() const { return secondaryColor_; }
    void setSecondaryColor(DesignColor c);

    // The zone under the pointer (0 moves, 1 to 8 resize), as last chosen.
    int zone() const { return zone_; }
    bool dragging() const { return dragging_; }
    bool keyboardMoving() const { return keyMoving_; }

    // Puts the overlay over the selection, or hides it when there is none.
    void replace();

    // A drag that the panel starts when a press selected an object: the
    // press continues as a move of the selection. Points are in panel
    // coordinates; `time` is the event's timestamp (0 when unknown).
    void beginDrag(const QPoint& at, quint64 time, int zone);
    void dragTo(const QPoint& at);
    void endDrag(const QPoint& at, quint64 time);
    void cancelDrag();

    // Arrow keys from the panel; true when the key was taken.
    bool arrowPressed(QKeyEvent* e);
    bool arrowReleased(QKeyEvent* e);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    DesignSurface& surface() const;
    QPoint toPanel(const QPoint& local) const;
    QRect draggedBounds(const QPoint& at) const;
    void showZoneCursor(int zone);

    TKBasePanel* panel_;
    DesignColor color_ = clBlack;
    DesignColor secondaryColor_ = clGray;
    int zone_ = 0;
    bool dragging_ = false;
    QPoint start_;
    QRect startOverlay_;
    quint64 pressTime_ = 0;
    QElapsedTimer pressClock_;
    bool afterDoubleClick_ = false;
    bool keyMoving_ = false;
    QRect keyOutline_;
};

}  // namespace brindle::designobjects

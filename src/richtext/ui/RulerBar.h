#pragma once
// The inch ruler above the editing area, without numbers: tick marks, the
// current paragraph's first-line, left and right indents and its tab stops.
// Dragging a marker changes the paragraph; a click on the ruler sets a left
// tab there, dragging a tab off the ruler removes it.
#include <QWidget>

#include "richtext/ui/ParagraphFormat.h"

namespace brindle::richtext::ui {

class RichTextEditor;

class RulerBar : public QWidget {
    Q_OBJECT
public:
    explicit RulerBar(RichTextEditor& editor, QWidget* parent = nullptr);
    QSize sizeHint() const override;

    enum class Marker { None, FirstLine, LeftIndent, RightIndent, Tab };
    // Screen x of a position in twips from the text box's edge, and back
    // (snapped to sixteenths of an inch).
    int xOf(int twips) const;
    int twipsAt(int x) const;

    // What lies under a point (tab index in `tab`).
    Marker markerAt(QPoint p, int* tab = nullptr) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void refresh();

    RichTextEditor& editor_;
    ParagraphFormat format_;
    Marker dragging_ = Marker::None;
    int dragTab_ = -1;
    bool dragOff_ = false;
};

}  // namespace brindle::richtext::ui

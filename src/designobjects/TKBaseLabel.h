#pragma once
// One-line text objects: the stored properties shared by every text kind and
// the plain fixed-text object TKPLabel. The text is drawn in the object's
// font at its zoom, rotated by Angle, with optional background and frame.
#include "designobjects/DesignDialogs.h"
#include "designobjects/TKGraphicControl.h"

class QPicture;

namespace brindle::designobjects {

// A rectangle by its edges (right and bottom exclusive), as the layout
// arithmetic works on edges rather than on sizes.
struct LabelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    LabelBox moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    QRect rect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const LabelBox&) const = default;
};

// What the one-line layout needs to know, in pixels at the drawing zoom.
struct LabelLayoutInput {
    int width = 0, height = 0;
    int angle = 0;
    int alignment = 0;
    int depthShadow = 0, directionShadow = 0;
    int depthHighlight = 0, directionHighlight = 0;
    int lineHeight = 0;  // font height with internal and external leading
    int textWidth = 0;   // the caption followed by one space
};

// Where the main text and its shadow and highlight copies go.
struct LabelLayout {
    QPoint shadowOffset, highlightOffset;
    int marginX = 0, marginY = 0;
    QSize size;  // the object's size after the size constraints
    LabelBox main, shadow, highlight;
    QPoint mainStart, shadowStart, highlightStart;
};

class TKBaseLabel : public TKGraphicControl {
    Q_OBJECT
public:
    enum Alignment { taLeftJustify, taRightJustify, taCenter };
    enum BorderStyle { bsNone, bsSingle };
    enum ShadowDirection { sdNone, sdRight, sdLeft, sdDownRight, sdDownLeft, sdDown };
    enum HighlightDirection { hdNone, hdRight, hdLeft, hdUpRight, hdUpLeft, hdUp };

    // Offsets of the shadow and highlight copies for a direction and depth.
    static QPoint shadowOffset(int direction, int depth);
    static QPoint highlightOffset(int direction, int depth);
    // The one-line layout: margins, size constraints, the three text
    // rectangles turned with the text, and their start points.
    static LabelLayout computeLayout(const LabelLayoutInput& in);

    TKBaseLabel();

    int alignment() const { return alignment_; }
    void setAlignment(int a);
    int depthHighlight() const { return depthHighlight_; }
    void setDepthHighlight(int v) { depthHighlight_ = v; invalidate(); }
    int depthShadow() const { return depthShadow_; }
    void setDepthShadow(int v) { depthShadow_ = v; invalidate(); }
    int directionHighlight() const { return directionHighlight_; }
    void setDirectionHighlight(int v) { directionHighlight_ = v; invalidate(); }
    int directionShadow() const { return directionShadow_; }
    void setDirectionShadow(int v) { directionShadow_ = v; invalidate(); }
    DesignColor colorHighlight() const { return colorHighlight_; }
    void setColorHighlight(DesignColor c) { colorHighlight_ = c; invalidate(); }
    DesignColor colorShadow() const { return colorShadow_; }
    void setColorShadow(DesignColor c) { colorShadow_ = c; invalidate(); }
    int angle() const { return angle_; }
    // 0, 90, 180 or 270; anything else is ignored.
    void setAngle(int degrees);
    const QString& caption() const { return caption_; }
    void setCaption(const QString& text);
    const DesignFont& font() const { return font_; }
    void setFont(const DesignFont& f);
    bool transparent() const { return transparent_; }
    void setTransparent(bool v) { transparent_ = v; invalidate(); }
    DesignColor backColor() const { return backColor_; }
    void setBackColor(DesignColor c) { backColor_ = c; invalidate(); }
    int borderStyle() const { return borderStyle_; }
    void setBorderStyle(int v);

    void paint(QPainter& p, const PaintContext& ctx) override;
    void boundsChanged() override;
    void applyFont(const DesignFont& f) override { setFont(f); }
    void printAt(printing::PageCanvas& page, double top, double left) override;
    void addMenuEntries(MenuEntries& menu) override;

    // ---- editing (each asks through the surface's design dialogs)
    // The font chooser; OK takes the font.
    virtual void editFont();
    // "Text 3D Effects"; OK takes font colour, depths, directions and colours.
    void edit3DEffects();
    // The colour chooser; OK sets BackColor and switches Transparent off.
    void editBackgroundColor();
    Text3DSettings text3DSettings() const;
    void setText3DSettings(const Text3DSettings& s);
    // Size the layout limits give the object at zoom 1.0 when printed.
    QSize printSize();

    // The object drawn at zoom 1.0 as a vector picture of Width × Height
    // pixels; forPaper draws the text that prints rather than what the screen shows.
    QPicture renderPicture(bool forPaper = false);

    // At angle 0 only: grows the object so that its text (with five spaces
    // after it) and the offset copies fit; never shrinks it.
    void sizeToFit();

    static PropertyList ownProperties();

protected:
    // The text drawn; kinds that build their text on the fly override it.
    virtual QString displayText() const { return caption_; }
    // The text printed on paper; screen-only placeholders never reach it.
    virtual QString paperText() const { return caption_; }
    // Sets the caption from record or run-time data without marking the design changed.
    void setCaptionSilently(const QString& text);
    // The layout of this object's text for a w × h object at the zoom.
    LabelLayout layoutFor(float zoom, int w, int h) const;
    void drawText(QPainter& p, float zoom, int w, int h);
    // The size a w × h object takes when laid out at the zoom.
    virtual QSize limitedSize(float zoom, int w, int h) const { return layoutFor(zoom, w, h).size; }
    // Applies the layout's size limits to the bounds.
    void applyLayoutSize();
    QPicture renderPaperPicture(QSize size);
    DesignDialogs* dialogs() const;
    // The entries "Rotation" with its four angles.
    void addRotationEntries(MenuEntries& menu);

private:
    int alignment_ = taLeftJustify;
    int depthHighlight_ = 0;
    int depthShadow_ = 0;
    int directionHighlight_ = 4;  // hdUpLeft
    int directionShadow_ = 3;     // sdDownRight
    DesignColor colorHighlight_ = clAqua;
    DesignColor colorShadow_ = clGray;
    int angle_ = 0;
    QString caption_ = QStringLiteral("Text");
    DesignFont font_;
    bool transparent_ = true;
    DesignColor backColor_ = clWhite;
    int borderStyle_ = bsNone;
    bool forPaper_ = false;  // set while the picture for printing is drawn
};

// Fixed text.
class TKPLabel : public TKBaseLabel {
    Q_OBJECT
public:
    TKPLabel() = default;
    QString designClass() const override { return QStringLiteral("TKPLabel"); }

    // The "Text" dialog; OK takes the text and sizes the object to fit.
    void editText();
    void editAfterCreate() { editText(); }
    // The font chooser, then size to fit.
    void editFont() override;
    void addMenuEntries(MenuEntries& menu) override;
};

}  // namespace brindle::designobjects

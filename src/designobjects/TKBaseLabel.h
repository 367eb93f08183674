#pragma once
// One-line text objects: the stored properties shared by every text kind and
// the plain fixed-text object TKPLabel. The text is drawn in the object's
// font at its zoom, rotated by Angle, with optional background and frame.
#include "designobjects/TKGraphicControl.h"

class QPicture;

namespace brindle::designobjects {

class TKBaseLabel : public TKGraphicControl {
    Q_OBJECT
public:
    enum Alignment { taLeftJustify, taRightJustify, taCenter };
    enum BorderStyle { bsNone, bsSingle };

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
    void applyFont(const DesignFont& f) override { setFont(f); }
    void printAt(printing::PageCanvas& page, double top, double left) override;

    // The object drawn at zoom 1.0 as a vector picture of Width × Height pixels.
    QPicture renderPicture();

    static PropertyList ownProperties();

protected:
    // The text drawn; kinds that build their text on the fly override it.
    virtual QString displayText() const { return caption_; }
    void drawText(QPainter& p, float zoom, int w, int h);

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
};

// Fixed text.
class TKPLabel : public TKBaseLabel {
    Q_OBJECT
public:
    TKPLabel() = default;
    QString designClass() const override { return QStringLiteral("TKPLabel"); }
};

}  // namespace brindle::designobjects

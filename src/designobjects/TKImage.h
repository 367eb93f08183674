#pragma once
// The picture object: a bitmap, an icon or a vector picture (metafile) that
// always fills the object's rectangle on screen and on paper. Stretch and
// AutoSize decide only whether the object's size follows the picture; Flip
// and Reverse mirror bitmaps; an empty picture shows as a framed white box.
#include <QImage>

#include "designobjects/DesignTypes.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::designobjects {

class TKImage : public TKGraphicControl {
    Q_OBJECT
public:
    enum BorderStyle { bsNone, bsSingle };

    TKImage();
    QString designClass() const override { return QStringLiteral("TKImage"); }

    // ---- Stretch and AutoSize as the user switches them: each is the
    // opposite of the other. Switching AutoSize on sizes the object at once;
    // switching Stretch off leaves the size until the next bounds or picture change.
    bool stretch() const { return stretch_; }
    void setStretch(bool v);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool v);
    // Both at once, as the picture chooser and design files give them; both may be off.
    void setSizing(bool stretch, bool autoSize);

    int borderStyle() const { return borderStyle_; }
    void setBorderStyle(int v);
    bool flip() const { return flip_; }
    void setFlip(bool v);
    bool reverse() const { return reverse_; }
    void setReverse(bool v);

    const DesignPicture& picture() const { return picture_; }
    // Takes a copy of the picture, then applies auto size.
    void setPicture(const DesignPicture& p);
    // Flip and Reverse mirror only bitmaps.
    bool isBitmap() const;
    bool isMetafile() const;
    // The picture's own size in pixels (empty when there is none or it cannot be read).
    QSize pictureSize() const;
    // A bitmap or icon as an opaque image (icons drawn on white); null for
    // metafiles and pictures that cannot be read.
    QImage pictureImage() const;

    // With AutoSize on and a picture of some size, the object keeps its
    // position and takes the picture's size at its zoom.
    void applyAutoSize();

    // The picture chooser "Load Image File ": on Ok the object takes the
    // chosen picture (a picture that could not be read leaves the old one),
    // Stretch and AutoSize as the chooser's boxes were left, and auto size.
    void loadImageFromDisk();

    // What the object shows for a w x h area: the picture stretched (or
    // mirrored), a framed white box for no picture, the border.
    QImage screenImage(int w, int h) const;
    // The bitmap a picture prints from: the mirrored picture at w x h pixels
    // with Flip or Reverse, else the whole picture; null for non-bitmaps.
    QImage printImage(int w, int h) const;
    // `image` stretched to w x h pixels and mirrored.
    static QImage mirrored(const QImage& image, int w, int h, bool flip, bool reverse);

    void paint(QPainter& p, const PaintContext& ctx) override;
    void boundsChanged() override;
    void printAt(printing::PageCanvas& page, double top, double left) override;
    // "Load Image From Disk", then "Border", "Stretch to Fit", "AutoSize",
    // "Flip" and "Reverse" (the last two only for bitmaps).
    void addMenuEntries(MenuEntries& menu) override;

    static PropertyList ownProperties();

private:
    void pictureChanged();

    bool autoSize_ = false;
    int borderStyle_ = bsNone;
    DesignPicture picture_;
    bool stretch_ = true;
    bool reverse_ = false;
    bool flip_ = false;
    bool sizing_ = false;  // guards auto size against re-entry

    // Decoded once per picture.
    mutable bool decoded_ = false;
    mutable QImage image_;
    mutable QSize metafileSize_;
};

}  // namespace brindle::designobjects

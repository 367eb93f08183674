#include "designobjects/TKImage.h"

#include <QDir>
#include <QPainter>
#include <QPicture>

#include <algorithm>

#include "designobjects/DesignDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/GdiPainter.h"
#include "pictures/PictureFiles.h"
#include "printing/PageCanvas.h"

namespace brindle::designobjects {

namespace {

const QString kBitmap = QStringLiteral("TBitmap");
const QString kIcon = QStringLiteral("TIcon");
const QString kMetafile = QStringLiteral("TMetafile");

DesignDialogs* dialogsOf(const TKGraphicControl& o) {
    const DesignDocument* s = o.document();
    return s ? s->designDialogs() : DesignDialogs::defaultDialogs();
}

// Transparent parts (icons, PNG files) become white, as they show and print.
QImage onWhite(const QImage& image) {
    if (image.isNull()) return {};
    if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

// The black one-pixel frame of the object's area, filled white or not.
void frame(QPainter& p, int w, int h, bool fill) {
    GdiPainter g(p);
    g.setPen(Qt::black);
    g.setBrush(Qt::white, fill ? GdiPainter::bsSolid : GdiPainter::bsClear);
    g.rectangle(0, 0, w, h);
}

}  // namespace

TKImage::TKImage() { setBounds(0, 0, 105, 105); }

void TKImage::setStretch(bool v) {
    stretch_ = v;
    autoSize_ = !v;
    invalidate();
}

void TKImage::setAutoSize(bool v) {
    autoSize_ = v;
    stretch_ = !v;
    applyAutoSize();
    invalidate();
}

void TKImage::setSizing(bool stretch, bool autoSize) {
    stretch_ = stretch;
    autoSize_ = autoSize;
    applyAutoSize();
    invalidate();
}

void TKImage::setBorderStyle(int v) {
    if (v != bsNone && v != bsSingle) return;
    borderStyle_ = v;
    invalidate();
}

void TKImage::setFlip(bool v) {
    flip_ = v;
    invalidate();
}

void TKImage::setReverse(bool v) {
    reverse_ = v;
    invalidate();
}

void TKImage::setPicture(const DesignPicture& p) {
    picture_ = p;
    pictureChanged();
}

void TKImage::pictureChanged() {
    decoded_ = false;
    image_ = QImage();
    metafileSize_ = QSize();
    invalidate();
    applyAutoSize();
}

bool TKImage::isBitmap() const { return !picture_.isEmpty() && picture_.kind == kBitmap; }

bool TKImage::isMetafile() const { return !picture_.isEmpty() && picture_.kind == kMetafile; }

QImage TKImage::pictureImage() const {
    if (!decoded_) {
        decoded_ = true;
        if (!picture_.isEmpty() && (picture_.kind == kBitmap || picture_.kind == kIcon)) {
            QImage img = picture_.toImage();
            if (img.isNull()) {
                const auto file = pictures::decodePicture(picture_.data, picture_.kind == kIcon ? "ico" : "bmp");
                if (file.kind == pictures::PictureKind::Bitmap) img = file.image;
            }
            image_ = onWhite(img);
        } else if (isMetafile()) {
            metafileSize_ = pictures::metafileSize(picture_.data);
        }
    }
    return image_;
}

QSize TKImage::pictureSize() const {
    const QImage img = pictureImage();
    return isMetafile() ? metafileSize_ : img.size();
}

void TKImage::applyAutoSize() {
    if (!autoSize_ || sizing_) return;
    const QSize s = pictureSize();
    if (s.width() <= 0 || s.height() <= 0) return;
    const double z = zoom();
    const int w = roundHalfEven(s.width() * z);
    const int h = roundHalfEven(s.height() * z);
    if (w == width() && h == height()) return;
    sizing_ = true;
    setBounds(left(), top(), w, h);
    sizing_ = false;
}

void TKImage::boundsChanged() {
    TKGraphicControl::boundsChanged();
    applyAutoSize();
}

QImage TKImage::mirrored(const QImage& image, int w, int h, bool flip, bool reverse) {
    if (image.isNull() || w < 1 || h < 1) return {};
    // Pixels are repeated or dropped, as a stretched copy of a bitmap does.
    return image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation).mirrored(reverse, flip);
}

QImage TKImage::screenImage(int w, int h) const {
    QImage img(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    bool drawn = false;
    if (isMetafile()) {
        drawn = pictures::drawMetafile(p, QRectF(0, 0, w, h), picture_.data);
    } else if (const QImage src = pictureImage(); !src.isNull()) {
        if (isBitmap() && (flip_ || reverse_)) p.drawImage(0, 0, mirrored(src, w, h, flip_, reverse_));
        else p.drawImage(QRect(0, 0, w, h), src);
        drawn = true;
    }
    // No picture, or one that cannot be shown: a framed white box keeps the
    // object visible and easy to find.
    if (!drawn) {
        p.fillRect(img.rect(), Qt::white);
        frame(p, w, h, true);
    }
    if (borderStyle_ == bsSingle) frame(p, w, h, false);
    return img;
}

QImage TKImage::printImage(int w, int h) const {
    const QImage src = pictureImage();
    if (src.isNull()) return {};
    if (isBitmap() && (flip_ || reverse_)) return mirrored(src, w, h, flip_, reverse_);
    return src;
}

void TKImage::paint(QPainter& p, const PaintContext&) {
    if (width() < 1 || height() < 1) return;
    p.drawImage(0, 0, screenImage(width(), height()));
}

void TKImage::printAt(printing::PageCanvas& page, double top, double left) {
    const QRectF r = paperRect(top, left);
    const int w = designBounds().width(), h = designBounds().height();
    if (w >= 1 && h >= 1) {
        if (isMetafile()) {
            // Recorded as vectors, so it prints as sharply as the device allows.
            QPicture pic;
            bool drawn = false;
            {
                QPainter p(&pic);
                drawn = pictures::drawMetafile(p, QRectF(0, 0, w, h), picture_.data);
            }
            if (drawn) {
                pic.setBoundingRect(QRect(0, 0, w, h));
                page.drawPicture(r, pic);
            }
        } else if (const QImage img = printImage(w, h); !img.isNull()) {
            page.drawImage(r, img);
        }
    }
    if (borderStyle_ == bsSingle) {
        page.setPen(0x000000, printing::PenStyle::Solid, printing::PenMode::Copy, 1);
        page.setBrush(0xFFFFFF, printing::BrushStyle::Clear);
        page.rectangle(r.left(), r.top(), r.right(), r.bottom());
    }
}

void TKImage::loadImageFromDisk() {
    auto* d = dialogsOf(*this);
    if (!d) return;
    const QString cwd = QDir::currentPath();
    PictureChoice choice;
    choice.stretch = stretch_;
    choice.autoSize = autoSize_;
    const bool ok = d->choosePicture(choice);
    QDir::setCurrent(cwd);
    if (!ok) return;
    // A file that could not be read leaves the picture the object had.
    const bool keep = choice.loadFailed || choice.picture.isEmpty();
    const bool sizing = choice.stretch != stretch_ || choice.autoSize != autoSize_;
    stretch_ = choice.stretch;
    autoSize_ = choice.autoSize;
    if (!keep) {
        picture_ = choice.picture;
        pictureChanged();
    } else {
        invalidate();
        applyAutoSize();
    }
    if (!keep || sizing) changed();
}

void TKImage::addMenuEntries(MenuEntries& menu) {
    TKGraphicControl::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Load Image From Disk"), [this] { loadImageFromDisk(); }));
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::check(QStringLiteral("Border"), borderStyle_ == bsSingle, [this] {
        setBorderStyle(borderStyle_ == bsSingle ? bsNone : bsSingle);
        changed();
    }));
    // Switching the sizing mode changes the design like any other edit.
    menu.push_back(MenuEntry::check(QStringLiteral("Stretch to Fit"), stretch_, [this] {
        setStretch(!stretch_);
        changed();
    }));
    menu.push_back(MenuEntry::check(QStringLiteral("AutoSize"), autoSize_, [this] {
        setAutoSize(!autoSize_);
        changed();
    }));
    const bool bitmap = isBitmap();
    MenuEntry flip = MenuEntry::check(QStringLiteral("Flip"), flip_, [this] {
        if (!isBitmap()) return;
        setFlip(!flip_);
        changed();
    });
    flip.enabled = bitmap;
    menu.push_back(std::move(flip));
    MenuEntry reverse = MenuEntry::check(QStringLiteral("Reverse"), reverse_, [this] {
        if (!isBitmap()) return;
        setReverse(!reverse_);
        changed();
    });
    reverse.enabled = bitmap;
    menu.push_back(std::move(reverse));
}

PropertyList TKImage::ownProperties() {
    using T = TKImage;
    // Design files give Stretch and AutoSize as they were stored, both off included.
    return {
        makeProperty<T>("AutoSize", PropKind::Boolean, 0, [](const T& o) { return qint64(o.autoSize()); },
                        [](T& o, const PropValue& v) { o.setSizing(o.stretch(), intOf(v) != 0); }),
        makeProperty<T>("BorderStyle", PropKind::Enum, std::nullopt, [](const T& o) { return qint64(o.borderStyle()); },
                        [](T& o, const PropValue& v) { o.setBorderStyle(int(intOf(v))); }, {"bsNone", "bsSingle"}),
        makeProperty<T>("Picture", PropKind::Picture, std::nullopt, [](const T& o) { return o.picture(); },
                        [](T& o, const PropValue& v) {
                            if (auto* p = std::get_if<DesignPicture>(&v)) o.setPicture(*p);
                        }),
        makeProperty<T>("Stretch", PropKind::Boolean, 1, [](const T& o) { return qint64(o.stretch()); },
                        [](T& o, const PropValue& v) { o.setSizing(intOf(v) != 0, o.autoSize()); }),
        makeProperty<T>("Reverse", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.reverse()); },
                        [](T& o, const PropValue& v) { o.setReverse(intOf(v) != 0); }),
        makeProperty<T>("Flip", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.flip()); },
                        [](T& o, const PropValue& v) { o.setFlip(intOf(v) != 0); }),
    };
}

}  // namespace brindle::designobjects

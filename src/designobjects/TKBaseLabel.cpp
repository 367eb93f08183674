#include "designobjects/TKBaseLabel.h"

#include <QImage>
#include <QPainter>
#include <QPicture>

#include <algorithm>

#include "designobjects/DesignSurface.h"
#include "designobjects/FontMetrics.h"
#include "designobjects/ObjectEditing.h"
#include "printing/PageCanvas.h"

namespace brindle::designobjects {

TKBaseLabel::TKBaseLabel() { setBounds(0, 0, 142, 33); }

void TKBaseLabel::setAlignment(int a) {
    if (a == alignment_) return;
    alignment_ = a;
    invalidate();
    changed();
}

void TKBaseLabel::setAngle(int degrees) {
    if (degrees != 0 && degrees != 90 && degrees != 180 && degrees != 270) return;
    if (degrees == angle_) return;
    angle_ = degrees;
    if (angle_ != 0) alignment_ = taLeftJustify;
    const bool upright = angle_ == 0 || angle_ == 180;
    if ((upright && width() < height()) || (!upright && width() > height()))
        setBounds(left(), top(), height(), width());
    invalidate();
}

void TKBaseLabel::setCaption(const QString& text) {
    if (text == caption_) return;
    caption_ = text;
    invalidate();
    changed();
}

void TKBaseLabel::setFont(const DesignFont& f) {
    if (f == font_) return;
    font_ = f;
    invalidate();
    changed();
}

void TKBaseLabel::setBorderStyle(int v) {
    if (v == borderStyle_) return;
    borderStyle_ = v;
    invalidate();
    changed();
}

QPoint TKBaseLabel::shadowOffset(int direction, int d) {
    switch (direction) {
    case sdRight: return {d, 0};
    case sdLeft: return {-d, 0};
    case sdDownRight: return {d, d};
    case sdDownLeft: return {-d, d};
    case sdDown: return {0, d};
    default: return {0, 0};
    }
}

QPoint TKBaseLabel::highlightOffset(int direction, int h) {
    switch (direction) {
    case hdRight: return {h, 0};
    case hdLeft: return {-h, 0};
    case hdUpRight: return {h, -h};
    case hdUpLeft: return {-h, -h};
    case hdUp: return {0, -h};
    default: return {0, 0};
    }
}

LabelLayout TKBaseLabel::computeLayout(const LabelLayoutInput& in) {
    LabelLayout out;
    // Depths come from design files; bounding them keeps the sums below from overflowing.
    constexpr int kMaxDepth = 100000;
    const QPoint so = shadowOffset(in.directionShadow, std::clamp(in.depthShadow, -kMaxDepth, kMaxDepth));
    const QPoint ho = highlightOffset(in.directionHighlight, std::clamp(in.depthHighlight, -kMaxDepth, kMaxDepth));
    out.shadowOffset = so;
    out.highlightOffset = ho;
    const int sx = so.x(), sy = so.y(), hx = ho.x(), hy = ho.y();
    const int L = in.lineHeight, tw = in.textWidth;

    // Room on the left and top for copies that reach out that way.
    int mx = sx < 0 ? -sx : 0;
    if (hx < 0) mx = std::max(mx, -hx);
    int my = sy < 0 ? -sy : 0;
    if (hy < 0) my = std::max(my, -hy);
    out.marginX = mx;
    out.marginY = my;

    // The object keeps between one and 1.2 lines of room across the text.
    const int f = L + sy - hy;
    int w = in.width, h = in.height;
    const bool upright = in.angle == 0 || in.angle == 180;
    if (upright) {
        if (in.angle == 180 && 2 * tw < w) w = 2 * tw;
        if (w <= 5) w = tw;
        if (h > 1.2 * f) h = int(1.2 * f);
        if (h < f) h = f;
    } else {
        if (h > 1.2 * tw) h = int(1.2 * tw);
        if (h < 5) h = tw;
        if (w > 1.2 * f) w = int(1.2 * f);
        if (w < f) w = f;
    }
    out.size = QSize(w, h);

    LabelBox r = upright ? LabelBox{mx, my, w, my + L} : LabelBox{my, mx, my + L, h - my};
    const int w1 = r.right - r.left + 1;
    const int h1 = r.bottom - r.top + 1;
    if (in.angle == 90) r = r.moved(0, h - h1 + hx);
    else if (in.angle == 180) r = r.moved(w - w1 - sy, 0);
    out.main = r;

    // Offsets turn with the text.
    auto turn = [&](QPoint o) -> QPoint {
        switch (in.angle) {
        case 90: return {o.y(), -o.x()};
        case 180: return {-o.x(), -o.y()};
        case 270: return {-o.y(), o.x()};
        default: return o;
        }
    };
    const QPoint st = turn(so), ht = turn(ho);
    out.shadow = r.moved(st.x(), st.y());
    out.highlight = r.moved(ht.x(), ht.y());

    auto startOf = [&](const LabelBox& b) -> QPoint {
        switch (in.angle) {
        case 90: return {b.left, b.bottom};
        case 180: return {b.right, b.bottom};
        case 270: return {b.right, b.top};
        default: return {b.left, b.top};
        }
    };
    out.mainStart = startOf(out.main);
    out.shadowStart = startOf(out.shadow);
    out.highlightStart = startOf(out.highlight);
    if (in.angle == 0) {
        int x = r.left;
        if (in.alignment == taRightJustify) x = r.right - tw;
        else if (in.alignment == taCenter) x = (r.right - r.left) / 2 - tw / 2;
        out.mainStart.setX(x);
        out.shadowStart.setX(x + sx);
        out.highlightStart.setX(x + hx);
    }
    return out;
}

LabelLayout TKBaseLabel::layoutFor(float zoom, int w, int h) const {
    const TextMetrics fm(font_, zoom);
    LabelLayoutInput in;
    in.width = w;
    in.height = h;
    in.angle = angle_;
    in.alignment = alignment_;
    in.depthShadow = depthShadow_;
    in.directionShadow = directionShadow_;
    in.depthHighlight = depthHighlight_;
    in.directionHighlight = directionHighlight_;
    in.lineHeight = fm.lineHeight();
    in.textWidth = fm.width((forPaper_ ? paperText() : displayText()) + QLatin1Char(' '));
    return computeLayout(in);
}

void TKBaseLabel::drawText(QPainter& p, float zoom, int w, int h) {
    const LabelLayout lay = layoutFor(zoom, w, h);
    p.save();
    p.setClipRect(QRect(0, 0, w, h), Qt::IntersectClip);
    if (!transparent_) p.fillRect(QRect(0, 0, w, h), toQColor(backColor_));
    const TextMetrics fm(font_, zoom);
    p.setFont(fm.font());
    p.setBackgroundMode(Qt::TransparentMode);
    const QString text = fm.drawable(forPaper_ ? paperText() : displayText());
    // Each copy starts at its start point (the corner of its rectangle the
    // text begins from) with the painter turned counter-clockwise by Angle,
    // clipped to its own rectangle.
    auto drawCopy = [&](const LabelBox& box, QPoint start, QColor colour) {
        p.save();
        p.setClipRect(box.rect(), Qt::IntersectClip);
        p.translate(start);
        if (angle_ != 0) p.rotate(-angle_);
        p.setPen(colour);
        p.drawText(QPointF(0, fm.ascent()), text);
        p.restore();
    };
    if (depthShadow_ > 0 && directionShadow_ != sdNone) drawCopy(lay.shadow, lay.shadowStart, toQColor(colorShadow_));
    if (depthHighlight_ > 0 && directionHighlight_ != hdNone)
        drawCopy(lay.highlight, lay.highlightStart, toQColor(colorHighlight_));
    drawCopy(lay.main, lay.mainStart, toQColor(font_.color));
    p.restore();
    if (borderStyle_ == bsSingle) {
        p.save();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
        p.restore();
    }
}

void TKBaseLabel::applyLayoutSize() {
    // The layout keeps the object between one and 1.2 lines across its text.
    const QSize size = limitedSize(zoom(), width(), height());
    if (size != QSize(width(), height())) setBounds(left(), top(), size.width(), size.height());
}

void TKBaseLabel::paint(QPainter& p, const PaintContext&) {
    applyLayoutSize();
    drawText(p, zoom(), width(), height());
}

void TKBaseLabel::boundsChanged() {
    TKGraphicControl::boundsChanged();
    if (width() < 1 || height() < 1) setBounds(left(), top(), std::max(1, width()), std::max(1, height()));
}

void TKBaseLabel::setCaptionSilently(const QString& text) {
    if (text == caption_) return;
    caption_ = text;
    invalidate();
}

void TKBaseLabel::sizeToFit() {
    if (angle_ != 0) return;
    const LabelLayout lay = layoutFor(zoom(), width(), height());
    const int x0 = std::max({lay.main.left, lay.shadow.left, lay.highlight.left});
    const int y0 = std::max({lay.main.top, lay.shadow.top, lay.highlight.top});
    const TextMetrics fm(font_, zoom());
    const QString text = displayText();
    const int w = x0 + fm.width(text + QStringLiteral("     "));
    const int h = y0 + fm.height();
    if (width() < w || height() < h) setBounds(left(), top(), std::max(width(), w), std::max(height(), h));
}

QPicture TKBaseLabel::renderPicture(bool forPaper) {
    // The object's size at zoom 1.0, whatever it is shown at.
    const int w = designBounds().width();
    const int h = designBounds().height();
    QPicture pic;
    {
        QPainter p(&pic);
        forPaper_ = forPaper;
        drawText(p, 1.0f, w, h);
        forPaper_ = false;
    }
    pic.setBoundingRect(QRect(0, 0, w, h));
    return pic;
}

QSize TKBaseLabel::printSize() {
    // The size at zoom 1.0 after the layout's size limits, which a design that
    // was never shown on screen has not had applied yet.
    const int w = designBounds().width();
    const int h = designBounds().height();
    forPaper_ = true;
    const QSize size = limitedSize(1.0f, w, h);
    forPaper_ = false;
    return size;
}

QPicture TKBaseLabel::renderPaperPicture(QSize size) {
    QPicture pic;
    {
        QPainter p(&pic);
        forPaper_ = true;
        drawText(p, 1.0f, size.width(), size.height());
        forPaper_ = false;
    }
    pic.setBoundingRect(QRect(QPoint(0, 0), size));
    return pic;
}

void TKBaseLabel::printAt(printing::PageCanvas& page, double top, double left) {
    if (width() < 1 || height() < 1) return;
    const QSize size = printSize();
    if (size.width() < 1 || size.height() < 1) return;
    const double ppi = kDesignPpi;
    const double l = left + designBounds().x() / ppi;
    const double t = top + designBounds().y() / ppi;
    const QRectF rect(l, t, size.width() / ppi, size.height() / ppi);
    page.drawPicture(rect, renderPaperPicture(size));
}

PropertyList TKBaseLabel::ownProperties() {
    using T = TKBaseLabel;
    return {
        makeProperty<T>("Alignment", PropKind::Enum, 0, [](const T& o) { return qint64(o.alignment()); },
                        [](T& o, const PropValue& v) { o.setAlignment(int(intOf(v))); },
                        {"taLeftJustify", "taRightJustify", "taCenter"}),
        makeProperty<T>("DepthHighlight", PropKind::Integer, 0, [](const T& o) { return qint64(o.depthHighlight()); },
                        [](T& o, const PropValue& v) { o.setDepthHighlight(int(intOf(v))); }),
        makeProperty<T>("DepthShadow", PropKind::Integer, 0, [](const T& o) { return qint64(o.depthShadow()); },
                        [](T& o, const PropValue& v) { o.setDepthShadow(int(intOf(v))); }),
        makeProperty<T>("DirectionHighlight", PropKind::Enum, 4,
                        [](const T& o) { return qint64(o.directionHighlight()); },
                        [](T& o, const PropValue& v) { o.setDirectionHighlight(int(intOf(v))); },
                        {"hdNone", "hdright", "hdLeft", "hdUpRight", "hdUpLeft", "hdUp"}),
        makeProperty<T>("DirectionShadow", PropKind::Enum, 3, [](const T& o) { return qint64(o.directionShadow()); },
                        [](T& o, const PropValue& v) { o.setDirectionShadow(int(intOf(v))); },
                        {"sdNone", "sdRight", "sdLeft", "sdDownRight", "sdDownLeft", "sdDown"}),
        makeProperty<T>("colorHighlight", PropKind::Color, clAqua, [](const T& o) { return qint64(o.colorHighlight()); },
                        [](T& o, const PropValue& v) { o.setColorHighlight(DesignColor(intOf(v))); }),
        makeProperty<T>("colorShadow", PropKind::Color, clGray, [](const T& o) { return qint64(o.colorShadow()); },
                        [](T& o, const PropValue& v) { o.setColorShadow(DesignColor(intOf(v))); }),
        makeProperty<T>("Angle", PropKind::Integer, 0, [](const T& o) { return qint64(o.angle()); },
                        [](T& o, const PropValue& v) { o.setAngle(int(intOf(v))); }),
        makeProperty<T>("Caption", PropKind::Text, std::nullopt, [](const T& o) { return o.caption(); },
                        [](T& o, const PropValue& v) { o.setCaption(textOf(v)); }),
        makeProperty<T>("Font", PropKind::Font, std::nullopt, [](const T& o) { return o.font(); },
                        [](T& o, const PropValue& v) {
                            if (auto* f = std::get_if<DesignFont>(&v)) o.setFont(*f);
                        }),
        makeProperty<T>("Transparent", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.transparent()); },
                        [](T& o, const PropValue& v) { o.setTransparent(intOf(v) != 0); }),
        makeProperty<T>("BackColor", PropKind::Color, std::nullopt, [](const T& o) { return qint64(o.backColor()); },
                        [](T& o, const PropValue& v) { o.setBackColor(DesignColor(intOf(v))); }),
        makeProperty<T>("BorderStyle", PropKind::Enum, std::nullopt, [](const T& o) { return qint64(o.borderStyle()); },
                        [](T& o, const PropValue& v) { o.setBorderStyle(int(intOf(v))); }, {"bsNone", "bsSingle"}),
    };
}

// ---------------------------------------------------------------- editing

DesignDialogs* TKBaseLabel::dialogs() const { return dialogsFor(this); }

void TKBaseLabel::editFont() {
    auto* d = dialogs();
    if (!d) return;
    if (const auto f = d->chooseFont(font_)) applyFont(*f);
}

Text3DSettings TKBaseLabel::text3DSettings() const {
    Text3DSettings s;
    s.directionShadow = directionShadow_;
    s.depthShadow = depthShadow_;
    s.colorShadow = colorShadow_;
    s.directionHighlight = directionHighlight_;
    s.depthHighlight = depthHighlight_;
    s.colorHighlight = colorHighlight_;
    s.fontColor = font_.color;
    return s;
}

void TKBaseLabel::setText3DSettings(const Text3DSettings& s) {
    directionShadow_ = s.directionShadow;
    depthShadow_ = s.depthShadow;
    colorShadow_ = s.colorShadow;
    directionHighlight_ = s.directionHighlight;
    depthHighlight_ = s.depthHighlight;
    colorHighlight_ = s.colorHighlight;
    font_.color = s.fontColor;
    invalidate();
}

void TKBaseLabel::edit3DEffects() {
    auto* d = dialogs();
    if (!d) return;
    Text3DSettings s = text3DSettings();
    if (!d->edit3DEffects(*this, s)) return;
    setText3DSettings(s);
    changed();
}

void TKBaseLabel::editBackgroundColor() {
    auto* d = dialogs();
    if (!d) return;
    const auto c = d->chooseColor(backColor_);
    if (!c) return;
    backColor_ = *c;
    transparent_ = false;
    invalidate();
    changed();
}

void TKBaseLabel::addMenuEntries(MenuEntries& menu) {
    TKGraphicControl::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Font"), [this] { editFont(); }));
    menu.push_back(MenuEntry::item(QStringLiteral("3D Effects"), [this] { edit3DEffects(); }));
    menu.push_back(alignmentSubmenu(alignment_, [this](int a) { setAlignment(a); }));
    // Switching the background on or off is a change of the design like any other.
    menu.push_back(MenuEntry::item(QStringLiteral("Transparent"), [this] {
        setTransparent(!transparent_);
        changed();
    }));
    menu.push_back(MenuEntry::item(QStringLiteral("Background Color"), [this] { editBackgroundColor(); }));
    menu.push_back(MenuEntry::check(QStringLiteral("Border"), borderStyle_ == bsSingle,
                                    [this] { setBorderStyle(borderStyle_ == bsSingle ? bsNone : bsSingle); }));
}

void TKBaseLabel::addRotationEntries(MenuEntries& menu) {
    auto rotate = [this](int degrees) {
        return [this, degrees] {
            if (degrees == angle_) return;
            setAngle(degrees);
            changed();
        };
    };
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::submenu(
        QStringLiteral("Rotation"),
        {MenuEntry::check(QStringLiteral("No Rotation"), angle_ == 0, rotate(0)),
         MenuEntry::check(QStringLiteral("90 Degrees"), angle_ == 90, rotate(90)),
         MenuEntry::check(QStringLiteral("180 Degrees"), angle_ == 180, rotate(180)),
         MenuEntry::check(QStringLiteral("270 Degrees"), angle_ == 270, rotate(270))}));
}

void TKPLabel::editText() {
    auto* d = dialogs();
    if (!d) return;
    const auto text = d->editText(caption());
    if (!text) return;
    setCaption(*text);
    sizeToFit();
}

void TKPLabel::editFont() {
    TKBaseLabel::editFont();
    sizeToFit();
}

void TKPLabel::addMenuEntries(MenuEntries& menu) {
    TKBaseLabel::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Text"), [this] { editText(); }));
    addRotationEntries(menu);
}

}  // namespace brindle::designobjects

#include "designobjects/TKBaseLabel.h"

#include <QPainter>
#include <QPicture>

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

void TKBaseLabel::drawText(QPainter& p, float zoom, int w, int h) {
    p.save();
    p.setClipRect(QRect(0, 0, w, h));
    if (!transparent_) p.fillRect(QRect(0, 0, w, h), toQColor(backColor_));
    const QFont f = font_.toQFont(zoom);
    p.setFont(f);
    p.setPen(toQColor(font_.color));
    const QString text = displayText();
    // The text cell's top-left corner is the start point; rotation turns the
    // cell counter-clockwise about the corner the text starts from.
    const QFontMetrics fm(f, p.device());
    const int tw = fm.horizontalAdvance(text + QLatin1Char(' '));
    switch (angle_) {
    case 90:
        p.translate(0, h);
        p.rotate(-90);
        break;
    case 180:
        p.translate(w, h);
        p.rotate(180);
        break;
    case 270:
        p.translate(w, 0);
        p.rotate(90);
        break;
    default:
        break;
    }
    int x = 0;
    const int run = (angle_ == 90 || angle_ == 270) ? h : w;
    if (angle_ == 0 && alignment_ == taRightJustify) x = run - tw;
    else if (angle_ == 0 && alignment_ == taCenter) x = run / 2 - tw / 2;
    p.drawText(QPointF(x, fm.ascent()), text);
    p.restore();
    if (borderStyle_ == bsSingle) {
        p.save();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
        p.restore();
    }
}

void TKBaseLabel::paint(QPainter& p, const PaintContext&) { drawText(p, zoom(), width(), height()); }

QPicture TKBaseLabel::renderPicture() {
    // The object's size at zoom 1.0, whatever it is shown at.
    const double back = zoom() == 0.0f ? 1.0 : 1.0 / double(zoom());
    const int w = roundHalfEven(width() * back);
    const int h = roundHalfEven(height() * back);
    QPicture pic;
    {
        QPainter p(&pic);
        drawText(p, 1.0f, w, h);
    }
    pic.setBoundingRect(QRect(0, 0, w, h));
    return pic;
}

void TKBaseLabel::printAt(printing::PageCanvas& page, double top, double left) {
    if (width() < 1 || height() < 1) return;
    page.drawPicture(paperRect(top, left), renderPicture());
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

}  // namespace brindle::designobjects

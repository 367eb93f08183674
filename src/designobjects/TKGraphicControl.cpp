#include "designobjects/TKGraphicControl.h"

#include "designobjects/DesignSurface.h"
#include "printing/PageCanvas.h"

#include <algorithm>

namespace brindle::designobjects {

TKGraphicControl::TKGraphicControl() = default;
TKGraphicControl::~TKGraphicControl() {
    if (auto* s = surface()) s->removeFromLists(this);
}

DesignSurface* TKGraphicControl::surface() const { return qobject_cast<DesignSurface*>(parent()); }

void TKGraphicControl::setBounds(int l, int t, int w, int h) {
    // Far beyond any label or page; keeps the edge arithmetic from overflowing
    // for values read from damaged files.
    static constexpr int kLimit = 1000000;
    auto clamp = [](int v) { return std::clamp(v, -kLimit, kLimit); };
    const QRect r(clamp(l), clamp(t), clamp(w), clamp(h));
    if (r == bounds_) return;
    bounds_ = r;
    boundsChanged();
}

void TKGraphicControl::setVisible(bool v) {
    if (visible_ == v) return;
    visible_ = v;
    invalidate();
}

void TKGraphicControl::setZoom(float x) {
    if (x == zoom_) return;
    const float r = x / zoom_;
    const double rd = r;
    bounds_ = QRect(roundHalfEven(left() * rd), roundHalfEven(top() * rd), roundHalfEven(width() * rd),
                    roundHalfEven(height() * rd));
    zoom_ = x;
    boundsChanged();
}

void TKGraphicControl::paint(QPainter&, const PaintContext&) {}

void TKGraphicControl::boundsChanged() {
    if (inBoundsChanged_) return;
    inBoundsChanged_ = true;
    if (bounds_ != remembered_) {
        changed();
        remembered_ = bounds_;
        if (auto* s = surface()) s->objectBoundsChanged(this);
    }
    inBoundsChanged_ = false;
}

void TKGraphicControl::printAt(printing::PageCanvas&, double, double) {}

QRectF TKGraphicControl::paperRect(double top, double left) const {
    const double ppi = kDesignPpi;
    const double l = left + this->left() / ppi;
    const double t = top + this->top() / ppi;
    const double r = left + (this->left() + width()) / ppi;
    const double b = top + (this->top() + height()) / ppi;
    return QRectF(QPointF(l, t), QPointF(r, b));
}

void TKGraphicControl::changed() {
    if (auto* s = surface()) s->objectChanged(this);
}

void TKGraphicControl::invalidate() {
    if (auto* s = surface()) s->objectNeedsRepaint(this);
}

QString TKGraphicControl::trimLeading(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s[i] == QLatin1Char(' ')) ++i;
    return s.mid(i);
}

QString TKGraphicControl::trimTrailing(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == QLatin1Char(' ')) --n;
    return s.left(n);
}

QString TKGraphicControl::trimBoth(const QString& s) { return trimLeading(trimTrailing(s)); }

PropertyList TKGraphicControl::baseProperties() {
    using T = TKGraphicControl;
    auto setInt = [](void (T::*setter)(int)) {
        return [setter](T& o, const PropValue& v) { (o.*setter)(static_cast<int>(intOf(v))); };
    };
    return {
        makeProperty<T>("Left", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.left()); }, setInt(&T::setLeft)),
        makeProperty<T>("Top", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.top()); }, setInt(&T::setTop)),
        makeProperty<T>("Width", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.width()); }, setInt(&T::setWidth)),
        makeProperty<T>("Height", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.height()); }, setInt(&T::setHeight)),
        makeProperty<T>("Locked", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.locked()); },
                        [](T& o, const PropValue& v) { o.setLocked(intOf(v) != 0); }),
        makeProperty<T>("Unselectable", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.unselectable()); },
                        [](T& o, const PropValue& v) { o.setUnselectable(intOf(v) != 0); }),
    };
}

void TKGraphicControl::addMenuEntries(MenuEntries&) {}

MenuEntries TKGraphicControl::contextMenu() {
    MenuEntries menu;
    addMenuEntries(menu);
    // A menu never starts with a separator.
    while (!menu.empty() && menu.front().isSeparator()) menu.erase(menu.begin());
    return menu;
}

}  // namespace brindle::designobjects

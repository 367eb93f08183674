#include "designobjects/TKGraphicControl.h"

#include "designobjects/DesignSurface.h"
#include "designobjects/Selection.h"
#include "printing/PageCanvas.h"

#include <QPointer>
#include <algorithm>

namespace brindle::designobjects {

TKGraphicControl::TKGraphicControl() = default;
TKGraphicControl::~TKGraphicControl() {
    if (auto* d = document()) d->removeFromLists(this);
}

DesignSurface* TKGraphicControl::surface() const { return qobject_cast<DesignSurface*>(parent()); }
DesignDocument* TKGraphicControl::document() const { return qobject_cast<DesignDocument*>(parent()); }

void TKGraphicControl::setBounds(int l, int t, int w, int h) {
    // Far beyond any label or page; keeps the edge arithmetic from overflowing
    // for values read from damaged files.
    static constexpr int kLimit = 1000000;
    auto clamp = [](int v) { return std::clamp(v, -kLimit, kLimit); };
    const QRect r(clamp(l), clamp(t), clamp(w), clamp(h));
    if (r == bounds_) return;
    bounds_ = r;
    syncDesignBounds();
    // Kinds that fit their size to their content set their bounds again from
    // boundsChanged. Two such rules that disagree (a fit to nothing against a
    // floor of one pixel) would call each other until the stack runs out;
    // past a few nested rounds the change is kept without another round.
    static constexpr int kMaxNestedRounds = 8;
    if (boundsDepth_ >= kMaxNestedRounds) return;
    struct Depth {
        int& d;
        explicit Depth(int& x) : d(x) { ++d; }
        ~Depth() { --d; }
    } depth(boundsDepth_);
    boundsChanged();
}

void TKGraphicControl::setVisible(bool v) {
    if (visible_ == v) return;
    visible_ = v;
    invalidate();
}

namespace {
QRect scaled(const QRect& r, double z) {
    return QRect(roundHalfEven(r.x() * z), roundHalfEven(r.y() * z), roundHalfEven(r.width() * z),
                 roundHalfEven(r.height() * z));
}
}  // namespace

void TKGraphicControl::syncDesignBounds() {
    if (zoom_ == 1.0f || zoom_ == 0.0f) {
        design_ = bounds_;
        return;
    }
    // Kinds that fit their size to the zoom they are shown at set their
    // bounds while a zoom is applied; that is no edit of the design.
    if (rezooming_) return;
    if (auto* d = document(); d && d->zooming()) return;
    const double z = zoom_;
    // Only the values that differ from what the design value shows at this
    // zoom were edited; the others keep their exact design value.
    auto back = [z](int shown, int design) {
        return roundHalfEven(design * z) == shown ? design : roundHalfEven(shown / z);
    };
    design_ = QRect(back(bounds_.x(), design_.x()), back(bounds_.y(), design_.y()),
                    back(bounds_.width(), design_.width()), back(bounds_.height(), design_.height()));
}

void TKGraphicControl::setDesignBounds(const QRect& r) {
    if (zoom_ == 1.0f || zoom_ == 0.0f) {
        setBounds(r);
        return;
    }
    const bool differs = r != design_;
    const QRect shownBefore = bounds_;
    design_ = r;
    const bool was = rezooming_;
    rezooming_ = true;
    setBounds(scaled(r, zoom_));
    rezooming_ = was;
    // A change too small to show at this zoom is still a change of the design.
    if (differs && bounds_ == shownBefore) changed();
}

void TKGraphicControl::setZoom(float x) {
    if (x == zoom_) return;
    zoom_ = x;
    const bool was = rezooming_;
    rezooming_ = true;
    bounds_ = (x == 1.0f || x == 0.0f) ? design_ : scaled(design_, x);
    boundsChanged();
    rezooming_ = was;
    if (zoom_ == 1.0f) design_ = bounds_;
}

void TKGraphicControl::setZoomFactor(float x) {
    zoom_ = x;
    design_ = (x == 1.0f || x == 0.0f) ? bounds_ : scaled(bounds_, 1.0 / double(x));
}

void TKGraphicControl::paint(QPainter&, const PaintContext&) {}

void TKGraphicControl::boundsChanged() {
    if (inBoundsChanged_) return;
    inBoundsChanged_ = true;
    if (bounds_ != remembered_) {
        changed();
        remembered_ = bounds_;
        if (auto* d = document()) d->objectBoundsChanged(this);
    }
    inBoundsChanged_ = false;
}

void TKGraphicControl::printAt(printing::PageCanvas&, double, double) {}

QRectF TKGraphicControl::paperRect(double top, double left) const {
    const double ppi = kDesignPpi;
    // Paper always takes the design's bounds, whatever zoom the object is shown at.
    const QRect& d = design_;
    const double l = left + d.x() / ppi;
    const double t = top + d.y() / ppi;
    const double r = left + (d.x() + d.width()) / ppi;
    const double b = top + (d.y() + d.height()) / ppi;
    return QRectF(QPointF(l, t), QPointF(r, b));
}

void TKGraphicControl::changed() {
    if (auto* d = document()) d->objectChanged(this);
}

void TKGraphicControl::invalidate() {
    if (auto* d = document()) d->objectNeedsRepaint(this);
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
    // The stored values are the design's, at zoom 1.0, whatever zoom the
    // object is shown at.
    auto edge = [](int which) {
        return [which](T& o, const PropValue& v) {
            QRect d = o.designBounds();
            const int x = static_cast<int>(intOf(v));
            switch (which) {
            case 0: d.moveLeft(x); break;
            case 1: d.moveTop(x); break;
            case 2: d.setWidth(x); break;
            default: d.setHeight(x); break;
            }
            o.setDesignBounds(d);
        };
    };
    return {
        makeProperty<T>("Left", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.designBounds().x()); }, edge(0)),
        makeProperty<T>("Top", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.designBounds().y()); }, edge(1)),
        makeProperty<T>("Width", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.designBounds().width()); }, edge(2)),
        makeProperty<T>("Height", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.designBounds().height()); }, edge(3)),
        makeProperty<T>("Locked", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.locked()); },
                        [](T& o, const PropValue& v) { o.setLocked(intOf(v) != 0); }),
        makeProperty<T>("Unselectable", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.unselectable()); },
                        [](T& o, const PropValue& v) { o.setUnselectable(intOf(v) != 0); }),
    };
}

void TKGraphicControl::addMenuEntries(MenuEntries&) {}

void TKGraphicControl::centerVertically() {
    auto* s = surface();
    if (!s) return;
    setBounds(selection::centredVertically(bounds(), s->size()));
    changed();
}

void TKGraphicControl::centerHorizontally() {
    auto* s = surface();
    if (!s) return;
    setBounds(selection::centredHorizontally(bounds(), s->size()));
    changed();
}

MenuEntries TKGraphicControl::contextMenu() {
    MenuEntries menu;
    if (DesignSurface* s = surface()) {
        // The actions may destroy this object (cut, delete); each reaches it
        // through the surface, which checks that it still holds it.
        QPointer<TKGraphicControl> self(this);
        auto on = [s, self](void (DesignSurface::*op)(TKGraphicControl*)) {
            return [s, self, op] {
                if (self) (s->*op)(self.data());
            };
        };
        menu.push_back(MenuEntry::item(QStringLiteral("Bring To Front"), on(&DesignSurface::bringToFront)));
        menu.push_back(MenuEntry::item(QStringLiteral("Send To Back"), on(&DesignSurface::sendToBack)));
        menu.push_back(MenuEntry::item(QStringLiteral("Cut"), on(&DesignSurface::cut)));
        menu.push_back(MenuEntry::item(QStringLiteral("Copy"), on(&DesignSurface::copy)));
        menu.push_back(MenuEntry::item(QStringLiteral("Delete"), on(&DesignSurface::remove)));
        menu.push_back(MenuEntry::item(QStringLiteral("Clone"), [s, self] {
            if (self) s->clone(self.data());
        }));
        menu.push_back(MenuEntry::separator());
        // Locking and selectability are stored with the design: a change of it.
        menu.push_back(MenuEntry::check(QStringLiteral("Locked"), locked_, [self] {
            if (!self) return;
            self->setLocked(!self->locked());
            self->changed();
        }));
        menu.push_back(MenuEntry::item(QStringLiteral("Unselectable"), [s, self] {
            if (!self) return;
            self->setUnselectable(true);
            s->deselect(self.data());
            self->changed();
        }));
        menu.push_back(MenuEntry::separator());
        menu.push_back(MenuEntry::item(QStringLiteral("Center Vertically"), [self] {
            if (self) self->centerVertically();
        }));
        menu.push_back(MenuEntry::item(QStringLiteral("Center Horizontally"), [self] {
            if (self) self->centerHorizontally();
        }));
    }
    MenuEntries own;
    addMenuEntries(own);
    if (!menu.empty() && !own.empty() && !own.front().isSeparator()) menu.push_back(MenuEntry::separator());
    menu.insert(menu.end(), own.begin(), own.end());
    // A menu never starts with a separator.
    while (!menu.empty() && menu.front().isSeparator()) menu.erase(menu.begin());
    return menu;
}

}  // namespace brindle::designobjects

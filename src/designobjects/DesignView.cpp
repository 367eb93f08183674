#include "designobjects/DesignView.h"

#include <QString>
#include <algorithm>

#include "designobjects/DesignDocument.h"
#include "designobjects/DesignTypes.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::designobjects {

int DesignView::shown(int design) const {
    return zoom_ == 1.0f || zoom_ == 0.0f ? design : roundHalfEven(design * double(zoom_));
}

QRect DesignView::shown(const QRect& d) const {
    return QRect(shown(d.x()), shown(d.y()), shown(d.width()), shown(d.height()));
}

int DesignView::design(int s) const {
    return zoom_ == 1.0f || zoom_ == 0.0f ? s : roundHalfEven(s / double(zoom_));
}

QSize DesignView::shownSize() const {
    const QSize d = document_.designSize();
    return {shown(d.width()), shown(d.height())};
}

bool DesignView::isSelected(const TKGraphicControl* o) const {
    return std::find(selection_.begin(), selection_.end(), o) != selection_.end();
}

TKGraphicControl* DesignView::selectedObjectAt(const QPoint& p) const {
    for (auto* o : selection_)
        if (o->bounds().adjusted(-2, -2, 2, 2).contains(p)) return o;
    return nullptr;
}

QRect DesignView::overlayRect() const {
    std::vector<QRect> bounds;
    bounds.reserve(selection_.size());
    for (auto* o : selection_) bounds.push_back(o->bounds());
    return selection::overlayFor(bounds);
}

std::vector<TKGraphicControl*> DesignView::objectsInRect(const QRect& rect) const {
    std::vector<TKGraphicControl*> out;
    for (auto* o : document_.objects())
        if (o->bounds().intersects(rect)) out.push_back(o);
    return out;
}

TKGraphicControl* DesignView::objectAt(const QPoint& p) const {
    const auto& objects = document_.objects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if ((*it)->visible() && (*it)->bounds().contains(p)) return *it;
    return nullptr;
}

}  // namespace brindle::designobjects

#include "designer/DesignHistory.h"

#include <QTimer>
#include <algorithm>

#include "designobjects/DesignStream.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/TKGraphicControl.h"
#include "designobjects/TKLabelObjectFiler.h"

namespace brindle::designer {

using designobjects::DesignSurface;

DesignHistory::DesignHistory(DesignSurface& surface, QObject* parent) : QObject(parent), surface_(surface) {
    states_.push_back(snapshot());
    connect(&surface_, &DesignSurface::labelChanged, this, [this] {
        if (restoring_ || pending_) return;
        // One step for everything that changes before control returns to the
        // event loop.
        pending_ = true;
        QTimer::singleShot(0, this, [this] {
            if (pending_) commit();
        });
    });
}

QByteArray DesignHistory::snapshot() {
    // The stored form holds bounds at zoom 1.0; bringing the surface there and
    // back is exact, as shown bounds derive from the design bounds.
    // Record data are left out as a saved design leaves them out.
    auto& s = surface_;
    const bool was = restoring_;
    restoring_ = true;
    const float zoom = s.zoom();
    if (zoom != 1.0f) s.setZoom(1.0f);
    for (auto* o : std::vector<designobjects::TKGraphicControl*>(s.objects())) o->clearDataText();
    std::vector<const designobjects::TKGraphicControl*> objects(s.objects().begin(), s.objects().end());
    QByteArray bytes = designobjects::TKLabelObjectFiler::encode(objects);
    QStringList names;
    for (const auto* o : objects) names << o->objectName();
    names_[bytes] = names;
    s.refreshData();
    if (zoom != 1.0f) s.setZoom(zoom);
    restoring_ = was;
    return bytes;
}

void DesignHistory::commit() {
    pending_ = false;
    QByteArray now = snapshot();
    if (!states_.empty() && states_.back() == now) return;
    states_.push_back(std::move(now));
    if (states_.size() > kMaxSteps + 1) states_.erase(states_.begin());
    redo_.clear();
    forgetUnusedNames();
}

void DesignHistory::reset() {
    pending_ = false;
    states_.assign(1, snapshot());
    redo_.clear();
    forgetUnusedNames();
}

void DesignHistory::forgetUnusedNames() {
    for (auto it = names_.begin(); it != names_.end();) {
        const bool used = std::find(states_.begin(), states_.end(), it->first) != states_.end() ||
                          std::find(redo_.begin(), redo_.end(), it->first) != redo_.end();
        it = used ? std::next(it) : names_.erase(it);
    }
}

void DesignHistory::restore(const QByteArray& bytes) {
    restoring_ = true;
    const float zoom = surface_.zoom();
    if (zoom != 1.0f) surface_.setZoom(1.0f);
    surface_.clearObjects();
    try {
        designobjects::DesignReader r(bytes);
        designobjects::TKLabelObjectFiler().readObjectList(r, nullptr, surface_);
    } catch (const designobjects::DesignFileError&) {
        // Our own bytes; the objects read so far stay.
    }
    // Reading numbers the objects afresh; they take back the names they had.
    const auto it = names_.find(bytes);
    if (it != names_.end()) {
        const auto& objects = surface_.objects();
        for (std::size_t i = 0; i < objects.size() && i < std::size_t(it->second.size()); ++i)
            objects[i]->setObjectName(it->second[qsizetype(i)]);
    }
    if (zoom != 1.0f) surface_.setZoom(zoom);
    surface_.refreshData();
    restoring_ = false;
    emit surface_.repaintNeeded({});
    emit restored();
}

bool DesignHistory::undo() {
    if (pending_) commit();
    if (!canUndo()) return false;
    redo_.push_back(std::move(states_.back()));
    states_.pop_back();
    restore(states_.back());
    return true;
}

bool DesignHistory::redo() {
    if (pending_) commit();
    if (!canRedo()) return false;
    states_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    restore(states_.back());
    return true;
}

}  // namespace brindle::designer

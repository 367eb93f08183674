#include "designer/DesignHistory.h"

#include <QTimer>

#include "designobjects/DesignDocument.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::designer {

using designobjects::DesignDocument;

DesignHistory::DesignHistory(DesignDocument& document, QObject* parent) : QObject(parent), document_(document) {
    states_.push_back(capture());
    connect(&document_, &DesignDocument::labelChanged, this, [this] { noteChange(); });
}

void DesignHistory::setSideState(SideState side) {
    side_ = std::move(side);
    reset();
}

DesignHistory::State DesignHistory::capture() {
    // The stored form holds the design's bounds at zoom 1.0, whatever it is
    // shown at; record data are left out as a saved design leaves them out.
    const bool was = restoring_;
    restoring_ = true;
    State s;
    s.design = document_.snapshotBytes();
    for (const auto* o : document_.objects()) s.names << o->objectName();
    if (side_.get) s.side = side_.get();
    restoring_ = was;
    return s;
}

bool DesignHistory::same(const State& a, const State& b) const {
    if (a.design != b.design) return false;
    if (!side_.same) return true;
    return side_.same(a.side, b.side);
}

void DesignHistory::schedule() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (pending_) commit();
    });
}

void DesignHistory::noteChange(const QString& run) {
    if (restoring_) return;
    // A change of another kind joining a pending one ends the run.
    pendingRun_ = pending_ && pendingRun_ != run ? QString() : run;
    schedule();
}

void DesignHistory::commit() {
    pending_ = false;
    State now = capture();
    now.run = pendingRun_;
    pendingRun_.clear();
    if (!states_.empty() && same(states_.back(), now)) return;
    // The next keystroke of a run replaces the step the run began.
    const bool continuesRun = !now.run.isEmpty() && states_.size() > 1 && states_.back().run == now.run &&
                              redo_.empty();
    if (continuesRun) states_.back() = std::move(now);
    else states_.push_back(std::move(now));
    if (states_.size() > kMaxSteps + 1) states_.erase(states_.begin());
    redo_.clear();
}

void DesignHistory::reset() {
    pending_ = false;
    pendingRun_.clear();
    states_.assign(1, capture());
    redo_.clear();
}

void DesignHistory::restore(const State& s) {
    restoring_ = true;
    document_.replaceObjects(s.design, s.names);
    if (side_.set && s.side.has_value()) side_.set(s.side);
    restoring_ = false;
    emit restored();
}

bool DesignHistory::undo() {
    if (pending_) commit();
    if (!canUndo()) return false;
    redo_.push_back(std::move(states_.back()));
    states_.pop_back();
    // A run ends where undo went back to.
    states_.back().run.clear();
    restore(states_.back());
    return true;
}

bool DesignHistory::redo() {
    if (pending_) commit();
    if (!canRedo()) return false;
    states_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    states_.back().run.clear();
    restore(states_.back());
    return true;
}

}  // namespace brindle::designer

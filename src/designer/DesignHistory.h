#pragma once
// Undo and redo for a design surface. After each change of the design the
// whole design is kept as it would be stored (bounds at zoom 1.0), so that
// undo and redo bring back exactly the objects of an earlier state, at
// whatever zoom the surface is shown. Changes that arrive together (a drag,
// a paste of several objects) become one step.
#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <map>
#include <vector>

namespace brindle::designobjects {
class DesignSurface;
}

namespace brindle::designer {

class DesignHistory : public QObject {
    Q_OBJECT
public:
    // Keeps the surface's current design as the first state.
    explicit DesignHistory(designobjects::DesignSurface& surface, QObject* parent = nullptr);

    // Takes the design as the state to return to (after a change has settled;
    // the surface's change notification schedules it by itself).
    void commit();
    // Forgets every step; the current design is the first state.
    void reset();
    bool canUndo() const { return states_.size() > 1; }
    bool canRedo() const { return !redo_.empty(); }
    // False when there was nothing to undo or redo.
    bool undo();
    bool redo();
    // At most this many steps are kept.
    static constexpr std::size_t kMaxSteps = 100;

signals:
    // After undo or redo changed the design.
    void restored();

private:
    QByteArray snapshot();
    void restore(const QByteArray& bytes);
    void forgetUnusedNames();

    designobjects::DesignSurface& surface_;
    std::vector<QByteArray> states_;  // oldest first; the last is the design now
    std::vector<QByteArray> redo_;
    std::map<QByteArray, QStringList> names_;  // object names of each kept state
    bool restoring_ = false;
    bool pending_ = false;
};

}  // namespace brindle::designer

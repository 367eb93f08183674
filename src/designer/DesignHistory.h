#pragma once
// Undo and redo for a design. After each change the whole design is kept as
// the document stores it (bounds at zoom 1.0), together with what the
// designer keeps beside the design (a label's stock and description), so
// that undo and redo bring back exactly an earlier state at whatever zoom
// the design is shown. Changes that arrive together (a drag, a paste of
// several objects, a layout change with the objects it pulled inside) become
// one step; a run of edits of the same kind (typing a description) is one.
#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <any>
#include <functional>
#include <map>
#include <vector>

namespace brindle::designobjects {
class DesignDocument;
}

namespace brindle::designer {

class DesignHistory : public QObject {
    Q_OBJECT
public:
    // What the designer keeps beside the design: read, put back, compared.
    struct SideState {
        std::function<std::any()> get;
        std::function<void(const std::any&)> set;
        std::function<bool(const std::any&, const std::any&)> same;
    };

    // Keeps the document's current design as the first state.
    explicit DesignHistory(designobjects::DesignDocument& document, QObject* parent = nullptr);

    // Takes part in every state from now on; the present state is the first.
    void setSideState(SideState side);
    // A change outside the objects: a step once control returns to the event
    // loop. Changes with the same non-empty `run` following each other
    // (typing) make one step.
    void noteChange(const QString& run = {});
    // Takes the present state as the state to return to.
    void commit();
    // Forgets every step; the present state is the first.
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
    struct State {
        QByteArray design;
        QStringList names;  // object names, given back on restore
        std::any side;
        QString run;
    };
    State capture();
    bool same(const State& a, const State& b) const;
    void restore(const State& s);
    void schedule();

    designobjects::DesignDocument& document_;
    SideState side_;
    std::vector<State> states_;  // oldest first; the last is the present
    std::vector<State> redo_;
    QString pendingRun_;
    bool restoring_ = false;
    bool pending_ = false;
};

}  // namespace brindle::designer

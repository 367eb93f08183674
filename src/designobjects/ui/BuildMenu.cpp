#include "designobjects/ui/BuildMenu.h"

#include <QMenu>

namespace brindle::designobjects {

namespace {

void fill(QMenu* menu, const MenuEntries& entries) {
    bool separatorPending = false;
    for (const MenuEntry& e : entries) {
        if (e.isSeparator()) {
            separatorPending = !menu->actions().isEmpty();
            continue;
        }
        if (separatorPending) menu->addSeparator();
        separatorPending = false;
        if (!e.children.empty()) {
            QMenu* sub = menu->addMenu(e.caption);
            fill(sub, e.children);
            sub->setEnabled(e.enabled && !sub->actions().isEmpty());
            continue;
        }
        QAction* a = menu->addAction(e.caption);
        a->setCheckable(e.checkable);
        a->setChecked(e.checkable && e.checked);
        if (e.action && e.enabled) {
            // The action keeps its own copy: the entries may be gone when it runs.
            QObject::connect(a, &QAction::triggered, a, [run = e.action] { run(); });
        } else {
            a->setEnabled(false);
        }
    }
}

}  // namespace

QMenu* buildMenu(const MenuEntries& entries, QWidget* parent) {
    auto* menu = new QMenu(parent);
    fill(menu, entries);
    return menu;
}

}  // namespace brindle::designobjects

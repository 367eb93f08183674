#pragma once
// Turns an object's context menu (plain data, DesignMenu.h) into a QMenu:
// check marks, submenus and separators, each action running its entry.
#include "designobjects/DesignMenu.h"

class QMenu;
class QWidget;

namespace brindle::designobjects {

// A new menu owned by `parent`. Separators never lead, trail or follow each
// other; an entry without an action (and without a submenu) is shown disabled.
QMenu* buildMenu(const MenuEntries& entries, QWidget* parent);

}  // namespace brindle::designobjects

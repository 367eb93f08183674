#pragma once
// Editing steps shared by several object kinds: where an object's dialogs
// come from, binding a data object to a field through "Select Field", and
// the "Alignment" submenu of text objects.
#include <QString>
#include <functional>

#include "designobjects/DesignMenu.h"

namespace brindle::designobjects {

class DesignDialogs;
class TKGraphicControl;

// The dialogs of the object's surface, or the process-wide ones.
DesignDialogs* dialogsFor(const TKGraphicControl* o);

// "Select Field" over the bindable fields of the object's surface (memo
// fields for memo objects, else the string fields). On OK the choice goes
// into `name` and `label` and the object reports a change; either way the
// surface then refreshes its data objects.
void chooseBoundField(TKGraphicControl& o, bool memo, QString& name, QString& label);

// "Alignment" with "Left", "Center", "Right" (values 0 left, 1 right, 2 centre).
MenuEntry alignmentSubmenu(int current, const std::function<void(int)>& set);

}  // namespace brindle::designobjects

#pragma once
// The utilities area's part of the main window: "Check && Repair
// &Duplicates", "Con&vert Case", "&Search && Replace Field Values" and
// "Delete &Records", attached to their command rows.
#include "commands/Command.h"

namespace brindle::utilities::ui {

void attachUtilitiesCommands(commands::CommandRegistry& registry);

}  // namespace brindle::utilities::ui

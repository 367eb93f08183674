#pragma once
// The utilities area's part of the main window: "Check && Repair
// &Duplicates", attached to its command row.
#include "commands/Command.h"

namespace brindle::utilities::ui {

void attachUtilitiesCommands(commands::CommandRegistry& registry);

}  // namespace brindle::utilities::ui

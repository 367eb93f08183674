#pragma once
// The mailing area's part of the main window: "Check && Repair &State and
// Zip Codes" and "Count &Zip Codes", attached to their command rows.
#include "commands/Command.h"

namespace brindle::mailing::ui {

void attachMailingCommands(commands::CommandRegistry& registry);

// The state file's path in the program's sysdata folder (found ignoring
// letter case); empty when there is none.
QString stateFilePath();

}  // namespace brindle::mailing::ui

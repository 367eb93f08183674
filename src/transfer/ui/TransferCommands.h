#pragma once
// The transfer area's part of the main window: the imports and the export,
// attached to their rows of the File menu.
#include "commands/Command.h"

namespace brindle::transfer::ui {

// "Import from &DBF File", "Import from &ASCII File", the two older-version
// imports, and "&Export ".
void attachTransferCommands(commands::CommandRegistry& registry);

}  // namespace brindle::transfer::ui

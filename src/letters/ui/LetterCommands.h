#pragma once
// The letters' part of the main window: the work behind "Print Le&tters" and
// the "Letters" button.
#include "commands/Command.h"

namespace brindle::letters::ui {

// Opens "Print Letters" on LETTER.DBF, framed by the gateway that puts the
// address file's filter, order and record back afterwards.
void attachLetterCommands(commands::CommandRegistry& registry);

}  // namespace brindle::letters::ui

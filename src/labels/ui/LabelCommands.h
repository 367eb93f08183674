#pragma once
// The labels' part of the main window: the work behind "Print &Labels" and
// the "Labels" button.
#include "commands/Command.h"

namespace brindle::labels::ui {

// Opens "Print Labels" on LABEL.DBF, framed by the gateway that puts the
// address file's filter, order and record back afterwards.
void attachLabelCommands(commands::CommandRegistry& registry);

}  // namespace brindle::labels::ui

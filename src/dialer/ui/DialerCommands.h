#pragma once
// The dialer's part of the main window: the work behind "Dial Phone &1" and
// "Dial Phone &2", attached to their command rows.
#include "commands/Command.h"

namespace brindle::address::ui {

// Opens the dialer window with the current record's PHONE (dial1) or PHONE2
// (dial2) number.
void attachDialerCommands(commands::CommandRegistry& registry);

}  // namespace brindle::address::ui

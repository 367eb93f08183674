#pragma once
// The main window's command rows with every built feature's work attached:
// adding a feature means one call here.
#include "commands/Command.h"

namespace brindle::app {

commands::CommandRegistry programCommands();

}  // namespace brindle::app

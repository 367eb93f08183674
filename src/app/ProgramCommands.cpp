#include "app/ProgramCommands.h"

#include "dialer/ui/DialerCommands.h"

namespace brindle::app {

commands::CommandRegistry programCommands() {
    commands::CommandRegistry registry = commands::mainWindowCommands();
    address::ui::attachDialerCommands(registry);
    return registry;
}

}  // namespace brindle::app

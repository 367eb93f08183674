#include "app/ProgramCommands.h"

#include "dialer/ui/DialerCommands.h"
#include "transfer/ui/TransferCommands.h"
#include "labels/ui/LabelCommands.h"
#include "letters/ui/LetterCommands.h"
#include "envelopes/ui/EnvelopeCommands.h"
#include "mailing/ui/MailingCommands.h"
#include "utilities/ui/UtilitiesCommands.h"

namespace brindle::app {

commands::CommandRegistry programCommands() {
    commands::CommandRegistry registry = commands::mainWindowCommands();
    address::ui::attachDialerCommands(registry);
    transfer::ui::attachTransferCommands(registry);
    labels::ui::attachLabelCommands(registry);
    letters::ui::attachLetterCommands(registry);
    envelopes::ui::attachEnvelopeCommands(registry);
    mailing::ui::attachMailingCommands(registry);
    utilities::ui::attachUtilitiesCommands(registry);
    return registry;
}

}  // namespace brindle::app

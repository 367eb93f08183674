#pragma once
// The envelopes' part of the main window: "Print &Envelopes" and its
// "Envelopes" button open the "Print Envelope" window.
#include "commands/Command.h"

namespace brindle::envelopes::ui {

void attachEnvelopeCommands(commands::CommandRegistry& registry);

}  // namespace brindle::envelopes::ui

#include "envelopes/ui/EnvelopeCommands.h"

#include "address/AddressFile.h"
#include "address/GatewayScope.h"
#include "common/Common.h"
#include "envelopes/ui/TBREnvelopes.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "store/Table.h"

namespace brindle::envelopes::ui {

void attachEnvelopeCommands(commands::CommandRegistry& registry) {
    registry.attach(QStringLiteral("printEnvelopes"), [](commands::CommandContext& c) {
        if (!printer::printerReady(*c.dialogs)) return;
        // Envelopes need records to print from.
        if (!c.file->isOpen() || c.file->filterCount() == 0) return;
        address::GatewayScope scope(*c.session, {.extraFields = true});
        // The envelope printer, paper and orientation are set on the current
        // printer; the earlier printer is put back when the window closes.
        printer::PrinterScope printerScope(printer::CurrentPrinter::instance());
        const std::unique_ptr<store::Table> table = EnvelopeSetupList::openEnvelopeTable(*c.dialogs);
        if (!table) return;
        TBREnvelopes window(*table, common::sysdataDir(), common::settingsPath(), *c.dialogs, c.window);
        window.setAddressFile(c.file);
        window.execCentred(c.window);
    });
}

}  // namespace brindle::envelopes::ui

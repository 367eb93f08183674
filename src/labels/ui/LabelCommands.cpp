#include "labels/ui/LabelCommands.h"

#include "address/AddressFile.h"
#include "address/GatewayScope.h"
#include "common/Common.h"
#include "labels/ui/TLabelSetupScreen.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "store/Table.h"

namespace brindle::labels::ui {

void attachLabelCommands(commands::CommandRegistry& registry) {
    registry.attach(QStringLiteral("printLabels"), [](commands::CommandContext& c) {
        if (!printer::printerReady(*c.dialogs)) return;
        // Labels need records to print from.
        if (!c.file->isOpen() || c.file->filterCount() == 0) return;
        address::GatewayScope scope(*c.session, {.extraFields = true});
        // The printer chosen for labels is put back when the window closes.
        printer::PrinterScope printerScope(printer::CurrentPrinter::instance());
        const std::unique_ptr<store::Table> table = LabelSetupList::openLabelTable(*c.dialogs);
        if (!table) return;
        TLabelSetupScreen window(*table, common::sysdataDir(), *c.dialogs, c.window);
        window.setAddressFile(c.file);
        window.execCentred(c.window);
    });
}

}  // namespace brindle::labels::ui

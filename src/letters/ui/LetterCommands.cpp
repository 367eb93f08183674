#include "letters/ui/LetterCommands.h"

#include "address/AddressFile.h"
#include "address/GatewayScope.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "letters/ui/TBRLetters.h"
#include "printer/Printers.h"
#include "store/Table.h"

namespace brindle::letters::ui {

void attachLetterCommands(commands::CommandRegistry& registry) {
    registry.attach(QStringLiteral("printLetters"), [](commands::CommandContext& c) {
        if (!printer::printerReady(*c.dialogs)) return;
        // Letters need records to merge with.
        if (!c.file->isOpen() || c.file->filterCount() == 0) return;
        const bool filterSet = c.file->filterSet();
        address::GatewayScope scope(*c.session, {.extraFields = true});
        const std::unique_ptr<store::Table> table = LetterList::openLetterTable(*c.dialogs);
        if (!table) return;
        common::ProfileFile settings(common::settingsPath());
        TBRLetters window(*table, *c.dialogs, settings, filterSet, c.window);
        window.execCentred(c.window);
    });
}

}  // namespace brindle::letters::ui

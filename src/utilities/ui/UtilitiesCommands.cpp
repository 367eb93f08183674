#include "utilities/ui/UtilitiesCommands.h"

#include <QDir>
#include <QFile>

#include "address/AddressFile.h"
#include "address/GatewayScope.h"
#include "address/RecordSession.h"
#include "common/Common.h"
#include "store/Table.h"
#include "utilities/DuplicateCheck.h"
#include "utilities/ui/BulkEditWindows.h"
#include "utilities/ui/TDupCheck.h"

namespace brindle::utilities::ui {

void attachUtilitiesCommands(commands::CommandRegistry& registry) {
    registry.attach(QStringLiteral("checkDuplicates"), [](commands::CommandContext& c) {
        if (!c.file->isOpen()) return;
        const QString folder = common::programDir();
        {
            // Filter, order, record and display updates come back on every way out.
            address::GatewayScope scope(*c.session, {.bulkOperation = true});
            c.file->table()->setFilter("!ISDEL");
            TDupCheck window(*c.session, *c.dialogs, folder, c.window);
            window.execCentred(c.window);
        }
        QFile::remove(QDir(folder).filePath(QString::fromLatin1(kDuplicateIndexName)));
    });
    registry.attach(QStringLiteral("convertCase"), [](commands::CommandContext& c) {
        if (!c.file->isOpen()) return;
        // Filter, order, record and display updates come back on every way out.
        address::GatewayScope scope(*c.session, {.bulkOperation = true});
        TConvertToUpper window(*c.file, *c.dialogs, c.window);
        window.execCentred(c.window);
    });
    // Both change which records the filter shows: afterwards the main
    // window's filter is applied again (dropped when nothing matches any
    // more) and the first record becomes current.
    const auto reapplyAfter = [](commands::CommandContext& c, auto&& runWindow) {
        if (!c.file->isOpen()) return;
        address::GatewayScope scope(*c.session, {.bulkOperation = true, .restoreRecord = false, .restoreFilter = false});
        runWindow();
        if (c.file->isOpen()) {
            c.file->dataChanged();
            c.file->applyQuery();
            c.file->table()->first();
        }
    };
    registry.attach(QStringLiteral("searchReplace"), [reapplyAfter](commands::CommandContext& c) {
        reapplyAfter(c, [&] {
            TSearchAndReplace window(*c.file, *c.dialogs, c.window);
            window.execCentred(c.window);
        });
    });
    registry.attach(QStringLiteral("deleteRecords"), [reapplyAfter](commands::CommandContext& c) {
        reapplyAfter(c, [&] {
            TDeleteRecords window(*c.file, *c.dialogs, c.window);
            window.execCentred(c.window);
        });
    });
}

}  // namespace brindle::utilities::ui

#include "utilities/ui/UtilitiesCommands.h"

#include <QDir>
#include <QFile>

#include "address/AddressFile.h"
#include "address/GatewayScope.h"
#include "address/RecordSession.h"
#include "common/Common.h"
#include "store/Table.h"
#include "utilities/DuplicateCheck.h"
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
}

}  // namespace brindle::utilities::ui

#include "mailing/ui/MailingCommands.h"

#include <QDir>

#include "address/AddressFile.h"
#include "address/GatewayScope.h"
#include "address/RecordSession.h"
#include "common/Common.h"
#include "common/SystemTables.h"
#include "common/UserDialogs.h"
#include "mailing/StateZipSession.h"
#include "mailing/ui/TStateZipCheck.h"
#include "mailing/ui/ZipCountWindows.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "store/Table.h"

namespace brindle::mailing::ui {

QString stateFilePath() {
    const QDir sysdata(common::sysdataDir());
    for (const QString& name : sysdata.entryList(QDir::Files))
        if (name.compare(QStringLiteral("CSZ.DBF"), Qt::CaseInsensitive) == 0) return sysdata.filePath(name);
    return {};
}

void attachMailingCommands(commands::CommandRegistry& registry) {
    registry.attach(QStringLiteral("checkStateZip"), [](commands::CommandContext& c) {
        if (!c.file->isOpen()) return;
        if (stateFilePath().isEmpty()) {
            c.dialogs->showInfo(QString::fromLatin1(kCszRemovedMessage));
            return;
        }
        // Filter, order, record and display updates come back on every way out.
        address::GatewayScope scope(*c.session, {.bulkOperation = true});
        c.file->table()->setFilter("!ISDEL");
        TStateZipCheck window(*c.session, *c.dialogs, common::openCszTable, c.window);
        window.execCentred(c.window);
    });
    registry.attach(QStringLiteral("countZip"), [](commands::CommandContext& c) {
        if (!c.file->isOpen()) return;
        if (!printer::printerReady(*c.dialogs)) return;
        // The count walks the main window's record set (its filter) in record
        // order; order, record and display updates come back afterwards.
        address::GatewayScope scope(*c.session, {});
        printer::PrinterScope printerScope(printer::CurrentPrinter::instance());
        TCountZipCodes window(*c.file->table(), *c.dialogs, c.file->settingsPath(), c.window);
        window.execCentred(c.window);
    });
}

}  // namespace brindle::mailing::ui

#include "transfer/ui/TransferCommands.h"

#include <QDir>
#include <memory>

#include "address/AddressFile.h"
#include "address/GatewayScope.h"
#include "address/RecordSession.h"
#include "common/Common.h"
#include "common/UserDialogs.h"
#include "store/Table.h"
#include "transfer/ui/ImportWindows.h"
#include "transfer/ui/TCopyOut.h"

namespace brindle::transfer::ui {

namespace {

bool needsOpenFile(commands::CommandContext& c) {
    if (c.file->isOpen()) return true;
    c.dialogs->showInfo(QStringLiteral("You need to have a database file open first"));
    return false;
}

// The main window lets go of the address file and the import opens it alone;
// afterwards the window has it back with its order, and shows the first record.
template <typename MakeWindow>
void runImportWindow(commands::CommandContext& c, MakeWindow makeWindow) {
    if (!needsOpenFile(c)) return;
    const QString path = c.file->currentFilePath();
    const QString cwd = QDir::currentPath();
    {
        address::GatewayScope scope(*c.session, {.bulkOperation = true, .restoreRecord = false});
        c.file->close();
        std::unique_ptr<store::Table> table;
        try {
            table = store::Table::open(path.toStdString(), store::OpenMode::Exclusive);
            table->setHideDeleted(true);
        } catch (const std::exception&) {
            c.dialogs->showInfo(QStringLiteral("Unknown error. Unable to do ASCII import at this time"));
            return;
        }
        auto window = makeWindow(*table, path);
        window->execCentred(c.window);
        window.reset();
        table->close();
    }
    QDir::setCurrent(cwd);
    c.file->dataChanged();
    if (c.file->isOpen()) c.file->first();
    c.file->refresh();
}

}  // namespace

void attachTransferCommands(commands::CommandRegistry& registry) {
    registry.attach(QStringLiteral("importAscii"), [](commands::CommandContext& c) {
        runImportWindow(c, [&c](store::Table& t, const QString&) {
            return std::make_unique<TAsciiImport>(t, *c.dialogs, c.window);
        });
    });
    registry.attach(QStringLiteral("importDbf"), [](commands::CommandContext& c) {
        runImportWindow(c, [&c](store::Table& t, const QString& path) {
            return std::make_unique<TDBFImport>(t, path, *c.dialogs, c.window);
        });
    });
    for (const auto& [id, generation] : {std::pair{"importOld1", Generation::V1}, std::pair{"importOld2", Generation::V2}}) {
        const Generation g = generation;
        registry.attach(QString::fromLatin1(id), [g](commands::CommandContext& c) {
            // The main window's filter is cleared while the records come in.
            if (c.file->isOpen()) c.file->clearQueryVars();
            runImportWindow(c, [&c, g](store::Table& t, const QString& path) {
                return std::make_unique<TImportOlder>(t, path, g, *c.dialogs, c.window);
            });
            if (c.file->isOpen()) c.file->applyQuery();
        });
    }
    registry.attach(QStringLiteral("export"), [](commands::CommandContext& c) {
        if (!needsOpenFile(c)) return;
        if (c.file->filterCount() == 0) {
            c.dialogs->showInfo(QStringLiteral("No active records for current filter. Nothing to copy"));
            return;
        }
        const QString cwd = QDir::currentPath();
        {
            address::GatewayScope scope(*c.session, {});
            TCopyOut dlg(*c.file->table(), c.file->currentFilePath(), common::programDir(), *c.dialogs, c.window);
            dlg.knownCount = c.file->filterCount();
            dlg.execCentred(c.window);
        }
        QDir::setCurrent(cwd);
        c.file->refresh();
    });
}

}  // namespace brindle::transfer::ui

// The File menu's import and export rows on a real address file: what they
// refuse, and that the main window has its file back after an import.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "TransferTestSupport.h"
#include "address/AddressFile.h"
#include "address/RecordSession.h"
#include "common/ScriptedDialogs.h"
#include "transfer/ui/ImportWindows.h"
#include "transfer/ui/TransferCommands.h"

using namespace brindle;
using transfertest::Scratch;

namespace {

struct MainWindowState {
    Scratch settings;
    common::ScriptedDialogs dialogs;
    address::AddressFile file{dialogs, settings.path(QStringLiteral("BRINDL.ini"))};
    address::RecordSession session{file, dialogs};
    commands::CommandRegistry registry = commands::mainWindowCommands();
    commands::CommandContext context() { return {nullptr, &file, &session, &dialogs}; }
    void run(const char* id) {
        auto c = context();
        registry.find(QString::fromLatin1(id))->run(c);
    }
};

}  // namespace

TEST(TransferCommands, RowsRefuseWithoutAFileOrRecords) {
    MainWindowState w;
    transfer::ui::attachTransferCommands(w.registry);
    for (const char* id : {"importAscii", "importDbf", "importOld1", "importOld2", "export"}) {
        ASSERT_TRUE(w.registry.find(QString::fromLatin1(id))->available()) << id;
        w.run(id);
    }
    EXPECT_EQ(w.dialogs.infos(), QStringList(5, QStringLiteral("You need to have a database file open first")));

    Scratch s;
    transfertest::newAddressFile(s).reset();
    ASSERT_TRUE(w.file.openBRWDBF(s.path("ADDR.DBF")));
    w.dialogs.shown.clear();
    w.run("export");
    EXPECT_EQ(w.dialogs.infos(), QStringList{QStringLiteral("No active records for current filter. Nothing to copy")});
}

TEST(TransferCommands, ImportHasTheFileAloneAndGivesItBack) {
    Scratch s;
    transfertest::newAddressFile(s).reset();
    transfertest::writeBytes(s.path("in.csv"), "Adams\r\nBrown\r\n");
    MainWindowState w;
    transfer::ui::attachTransferCommands(w.registry);
    ASSERT_TRUE(w.file.openBRWDBF(s.path("ADDR.DBF")));
    bool sawWindow = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<transfer::ui::TAsciiImport*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        sawWindow = true;
        // The window has the file exclusively: the main window let go of it.
        EXPECT_FALSE(w.file.isOpen());
        dlg->useFile(s.path("in.csv"));
        transfer::FieldMatching m = dlg->session().matching();
        m.choose(0, 0);
        dlg->session().setMatching(m);
        dlg->importClicked();
    });
    w.run("importAscii");
    EXPECT_TRUE(sawWindow);
    ASSERT_TRUE(w.file.isOpen());
    EXPECT_TRUE(w.file.indexValid());
    EXPECT_EQ(w.file.recordCount(), 2u);
    EXPECT_EQ(w.file.field("LNAME"), QStringLiteral("Adams"));
    EXPECT_EQ(w.dialogs.infos().first(), QStringLiteral("Import complete. Imported 2 records."));
}

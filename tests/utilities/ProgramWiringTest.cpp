// Both checks from the program's own main window: its Utilities menu rows
// open the windows, and afterwards the window has its order, filter and
// record back and no result index is left.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTimer>

#include "address/AddressFile.h"
#include "address/AddressSchema.h"
#include "address/ResultGridModel.h"
#include "address/ui/ResultGrid.h"
#include "address/ui/TAddressMain.h"
#include "app/ProgramCommands.h"
#include "common/ScriptedDialogs.h"
#include "mailing/ui/TStateZipCheck.h"
#include "store/Table.h"
#include "utilities/ui/TDupCheck.h"

using namespace brindle;

namespace {

struct Home {
    QTemporaryDir dir;
    QByteArray previous = qgetenv("BRINDLE_HOME");
    Home() {
        QDir(dir.path()).mkpath(QStringLiteral("DATA"));
        QDir(dir.path()).mkpath(QStringLiteral("sysdata"));
        for (const char* name : {"CSZ.DBF", "CSZ.CDX"})
            QFile::copy(QStringLiteral(BRINDLE_BINARY_DIR "/sysdata/") + QString::fromLatin1(name),
                        dir.filePath(QStringLiteral("sysdata/")) + QString::fromLatin1(name));
        qputenv("BRINDLE_HOME", dir.path().toUtf8());
    }
    ~Home() { qputenv("BRINDLE_HOME", previous); }
};

void grab(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("BRINDLE_SCREENSHOTS");
    if (!dir.isEmpty()) w->grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
}

}  // namespace

TEST(ProgramWiring, UtilitiesMenuRunsBothChecksAndPutsTheFileBack) {
    Home home;
    const QString path = home.dir.filePath(QStringLiteral("DATA/ADD0001.DBF"));
    address::createAddressFile(path.toStdString(), address::FieldLengths::defaults());
    {
        auto t = store::Table::open(path.toStdString());
        const char* rows[][4] = {{"Smith", "Ann", "NY", "10001"},  {"Smith", "Ann", "NY", "99999"},
                                 {"Adams", "Bo", "CA", "90210"},   {"Young", "Cy", "TX", "75001"},
                                 {"Brown", "Di", "XX", "12345"}};
        for (const auto& r : rows) {
            t->append();
            t->setString("LNAME", r[0]);
            t->setString("FNAME", r[1]);
            t->setString("STATE", r[2]);
            t->setString("ZIP", r[3]);
            t->post();
        }
    }
    common::ScriptedDialogs dialogs;
    address::ui::TAddressMain win(dialogs, app::programCommands());
    win.setGettingStartedAllowed(false);
    win.firstActivation();
    ASSERT_TRUE(win.file().isOpen());
    win.resize(900, 600);
    win.show();
    win.action(QStringLiteral("sortCITY"))->trigger();
    ASSERT_TRUE(win.file().table()->go(4));
    const int order = win.file().table()->order();
    const std::string filter = win.file().table()->filter();

    int found = -1;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<mailing::ui::TStateZipCheck*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        // A failed assertion must not leave the modal window open.
        const auto closeAtEnd = qScopeGuard([w] { if (w->isVisible()) w->close(); });
        w->checkButton()->click();
        ASSERT_TRUE(w->resultGrid());
        found = w->resultGrid()->model()->rowCount();
        grab(w, "program-statezip.png");
        w->closeButton()->click();
    });
    ASSERT_TRUE(win.action(QStringLiteral("checkStateZip"))->isEnabled());
    win.action(QStringLiteral("checkStateZip"))->trigger();
    EXPECT_EQ(found, 2);  // Smith 99999 and Brown XX
    EXPECT_FALSE(QFile::exists(home.dir.filePath(QStringLiteral("DATA/_chksz.idx"))));
    EXPECT_EQ(win.file().table()->order(), order);
    EXPECT_EQ(win.file().table()->filter(), filter);
    EXPECT_EQ(win.file().table()->recNo(), 4u);

    found = -1;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<utilities::ui::TDupCheck*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        // A failed assertion must not leave the modal window open.
        const auto closeAtEnd = qScopeGuard([w] { if (w->isVisible()) w->close(); });
        w->checkButton()->click();
        ASSERT_TRUE(w->resultGrid());
        found = w->resultGrid()->model()->rowCount();
        grab(w, "program-dupcheck.png");
        w->okButton()->click();
    });
    ASSERT_TRUE(win.action(QStringLiteral("checkDuplicates"))->isEnabled());
    win.action(QStringLiteral("checkDuplicates"))->trigger();
    EXPECT_EQ(found, 2);  // the two Ann Smiths
    EXPECT_FALSE(QFile::exists(home.dir.filePath(QStringLiteral("_chkdup.idx"))));
    EXPECT_EQ(win.file().table()->order(), order);
    EXPECT_EQ(win.file().table()->filter(), filter);
    EXPECT_EQ(win.file().table()->recNo(), 4u);
    grab(&win, "program-main-after.png");
}

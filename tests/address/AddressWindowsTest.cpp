// The main window and the address windows, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLocalServer>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QThread>

#include "AddressTestSupport.h"
#include "address/FieldLengthSettings.h"
#include "address/ui/InfoWindows.h"
#include "address/ui/ReindexWindows.h"
#include "address/ui/TPreferences.h"
#include "address/ui/TAddressMain.h"
#include "address/ui/TNewDataBaseName.h"
#include "address/ui/TSpecifyFieldLengths.h"
#include "app/SingleInstance.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"

using namespace brindle;
using namespace brindle::address;
using namespace brindle::address::ui;
using brindle::common::ScriptedDialogs;
using brindle::addrtest::makeAddressFile;
using brindle::addrtest::ProgramHome;

namespace {

QStringList captions(const QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) out << a->text();
    return out;
}

// A main window after its start-up work, without the Getting Started window.
struct StartedWindow {
    ScriptedDialogs dialogs;
    TAddressMain window{dialogs};
    StartedWindow() {
        window.setGettingStartedAllowed(false);
        window.firstActivation();
    }
};

}  // namespace

TEST(MainWindow, CaptionsHintsAndKeys) {
    ProgramHome home;
    ScriptedDialogs dialogs;
    TAddressMain w(dialogs);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Brindle"));

    const QStringList top = {"Labels", "Letters", "Envelopes", "Reports"};
    const QStringList hints = {"Click here or press CTRL+L to print/design labels",
                               "Click here or press CTRL+T to print/design letters",
                               "Click here or press CTRL+E to print/design envelopes",
                               "Click here or press CTRL+R to print/design reports"};
    for (int i = 0; i < top.size(); ++i) {
        QPushButton* b = w.button(top[i].toLower());
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), top[i]);
        EXPECT_EQ(b->toolTip(), hints[i]);
    }
    EXPECT_EQ(w.button("browseButton")->toolTip(), QStringLiteral("Click here or press CTRL+B for a table view of the database"));
    EXPECT_EQ(w.button("filterButton")->text(), QStringLiteral("Filter"));
    EXPECT_EQ(w.tabs()->tabText(0), QStringLiteral("Address &Information"));
    EXPECT_EQ(w.tabs()->tabText(1), QStringLiteral("&Memo"));
    EXPECT_EQ(w.button("dial1")->text(), QStringLiteral("Dial Phone &1"));
    EXPECT_EQ(w.button("exitButton")->text(), QStringLiteral("E&xit"));
    EXPECT_FALSE(w.button("findNext")->isVisibleTo(&w));
    EXPECT_FALSE(w.button("saveButton")->isVisibleTo(&w));

    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Record", "&Sort", "&Utilities", "&Print", "&Help"}));
    EXPECT_EQ(captions(w.fileMenu()),
              (QStringList{"&New Address Database", "&Open Address DataBase", "&Browse", "&Search", "&Import", "&Export ",
                           "Set &Filter", "&Clear Filter", "&Save Filter", "&Restore Filter", "Clear &Tags",
                           "&Tag All Filter Matches", "&Rebuild Indexes for this file", "Rebuild S&ystem File indexes",
                           "Pre&ferences", "E&xit "}));
    EXPECT_EQ(captions(w.sortMenu()).size(), 14);
    EXPECT_EQ(QString(captions(w.sortMenu()).first()).remove('&'), QStringLiteral("Last Name"));

    const std::pair<const char*, QKeySequence> keys[] = {
        {"browse", QKeySequence(Qt::CTRL | Qt::Key_B)},       {"search", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"setFilter", QKeySequence(Qt::CTRL | Qt::Key_F)},    {"first", QKeySequence(Qt::CTRL | Qt::Key_Up)},
        {"previous", QKeySequence(Qt::CTRL | Qt::Key_Left)},  {"next", QKeySequence(Qt::CTRL | Qt::Key_Right)},
        {"last", QKeySequence(Qt::CTRL | Qt::Key_Down)},      {"printLabels", QKeySequence(Qt::CTRL | Qt::Key_L)},
        {"printLetters", QKeySequence(Qt::CTRL | Qt::Key_T)}, {"printEnvelopes", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"printReports", QKeySequence(Qt::CTRL | Qt::Key_R)}, {"printCurrent", QKeySequence(Qt::CTRL | Qt::Key_P)},
    };
    for (const auto& [name, key] : keys) {
        ASSERT_NE(w.action(name), nullptr) << name;
        EXPECT_EQ(w.action(name)->shortcut(), key) << name;
    }
    EXPECT_EQ(w.action("about")->text(), QStringLiteral("&About..."));
    EXPECT_EQ(w.action("configuration")->text(), QStringLiteral("Configuration Information"));
    EXPECT_EQ(w.noDataPanel()->property("text").toString(), QStringLiteral("Please Open or Create a Brindle Address file"));
}

TEST(MainWindow, EnablingWithoutAndWithAFile) {
    ProgramHome home;
    common::ProfileFile(home.settings()).writeString("MRU", "Item1", home.data("GONE.DBF"));
    StartedWindow s;
    TAddressMain& w = s.window;
    EXPECT_EQ(s.dialogs.infos().size(), 2);  // not found, unable to open
    EXPECT_FALSE(w.file().isOpen());
    EXPECT_TRUE(w.noDataPanel()->isVisibleTo(&w));
    EXPECT_FALSE(w.tabs()->isVisibleTo(&w));
    for (const char* on : {"newDatabase", "openDatabase", "rebuildSystemIndexes", "preferences", "exit", "about",
                           "configuration", "gettingStarted", "helpContents", "faq", "techSupport"})
        EXPECT_TRUE(w.action(on)->isEnabled()) << on;
    for (const char* off : {"rebuildIndexes", "first", "next", "browse", "clearTags", "printLabels", "sortCITY"})
        EXPECT_FALSE(w.action(off)->isEnabled()) << off;
    EXPECT_FALSE(w.sortMenu()->menuAction()->isEnabled());
    EXPECT_FALSE(w.button("nextButton")->isEnabled());
    EXPECT_TRUE(w.button("exitButton")->isEnabled());

    const QString path = home.data("ADD0002.DBF");
    makeAddressFile(path, {{"Baker", "Bob", "Zurich"}, {"Adams", "Ann", "Boston"}});
    s.dialogs.files.enqueue(path);
    w.openFileMenuClick();
    ASSERT_TRUE(w.file().isOpen());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Brindle - ") + path);
    EXPECT_FALSE(w.noDataPanel()->isVisibleTo(&w));
    for (const char* on : {"rebuildIndexes", "first", "previous", "next", "last", "sortCITY"})
        EXPECT_TRUE(w.action(on)->isEnabled()) << on;
    EXPECT_TRUE(w.sortMenu()->menuAction()->isEnabled());
    EXPECT_TRUE(w.button("nextButton")->isEnabled());
    // Entries whose windows are not there yet stay disabled.
    for (const char* later : {"export", "printLabels", "countZip", "website", "importDbf"})
        EXPECT_FALSE(w.action(later)->isEnabled()) << later;
    for (const char* built : {"browse", "search", "clearTags", "add", "edit", "delete", "clone", "copyToClipboard"})
        EXPECT_TRUE(w.action(built)->isEnabled()) << built;
    EXPECT_TRUE(w.button("addButton")->isEnabled());

    EXPECT_EQ(w.recordEdit("LNAME")->text(), QStringLiteral("Adams"));
    EXPECT_EQ(w.recordEdit("LNAME")->maxLength(), 30);
    EXPECT_TRUE(w.recordEdit("LNAME")->isReadOnly());
    w.button("nextButton")->click();
    EXPECT_EQ(w.recordEdit("LNAME")->text(), QStringLiteral("Baker"));
    EXPECT_EQ(w.recordEdit("CITY")->text(), QStringLiteral("Zurich"));
    EXPECT_EQ(w.sortStatus()->text(), QStringLiteral("Sorted by Last Name"));
    EXPECT_TRUE(w.action("sortLNAME")->isChecked());

    w.sortMenuClick("City");
    EXPECT_EQ(w.sortStatus()->text(), QStringLiteral("Sorted by City"));
    EXPECT_TRUE(w.action("sortCITY")->isChecked());
    EXPECT_FALSE(w.action("sortLNAME")->isChecked());
    EXPECT_EQ(w.recordEdit("CITY")->text(), QStringLiteral("Boston"));

    // A name that is not a DBF file is refused and the open file stays.
    s.dialogs.files.enqueue(home.data("notes.txt"));
    w.openFileMenuClick();
    EXPECT_EQ(s.dialogs.infos().last(), QStringLiteral("Must be a DBF file"));
    EXPECT_TRUE(w.file().isOpen());
}

TEST(MainWindow, MruMenuFollowsTheOpens) {
    ProgramHome home;
    StartedWindow s;  // creates and opens DATA/add0001.DBF
    TAddressMain& w = s.window;
    const QString first = home.data("add0001.DBF");
    ASSERT_TRUE(w.file().isOpen());
    ASSERT_EQ(w.mruActions().size(), 1);
    EXPECT_EQ(w.mruActions()[0]->data().toString(), first);

    const QString other = home.data("R&D.DBF");
    makeAddressFile(other, {{"Smith", "Jo"}});
    s.dialogs.files.enqueue(other);
    w.openFileMenuClick();
    ASSERT_EQ(w.mruActions().size(), 2);
    EXPECT_EQ(w.mruActions()[0]->text(), home.data("R&&D.DBF"));  // shown with its ampersand
    EXPECT_EQ(w.mruActions()[1]->data().toString(), first);
    // The entries follow the separator after Exit.
    const QList<QAction*> all = w.fileMenu()->actions();
    const int exitAt = all.indexOf(w.action("exit"));
    EXPECT_TRUE(all[exitAt + 1]->isSeparator());
    EXPECT_EQ(all[exitAt + 2], w.mruActions()[0]);

    w.mruActions()[1]->trigger();
    EXPECT_EQ(w.file().currentFilePath(), first);
    EXPECT_EQ(w.mruActions()[0]->data().toString(), first);
    EXPECT_EQ(w.mruActions().size(), 2);
}

TEST(MainWindow, FirstStartOnAFreshFolderStoresTagIdAndPlacement) {
    ProgramHome home(false);
    {
        StartedWindow s;
        EXPECT_EQ(s.window.windowTitle(), QStringLiteral("Brindle - ") + home.data("add0001.DBF"));
        EXPECT_TRUE(s.window.file().isOpen());
        EXPECT_TRUE(s.dialogs.infos().isEmpty());
        s.window.close();
        EXPECT_FALSE(s.window.file().isOpen());
    }
    common::ProfileFile settings(home.settings());
    EXPECT_FALSE(settings.readString("Misc", "GlobalTagId").isEmpty());
    EXPECT_TRUE(settings.hasKey("TAddressMain_Placement", "Bottom"));
    auto t = store::Table::open(home.data("add0001.DBF").toStdString());
    EXPECT_EQ(t->tags().size(), 26u);
    EXPECT_TRUE(t->check().empty());
}

TEST(NewDatabaseWindow, NameRulesAndDefaultsKeptAfterCancel) {
    ProgramHome home;
    TNewDataBaseName dlg("ADD0004", home.settings());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Create new database"));
    EXPECT_EQ(dlg.nameEdit()->text(), QStringLiteral("ADD0004"));
    EXPECT_EQ(dlg.nameEdit()->maxLength(), 8);
    EXPECT_TRUE(dlg.okButton()->isEnabled());
    EXPECT_FALSE(dlg.invalidLabel()->isVisibleTo(&dlg));
    for (const char* bad : {"", "1abc", "a-b", "a b"}) {
        dlg.nameEdit()->setText(bad);
        EXPECT_FALSE(dlg.okButton()->isEnabled()) << bad;
        EXPECT_TRUE(dlg.invalidLabel()->isVisibleTo(&dlg)) << bad;
    }
    dlg.nameEdit()->setText("_mine2");
    EXPECT_TRUE(dlg.okButton()->isEnabled());

    // "Ok" closes only when the creator accepts the name.
    QStringList offered;
    bool accept = false;
    dlg.onOk = [&](const QString& n) {
        offered << n;
        return accept;
    };
    dlg.okClicked();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    accept = true;
    dlg.okClicked();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(offered, (QStringList{"_mine2", "_mine2"}));

    // "Defaults" then "Cancel" in the field-length window keeps the built-in widths.
    EXPECT_EQ(dlg.lengths().of("FAX"), 40);
    FieldLengths lengths = dlg.lengths();
    TSpecifyFieldLengths fl(lengths);
    fl.defaultsClicked();
    fl.reject();
    EXPECT_EQ(lengths.of("FAX"), 30);
}

TEST(FieldLengthWindow, EditsFallBackOutsideTenToEighty) {
    ProgramHome home;
    FieldLengths lengths = FieldLengths::defaults();
    TSpecifyFieldLengths dlg(lengths);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Specify Field Lengths"));
    EXPECT_EQ(dlg.edit("FAX")->text(), QStringLiteral("40"));
    dlg.edit("CITY")->setText("9");
    emit dlg.edit("CITY")->editingFinished();
    EXPECT_EQ(dlg.edit("CITY")->text(), QStringLiteral("30"));
    dlg.edit("CITY")->setText("abc");
    dlg.edit("LNAME")->setText("80");
    dlg.edit("ZIP")->setText("81");
    dlg.okClicked();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(lengths.of("CITY"), 30);
    EXPECT_EQ(lengths.of("LNAME"), 80);
    EXPECT_EQ(lengths.of("ZIP"), 10);
}

namespace {

// Tries to close the reindex window each time the run lets events through.
class ClosingDialogs : public ScriptedDialogs {
public:
    QDialog* window = nullptr;
    int attempts = 0;
    int stillOpen = 0;
    void processEvents() override {
        ScriptedDialogs::processEvents();
        auto* w = dynamic_cast<ReindexWindow*>(window);
        if (!w || !w->running()) return;
        ++attempts;
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(w, &esc);
        QCloseEvent close;
        QApplication::sendEvent(w, &close);
        w->reject();
        if (w->isVisible()) ++stillOpen;
    }
};

}  // namespace

TEST(ReindexWindow, EscapeAndCloseIgnoredWhileRunning) {
    ProgramHome home;
    const QString path = home.data("ADD0001.DBF");
    makeAddressFile(path, {{"Smith", "John"}, {"Jones", "Mary"}});
    ClosingDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(path));
    TBRReindex w(file);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Rebuild indexes for ADD0001.DBF"));
    EXPECT_FALSE(w.progressBar()->isVisibleTo(&w));
    dialogs.window = &w;
    w.show();
    w.reindexClicked();
    EXPECT_GT(dialogs.attempts, 2);
    EXPECT_EQ(dialogs.stillOpen, dialogs.attempts);
    EXPECT_EQ(w.result(), QDialog::Accepted);  // closed by the run itself
    EXPECT_FALSE(w.running());
    EXPECT_EQ(w.barHistory().last(), 100);
    EXPECT_EQ(file.table()->tags().size(), 26u);

    // Before a run, Escape closes it.
    TSystemReindex sys(dialogs, nullptr, home.path("sysdata"));
    EXPECT_EQ(sys.windowTitle(), QStringLiteral("Rebuild System Indexes"));
    sys.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&sys, &esc);
    EXPECT_EQ(sys.result(), QDialog::Rejected);
}

TEST(SingleInstance, SecondStartReachesTheFirstAndHandsOverItsFile) {
    const QString name = app::SingleInstance::serverName(QStringLiteral("/tmp/brindle-test-") +
                                                         QString::number(QCoreApplication::applicationPid()));
    app::SingleInstance first(name);
    EXPECT_FALSE(first.notifyRunning({}, 200));
    ASSERT_TRUE(first.listen());
    int requests = 0;
    QStringList opened;
    QObject::connect(&first, &app::SingleInstance::activationRequested, [&] { ++requests; });
    QObject::connect(&first, &app::SingleInstance::openRequested, [&](const QString& p) { opened << p; });
    auto waitFor = [&](int n) {
        QElapsedTimer clock;
        clock.start();
        while (requests < n && clock.elapsed() < 2000) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
    };
    app::SingleInstance second(name);
    EXPECT_TRUE(second.notifyRunning({}, 200));
    waitFor(1);
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(opened.isEmpty());
    // A file manager hands over any name: spaces, accents, Cyrillic, even a line break.
    const QString odd = QStringLiteral("/tmp/Adressen Müller/Почта\nlist 100%.dbf");
    EXPECT_TRUE(second.notifyRunning(odd, 200));
    waitFor(2);
    EXPECT_EQ(requests, 2);
    EXPECT_EQ(opened, QStringList{odd});
    EXPECT_NE(app::SingleInstance::serverName("/a"), app::SingleInstance::serverName("/b"));
}

TEST(MainWindow, OpensAFileGivenAtStartOrHandedOverLater) {
    ProgramHome home;
    // Files a file manager may hand over: a name with a blank and accents, one
    // in another folder, and one that is not a DBF.
    const QString first = home.path(QStringLiteral("Adressen Müller.dbf"));
    const QString second = home.path(QStringLiteral("Почта.DBF"));
    addrtest::makeFile(first, {{{"LNAME", "Müller"}}});
    addrtest::makeFile(second, {{{"LNAME", "Сидоров"}}, {{"LNAME", "Петров"}}}, FieldLengths::defaults(),
                       addrtest::kWindows1251);
    ScriptedDialogs dialogs;
    TAddressMain w(dialogs);
    w.setGettingStartedAllowed(false);
    // Given before the window's start-up work: opened once that has run.
    w.openFile(first);
    EXPECT_TRUE(w.file().currentFilePath().isEmpty());
    w.firstActivation();
    EXPECT_EQ(QFileInfo(w.file().currentFilePath()).fileName(), QStringLiteral("Adressen Müller.dbf"));
    EXPECT_EQ(w.recordEdit("LNAME")->text(), QStringLiteral("Müller"));
    EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("Adressen Müller"), Qt::CaseInsensitive)) << w.windowTitle().toStdString();

    w.openFile(second);
    EXPECT_EQ(QFileInfo(w.file().currentFilePath()).fileName(), QStringLiteral("Почта.DBF"));
    EXPECT_EQ(w.file().table()->recordCount(), 2u);

    dialogs.shown.clear();
    w.openFile(home.path(QStringLiteral("notes.txt")));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Must be a DBF file"));
    EXPECT_EQ(QFileInfo(w.file().currentFilePath()).fileName(), QStringLiteral("Почта.DBF"));
}

TEST(GettingStartedWindow, LinksOpenTopicsAndTheBoxIsStored) {
    ProgramHome home;
    TGettingStarted w(home.settings());
    EXPECT_FALSE(w.doNotShowBox()->isChecked());
    EXPECT_FALSE(w.page()->toPlainText().isEmpty());
    EXPECT_TRUE(w.followLink("ascii"));
    EXPECT_EQ(w.lastTopic(), 1023);
    EXPECT_FALSE(w.followLink("https://example.com/"));
    EXPECT_EQ(w.lastTopic(), 1023);
    w.doNotShowBox()->setChecked(true);
    w.okClicked();
    EXPECT_TRUE(common::ProfileFile(home.settings()).readBool("Misc", "GettingStarted", false));
    TGettingStarted again(home.settings());
    EXPECT_TRUE(again.doNotShowBox()->isChecked());
}

TEST(PreferencesWindow, LoadsAndWritesEveryKey) {
    ProgramHome home;
    common::ProfileFile settings(home.settings());
    settings.writeBool("Adding", "CarryCity", true);
    settings.writeInt("Editing", "AggressiveSave", 2);
    TPreferences w(home.settings());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Preferences"));
    EXPECT_TRUE(w.box("CarryCity")->isChecked());
    EXPECT_EQ(w.box("SkipfirstName")->text(), QStringLiteral("First Name"));
    EXPECT_EQ(w.savingLevel()->currentText(), QStringLiteral("High - Every Save"));
    EXPECT_EQ(w.countryEdit()->maxLength(), 30);
    w.box("PlugDate")->setChecked(true);
    w.box("CarryCity")->setChecked(false);
    w.countryEdit()->setText("USA");
    w.savingLevel()->setCurrentIndex(0);
    w.okClicked();
    EXPECT_TRUE(settings.readBool("Adding", "PlugDate", false));
    EXPECT_FALSE(settings.readBool("Adding", "CarryCity", true));
    EXPECT_EQ(settings.readString("Adding", "SkipDate"), QStringLiteral("0"));
    EXPECT_EQ(settings.readString("Adding", "DefaultCountry"), QStringLiteral("USA"));
    EXPECT_EQ(settings.readInt("Editing", "AggressiveSave", -1), 0);
}

// The keyboard path through the record, and the main window with no file open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>

#include "AddressTestSupport.h"
#include "address/ui/TAddressMain.h"
#include "common/ProfileFile.h"

using namespace brindle;
using namespace brindle::address;
using namespace brindle::address::ui;
using brindle::addrtest::ProgramHome;
using brindle::addrtest::u;
using brindle::addrtest::keepShot;
using brindle::common::ScriptedDialogs;

namespace {

// Presses a key on whatever has the focus, as the keyboard would.
void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent down(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &up);
}

void type(const QString& text) {
    for (QChar c : text) press(Qt::Key_unknown, Qt::NoModifier, QString(c));
}

QString focused() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }

struct ActiveWindow {
    ProgramHome home;
    ScriptedDialogs dialogs;
    std::unique_ptr<TAddressMain> w;
    explicit ActiveWindow(const std::function<void(common::ProfileFile&)>& settings = {}) {
        addrtest::makeFile(home.data("ADD0001.DBF"), {{{"LNAME", "Adams"}, {"FNAME", "Ann"}, {"ORG", "Acme"}}});
        if (settings) {
            common::ProfileFile f(home.settings());
            settings(f);
        }
        w = std::make_unique<TAddressMain>(dialogs);
        w->setGettingStartedAllowed(false);
        w->firstActivation();
        w->show();
        w->activateWindow();
        QElapsedTimer t;
        t.start();
        while (QApplication::activeWindow() != w.get() && t.elapsed() < 2000) QApplication::processEvents();
    }
};

const QStringList kAddressPageOrder = {"LNAME", "FNAME",   "MIDDLE", "PREFIX", "TITLE", "ORG",   "STREET",
                                       "STREET2", "CITY",  "STATE",  "ZIP",    "COUNTRY", "PHONE", "PHONE2",
                                       "FAX",     "EMAIL", "CODES",  "USER1",  "USER2"};

}  // namespace

TEST(MainWindowKeys, TabAndEnterFollowTheRecordInVisualOrder) {
    ActiveWindow s;
    TAddressMain& w = *s.w;
    ASSERT_EQ(QApplication::activeWindow(), &w);
    w.button(QStringLiteral("editButton"))->click();
    ASSERT_TRUE(w.session().editing());
    w.recordEdit("LNAME")->setFocus();
    ASSERT_EQ(focused(), QStringLiteral("LNAME"));
    QStringList tabbed{focused()};
    for (int i = 0; i < kAddressPageOrder.size(); ++i) {
        press(Qt::Key_Tab);
        tabbed << focused();
    }
    EXPECT_EQ(tabbed, kAddressPageOrder + QStringList{"LNAME"});
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), QStringLiteral("USER2"));

    // Enter in "Org" moves to "Address 1", and what is typed next lands there.
    w.recordEdit("ORG")->setFocus();
    w.recordEdit("ORG")->end(false);
    type(u(" Ltd"));
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), QStringLiteral("STREET"));
    type(u("Große Straße 1"));
    EXPECT_EQ(w.recordEdit("ORG")->text(), u("Acme Ltd"));
    EXPECT_EQ(w.recordEdit("STREET")->text(), u("Große Straße 1"));
    press(Qt::Key_Enter);
    EXPECT_EQ(focused(), QStringLiteral("STREET2"));

    // With the memo page in front, the memo follows "Org"; Tab leaves the memo.
    w.tabs()->setCurrentIndex(1);
    w.recordEdit("ORG")->setFocus();
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), QStringLiteral("MEMO"));
    type(u("Жук"));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), QStringLiteral("LNAME"));
    EXPECT_EQ(w.memo()->toPlainText(), u("Жук"));
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), QStringLiteral("MEMO"));
}

TEST(MainWindowKeys, AddFocusesTheFirstFieldThatIsNotSkipped) {
    ActiveWindow s([](common::ProfileFile& f) {
        f.writeBool(QStringLiteral("Adding"), QStringLiteral("AutoDupCheck"), true);
        f.writeBool(QStringLiteral("Adding"), QStringLiteral("SkipMiddleInitial"), true);
        f.writeInt(QStringLiteral("Editing"), QStringLiteral("AggressiveSave"), 0);
    });
    TAddressMain& w = *s.w;
    w.session().askNewRecord = [](const NewRecordBoxLayout&) {
        return std::optional<NewRecordAnswer>(NewRecordAnswer{u("Wałęsa"), u("Łukasz"), QString()});
    };
    w.button(QStringLiteral("addButton"))->click();
    ASSERT_TRUE(w.session().appending());
    EXPECT_EQ(focused(), QStringLiteral("PREFIX"));
    EXPECT_EQ(w.recordEdit("LNAME")->text(), u("Wałęsa"));
    // The skipped field is left out of the Tab order while adding.
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), QStringLiteral("FNAME"));
    w.cancelClick();

    w.session().prefs.flags[QStringLiteral("SkipMiddleInitial")] = false;
    w.button(QStringLiteral("addButton"))->click();
    EXPECT_EQ(focused(), QStringLiteral("MIDDLE"));
    w.cancelClick();

    // Names left empty: "Last" first.
    w.session().askNewRecord = [](const NewRecordBoxLayout&) {
        return std::optional<NewRecordAnswer>(NewRecordAnswer{});
    };
    w.button(QStringLiteral("addButton"))->click();
    EXPECT_EQ(focused(), QStringLiteral("LNAME"));
    w.cancelClick();
}

TEST(MainWindowNoFile, AFailedOpenLeavesNoFileToFilterOrEdit) {
    ActiveWindow s;
    TAddressMain& w = *s.w;
    QueryVars v;
    v.texts[0] = QStringLiteral("ad");
    w.file().setQueryVars(v);
    w.file().applyQuery();
    w.setButtons();
    ASSERT_TRUE(w.file().filterSet());

    // Not a table at all: the open fails and nothing is open any more.
    const QString bad = s.home.data("NOTATABLE.DBF");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("just some text");
    f.close();
    s.dialogs.files.enqueue(bad);
    w.openFileMenuClick();
    ASSERT_FALSE(w.file().isOpen());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Brindle"));
    EXPECT_FALSE(w.button(QStringLiteral("filterButton"))->isEnabled());
    EXPECT_FALSE(w.button(QStringLiteral("clearFilterButton"))->isVisibleTo(&w));
    for (const char* off : {"setFilter", "clearFilter", "saveFilter", "restoreFilter", "tagAll", "clearTags", "add",
                            "edit", "delete", "clone", "copyToClipboard", "first", "previous", "next", "last", "browse",
                            "search"})
        EXPECT_FALSE(w.action(QString::fromLatin1(off))->isEnabled()) << off;
    for (const char* b : {"addButton", "editButton", "deleteButton", "firstButton", "nextButton", "searchButton",
                          "browseButton", "dial1", "dateButton"})
        EXPECT_FALSE(w.button(QString::fromLatin1(b))->isEnabled()) << b;
    EXPECT_FALSE(w.taggedBox()->isEnabled());
    EXPECT_TRUE(w.noDataPanel()->isVisibleTo(&w));
    // Keys do nothing either.
    w.filterButtonClick();
    EXPECT_FALSE(w.file().isOpen());

    // The window starts the same way when its last file is gone.
    ProgramHome other;
    common::ProfileFile(other.settings()).writeString("MRU", "Item1", other.data("GONE.DBF"));
    ScriptedDialogs dialogs;
    TAddressMain again(dialogs);
    again.setGettingStartedAllowed(false);
    again.firstActivation();
    EXPECT_FALSE(again.file().isOpen());
    EXPECT_EQ(again.windowTitle(), QStringLiteral("Brindle"));
}

// The main window's record work and its small windows, offscreen with real key events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "AddressTestSupport.h"
#include "address/ui/FilterWindows.h"
#include "address/ui/RecordDialogs.h"
#include "address/ui/TAddressMain.h"
#include "common/ScriptedDialogs.h"

using namespace brindle;
using namespace brindle::address;
using namespace brindle::address::ui;
using brindle::addrtest::makeAddressFile;
using brindle::addrtest::ProgramHome;
using brindle::common::ScriptedDialogs;

namespace {

void key(QWidget* w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, k, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, mods, text);
    QApplication::sendEvent(w, &release);
}

struct WindowWithFile {
    ProgramHome home;
    ScriptedDialogs dialogs;
    TAddressMain w{dialogs};
    WindowWithFile() {
        makeAddressFile(home.data("ADD0001.DBF"), {{"Baker", "Bob", "Zurich"}, {"Adams", "Ann", "Boston"}});
        w.setGettingStartedAllowed(false);
        w.firstActivation();
    }
};

}  // namespace

TEST(NewRecordBox, KeyboardRules) {
    {
        // Names only: Tab out of "First Name" is Ok; Enter in "Last Name" moves on.
        TGetFirstLastZip box({true, false}, 50, 30, 10);
        box.show();
        EXPECT_EQ(box.windowTitle(), QStringLiteral("New Record"));
        EXPECT_EQ(box.lastEdit()->maxLength(), 50);
        box.lastEdit()->setFocus();
        key(box.lastEdit(), Qt::Key_Return);
        EXPECT_EQ(box.result(), 0);
        key(box.firstEdit(), Qt::Key_Tab);
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
    {
        // Cancel always cancels, even with the focus in "First Name".
        TGetFirstLastZip box({true, false}, 30, 30, 10);
        box.show();
        box.firstEdit()->setFocus();
        box.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        EXPECT_EQ(box.result(), QDialog::Rejected);
    }
    {
        // With the ZIP shown, Tab out of "First Name" only moves; Enter in the ZIP is Ok.
        TGetFirstLastZip box({true, true}, 30, 30, 10);
        box.show();
        key(box.firstEdit(), Qt::Key_Tab);
        EXPECT_EQ(box.result(), 0);
        key(box.zipEdit(), Qt::Key_Enter);
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
    {
        TGetFirstLastZip box({false, true}, 30, 30, 10);
        box.show();
        key(box.zipEdit(), Qt::Key_PageDown);
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
}

TEST(MainWindowRecords, EditSaveCancelWithKeys) {
    WindowWithFile s;
    TAddressMain& w = s.w;
    ASSERT_TRUE(w.file().isOpen());
    EXPECT_EQ(w.filterStatus()->text(), QStringLiteral("2 records (no filter)"));
    EXPECT_EQ(w.recordEdit("LNAME")->text(), QStringLiteral("Adams"));
    key(w.recordEdit("LNAME"), Qt::Key_PageDown);
    EXPECT_EQ(w.recordEdit("LNAME")->text(), QStringLiteral("Baker"));
    key(w.recordEdit("LNAME"), Qt::Key_PageUp);
    EXPECT_EQ(w.recordEdit("LNAME")->text(), QStringLiteral("Adams"));

    w.button("editButton")->click();
    EXPECT_TRUE(w.session().editing());
    EXPECT_FALSE(w.recordEdit("LNAME")->isReadOnly());
    EXPECT_FALSE(w.button("saveButton")->isHidden());
    EXPECT_TRUE(w.button("addButton")->isHidden());
    EXPECT_FALSE(w.action("browse")->isEnabled());
    w.recordEdit("FNAME")->setText(QStringLiteral("Anne"));
    w.memo()->setPlainText(QStringLiteral("12345678"));
    // Esc asks; No goes on editing. PgDn asks to save; No keeps the edit.
    key(w.recordEdit("FNAME"), Qt::Key_Escape);
    key(w.memo(), Qt::Key_PageDown);
    EXPECT_TRUE(w.session().editing());
    ASSERT_EQ(s.dialogs.shown.size(), 2);
    EXPECT_EQ(s.dialogs.shown[0].caption, QStringLiteral("Cancel"));
    EXPECT_EQ(s.dialogs.shown[0].text, QStringLiteral("Cancel changes?"));
    EXPECT_EQ(s.dialogs.shown[1].text, QStringLiteral("Save changes?"));
    key(w.recordEdit("FNAME"), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(w.session().editing());
    EXPECT_EQ(w.file().field("FNAME"), QStringLiteral("Anne"));
    EXPECT_EQ(w.file().table()->getMemo("MEMO"), "12345678 ");
    EXPECT_TRUE(w.recordEdit("FNAME")->isReadOnly());

    // Typed text that is cancelled does not come back in the memo.
    w.button("editButton")->click();
    w.memo()->setPlainText(QStringLiteral("discard me"));
    s.dialogs.answers.enqueue(true);
    key(w.memo(), Qt::Key_Escape);
    EXPECT_FALSE(w.session().editing());
    EXPECT_EQ(w.memo()->toPlainText(), QStringLiteral("12345678 "));
}

TEST(MainWindowRecords, FilterButtonsAndWindowCaptions) {
    WindowWithFile s;
    TAddressMain& w = s.w;
    EXPECT_TRUE(w.button("clearFilterButton")->isHidden());
    QueryVars v;
    v.texts[0] = QStringLiteral("ba");
    w.file().setQueryVars(v);
    w.file().applyQuery();
    w.setButtons();
    EXPECT_EQ(w.filterStatus()->text(), QStringLiteral("1 filter matches"));
    EXPECT_FALSE(w.button("clearFilterButton")->isHidden());
    EXPECT_TRUE(w.action("tagAll")->isEnabled());
    w.button("clearFilterButton")->click();
    EXPECT_FALSE(w.file().filterSet());
    EXPECT_TRUE(w.button("clearFilterButton")->isHidden());

    TAddressQueryForm form(w.file(), s.dialogs, &w);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Address Filter"));
    form.edit(0)->setText(QStringLiteral("zz"));
    form.testClicked();
    EXPECT_EQ(form.countLine()->text(), QStringLiteral("No filter set"));
    form.edit(0)->setText(QStringLiteral("a"));
    form.testClicked();
    EXPECT_EQ(form.countLine()->text(), QStringLiteral("1 matches"));

    TSearchBox box(QStringLiteral("City"), &w);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Search"));
    EXPECT_EQ(box.editLabel()->text(), QStringLiteral("Search City starting with..."));
    box.orderBox()->setCurrentText(QStringLiteral("Zip"));
    EXPECT_EQ(box.editLabel()->text(), QStringLiteral("Search Zip starting with..."));
    EXPECT_EQ(TCopyToClipBoard().windowTitle(), QStringLiteral("Copy Record To Clipboard"));
    EXPECT_EQ(TDateSelector(QDate(1999, 7, 4)).windowTitle(), QStringLiteral("Select a Date"));
    // Every record control explains itself.
    for (const char* f : {"LNAME", "FNAME", "CITY", "USER2"}) EXPECT_FALSE(w.recordEdit(f)->whatsThis().isEmpty()) << f;
    for (const char* b : {"saveButton", "addButton", "dateButton", "findNext", "clearFilterButton"})
        EXPECT_FALSE(w.button(b)->whatsThis().isEmpty()) << b;
}

TEST(MainWindowRecords, TagAllWindowRunsAndCancels) {
    WindowWithFile s;
    TAddressMain& w = s.w;
    TTagAllRecords dlg(w.session(), s.dialogs, &w);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Tagging"));
    dlg.run();
    EXPECT_EQ(dlg.result().tagged, 2);
    EXPECT_EQ(dlg.activity()->text(), QStringLiteral("Complete"));
    EXPECT_TRUE(dlg.count()->text().isEmpty());
    EXPECT_TRUE(dlg.cancelButton()->isHidden());
    EXPECT_FALSE(dlg.okButton()->isHidden());
}

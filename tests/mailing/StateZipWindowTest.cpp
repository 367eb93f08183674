// The state and ZIP check from the main window's command row, offscreen:
// the window, its grid, the scripted Tag All, the state file grid, and what
// the main window has back afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "address/AddressFile.h"
#include "address/AddressSchema.h"
#include "address/RecordSession.h"
#include "address/ResultGridModel.h"
#include "address/ui/RecordDialogs.h"
#include "address/ui/ResultGrid.h"
#include "common/ScriptedDialogs.h"
#include "mailing/CszTableModel.h"
#include "mailing/ui/MailingCommands.h"
#include "mailing/ui/TStateZipCheck.h"
#include "store/Cp1252.h"
#include "store/Table.h"

using namespace brindle;

namespace {

// A program folder with the built state file, as BRINDLE_HOME.
class ProgramFolder {
public:
    ProgramFolder() {
        QDir(dir_.path()).mkpath(QStringLiteral("sysdata"));
        for (const char* name : {"CSZ.DBF", "CSZ.CDX"})
            QFile::copy(QStringLiteral(BRINDLE_BINARY_DIR "/sysdata/") + QString::fromLatin1(name),
                        dir_.filePath(QStringLiteral("sysdata/")) + QString::fromLatin1(name));
        old_ = qgetenv("BRINDLE_HOME");
        qputenv("BRINDLE_HOME", dir_.path().toUtf8());
    }
    ~ProgramFolder() { qputenv("BRINDLE_HOME", old_); }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QByteArray old_;
};

class HookedDialogs : public common::ScriptedDialogs {
public:
    void processEvents() override {
        ScriptedDialogs::processEvents();
        if (onEvents) onEvents();
    }
    std::function<void()> onEvents;
};

struct MainWindowState {
    QTemporaryDir settings;
    HookedDialogs dialogs;
    address::AddressFile file{dialogs, settings.filePath(QStringLiteral("BRINDL.ini"))};
    address::RecordSession session{file, dialogs};
    commands::CommandRegistry registry = commands::mainWindowCommands();
    void run(const char* id) {
        commands::CommandContext c{nullptr, &file, &session, &dialogs};
        registry.find(QString::fromLatin1(id))->run(c);
    }
};

struct Rec {
    const char* lname;  // UTF-8
    const char* state;
    const char* zip;
    bool isdel = false;
};

QString makeAddressFile(const QTemporaryDir& dir, const std::vector<Rec>& recs) {
    const QString path = dir.filePath(QStringLiteral("Wałęsa Müller.dbf"));
    address::createAddressFile(path.toStdString(), address::FieldLengths::defaults());
    auto t = store::Table::open(path.toStdString());
    for (const Rec& r : recs) {
        t->append();
        t->setString("LNAME", store::utf8ToCp1252(r.lname));
        t->setString("FNAME", "Ann");
        t->setString("STATE", r.state);
        t->setString("ZIP", r.zip);
        t->setLogical("ISDEL", r.isdel);
        t->post();
    }
    return path;
}

template <typename T>
T* modal() {
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

// Clicks Ok of the "Tagging" window once it has finished.
void finishTaggingSoon() {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer] {
        auto* tagging = modal<address::ui::TTagAllRecords>();
        if (tagging && tagging->okButton()->isVisible()) {
            tagging->okButton()->click();
            timer->deleteLater();
        }
    });
    timer->start(5);
}

void grab(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("BRINDLE_SCREENSHOTS");
    if (!dir.isEmpty()) w->grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
}

}  // namespace

TEST(StateZipWindow, ChecksEditsTagsAndGivesTheFileBack) {
    ProgramFolder program;
    QTemporaryDir data;
    const QString path = makeAddressFile(data, {
                                                   {"Adams", "NY", "10001"},      // 1 valid
                                                   {"Zeller", "NY", "149991"},    // 2 questionable
                                                   {"José", "CA", "1234"},        // 3 questionable
                                                   {"Müller", "ny", "10001"},     // 4 lower case
                                                   {"Gone", "XX", "1", true},     // 5 ISDEL
                                                   {"Brown", "NY", "00501"},      // 6 second NY range
                                               });
    MainWindowState w;
    mailing::ui::attachMailingCommands(w.registry);
    ASSERT_TRUE(w.file.openBRWDBF(path));
    w.file.setGlobalTagId(QStringLiteral("TAG1"));
    ASSERT_TRUE(w.file.setOrderTo(QStringLiteral("Zip")));
    const int orderBefore = w.file.table()->order();
    ASSERT_GT(orderBefore, 0);
    const std::string filterBefore = w.file.table()->filter();
    ASSERT_TRUE(w.file.table()->go(6));
    const QString index = data.filePath(QStringLiteral("_chksz.idx"));

    bool sawWindow = false;
    QTimer::singleShot(0, [&] {
        auto* win = modal<mailing::ui::TStateZipCheck>();
        ASSERT_TRUE(win);
        // A failed assertion must not leave the modal window open.
        const auto closeAtEnd = qScopeGuard([win] { if (win->isVisible()) win->close(); });
        sawWindow = true;
        EXPECT_EQ(win->windowTitle(), QStringLiteral("Check State and Zip  Codes"));
        EXPECT_EQ(win->panel(), 0);
        grab(win, "statezip-start.png");
        win->checkButton()->click();
        EXPECT_EQ(win->panel(), 2);
        EXPECT_TRUE(QFile::exists(index));
        auto* grid = win->resultGrid();
        ASSERT_TRUE(grid);
        address::ResultGridModel* m = grid->model();
        ASSERT_EQ(m->rowCount(), 3);
        EXPECT_EQ(m->recnoAt(0), 3u);  // José, Müller, Zeller
        EXPECT_EQ(m->recnoAt(1), 4u);
        EXPECT_EQ(m->recnoAt(2), 2u);
        EXPECT_EQ(m->data(m->index(1, m->columnOf(QStringLiteral("LNAME"))), Qt::DisplayRole).toString(),
                  QStringLiteral("Müller"));

        // Correcting Zeller's ZIP (and name) keeps the record listed.
        const int lname = m->columnOf(QStringLiteral("LNAME"));
        ASSERT_TRUE(m->setData(m->index(2, lname), QStringLiteral("Aaron"), Qt::EditRole));
        ASSERT_TRUE(m->setData(m->index(2, m->columnOf(QStringLiteral("ZIP"))), QStringLiteral("12345"), Qt::EditRole));
        grid->saveClicked();
        ASSERT_EQ(m->rowCount(), 3);
        EXPECT_EQ(m->recnoAt(0), 2u);
        EXPECT_EQ(w.file.table()->recNo(), 2u);

        // A double click on "Tagged" toggles the tag of that record only.
        const QModelIndex tagged = m->index(1, m->columnOf(QStringLiteral("Tagged")));
        emit grid->view()->doubleClicked(tagged);
        EXPECT_EQ(m->data(tagged, Qt::CheckStateRole).toInt(), Qt::Checked);

        // Tag All, answered Yes, tags every listed record and no other.
        w.dialogs.answers.enqueue(true);
        finishTaggingSoon();
        win->tagAllButton()->click();
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(m->data(m->index(r, 0), Qt::CheckStateRole).toInt(), Qt::Checked) << r;
        grid->view()->resizeColumnsToContents();
        grid->view()->horizontalScrollBar()->setValue(0);
        grab(win, "statezip-results.png");

        // The state file's grid: a row without a state is refused.
        win->stateFileButton()->click();
        EXPECT_EQ(win->panel(), 3);
        EXPECT_EQ(win->stateFileButton()->text(), QStringLiteral("Stop Editing"));
        mailing::CszTableModel* csz = win->stateFileModel();
        ASSERT_TRUE(csz);
        const int rows = csz->rowCount();
        const int added = csz->add();
        ASSERT_EQ(added, rows);
        csz->setData(csz->index(added, 0), QStringLiteral("Nowhere"), Qt::EditRole);
        win->stateFileView()->scrollToBottom();
        grab(win, "statezip-statefile.png");
        EXPECT_FALSE(csz->save());
        EXPECT_EQ(w.dialogs.infos().last(), QStringLiteral("Please enter the abbreviation of the state or province."));
        // Stop Editing asks about the unsaved row; No drops it.
        w.dialogs.answers.enqueue(false);
        win->stateFileButton()->click();
        EXPECT_EQ(win->panel(), 2);
        win->closeButton()->click();
    });
    w.run("checkStateZip");
    EXPECT_TRUE(sawWindow);
    EXPECT_FALSE(QFile::exists(index));
    ASSERT_TRUE(w.file.isOpen());
    EXPECT_EQ(w.file.table()->order(), orderBefore);
    EXPECT_EQ(w.file.table()->recNo(), 6u);
    EXPECT_EQ(w.file.table()->filter(), filterBefore);
    // The tags and the correction were stored; untouched records kept theirs.
    auto* t = w.file.table();
    t->go(2);
    EXPECT_EQ(t->getString("ZIP"), "12345");
    EXPECT_EQ(t->getString("TAG"), "TAG1");
    t->go(1);
    EXPECT_EQ(t->getString("TAG"), "");
}

TEST(StateZipWindow, CloseBoxDuringTheCheckCancelsAndRemovesTheIndexAfterTheWalk) {
    ProgramFolder program;
    QTemporaryDir data;
    std::vector<Rec> recs(40, Rec{"Doe", "CA", "1"});
    const QString path = makeAddressFile(data, recs);
    MainWindowState w;
    mailing::ui::attachMailingCommands(w.registry);
    ASSERT_TRUE(w.file.openBRWDBF(path));
    const QString index = data.filePath(QStringLiteral("_chksz.idx"));
    // A stale index from a crash.
    {
        QFile stale(index);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("stale");
    }
    int calls = 0;
    bool indexDuringWalk = false;
    QTimer::singleShot(0, [&] {
        auto* win = modal<mailing::ui::TStateZipCheck>();
        ASSERT_TRUE(win);
        // A failed assertion must not leave the modal window open.
        const auto closeAtEnd = qScopeGuard([win] { if (win->isVisible()) win->close(); });
        w.dialogs.onEvents = [&] {
            if (++calls == 5) {
                w.dialogs.answers.enqueue(true);  // "Cancel operation?" Yes
                win->close();
                indexDuringWalk = QFile::exists(index);
            }
        };
        win->checkButton()->click();
    });
    w.run("checkStateZip");
    EXPECT_EQ(calls, 5);  // the walk stopped after the record it was on
    EXPECT_TRUE(indexDuringWalk);
    EXPECT_TRUE(w.dialogs.texts(common::ScriptedDialogs::Kind::YesNo).contains(QStringLiteral("Cancel operation?")));
    EXPECT_FALSE(QFile::exists(index));
    EXPECT_TRUE(w.file.isOpen());
}

TEST(StateZipWindow, MissingStateFileStopsBeforeAnyWindow) {
    QTemporaryDir home;
    const QByteArray old = qgetenv("BRINDLE_HOME");
    qputenv("BRINDLE_HOME", home.path().toUtf8());
    QDir(home.path()).mkpath(QStringLiteral("sysdata"));
    QTemporaryDir data;
    const QString path = makeAddressFile(data, {{"Doe", "CA", "1"}});
    MainWindowState w;
    mailing::ui::attachMailingCommands(w.registry);
    ASSERT_TRUE(w.file.openBRWDBF(path));
    w.run("checkStateZip");
    qputenv("BRINDLE_HOME", old);
    EXPECT_EQ(w.dialogs.infos(),
              QStringList{QStringLiteral("The file CSZ.DBF has been removed from the SYSDATA directory. Unable to continue.")});
}

TEST(StateZipWindow, StateFileThatWillNotOpenLeavesThePanelsAsTheyWere) {
    QTemporaryDir data;
    const QString path = makeAddressFile(data, {{"Doe", "CA", "1"}});
    MainWindowState w;
    ASSERT_TRUE(w.file.openBRWDBF(path));
    int opens = 0;
    const auto failing = [&](common::UserDialogs& d) -> std::unique_ptr<store::Table> {
        ++opens;
        d.showInfo(QStringLiteral("Unable to Open or Create CSZ.DBF"));
        return nullptr;
    };
    {
        mailing::ui::TStateZipCheck win(w.session, w.dialogs, failing);
        // At check time the opener's message; the start panel comes back.
        win.checkButton()->click();
        EXPECT_EQ(win.panel(), 0);
        EXPECT_FALSE(win.closeButton()->isHidden());
        EXPECT_TRUE(win.cancelButton()->isHidden());
        EXPECT_EQ(w.dialogs.infos(), QStringList{QStringLiteral("Unable to Open or Create CSZ.DBF")});
        // For editing, the editing message only.
        win.stateFileButton()->click();
        EXPECT_EQ(win.panel(), 0);
        EXPECT_EQ(win.stateFileButton()->text(), QStringLiteral("Edit State/Province File"));
        EXPECT_EQ(w.dialogs.infos().last(), QStringLiteral("Unable to open CSZ.DBF"));
        EXPECT_EQ(w.dialogs.infos().size(), 2);
    }
    EXPECT_EQ(opens, 2);
    EXPECT_FALSE(QFile::exists(data.filePath(QStringLiteral("_chksz.idx"))));
}

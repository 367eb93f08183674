// The duplicate check from the main window's command row, offscreen: the
// setup, the grid with Delete, Tag and the scripted Tag All, and what the
// main window has back afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTimer>

#include <functional>

#include "address/AddressFile.h"
#include "address/AddressSchema.h"
#include "address/RecordSession.h"
#include "address/ResultGridModel.h"
#include "address/ui/RecordDialogs.h"
#include "address/ui/ResultGrid.h"
#include "common/ScriptedDialogs.h"
#include "store/Cp1252.h"
#include "store/Table.h"
#include "utilities/ui/TDupCheck.h"
#include "utilities/ui/UtilitiesCommands.h"

using namespace brindle;

namespace {

class HookedDialogs : public common::ScriptedDialogs {
public:
    void processEvents() override {
        ScriptedDialogs::processEvents();
        if (onEvents) onEvents();
    }
    std::function<void()> onEvents;
};

struct MainWindowState {
    QTemporaryDir home;  // the program folder, where the result index goes
    QByteArray oldHome = qgetenv("BRINDLE_HOME");
    HookedDialogs dialogs;
    address::AddressFile file{dialogs, home.filePath(QStringLiteral("BRINDL.ini"))};
    address::RecordSession session{file, dialogs};
    commands::CommandRegistry registry = commands::mainWindowCommands();
    MainWindowState() {
        QDir(home.path()).mkpath(QStringLiteral("sysdata"));
        qputenv("BRINDLE_HOME", home.path().toUtf8());
        utilities::ui::attachUtilitiesCommands(registry);
    }
    ~MainWindowState() { qputenv("BRINDLE_HOME", oldHome); }
    QString index() const { return home.filePath(QStringLiteral("_chkdup.idx")); }
    void run() {
        commands::CommandContext c{nullptr, &file, &session, &dialogs};
        registry.find(QStringLiteral("checkDuplicates"))->run(c);
    }
};

struct Rec {
    const char* lname;  // UTF-8
    const char* fname;
    const char* street;
};

QString makeAddressFile(const QTemporaryDir& dir, const std::vector<Rec>& recs) {
    const QString path = dir.filePath(QStringLiteral("Почта.dbf"));
    address::createAddressFile(path.toStdString(), address::FieldLengths::defaults());
    auto t = store::Table::open(path.toStdString());
    for (const Rec& r : recs) {
        t->append();
        t->setString("LNAME", store::utf8ToCp1252(r.lname));
        t->setString("FNAME", store::utf8ToCp1252(r.fname));
        t->setString("STREET", store::utf8ToCp1252(r.street));
        t->post();
    }
    return path;
}

template <typename T>
T* modal() {
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

void grab(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("BRINDLE_SCREENSHOTS");
    if (!dir.isEmpty()) w->grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
}

}  // namespace

TEST(DupCheckWindow, FindsDeletesTagsAndGivesTheFileBack) {
    QTemporaryDir data;
    const QString path = makeAddressFile(data, {
                                                   {"Müller", "José", "12 Elm Street"},    // 1
                                                   {"MÜLLER", "JOSÉ", "99 Oak Avenue"},    // 2
                                                   {"Adams", "Ann", "5 Pine Road"},        // 3
                                                   {"Jones", "Mary", "123 N Buffalo"},     // 4
                                                   {"jones", "mary", "1234 S Eastern"},    // 5
                                                   {"Jones", "Mary", "7 Birch Lane"},      // 6
                                               });
    MainWindowState w;
    ASSERT_TRUE(w.file.openBRWDBF(path));
    w.file.setGlobalTagId(QStringLiteral("TAG7"));
    ASSERT_TRUE(w.file.table()->go(3));
    const int orderBefore = w.file.table()->order();
    const std::string filterBefore = w.file.table()->filter();

    bool sawWindow = false;
    QTimer::singleShot(0, [&] {
        auto* win = modal<utilities::ui::TDupCheck>();
        ASSERT_TRUE(win);
        // A failed assertion must not leave the modal window open.
        const auto closeAtEnd = qScopeGuard([win] { if (win->isVisible()) win->close(); });
        sawWindow = true;
        EXPECT_EQ(win->windowTitle(), QStringLiteral("Check and Repair Duplicates"));
        // The street length shows only for the street kind.
        EXPECT_TRUE(win->streetLength()->isHidden());
        win->kindButton(utilities::DuplicateKind::Street)->click();
        EXPECT_FALSE(win->streetLength()->isHidden());
        grab(win, "dupcheck-setup.png");
        win->kindButton(utilities::DuplicateKind::LastFirst)->click();
        win->checkButton()->click();
        EXPECT_FALSE(win->setupShown());
        EXPECT_EQ(win->countLine()->text(), QStringLiteral("Found 3 possible duplicates"));
        EXPECT_TRUE(QFile::exists(w.index()));
        auto* grid = win->resultGrid();
        ASSERT_TRUE(grid);
        address::ResultGridModel* m = grid->model();
        // Both records of each pair; the middle Jones belongs to two pairs.
        std::vector<std::uint32_t> rows;
        for (int r = 0; r < m->rowCount(); ++r) rows.push_back(m->recnoAt(r));
        EXPECT_EQ(std::count(rows.begin(), rows.end(), 1u), 1);
        EXPECT_EQ(std::count(rows.begin(), rows.end(), 2u), 1);
        EXPECT_GE(std::count(rows.begin(), rows.end(), 5u), 1);
        EXPECT_EQ(std::count(rows.begin(), rows.end(), 3u), 0);

        // Delete asks, then removes the record from the list and the file.
        const int row = m->rowOf(6);
        ASSERT_GE(row, 0);
        ASSERT_TRUE(m->setCurrentRow(row));
        w.dialogs.answers.enqueue(true);
        grid->deleteClicked();
        EXPECT_EQ(w.dialogs.texts(common::ScriptedDialogs::Kind::YesNo).last(), QStringLiteral("Delete this record?"));
        EXPECT_EQ(m->rowOf(6), -1);

        // Tag All, answered Yes, through the "Tagging" window.
        w.dialogs.answers.enqueue(true);
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [timer] {
            auto* tagging = modal<address::ui::TTagAllRecords>();
            if (tagging && tagging->okButton()->isVisible()) {
                tagging->okButton()->click();
                timer->deleteLater();
            }
        });
        timer->start(5);
        win->tagAllButton()->click();
        EXPECT_EQ(w.dialogs.texts(common::ScriptedDialogs::Kind::YesNo).last(),
                  QStringLiteral("Tag all possible duplicates?"));
        for (int r = 0; r < m->rowCount(); ++r)
            EXPECT_EQ(m->data(m->index(r, 0), Qt::CheckStateRole).toInt(), Qt::Checked) << r;
        grid->view()->resizeColumnsToContents();
        grid->view()->horizontalScrollBar()->setValue(0);
        grab(win, "dupcheck-results.png");
        win->okButton()->click();
    });
    w.run();
    EXPECT_TRUE(sawWindow);
    EXPECT_FALSE(QFile::exists(w.index()));
    ASSERT_TRUE(w.file.isOpen());
    EXPECT_EQ(w.file.table()->order(), orderBefore);
    EXPECT_EQ(w.file.table()->filter(), filterBefore);
    EXPECT_EQ(w.file.table()->recNo(), 3u);
    auto* t = w.file.table();
    t->go(6);
    EXPECT_TRUE(t->getLogical("ISDEL"));
    t->go(1);
    EXPECT_EQ(t->getString("TAG"), "TAG7");
    t->go(3);
    EXPECT_EQ(t->getString("TAG"), "");
}

TEST(DupCheckWindow, StreetKindMovesTheStreetColumnAndNoDuplicatesShowNoGrid) {
    QTemporaryDir data;
    const QString path = makeAddressFile(data, {{"A", "", "123 N Buffalo"}, {"B", "", "1234 S Eastern"}});
    {
        MainWindowState w;
        ASSERT_TRUE(w.file.openBRWDBF(path));
        QTimer::singleShot(0, [&] {
            auto* win = modal<utilities::ui::TDupCheck>();
            ASSERT_TRUE(win);
            // A failed assertion must not leave the modal window open.
            const auto closeAtEnd = qScopeGuard([win] { if (win->isVisible()) win->close(); });
            win->kindButton(utilities::DuplicateKind::Street)->click();
            win->streetLength()->setValue(3);
            win->checkButton()->click();
            ASSERT_TRUE(win->resultGrid());
            auto* view = win->resultGrid()->view();
            const int street = win->resultGrid()->model()->columnOf(QStringLiteral("STREET"));
            EXPECT_EQ(view->horizontalHeader()->visualIndex(street), 1);
            win->okButton()->click();
        });
        w.run();
        EXPECT_FALSE(QFile::exists(w.index()));
    }
    MainWindowState w;
    ASSERT_TRUE(w.file.openBRWDBF(path));
    QTimer::singleShot(0, [&] {
        auto* win = modal<utilities::ui::TDupCheck>();
        ASSERT_TRUE(win);
        // A failed assertion must not leave the modal window open.
        const auto closeAtEnd = qScopeGuard([win] { if (win->isVisible()) win->close(); });
        win->checkButton()->click();
        EXPECT_EQ(win->countLine()->text(), QStringLiteral("Found 0 possible duplicates"));
        EXPECT_FALSE(win->resultGrid());
        win->okButton()->click();
    });
    w.run();
}

TEST(DupCheckWindow, CloseBoxDuringTheCheckCancelsAfterTheCurrentRecord) {
    QTemporaryDir data;
    std::vector<Rec> recs(30, Rec{"Doe", "Jane", "1 Elm"});
    const QString path = makeAddressFile(data, recs);
    MainWindowState w;
    ASSERT_TRUE(w.file.openBRWDBF(path));
    int calls = 0;
    QTimer::singleShot(0, [&] {
        auto* win = modal<utilities::ui::TDupCheck>();
        ASSERT_TRUE(win);
        // A failed assertion must not leave the modal window open.
        const auto closeAtEnd = qScopeGuard([win] { if (win->isVisible()) win->close(); });
        w.dialogs.onEvents = [&] {
            if (++calls == 4) {
                w.dialogs.answers.enqueue(true);
                win->close();
            }
        };
        win->checkButton()->click();
    });
    w.run();
    EXPECT_EQ(calls, 4);
    EXPECT_FALSE(QFile::exists(w.index()));
    EXPECT_TRUE(w.file.isOpen());
}

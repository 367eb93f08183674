#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTemporaryDir>

#include <functional>

#include "MailingTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "mailing/ui/TSortBulkMail.h"
#include "store/Table.h"

using namespace brindle;
using namespace brindle::mailing;
using namespace brindle::mailtest;

namespace {

// Scripted answers plus a hook that runs while the window processes input,
// where a user would press a button.
class HookedDialogs : public common::ScriptedDialogs {
public:
    void processEvents() override {
        ScriptedDialogs::processEvents();
        QApplication::processEvents();
        if (onEvents) onEvents(eventsProcessed);
    }
    std::function<void(int)> onEvents;
};

ui::TSortBulkMail* openWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<ui::TSortBulkMail*>(w); s && s->isVisible()) return s;
    return nullptr;
}

void keepShot(QWidget* w, const QString& name) {
    const QString folder = qEnvironmentVariable("BRINDLE_DIALOG_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    w->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

struct Fixture {
    QTemporaryDir dir;
    QString dbf() const { return dir.filePath(QStringLiteral("add0001.dbf")); }
    QString psl() const { return dir.filePath(QStringLiteral("PRESORT.PSL")); }
    std::unique_ptr<store::Table> table;
    explicit Fixture(int records) {
        std::vector<ZipRecord> r;
        addZip(r, "12345", records - 2);
        r.push_back({"M5V 2T6"});
        r.push_back({""});
        makeZipFile(dbf(), r);
        table = store::Table::open(dbf().toStdString(), store::OpenMode::ReadOnly);
    }
};

}  // namespace

TEST(TSortBulkMail, RunsWhenShownAndClosesItselfWhenDone) {
    Fixture f(350);
    HookedDialogs dialogs;
    QStringList seen;
    QString title;
    bool bold = false;
    dialogs.onEvents = [&](int n) {
        auto* w = openWindow();
        if (!w) return;
        title = w->windowTitle();
        bold = w->statusLine()->font().bold();
        if (seen.isEmpty() || seen.back() != w->statusLine()->text()) seen << w->statusLine()->text();
        if (n == 150) keepShot(w, QStringLiteral("TSortBulkMail-reading"));
    };
    PresortResult result;
    EXPECT_TRUE(ui::DoPresort(*f.table, dialogs, nullptr, f.psl(), &result, 0));
    EXPECT_EQ(title, QStringLiteral("Bulk Mail Presorting"));
    EXPECT_TRUE(bold);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Reading database records..."), QStringLiteral("Reading record 100"),
                                 QStringLiteral("Reading record 200"), QStringLiteral("Reading record 300")}));
    EXPECT_EQ(linesOf(readAll(f.psl())), (std::vector<std::string>{"** 5-digit 12345", "12345"}));
    EXPECT_EQ(result.leftOut, 2u);
    EXPECT_EQ(dialogs.eventsProcessed, 350);  // input is handled after every record
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(openWindow(), nullptr);

    // The longest status, the sorting line with its note on records left
    // out, fits the window at the size it opens with (not shown, so that it
    // does not start a run of its own).
    ui::TSortBulkMail w(*f.table, dialogs, f.psl());
    w.adjustSize();
    w.layout()->activate();
    w.SetLabel1(QStringLiteral("Sorting Zip Codes...\n") + leftOutText(1234567));
    EXPECT_GE(w.statusLine()->width(), w.statusLine()->sizeHint().width());
    EXPECT_GE(w.statusLine()->height(), w.statusLine()->sizeHint().height());
    keepShot(&w, QStringLiteral("TSortBulkMail-sorting"));
}

TEST(TSortBulkMail, CancelAsksAndYesStopsWithoutWriting) {
    Fixture f(400);
    QFile old(f.psl());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();

    // No goes on; a second Cancel answered Yes stops after the current record.
    HookedDialogs dialogs;
    dialogs.answers << false << true;
    int stoppedAt = 0;
    dialogs.onEvents = [&](int n) {
        if (n == 50 || n == 120) {
            auto* w = openWindow();
            ASSERT_NE(w, nullptr);
            w->cancelButton()->click();
            if (n == 120) stoppedAt = n;
        }
    };
    PresortResult result;
    EXPECT_FALSE(ui::DoPresort(*f.table, dialogs, nullptr, f.psl(), &result, 0));
    EXPECT_EQ(result.outcome, PresortResult::Outcome::Cancelled);
    EXPECT_EQ(result.recordsRead, static_cast<std::uint64_t>(stoppedAt));
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Cancel PRESORT?"));
    EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("CANCEL"));
    EXPECT_EQ(dialogs.shown[0].kind, common::ScriptedDialogs::Kind::YesNo);
    EXPECT_EQ(readAll(f.psl()), QByteArray("earlier"));
}

TEST(TSortBulkMail, AFileThatCannotBeWrittenIsNoSuccess) {
    Fixture f(20);
    HookedDialogs dialogs;
    const QString target = f.dbf() + QStringLiteral("/PRESORT.PSL");
    EXPECT_FALSE(ui::DoPresort(*f.table, dialogs, nullptr, target));
    const QStringList errors = dialogs.texts(common::ScriptedDialogs::Kind::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(target)) << errors[0].toStdString();
}

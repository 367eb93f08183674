// The three bulk-edit windows offscreen, and their rows of the main window:
// each opens its window, runs, and leaves the main window on its filter.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <QTimer>

#include "address/AddressFile.h"
#include "address/ui/TAddressMain.h"
#include "commands/Command.h"
#include "common/ScriptedDialogs.h"
#include "utilities/CaseConversion.h"
#include "utilities/bulk/UtilitiesTestSupport.h"
#include "utilities/ui/BulkEditWindows.h"
#include "utilities/ui/UtilitiesCommands.h"

using namespace brindle;
using namespace brindle::utilities::ui;
using Strings = std::vector<std::string>;

namespace {

void grab(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("BRINDLE_SCREENSHOTS");
    if (!dir.isEmpty()) w->grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
}

struct Windows : ::testing::Test {
    QTemporaryDir dir;
    common::ScriptedDialogs dialogs;
    std::unique_ptr<address::AddressFile> file;
    void open(const std::vector<utiltest::Row>& rows) {
        const std::string path = utiltest::makeAddressFile(dir, rows);
        file = std::make_unique<address::AddressFile>(dialogs, dir.filePath(QStringLiteral("BRINDL.ini")));
        ASSERT_TRUE(file->openBRWDBF(QString::fromStdString(path)));
    }
};

TEST_F(Windows, ConvertCaseTicksRunsAndClosesOnlyAfterARun) {
    open({{{{"LNAME", "O'BRIEN-JONES"}, {"CITY", "MÜNCHEN"}}}, {{{"LNAME", "JOSÉ"}, {"CITY", "SÃO PAULO"}}}});
    TConvertToUpper w(*file, dialogs);
    w.show();
    grab(&w, "convert-case.png");
    EXPECT_FALSE(w.recordButton(2)->isEnabled());  // no filter
    EXPECT_TRUE(w.recordButton(0)->isChecked());
    w.allBox()->click();  // clears all fifteen
    w.convertButton()->click();
    EXPECT_EQ(dialogs.infos(), QStringList{QString::fromLatin1(utilities::kNoFieldsMessage)});
    EXPECT_TRUE(w.isVisible());
    w.fieldBox(0)->setChecked(true);  // Last
    w.fieldBox(7)->setChecked(true);  // City
    w.recordButton(1)->setChecked(true);
    w.ruleButton(1)->setChecked(true);
    dialogs.answers.enqueue(true);
    w.convertButton()->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(utiltest::column(*file->table(), "LNAME"), (Strings{"O'brien-jones", "José"}));
    EXPECT_EQ(utiltest::column(*file->table(), "CITY"), (Strings{"München", "São Paulo"}));
}

TEST_F(Windows, SearchAndReplaceLimitsTheTextsToTheFieldAndReplaces) {
    open(utiltest::lastNames({"cowboy", "COWBOY", "Müller"}));
    TSearchAndReplace w(*file, dialogs);
    w.show();
    EXPECT_FALSE(w.filterButton()->isEnabled());
    EXPECT_EQ(w.findEdit()->maxLength(), 30);  // Last Name
    w.findEdit()->setText(QString(30, QChar('x')));
    w.fieldList()->setCurrentIndex(2);  // Middle Initial, one character wide
    EXPECT_EQ(w.findEdit()->text(), "x");
    w.fieldList()->setCurrentIndex(0);
    w.findEdit()->setText(QStringLiteral("cow"));
    w.containsButton()->setChecked(true);
    w.partButton()->setChecked(true);
    w.replacementEdit()->setText(QStringLiteral("bull"));
    grab(&w, "search-replace.png");
    w.replaceButton()->click();  // declined: stays open, nothing changed
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(utiltest::column(*file->table(), "LNAME"), (Strings{"cowboy", "COWBOY", "Müller"}));
    dialogs.answers.enqueue(true);
    w.replaceButton()->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(utiltest::column(*file->table(), "LNAME"), (Strings{"bullboy", "COWBOY", "Müller"}));
}

// The main window's rows open the windows; afterwards its filter shows again.
TEST_F(Windows, MainWindowRowsOpenTheWindowsAndDeleteAllLeavesAnEmptyFile) {
    open(utiltest::lastNames({"Adams", "Baker"}));
    const QString path = file->currentFilePath();
    file.reset();
    QDir(dir.path()).mkpath(QStringLiteral("DATA"));
    const QByteArray home = qgetenv("BRINDLE_HOME");
    qputenv("BRINDLE_HOME", dir.path().toUtf8());
    const auto restoreHome = qScopeGuard([&] { qputenv("BRINDLE_HOME", home); });
    commands::CommandRegistry registry = commands::mainWindowCommands();
    attachUtilitiesCommands(registry);
    address::ui::TAddressMain win(dialogs, std::move(registry));
    win.setGettingStartedAllowed(false);
    win.firstActivation();
    ASSERT_TRUE(win.file().openBRWDBF(path));
    win.show();
    for (const char* id : {"convertCase", "searchReplace"}) {
        QString title;
        QTimer::singleShot(0, [&] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_TRUE(w);
            title = w->windowTitle();
            w->close();
        });
        ASSERT_TRUE(win.action(QString::fromLatin1(id))->isEnabled());
        win.action(QString::fromLatin1(id))->trigger();
        EXPECT_EQ(title, id == std::string("convertCase") ? "Convert Case" : "Search and Replace");
    }
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TDeleteRecords*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        const auto closeAtEnd = qScopeGuard([w] { if (w->isVisible()) w->close(); });
        EXPECT_FALSE(w->choiceButton(1)->isEnabled());
        EXPECT_FALSE(w->choiceButton(2)->isEnabled());
        grab(w, "delete-records.png");
        dialogs.answers.enqueue(true);
        w->deleteButton()->click();
    });
    win.action(QStringLiteral("deleteRecords"))->trigger();
    EXPECT_EQ(win.file().table()->recordCount(), 0u);
    EXPECT_TRUE(dialogs.infos().contains(QStringLiteral("Deleted 2 records")));
    EXPECT_EQ(win.file().table()->check(), std::vector<std::string>{});
}

}  // namespace

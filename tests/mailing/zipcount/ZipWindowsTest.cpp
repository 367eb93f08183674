// "Count Zip Codes" offscreen: the count on first activation, the preview
// through the status window at 100 %, and printing to the PDF printer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include "address/AddressSchema.h"
#include "common/ScriptedDialogs.h"
#include "mailing/ui/ZipCountWindows.h"
#include "printer/Printers.h"
#include "printing/ui/TPreviewForm.h"
#include "store/Table.h"

using namespace brindle;

namespace {

void grab(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("BRINDLE_SCREENSHOTS");
    if (!dir.isEmpty()) w->grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
}

TEST(ZipWindows, CountsOnShowPreviewsAtFullSizeAndPrintsToPdf) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Wałęsa.dbf")).toStdString();
    address::createAddressFile(path, address::FieldLengths::defaults());
    auto t = store::Table::open(path);
    for (int i = 0; i < 120; ++i) {
        t->append();
        t->setString("ZIP", std::to_string(10001 + i % 40) + (i % 3 ? "" : "-1234"));
        t->post();
    }
    for (const char* zip : {"1234", "K1A 0B6", ""}) {
        t->append();
        t->setString("ZIP", zip);
        t->post();
    }
    common::ScriptedDialogs dialogs;
    mailing::ui::TCountZipCodes w(*t, dialogs, dir.filePath(QStringLiteral("BRINDL.ini")));
    w.show();
    QElapsedTimer timer;
    timer.start();
    while (!w.session().counted() && timer.elapsed() < 10000) QApplication::processEvents();
    ASSERT_TRUE(w.session().counted());
    EXPECT_EQ(w.headingLabel()->text(), mailing::kZipCountFinished);
    EXPECT_TRUE(w.printButton()->isVisible());
    EXPECT_FALSE(w.cancelButton()->isVisible());
    grab(&w, "zipcount-window.png");

    QString statusAfter, previewTitle;
    int pages = 0;
    w.reportShown = [&](mailing::ui::TZipReport& status) {
        // Runs once the job has finished (the window stays on "Preview Ready!").
        statusAfter = status.statusLabel()->text();
        grab(&status, "zipcount-status.png");
        status.button()->click();
    };
    w.previewShown = [&](QDialog& preview) {
        previewTitle = preview.windowTitle();
        pages = static_cast<printing::TPreviewForm&>(preview).pageCount();
        preview.resize(900, 700);
        grab(&preview, "zipcount-preview.png");
        preview.accept();
    };
    w.PreviewClick();
    EXPECT_EQ(statusAfter, "Preview Ready!");
    EXPECT_EQ(previewTitle, "Preview Page 1 of 1 ( 100% )");
    EXPECT_EQ(pages, 1);

    // Print on the PDF printer: the file the user names is written.
    const QString pdf = dir.filePath(QStringLiteral("Zählung.pdf"));
    w.setPrinterName(printer::pdfPrinterName());
    dialogs.files.enqueue(pdf);
    statusAfter.clear();
    w.PrintClick();
    EXPECT_EQ(statusAfter, "Print Completed!");
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(5), "%PDF-");
}

}  // namespace

#include <QAction>
#include <QScopeGuard>
#include <QTimer>

#include "address/AddressFile.h"
#include "address/ui/TAddressMain.h"
#include "commands/Command.h"
#include "mailing/ui/MailingCommands.h"

namespace {

// The main window's "Count &Zip Codes" opens the window over its record set
// and gets its order and record back.
TEST(ZipWindows, MainWindowRowCountsTheFilteredSet) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("DATA"));
    const QByteArray home = qgetenv("BRINDLE_HOME");
    qputenv("BRINDLE_HOME", dir.path().toUtf8());
    const auto restoreHome = qScopeGuard([&] { qputenv("BRINDLE_HOME", home); });
    const QString path = dir.filePath(QStringLiteral("DATA/Müller.dbf"));
    address::createAddressFile(path.toStdString(), address::FieldLengths::defaults());
    {
        auto t = store::Table::open(path.toStdString());
        for (const char* zip : {"62701", "62701-1234", "1234", "62704"}) {
            t->append();
            t->setString("LNAME", "Doe");
            t->setString("ZIP", zip);
            t->setLogical("ISDEL", std::string(zip) == "62704");
            t->post();
        }
    }
    common::ScriptedDialogs dialogs;
    commands::CommandRegistry registry = commands::mainWindowCommands();
    mailing::ui::attachMailingCommands(registry);
    address::ui::TAddressMain win(dialogs, std::move(registry));
    win.setGettingStartedAllowed(false);
    win.firstActivation();
    ASSERT_TRUE(win.file().openBRWDBF(path));
    win.show();
    const int order = win.file().table()->order();
    win.file().table()->go(3);
    QStringList lines;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<mailing::ui::TCountZipCodes*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        const auto closeAtEnd = qScopeGuard([w] { w->close(); });
        QElapsedTimer timer;
        timer.start();
        while (!w->session().counted() && timer.elapsed() < 10000) QApplication::processEvents();
        for (const auto& l : w->session().lines()) lines << l.text();
    });
    ASSERT_TRUE(win.action(QStringLiteral("countZip"))->isEnabled());
    win.action(QStringLiteral("countZip"))->trigger();
    EXPECT_EQ(lines, (QStringList{"62701     2", "", "", "1234      1"}));
    EXPECT_EQ(win.file().table()->order(), order);
    EXPECT_EQ(win.file().table()->recNo(), 3u);
}

}  // namespace

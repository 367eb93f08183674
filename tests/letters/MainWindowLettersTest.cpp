// "Letters" in the main window opens the letters window on LETTER.DBF in
// sysdata/, and the address file is as it was afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "address/AddressFile.h"
#include "address/AddressTestSupport.h"
#include "address/ui/TAddressMain.h"
#include "common/ScriptedDialogs.h"
#include "letters/ui/LetterCommands.h"
#include "letters/ui/TBRLetters.h"
#include "letters/ui/TLetterPrint.h"
#include "letters/ui/TRTFPreviewForm.h"
#include "printer/CurrentPrinter.h"
#include "store/Table.h"

using namespace brindle;

namespace {

// The main window's command rows with the letters commands attached.
commands::CommandRegistry lettersRows() {
    commands::CommandRegistry rows = commands::mainWindowCommands();
    letters::ui::attachLetterCommands(rows);
    return rows;
}

// Stores the template "Hello" ("Dear [First] of [City].") in LETTER.DBF.
bool storeHelloLetter() {
    common::ScriptedDialogs quiet;
    auto letters = letters::LetterList::openLetterTable(quiet);
    if (!letters) return false;
    letters->append();
    letters->setString("DESCRIPT", "Hello");
    letters->setMemo("RTF", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Dear [First] of [City].}");
    letters->post();
    return true;
}

}  // namespace

TEST(MainWindowLetters, LettersButtonOpensTheListThroughTheGateway) {
    addrtest::ProgramHome home;
    addrtest::makeAddressFile(home.data("ADD0001.DBF"), {{"Baker", "Bob", "Zurich"}, {"Żak", "José", "Łódź"}});
    common::ScriptedDialogs dialogs;
    address::ui::TAddressMain w(dialogs, lettersRows());
    w.setGettingStartedAllowed(false);
    w.firstActivation();
    QPushButton* lettersButton = w.button(QStringLiteral("letters"));
    ASSERT_TRUE(lettersButton);
    address::AddressFile& file = w.file();
    file.last();
    const std::uint32_t before = file.recNo();

    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* s = qobject_cast<letters::ui::TBRLetters*>(QApplication::activeModalWidget());
        if (!s) return;
        seen << s->windowTitle() << QString::number(s->grid()->rowCount())
             << QString::number(s->button(QStringLiteral("Modify"))->isEnabled());
        s->accept();
    });
    lettersButton->click();
    EXPECT_EQ(seen, (QStringList{"Print Letters", "0", "0"}));
    // The table was made in sysdata/ with its index.
    EXPECT_TRUE(QFile::exists(home.path(QStringLiteral("sysdata/LETTER.DBF"))));
    EXPECT_TRUE(QFile::exists(home.path(QStringLiteral("sysdata/LETTER.CDX"))));
    EXPECT_EQ(file.recNo(), before);
}

// Print in the letters window runs the job on the current printer (a PDF
// file here) through the status window: all live records, two copies; the
// address file's filter and record are as before afterwards.
TEST(MainWindowLetters, PrintRunsTheJobThroughTheStatusWindow) {
    addrtest::ProgramHome home;
    addrtest::makeFile(home.data("ADD0001.DBF"), {{{"LNAME", "Baker"}, {"FNAME", "Bob"}, {"CITY", "Zurich"}},
                                                  {{"LNAME", "Gone"}, {"FNAME", "Deleted"}, {"CITY", "Nowhere"}},
                                                  {{"LNAME", "Müller"}, {"FNAME", "José"}, {"CITY", "Köln"}}});
    {
        auto t = store::Table::open(home.data("ADD0001.DBF").toStdString());
        t->go(2);
        t->edit();
        t->setLogical("ISDEL", true);
        t->post();
    }
    ASSERT_TRUE(storeHelloLetter());
    common::ScriptedDialogs dialogs;
    address::ui::TAddressMain w(dialogs, lettersRows());
    w.setGettingStartedAllowed(false);
    w.firstActivation();
    address::AddressFile& file = w.file();
    file.last();
    const std::uint32_t before = file.recNo();
    const QString pdf = home.path(QStringLiteral("letters.pdf"));
    printer::CurrentPrinter::instance().setPdfPath(pdf);
    if (!printer::CurrentPrinter::instance().isPdf()) GTEST_SKIP() << "a system printer is the default";

    QString status;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* p = qobject_cast<letters::ui::TLetterPrint*>(QApplication::activeModalWidget());
        if (p && p->finished()) {
            status = p->messageLine()->text();
            p->button()->click();
        }
    });
    closer.start(20);
    QTimer::singleShot(0, [&] {
        auto* s = qobject_cast<letters::ui::TBRLetters*>(QApplication::activeModalWidget());
        if (!s) return;
        EXPECT_TRUE(s->button(QStringLiteral("Print"))->isEnabled());
        EXPECT_TRUE(s->button(QStringLiteral("Preview"))->isEnabled());
        s->choice(QStringLiteral("All records"))->setChecked(true);
        s->findChild<QSpinBox*>()->setValue(2);
        s->button(QStringLiteral("Print"))->click();
        s->accept();
    });
    w.button(QStringLiteral("letters"))->click();
    EXPECT_EQ(status, QStringLiteral("Letter Print Completed!"));
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (p.waitForFinished(30000)) {
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_EQ(text.count(QStringLiteral("Dear Bob of Zurich.")), 2) << text.toStdString();
        EXPECT_EQ(text.count(QString::fromUtf8("Dear José of Köln.")), 2) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Nowhere")));
    }
    EXPECT_EQ(file.recNo(), before);
}

// Preview in the letters window opens the letter preview on the main
// window's record; its record buttons move the file, which the letters
// gateway puts back when the window closes.
TEST(MainWindowLetters, PreviewShowsTheLetterAndMovesTheRecord) {
    addrtest::ProgramHome home;
    // A Windows-1251 file: the Cyrillic name reaches the preview as stored.
    addrtest::makeFile(home.data("ADD0001.DBF"), {{{"LNAME", "Baker"}, {"FNAME", "Bob"}}, {{"LNAME", "Петров"}, {"FNAME", "Иван"}}},
                       address::FieldLengths::defaults(), addrtest::kWindows1251);
    ASSERT_TRUE(storeHelloLetter());
    common::ScriptedDialogs dialogs;
    address::ui::TAddressMain w(dialogs, lettersRows());
    w.setGettingStartedAllowed(false);
    w.firstActivation();
    address::AddressFile& file = w.file();
    file.first();
    const std::uint32_t before = file.recNo();

    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* s = qobject_cast<letters::ui::TBRLetters*>(QApplication::activeModalWidget());
        if (!s) return;
        QTimer::singleShot(0, [&] {
            auto* p = qobject_cast<letters::ui::TRTFPreviewForm*>(QApplication::activeModalWidget());
            if (!p) return;
            seen << p->windowTitle() << p->recordLine()->text().section(QStringLiteral("    "), 0, 0);
            p->button(QStringLiteral("nextRecordButton"))->click();
            seen << p->recordLine()->text().section(QStringLiteral("    "), 0, 0) << QString::number(file.recNo());
            p->accept();
        });
        s->button(QStringLiteral("Preview"))->click();
        s->accept();
    });
    w.button(QStringLiteral("letters"))->click();
    EXPECT_EQ(seen, (QStringList{"Preview Letters", "Record 1: Bob Baker", QString::fromUtf8("Record 2: Иван Петров"), "2"}));
    EXPECT_EQ(file.recNo(), before);
}

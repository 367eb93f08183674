// "Letters" in the main window opens the letters window on LETTER.DBF in
// sysdata/, and the address file is as it was afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "address/AddressFile.h"
#include "address/AddressTestSupport.h"
#include "address/ui/TAddressMain.h"
#include "common/ScriptedDialogs.h"
#include "letters/ui/LetterCommands.h"
#include "letters/ui/TBRLetters.h"

using namespace brindle;

TEST(MainWindowLetters, LettersButtonOpensTheListThroughTheGateway) {
    addrtest::ProgramHome home;
    addrtest::makeAddressFile(home.data("ADD0001.DBF"), {{"Baker", "Bob", "Zurich"}, {"Żak", "José", "Łódź"}});
    common::ScriptedDialogs dialogs;
    commands::CommandRegistry rows = commands::mainWindowCommands();
    letters::ui::attachLetterCommands(rows);
    address::ui::TAddressMain w(dialogs, std::move(rows));
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

// "Labels" in the main window: the list opens on LABEL.DBF in sysdata/, works
// there, and the address file is as it was afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "address/AddressFile.h"
#include "address/AddressTestSupport.h"
#include "address/ui/TAddressMain.h"
#include "common/ScriptedDialogs.h"
#include "common/SystemTables.h"
#include "LabelTestSupport.h"
#include "labels/ui/LabelCommands.h"
#include "labels/ui/TLabelSetupScreen.h"

using namespace brindle;

TEST(MainWindowLabels, LabelsButtonOpensTheListAndCloneWorksThere) {
    addrtest::ProgramHome home;
    addrtest::makeAddressFile(home.data("ADD0001.DBF"), {{"Baker", "Bob", "Zurich"}, {"Żak", "José", "Łódź"}});
    common::ScriptedDialogs dialogs;
    {
        // LABEL.DBF is made on first use, with its tag.
        auto table = common::openLabelTable(dialogs);
        ASSERT_TRUE(table);
        table->append();
        ASSERT_TRUE(labels::writeLabelSetup(
            *table, labeltest::sampleSetup(QStringLiteral("Shipping 4x6"), QStringLiteral("BIN00001.L")), dialogs));
        table->post();
    }
    {
        labeltest::Sysdata scratch;  // a design file made there, copied into the program's sysdata
        scratch.writeDesign(QStringLiteral("BIN00001.L"));
        ASSERT_TRUE(QFile::copy(scratch.file(QStringLiteral("BIN00001.L")), home.path(QStringLiteral("sysdata/bin00001.l"))));
    }

    commands::CommandRegistry rows = commands::mainWindowCommands();
    labels::ui::attachLabelCommands(rows);
    address::ui::TAddressMain w(dialogs, std::move(rows));
    w.setGettingStartedAllowed(false);
    w.firstActivation();
    QPushButton* labelsButton = w.button(QStringLiteral("labels"));
    ASSERT_TRUE(labelsButton);
    ASSERT_TRUE(labelsButton->isEnabled());
    address::AddressFile& file = w.file();
    file.last();
    const std::uint32_t before = file.recNo();

    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* s = qobject_cast<labels::ui::TLabelSetupScreen*>(QApplication::activeModalWidget());
        if (!s) return;
        seen << s->windowTitle() << QString::number(s->grid()->rowCount());
        dialogs.answers.enqueue(true);
        s->button(QStringLiteral("Clone"))->click();
        seen << QString::number(s->grid()->rowCount());
        seen << s->detailText(QStringLiteral("Sheet Name"));
        s->accept();
    });
    QTimer::singleShot(5000, [] {
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    labelsButton->click();
    EXPECT_EQ(seen, (QStringList{"Print Labels", "1", "2", "Shipping 1-1/2 x 4"})) << dialogs.infos().join(";").toStdString();
    EXPECT_TRUE(QFile::exists(home.path(QStringLiteral("sysdata/BIN00002.L"))));
    EXPECT_EQ(file.recNo(), before);
}

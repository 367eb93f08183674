// "Print Labels" New and Modify through the label designer: the design is
// saved first, the row stored after, and Modify opens the stored design.
#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "LabelTestSupport.h"
#include "address/AddressTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "designer/ui/TLabelDesignScreen.h"
#include "designobjects/MultiLineLabels.h"
#include "labels/ui/TLabelSetupScreen.h"

using namespace brindle;
using designer::ui::TLabelDesignScreen;
using labels::ui::TLabelSetupScreen;

namespace {

// Runs `step` on the designer once it is shown modally.
void onDesigner(const std::function<void(TLabelDesignScreen&)>& step, bool* ran) {
    QTimer::singleShot(0, [step, ran] {
        auto* d = qobject_cast<TLabelDesignScreen*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        *ran = true;
        step(*d);
    });
}

TEST(LabelDesignFlow, NewSavesDesignAndRowAndModifyOpensThem) {
    // The program folder (settings, clip file) and the open address file.
    addrtest::OpenFile open(std::vector<addrtest::Fields>{{{"LNAME", "Müller"}, {"FNAME", "José"}, {"CITY", "Köln"}}});
    labeltest::Sysdata sys;
    common::ScriptedDialogs& dialogs = open.dialogs;
    TLabelSetupScreen w(sys.labels(), sys.path(), dialogs);
    w.setAddressFile(&open.file);
    w.show();
    ASSERT_TRUE(w.button("New")->isEnabled());

    bool ran = false;
    const QString name = QString::fromUtf8("Christmas – Müller");
    onDesigner(
        [&](TLabelDesignScreen& d) {
            EXPECT_TRUE(d.editor().opened());
            EXPECT_EQ(d.descriptionEdit()->text(), "<New Label>");
            EXPECT_EQ(dialogs.infos().size(), 1);  // the new label's message
            EXPECT_EQ(d.surface().objects().size(), 1u);  // the address block
            d.descriptionEdit()->setText(name);
            emit d.descriptionEdit()->textEdited(name);
            if (const QString out = qEnvironmentVariable("SCREENSHOT_DIR"); !out.isEmpty())
                d.grab().save(out + "/designer-new-label.png");
            d.saveButtonClick();
        },
        &ran);
    w.button("New")->click();
    ASSERT_TRUE(ran);
    ASSERT_EQ(w.grid()->rowCount(), 1);
    EXPECT_EQ(w.list().current().descript, name);
    const QString binary = w.list().current().binary;
    ASSERT_FALSE(binary.isEmpty());
    EXPECT_TRUE(QFile::exists(sys.file(binary)));

    // Modify opens the stored design; Cancel leaves row and file as they were.
    QFile f(sys.file(binary));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray stored = f.readAll();
    f.close();
    ran = false;
    onDesigner(
        [&](TLabelDesignScreen& d) {
            EXPECT_EQ(d.surface().objects().size(), 1u);
            if (!d.surface().objects().empty())
                EXPECT_NE(qobject_cast<designobjects::TKDMultiLineAddressLabel*>(d.surface().objects()[0]), nullptr);
            EXPECT_EQ(d.descriptionEdit()->text(), name);
            d.descriptionEdit()->setText("changed");
            emit d.descriptionEdit()->textEdited("changed");
            d.cancelButton()->click();
        },
        &ran);
    w.button("Modify")->click();
    ASSERT_TRUE(ran);
    EXPECT_EQ(w.list().current().descript, name);
    QFile again(sys.file(binary));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), stored);
}

}  // namespace

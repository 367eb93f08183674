// The label windows driven offscreen: typing, clicking and what they hand
// back; with LABELS_SCREENSHOT_DIR set, each also leaves a picture of itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>

#include "LabelTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "labels/ui/LabelCommands.h"
#include "labels/ui/LabelLayoutDialogs.h"
#include "labels/ui/PrinterPaperTarget.h"
#include "labels/ui/TLabelSetupScreen.h"

using namespace brindle;
using common::ScriptedDialogs;
using labels::LabelEditModel;
using labels::LabelSetup;
using namespace labels::ui;

namespace {

void type(QWidget* w, const QString& text) {
    w->setFocus();
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
    }
}

void replaceText(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    type(edit, text);
}

void shoot(QWidget& w, const char* name) {
    const QByteArray dir = qgetenv("LABELS_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    w.adjustSize();
    w.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/") + QString::fromLatin1(name) + QStringLiteral(".png"));
}

}  // namespace

TEST(TChooseLabelLayout, ReturnsTheChosenWayOrNothing) {
    TChooseLabelLayout dlg;
    EXPECT_EQ(dlg.windowTitle(), "Label Layout");
    EXPECT_TRUE(dlg.templateButton()->isChecked());
    shoot(dlg, "choose-layout");
    dlg.manualButton()->setChecked(true);
    dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.choice(), TChooseLabelLayout::Choice::Manual);

    TChooseLabelLayout cancelled;
    cancelled.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    EXPECT_EQ(cancelled.choice(), std::nullopt);
}

TEST(TLabelEdit, TypedMillimetresComeBackAsInches) {
    ScriptedDialogs dialogs;
    TLabelEdit dlg(labels::fallbackLabelSetup(), dialogs);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "User Defined Label Layout");
    EXPECT_TRUE(dlg.inchesButton()->isChecked());
    EXPECT_EQ(dlg.paperList()->currentIndex(), -1);
    EXPECT_EQ(dlg.shapeList()->currentText(), "Rectangular with Rounded Edges");
    EXPECT_EQ(dlg.lengthEdit(LabelEditModel::Width)->text(), "2.625");

    dlg.millimetresButton()->setChecked(true);
    EXPECT_EQ(dlg.lengthEdit(LabelEditModel::Width)->text(), "67");
    replaceText(dlg.lengthEdit(LabelEditModel::Height), QStringLiteral("25"));
    replaceText(dlg.lengthEdit(LabelEditModel::Width), QStringLiteral("67"));
    // The millimetre fields take whole numbers of up to three digits only.
    replaceText(dlg.lengthEdit(LabelEditModel::TopMargin), QStringLiteral("12.5x"));
    EXPECT_EQ(dlg.lengthEdit(LabelEditModel::TopMargin)->text(), "125");
    replaceText(dlg.lengthEdit(LabelEditModel::TopMargin), QStringLiteral("13"));
    dlg.paperList()->setCurrentIndex(2);
    emit dlg.paperList()->activated(2);  // as a choice by the user
    EXPECT_EQ(dlg.lengthEdit(LabelEditModel::PaperWidth)->text(), "210");
    shoot(dlg, "label-edit-mm");
    dlg.okButton()->click();
    ASSERT_TRUE(dlg.result()) << dialogs.infos().join(";").toStdString();
    EXPECT_FLOAT_EQ(dlg.result()->lblHeight, 0.984F);
    EXPECT_FLOAT_EQ(dlg.result()->lblWidth, 2.638F);
    EXPECT_FLOAT_EQ(dlg.result()->topMarg, 0.512F);
    EXPECT_FLOAT_EQ(dlg.result()->leftMarg, 0.188F);  // untouched: exactly as it came
    EXPECT_FLOAT_EQ(dlg.result()->sheetWidth, 8.27F);
    EXPECT_EQ(dlg.result()->paperSize, "A4");
}

TEST(TLabelEdit, ACheckThatFailsKeepsTheDialogOpen) {
    ScriptedDialogs dialogs;
    LabelSetup in = labels::fallbackLabelSetup();
    in.nbrAcross = 1;
    TLabelEdit dlg(in, dialogs);
    dlg.show();
    replaceText(dlg.lengthEdit(LabelEditModel::Width), QStringLiteral("2.0"));
    replaceText(dlg.lengthEdit(LabelEditModel::HorizPitch), QStringLiteral("1.5"));
    dlg.acrossSpin()->setValue(2);
    dlg.okButton()->click();
    EXPECT_FALSE(dlg.result());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dialogs.infos(), QStringList{"Horizontal Pitch must be at least = Label Width"});

    // Leaving the width field pulls the pitch up to it; then the layout passes.
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(dlg.lengthEdit(LabelEditModel::Width), &leave);
    EXPECT_EQ(dlg.lengthEdit(LabelEditModel::HorizPitch)->text(), "2.0");
    dlg.okButton()->click();
    ASSERT_TRUE(dlg.result());
    EXPECT_FLOAT_EQ(dlg.result()->horizPitch, 2.0F);
    EXPECT_EQ(dlg.result()->paperSize, "LTR");  // list untouched: the incoming code
}

TEST(TSelectLabel, FiltersPositionsAndReturnsTheRow) {
    labeltest::Sysdata sys;
    QString error;
    if (!labeltest::writeCatalogueWithPython(sys.path(), &error))
        GTEST_SKIP() << "python3-dbf could not write the catalogue: " << error.toStdString();
    auto catalogue =
        store::Table::open(sys.file(QStringLiteral("LBLTPL.DBF")).toStdString(), store::OpenMode::ReadOnly);
    ScriptedDialogs dialogs;
    LabelSetup current = labels::newLabelSetup();
    current.tplDescrip = QStringLiteral("Avery 5163 Shipping");
    TSelectLabel dlg(*catalogue, current, dialogs);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Select Label Template");
    EXPECT_EQ(dlg.manufacturerList()->currentText(), "Avery Laserjet");
    EXPECT_EQ(dlg.productList()->currentText(), "Address/Shipping Labels");
    EXPECT_EQ(dlg.grid()->rowCount(), 3);
    EXPECT_EQ(dlg.grid()->currentRow(), 1);
    EXPECT_EQ(dlg.detailText(QStringLiteral("Label Width")), "4.0");
    EXPECT_EQ(dlg.detailText(QStringLiteral("# Down")), "5");
    shoot(dlg, "select-label");

    // Insert adds no row.
    QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
    QApplication::sendEvent(dlg.grid(), &insert);
    EXPECT_EQ(dlg.grid()->rowCount(), 3);

    dlg.productList()->setCurrentIndex(1);  // card products
    EXPECT_EQ(dlg.grid()->rowCount(), 2);
    dlg.europeanBox()->setChecked(true);
    dlg.manufacturerList()->setCurrentIndex(3);  // Costar: nothing matches
    EXPECT_EQ(dlg.grid()->rowCount(), 0);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    EXPECT_FALSE(dlg.grid()->isEnabled());
    dlg.manufacturerList()->setCurrentIndex(0);
    ASSERT_EQ(dlg.grid()->rowCount(), 2);
    dlg.grid()->setCurrentCell(1, 0);
    dlg.okButton()->click();
    ASSERT_TRUE(dlg.chosen());
    EXPECT_EQ(dlg.chosen()->descript, "Avery A4 Landscape");
    EXPECT_EQ(dlg.chosen()->paperSize, "A4L");
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(TLabelSetupScreen, EmptyListLeavesOnlyNewOkAndHelp) {
    labeltest::Sysdata sys;
    ScriptedDialogs dialogs;
    TLabelSetupScreen w(sys.labels(), sys.path(), dialogs);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Print Labels");
    EXPECT_EQ(w.grid()->rowCount(), 0);
    EXPECT_FALSE(w.grid()->isEnabled());
    for (const char* b : {"Modify", "Delete", "Clone", "Print", "Preview"})
        EXPECT_FALSE(w.button(QString::fromLatin1(b))->isEnabled()) << b;
    EXPECT_TRUE(w.button(QStringLiteral("Ok"))->isEnabled());
    EXPECT_TRUE(w.button(QStringLiteral("New"))->isEnabled());
    EXPECT_TRUE(w.detailText(QStringLiteral("Sheet Name")).isEmpty());
    shoot(w, "print-labels-empty");
}

TEST(TLabelSetupScreen, ShowsDetailsDeletesAndClones) {
    labeltest::Sysdata sys;
    sys.writeDesign(QStringLiteral("BIN00001.L"));
    LabelSetup user = labeltest::sampleSetup(QStringLiteral("Christmas cards – Müller"), QStringLiteral("BIN00001.L"));
    user.tplDescrip.clear();
    sys.addRow(user);
    sys.addRow(labeltest::sampleSetup(QStringLiteral("Address labels"), QStringLiteral("BIN00002.L")));
    sys.labels().first();
    ScriptedDialogs dialogs;
    TLabelSetupScreen w(sys.labels(), sys.path(), dialogs);
    w.show();
    ASSERT_EQ(w.grid()->rowCount(), 2);
    EXPECT_EQ(w.grid()->item(0, 0)->text(), "Address labels");
    EXPECT_EQ(w.detailText(QStringLiteral("Sheet Name")), "Shipping 1-1/2 x 4");
    EXPECT_EQ(w.detailText(QStringLiteral("Paper Size")), "A4");
    EXPECT_EQ(w.detailText(QStringLiteral("Paper Height")), "11.0");
    EXPECT_TRUE(w.button(QStringLiteral("Delete"))->isEnabled());
    // Print and Preview run the label engine once a setup exists.
    EXPECT_TRUE(w.button(QStringLiteral("Print"))->isEnabled());
    EXPECT_TRUE(w.button(QStringLiteral("Preview"))->isEnabled());
    EXPECT_TRUE(w.button(QStringLiteral("Clone"))->isEnabled());

    w.grid()->setCurrentCell(1, 0);
    EXPECT_EQ(w.detailText(QStringLiteral("Sheet Name")), "[User Defined]");
    dialogs.answers.enqueue(true);
    w.button(QStringLiteral("Clone"))->click();
    ASSERT_EQ(w.grid()->rowCount(), 3);
    EXPECT_EQ(w.grid()->item(w.grid()->currentRow(), 0)->text(), "Clone of :Christmas cards – Müller");
    shoot(w, "print-labels");

    w.grid()->setCurrentCell(0, 0);
    dialogs.answers.enqueue(true);
    w.button(QStringLiteral("Delete"))->click();
    ASSERT_EQ(w.grid()->rowCount(), 2);
    EXPECT_EQ(w.grid()->item(0, 0)->text(), "Christmas cards – Müller");
    EXPECT_EQ(dialogs.texts(ScriptedDialogs::Kind::YesNo),
              (QStringList{"Clone \"Christmas cards – Müller\"?", "Delete \"Address labels\"?"}));
    EXPECT_TRUE(dialogs.infos().isEmpty());
}

TEST(LabelCommands, PrintLabelsRowGetsItsWork) {
    commands::CommandRegistry registry = commands::mainWindowCommands();
    ASSERT_NE(registry.find(QStringLiteral("printLabels")), nullptr);
    EXPECT_FALSE(registry.find(QStringLiteral("printLabels"))->available());
    attachLabelCommands(registry);
    EXPECT_TRUE(registry.find(QStringLiteral("printLabels"))->available());
}

TEST(PrinterPaperTarget, PaperAndOrientationReachThePrinter) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    labels::ui::PrinterPaperTarget target(printer);
    ScriptedDialogs dialogs;

    LabelSetup a4 = labels::fallbackLabelSetup();
    a4.paperSize = QStringLiteral("A4L");
    a4.sheetWidth = 11.69F;
    a4.sheetDepth = 8.27F;
    EXPECT_TRUE(labels::applyPaperSize(a4, target, dialogs));
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);

    LabelSetup roll = labels::fallbackLabelSetup();
    roll.paperSize = QStringLiteral("USERP");
    roll.sheetWidth = 4.0F;
    roll.sheetDepth = 1.5F;
    EXPECT_TRUE(labels::applyPaperSize(roll, target, dialogs));
    EXPECT_NEAR(target.pageWidth(), 4.0, 0.01);
    EXPECT_NEAR(target.pageHeight(), 1.5, 0.01);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);

    // A Letter setup whose sheet was typed as A4 cannot be confirmed.
    LabelSetup wrong = labels::fallbackLabelSetup();
    wrong.sheetWidth = 8.27F;
    wrong.sheetDepth = 11.69F;
    EXPECT_FALSE(labels::applyPaperSize(wrong, target, dialogs));
    EXPECT_EQ(dialogs.shown.size(), 1);
}

// Undo and redo beyond the objects (layout and description), and the stock
// artwork behind a design.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QToolButton>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "common/ScriptedDialogs.h"
#include "designer/DesignHistory.h"
#include "designer/LabelArt.h"
#include "designer/LabelDesignEditor.h"
#include "designer/ui/TLabelDesignScreen.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/TKGraphicControl.h"

using namespace brindle;
using designer::LabelStock;
using designobjects::DesignSurface;

namespace {

LabelStock stock(double w, double h, const QString& art = {}, const QString& maker = "AVERY") {
    LabelStock s;
    s.widthInches = w;
    s.heightInches = h;
    s.shapeCode = "RR";
    s.templateDescription = "Shipping";
    s.manufacturer = maker;
    s.art = art;
    s.setup = QString("setup %1").arg(w);  // what the caller would hand in
    return s;
}

class LayoutUndoAndArt : public ::testing::Test {
protected:
    void open(const LabelStock& st) {
        surface.setClipFilePath(QString());
        editor = std::make_unique<designer::LabelDesignEditor>(surface, dialogs, st);
        editor->setDescription("Christmas cards");
        editor->open(false);
    }
    void settle() { QCoreApplication::processEvents(); }
    QByteArray design() { return surface.storedBytes(); }

    common::ScriptedDialogs dialogs;
    DesignSurface surface;
    std::unique_ptr<designer::LabelDesignEditor> editor;
};

TEST_F(LayoutUndoAndArt, UndoOfALayoutChangeBringsBackStockObjectsAndTheCallersRecord) {
    open(stock(4.0, 2.0));
    surface.setZoom(1.5f);  // undo works on the design at any zoom
    auto* code = new designobjects::TKPostNetBarCode;
    surface.addObject(code, QRect(9, 150, 405, 24));
    settle();
    const QByteArray before = design();
    const QSize sizeBefore = surface.designSize();

    editor->changeLayout(stock(2.0, 1.0, {}, "USER"));  // too narrow: the POSTNET code goes
    settle();
    ASSERT_EQ(surface.objects().size(), 0u);
    ASSERT_EQ(surface.designSize(), QSize(192, 96));

    auto* history = editor->history();
    ASSERT_TRUE(history->undo());
    EXPECT_EQ(design(), before);
    EXPECT_EQ(surface.designSize(), sizeBefore);
    EXPECT_EQ(surface.size(), QSize(576, 288));  // shown at 1.5 again
    EXPECT_EQ(editor->layoutCaption(), "Layout:  Shipping");
    EXPECT_EQ(std::any_cast<QString>(editor->stock().setup), "setup 4");
    ASSERT_TRUE(history->redo());
    EXPECT_EQ(surface.objects().size(), 0u);
    EXPECT_EQ(surface.designSize(), QSize(192, 96));
    EXPECT_EQ(editor->layoutCaption(), "Layout:  User Defined Label Layout");
    EXPECT_EQ(std::any_cast<QString>(editor->stock().setup), "setup 2");
}

TEST_F(LayoutUndoAndArt, TypingADescriptionIsOneStepAndUndoGivesTheTextBack) {
    open(stock(2.625, 1.0));
    QStringList restored;
    QObject::connect(editor.get(), &designer::LabelDesignEditor::descriptionRestored,
                     [&](const QString& t) { restored << t; });
    for (const char* typed : {"Christmas cards W", "Christmas cards Wa", "Christmas cards Wał"}) {
        editor->setDescription(QString::fromUtf8(typed));
        settle();
    }
    surface.setSizeInches(2.625, 1.0);  // no change of the design: no step
    auto* history = editor->history();
    ASSERT_TRUE(history->undo());
    EXPECT_EQ(editor->description(), "Christmas cards");
    EXPECT_FALSE(history->canUndo());
    ASSERT_TRUE(history->redo());
    EXPECT_EQ(editor->description(), QString::fromUtf8("Christmas cards Wał"));
    EXPECT_EQ(restored, (QStringList{"Christmas cards", QString::fromUtf8("Christmas cards Wał")}));
    // An object edit between two typing runs keeps them apart.
    editor->setDescription("A");
    settle();
    surface.addObject(new designobjects::TKPostNetBarCode, QRect(5, 5, 270, 16));
    settle();
    editor->setDescription("AB");
    settle();
    ASSERT_TRUE(history->undo());
    EXPECT_EQ(editor->description(), "A");
    EXPECT_EQ(surface.objects().size(), 1u);
}

TEST_F(LayoutUndoAndArt, StockArtIsASilverPictureAtDesignSizeThatFollowsTheLayout) {
    EXPECT_EQ(designer::stockArtNames().size(), 25);
    EXPECT_EQ(designer::stockArtKey(" av5824.bmp "), "AV5824");
    EXPECT_TRUE(designer::hasStockArt("avwsi15"));
    EXPECT_FALSE(designer::hasStockArt("AV9999"));
    EXPECT_FALSE(designer::hasStockArt(""));

    open(stock(4.0, 2.0, "av5196.pcx"));
    ASSERT_TRUE(editor->artAvailable());
    EXPECT_TRUE(editor->artShown());  // starts down where there is art
    const QImage art = surface.picture();
    ASSERT_EQ(art.size(), QSize(384, 192));
    int silver = 0;
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x) {
            const QRgb c = art.pixel(x, y) & 0xFFFFFF;
            ASSERT_TRUE(c == 0xFFFFFF || c == 0xC0C0C0) << x << "," << y;
            silver += c == 0xC0C0C0;
        }
    EXPECT_GT(silver, 100);
    surface.setZoom(0.5f);
    EXPECT_EQ(surface.picture().size(), QSize(384, 192));  // drawn at zoom 1.0, stretched when shown
    // Art is never part of the design.
    EXPECT_EQ(design(), QByteArray::fromHex("0100"));

    editor->setArtShown(false);
    EXPECT_TRUE(surface.picture().isNull());
    editor->setArtShown(true);
    // Another stock with art, while shown: drawn again at the new size.
    editor->changeLayout(stock(2.0, 2.0, "AV5824"));
    EXPECT_EQ(surface.picture().size(), QSize(192, 192));
    // A user-defined layout has no art: off and unavailable.
    editor->changeLayout(stock(3.0, 1.0, {}, "USER"));
    EXPECT_FALSE(editor->artAvailable());
    EXPECT_FALSE(editor->artShown());
    EXPECT_TRUE(surface.picture().isNull());
    editor->setArtShown(true);
    EXPECT_FALSE(editor->artShown());
}

TEST(LabelDesignScreenArt, ArtToggleIsEnabledOnlyForStockWithArt) {
    QTemporaryDir dir;
    common::ScriptedDialogs dialogs;
    for (const auto& [art, enabled] : {std::pair{QString("AV8166"), true}, {QString("NOPICT"), false}}) {
        designer::ui::TLabelDesignScreen screen(stock(4.0, 1.5, art), "Labels", dialogs, dir.filePath("BRINDL.ini"));
        screen.surface().setClipFilePath(QString());
        screen.openDesign(false);
        EXPECT_EQ(screen.artButton()->isEnabled(), enabled) << art.toStdString();
        EXPECT_EQ(screen.artButton()->isChecked(), enabled);
        EXPECT_EQ(screen.surface().picture().isNull(), !enabled);
        if (!enabled) continue;
        screen.artButton()->click();
        EXPECT_TRUE(screen.surface().picture().isNull());
        // Undo in the window gives the description edit its text back.
        screen.descriptionEdit()->setText("Labels 2");
        screen.editor().setDescription("Labels 2");
        QCoreApplication::processEvents();
        ASSERT_TRUE(screen.history()->undo());
        EXPECT_EQ(screen.descriptionEdit()->text(), "Labels");
    }
}

}  // namespace

namespace {

// Shown by its caller, a new label is opened as the window shows, and the
// message comes once the window is on the screen, exactly once.
TEST(LabelDesignScreenShow, NewLabelIsToldOnceTheWindowIsShown) {
    QTemporaryDir dir;
    common::ScriptedDialogs dialogs;
    designer::ui::TLabelDesignScreen screen(stock(2.625, 1.0), "<New Label>", dialogs, dir.filePath("BRINDL.ini"));
    screen.surface().setClipFilePath(QString());
    screen.setNewLabel(true);
    screen.show();
    EXPECT_TRUE(screen.editor().opened());
    EXPECT_EQ(dialogs.infos(), QStringList{designer::LabelDesignEditor::newLabelMessage()});
    EXPECT_EQ(screen.surface().objects().size(), 1u);
    EXPECT_GT(screen.width(), 400);  // sized by its layout before it was placed
    screen.hide();
    screen.show();
    EXPECT_EQ(dialogs.infos().size(), 1);
}

}  // namespace

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/ui/Placement.h"
#include "common/ui/QtUserDialogs.h"

using namespace brindle::common;

namespace {

TEST(PlacementArithmetic, SectionNames) {
    EXPECT_EQ(placementSection("TAddressMain", 96), "TAddressMain_Placement");
    EXPECT_EQ(placementSection("TAddressMain", 72), "TAddressMain_Placement");
    EXPECT_EQ(placementSection("TAddressMain", 120), "TAddressMain_Placement120");
}

TEST(PlacementArithmetic, StoredRectangleIsFittedToTheScreen) {
    // Fits: unchanged.
    Placement p = restorePlacementRect({10, 20, 810, 620, false}, 1024, 768);
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.right, 810);
    EXPECT_EQ(p.top, 20);
    EXPECT_EQ(p.bottom, 620);
    // Beyond a smaller screen: moved left and up so the edges meet the screen's.
    p = restorePlacementRect({500, 400, 1300, 1000, true}, 1024, 768);
    EXPECT_EQ(p.left, 224);
    EXPECT_EQ(p.right, 1024);
    EXPECT_EQ(p.top, 168);
    EXPECT_EQ(p.bottom, 768);
    EXPECT_TRUE(p.maximized);
    // Wider than the screen: the left edge stays on it.
    p = restorePlacementRect({100, 0, 1500, 500, false}, 1024, 768);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.right, 1024);
    EXPECT_FALSE(Placement{}.stored());
}

TEST(PlacementArithmetic, CentringRoundsHalvesTowardZero) {
    EXPECT_EQ(centredTopLeft(QRect(100, 50, 801, 601), QSize(200, 100)), QPoint(100 + 300, 50 + 250));
    EXPECT_EQ(centredTopLeft(QRect(0, 0, 100, 100), QSize(301, 201)), QPoint(-100, -50));
}

TEST(PlacementArithmetic, SameSettingsFileKeepsOnePlacementPerResolution) {
    QTemporaryDir dir;
    ProfileFile ini(dir.filePath("BRINDL.ini"));
    writePlacement(ini, placementSection("TPreviewForm", 96), {1, 2, 3, 4, false});
    writePlacement(ini, placementSection("TPreviewForm", 120), {5, 6, 7, 8, true});
    const Placement at96 = readPlacement(ini, placementSection("TPreviewForm", 96), true);
    const Placement at120 = readPlacement(ini, placementSection("TPreviewForm", 120), false);
    EXPECT_EQ(at96.right, 3);
    EXPECT_FALSE(at96.maximized);
    EXPECT_EQ(at120.left, 5);
    EXPECT_TRUE(at120.maximized);
    // Nothing stored: zeros, and Maximized follows the window's present state.
    const Placement none = readPlacement(ini, "TLetterDesign_Placement", true);
    EXPECT_FALSE(none.stored());
    EXPECT_TRUE(none.maximized);
}

TEST(PlacementWidgets, RestoreAndSaveRoundTripOnARealWindow) {
    QTemporaryDir dir;
    ProfileFile ini(dir.filePath("BRINDL.ini"));
    QWidget main;
    main.setGeometry(100, 100, 600, 400);
    const QString section = placementSection("TAddressBrowseForm", main.logicalDpiY());

    // Nothing stored: centred over the main window, and saved at once.
    QWidget w;
    w.resize(200, 100);
    restorePlacement(&w, "TAddressBrowseForm", ini, &main);
    EXPECT_EQ(w.frameGeometry().topLeft(), centredTopLeft(main.frameGeometry(), w.frameGeometry().size()));
    EXPECT_NE(ini.readInt(section, "Bottom", 0), 0);

    // A stored rectangle comes back as it was.
    writePlacement(ini, section, {40, 50, 340, 250, false});
    QWidget again;
    restorePlacement(&again, "TAddressBrowseForm", ini, &main);
    EXPECT_EQ(again.geometry(), QRect(40, 50, 300, 200));
    again.move(60, 70);
    savePlacement(&again, "TAddressBrowseForm", ini);
    const Placement saved = readPlacement(ini, section, true);
    EXPECT_EQ(saved.left, 60);
    EXPECT_EQ(saved.top, 70);
    EXPECT_EQ(saved.right, 360);
    EXPECT_EQ(saved.bottom, 270);
    EXPECT_FALSE(saved.maximized);

    // Stored maximised: the window is maximised and keeps its normal rectangle.
    ini.writeBool(section, "Maximized", true);
    QWidget third;
    restorePlacement(&third, "TAddressBrowseForm", ini, &main);
    EXPECT_TRUE(third.windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(ini.readBool(section, "Maximized", false));
    EXPECT_EQ(ini.readInt(section, "Left", 0), 60);
}

TEST(QtUserDialogsText, FiltersAndLineBreaks) {
    EXPECT_EQ(QtUserDialogs::qtFilter("DBF Files|*.dbf"), "DBF Files (*.dbf)");
    EXPECT_EQ(QtUserDialogs::qtFilter("Text (*.txt;*.csv)|*.txt;*.csv|All Files|*.*"),
              "Text (*.txt *.csv);;All Files (*)");
    EXPECT_EQ(QtUserDialogs::displayText("There are no installed printers.\r\nUnable"),
              "There are no installed printers.\nUnable");

    QtUserDialogs d;
    d.beginBusy();
    d.beginBusy();
    EXPECT_TRUE(QGuiApplication::overrideCursor());
    d.endBusy();
    EXPECT_TRUE(QGuiApplication::overrideCursor());
    d.endBusy();
    d.endBusy();  // unmatched: ignored
    EXPECT_FALSE(QGuiApplication::overrideCursor());
}

}  // namespace

// The preview window on recorded jobs: title at each zoom mode, navigation by
// buttons and keys, the magnifier, an empty job, placement; and a screenshot.
#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "common/ProfileFile.h"
#include "printing/PageRecorder.h"
#include "printing/ui/PreviewPage.h"
#include "printing/ui/TPreviewForm.h"

using namespace brindle::printing;

namespace {

RecordedDocument sampleDocument(int pages) {
    PageRecorder r;
    for (int p = 1; p <= pages; ++p) {
        if (p > 1) r.newPage();
        r.setPen(0x000000, PenStyle::Solid, PenMode::Copy, -2);
        r.setBrush(0xFFFFFF, BrushStyle::Clear);
        r.rectangle(0.5, 0.5, 8.0, 10.5);
        r.setFont("Times New Roman", 24);
        r.setBold(true);
        r.textAt(4.25, 0.8, "Brindle sample job", Align::Centre);
        r.setBold(false);
        r.setFont("Arial", 14);
        r.textAt(7.75, 1.5, QString("Page %1 of %2").arg(r.pageNumber()).arg(pages), Align::Right);
        r.setBrush(0xFFCC99, BrushStyle::Solid);  // light blue (BGR)
        r.ellipse(1.0, 2.25, 3.5, 4.25);
        r.setBrush(0x99CCFF, BrushStyle::Solid);  // light orange
        r.roundRect(4.5, 2.25, 7.5, 4.25, 0.5, 0.5);
        r.setPen(0x0000FF, PenStyle::Dash, PenMode::Copy, -3);
        r.line(1.0, 5.0, 7.5, 5.0);
        r.setPen(0x000000, PenStyle::Solid, PenMode::Copy, -1);
        r.setFont("Arial", 10);
        r.setMargins(Margins{1.0, 5.5, 1.0, 1.0});
        r.home();
        r.clearColumns();
        r.addColumn(ColumnSpec{1.0, 1.5, Align::Left, 4, BoxLines{true, false, true, true}, 0});
        r.addColumn(ColumnSpec{-1, 1.5, Align::Right, 4, BoxLines{false, true, true, true}, 0});
        for (int row = 0; row < 10; ++row) {
            r.printColumn(QString("Row %1").arg(row + 1), row % 2 == 0 ? 10 : 0);
            r.printColumn(QString::number((row + 1) * 1234 * p), row % 2 == 0 ? 10 : 0);
            r.newLine();
        }
    }
    r.end();
    return r.takeDocument();
}

// Events as the window system would deliver them (no QtTest in the build).
void keyClick(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

void mouseClick(QWidget* w, Qt::MouseButton b, const QPoint& pos) {
    const QPointF global = w->mapToGlobal(QPointF(pos));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), global, b, b, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), global, b, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

QPushButton* button(TPreviewForm& f, const char* name) { return f.findChild<QPushButton*>(name); }

TEST(PreviewForm, TitleAtEachZoomMode) {
    TPreviewForm f(sampleDocument(1), "Preview Labels", 100);
    f.show();
    EXPECT_EQ(f.windowTitle(), "Preview Page 1 of 1 ( 100% )");
    EXPECT_EQ(f.pageArea()->width(), 8.5 * 96 + 2 * PreviewPage::kPad);

    f.zoomToWholePage();
    const double whole = f.zoomPercent();
    EXPECT_EQ(f.windowTitle(), QString("Preview Page 1 of 1 ( %1% )").arg(qRound(whole)));
    // The whole page fits inside the scroll area.
    QApplication::processEvents();
    const QSize room = f.scrollArea()->viewport()->size();
    EXPECT_LE(f.pageArea()->height(), room.height() + 1);
    EXPECT_LE(f.pageArea()->width(), room.width() + 1);

    f.zoomToPageWidth();
    EXPECT_GT(f.zoomPercent(), whole);
    EXPECT_LE(f.pageArea()->width(), f.scrollArea()->viewport()->width() + 1);
    EXPECT_EQ(f.zoomMode(), TPreviewForm::kPageWidth);

    // Fit modes follow the window's size; a fixed zoom does not.
    const double before = f.zoomPercent();
    f.resize(f.width() + 200, f.height());
    EXPECT_GT(f.zoomPercent(), before);
    button(f, "zoom100Button")->click();
    EXPECT_EQ(f.windowTitle(), "Preview Page 1 of 1 ( 100% )");
    f.resize(f.width() - 300, f.height());
    EXPECT_EQ(f.zoomPercent(), 100);

    // Zoom in and out step through the table from wherever the zoom is.
    button(f, "zoomInButton")->click();
    EXPECT_EQ(f.windowTitle(), "Preview Page 1 of 1 ( 125% )");
    f.setZoomPercent(63);
    button(f, "zoomOutButton")->click();
    EXPECT_EQ(f.zoomPercent(), 50);
    f.setZoomPercent(10);
    f.zoomOut();
    EXPECT_EQ(f.zoomPercent(), 10);

    TPreviewForm whole1(sampleDocument(1), "Preview Envelope", TPreviewForm::kWholePage);
    whole1.show();
    EXPECT_EQ(whole1.zoomMode(), TPreviewForm::kWholePage);
    EXPECT_LT(whole1.zoomPercent(), 100);
}

TEST(PreviewForm, OnePageHidesPageButtons) {
    TPreviewForm f(sampleDocument(1), "Preview Report", 2);
    f.show();
    for (const char* name : {"firstButton", "priorButton", "nextButton", "lastButton"})
        EXPECT_FALSE(button(f, name)->isVisible()) << name;
    EXPECT_TRUE(button(f, "zoomInButton")->isVisible());
}

TEST(PreviewForm, EmptyJobShowsAnEmptyPreview) {
    TPreviewForm f(RecordedDocument{}, "Preview Labels", 2);
    f.show();
    EXPECT_EQ(f.pageCount(), 0);
    EXPECT_EQ(f.currentPage(), 0);
    EXPECT_TRUE(f.windowTitle().startsWith("Preview Page 0 of 0 ( "));
    f.nextPage();
    f.lastPage();
    keyClick(f.scrollArea(), Qt::Key_PageDown);
    mouseClick(f.pageArea(), Qt::LeftButton, QPoint(50, 50));
    EXPECT_EQ(f.currentPage(), 0);
    EXPECT_FALSE(f.pageArea()->grab().isNull());
    button(f, "okButton")->click();
    EXPECT_EQ(f.result(), QDialog::Accepted);
}

TEST(PreviewForm, NavigatesThreePagesByButtonsAndKeys) {
    TPreviewForm f(sampleDocument(3), "Preview Report", 100);
    f.show();
    EXPECT_TRUE(button(f, "nextButton")->isVisible());
    EXPECT_EQ(f.windowTitle(), "Preview Page 1 of 3 ( 100% )");
    button(f, "nextButton")->click();
    EXPECT_EQ(f.windowTitle(), "Preview Page 2 of 3 ( 100% )");
    button(f, "lastButton")->click();
    EXPECT_EQ(f.currentPage(), 3);
    button(f, "nextButton")->click();  // stays on the last page
    EXPECT_EQ(f.currentPage(), 3);
    button(f, "priorButton")->click();
    EXPECT_EQ(f.currentPage(), 2);
    button(f, "firstButton")->click();
    EXPECT_EQ(f.currentPage(), 1);

    QWidget* keys = f.scrollArea();
    keyClick(keys, Qt::Key_PageDown);
    EXPECT_EQ(f.currentPage(), 2);
    keyClick(keys, Qt::Key_End);
    EXPECT_EQ(f.currentPage(), 3);
    keyClick(keys, Qt::Key_PageUp);
    EXPECT_EQ(f.currentPage(), 2);
    keyClick(keys, Qt::Key_Home);
    EXPECT_EQ(f.currentPage(), 1);
    keyClick(keys, Qt::Key_Plus);
    EXPECT_EQ(f.windowTitle(), "Preview Page 1 of 3 ( 125% )");
    keyClick(keys, Qt::Key_Minus);
    keyClick(keys, Qt::Key_Minus);
    EXPECT_EQ(f.windowTitle(), "Preview Page 1 of 3 ( 75% )");

    f.setZoomPercent(100);
    QScrollBar* v = f.scrollArea()->verticalScrollBar();
    ASSERT_GT(v->maximum(), 0);
    keyClick(keys, Qt::Key_Down);
    EXPECT_EQ(v->value(), v->singleStep());
    keyClick(keys, Qt::Key_Up);
    keyClick(keys, Qt::Key_Up);
    EXPECT_EQ(v->value(), 0);

    keyClick(keys, Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
}

TEST(PreviewForm, MagnifierZoomsAtTheClickedPoint) {
    TPreviewForm f(sampleDocument(2), "Preview Labels", 100);
    f.show();
    PreviewPage* page = f.pageArea();
    const QPoint click = page->toWidget(QPointF(2.0, 3.0)).toPoint();
    const QPoint inViewport = page->mapTo(f.scrollArea()->viewport(), click);
    mouseClick(page, Qt::LeftButton, click);
    EXPECT_EQ(f.zoomPercent(), 125);
    // The clicked point of the paper is still under the mouse.
    const QPoint after = page->mapTo(f.scrollArea()->viewport(), page->toWidget(QPointF(2.0, 3.0)).toPoint());
    EXPECT_NEAR(after.x(), inViewport.x(), 2);
    EXPECT_NEAR(after.y(), inViewport.y(), 2);
    mouseClick(page, Qt::RightButton, page->toWidget(QPointF(2.0, 3.0)).toPoint());
    mouseClick(page, Qt::RightButton, page->toWidget(QPointF(2.0, 3.0)).toPoint());
    EXPECT_EQ(f.windowTitle(), "Preview Page 1 of 2 ( 75% )");
}

TEST(PreviewForm, PlacementIsKeptInItsSection) {
    QTemporaryDir dir;
    brindle::common::ProfileFile settings(dir.filePath("BRINDL.ini"));
    {
        TPreviewForm f(sampleDocument(1), "Preview Labels", 2, &settings);
        f.show();
        f.resize(640, 700);
        f.accept();
    }
    EXPECT_EQ(settings.readInt("TPreviewForm_Placement", "Right", 0) -
                  settings.readInt("TPreviewForm_Placement", "Left", 0),
              640);
    // The next preview opens with the stored size.
    TPreviewForm again(sampleDocument(1), "Preview Labels", 2, &settings);
    again.show();
    EXPECT_EQ(again.width(), 640);
}

// Not a check: saves what the window looks like on a three-page job for the
// reviewer (tests/printing output folder in the build tree).
TEST(PreviewForm, Screenshot) {
    TPreviewForm f(sampleDocument(3), "Preview Report", TPreviewForm::kWholePage);
    f.resize(760, 900);
    f.show();
    f.nextPage();
    QApplication::processEvents();  // let the scroll area settle its bars
    const QString out = QString(BRINDLE_BINARY_DIR) + "/preview-screenshot.png";
    EXPECT_TRUE(f.grab().save(out));
}

}  // namespace

// The label surface widget: mouse routing for the drawing tools and the
// selection tool, and what it shows (saved as a picture when asked to).
#include <QDir>
#include <QCoreApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/ui/TKBasePanel.h"

using namespace brindle::designobjects;

namespace {

void click(QWidget* w, QPoint p) {
    const QPointF local(p);
    const QPointF global(w->mapToGlobal(p));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

TEST(SurfaceWidgetTest, ClickWithToolCreatesObjectAndUnselectableObjectsLetBandsStart) {
    TKLabelPanel panel;
    panel.surface().setClipFilePath(QString());
    panel.surface().setSize(300, 120);
    EXPECT_EQ(panel.size(), QSize(300, 120));
    panel.setPanelState(DesignSurface::psLabel);
    EXPECT_EQ(panel.cursor().shape(), Qt::DragCopyCursor);
    click(&panel, QPoint(20, 30));
    ASSERT_EQ(panel.surface().objects().size(), 1u);
    const QRect made = panel.surface().objects()[0]->bounds();
    EXPECT_EQ(made.topLeft(), QPoint(20, 30));  // 50 × 15 at the click, then fitted to "<text>"
    EXPECT_GE(made.width(), 50);
    EXPECT_GE(made.height(), 15);

    panel.setPanelState(DesignSurface::psPointing);
    auto* o = panel.surface().objects()[0];
    o->setUnselectable(true);
    click(&panel, QPoint(25, 35));
    EXPECT_TRUE(panel.surface().selection().empty());
    o->setUnselectable(false);
    click(&panel, QPoint(25, 35));
    ASSERT_EQ(panel.surface().selection().size(), 1u);

    // Zoom resizes the widget with the surface.
    panel.setZoom(1.5f);
    EXPECT_EQ(panel.size(), QSize(450, 180));
}

TEST(SurfaceWidgetTest, ShowsGridOutlineAndObjects) {
    TKLabelPanel panel;
    auto& s = panel.surface();
    s.setClipFilePath(QString());
    s.setSizeInches(4.0, 1.5);
    EXPECT_EQ(s.size(), QSize(384, 144));
    s.setDrawOutline(true);
    s.setShowGrid(true);
    auto add = [&](const QString& text, QRect r, int points, int style) {
        auto* l = new TKPLabel;
        DesignFont f;
        f.setPointSize(points);
        f.style = style;
        l->setFont(f);
        l->setCaption(text);
        s.addObject(l, r);
        return l;
    };
    add("Jane Q. Sample", QRect(24, 20, 220, 28), 14, DesignFont::Bold);
    add("1234 Any Street", QRect(24, 52, 220, 22), 10, 0);
    auto* framed = add("Springfield, ST 12345", QRect(24, 76, 220, 22), 10, DesignFont::Italic);
    framed->setBorderStyle(TKBaseLabel::bsSingle);
    auto* rotated = add("ROTATED", QRect(330, 20, 33, 110), 9, 0);
    rotated->setAngle(90);
    auto* filled = add("Filled", QRect(260, 100, 60, 22), 9, 0);
    filled->setTransparent(false);
    filled->setBackColor(0x00FFFF);  // yellow
    const QImage shot = panel.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(384, 144));
    // Some text pixels are dark inside the first object.
    int dark = 0;
    for (int y = 20; y < 48; ++y)
        for (int x = 24; x < 244; ++x)
            if (qGray(shot.pixel(x, y)) < 80) ++dark;
    EXPECT_GT(dark, 50);
    const QByteArray out = qgetenv("BRINDLE_SURFACE_SHOT");
    if (!out.isEmpty()) shot.save(QString::fromLocal8Bit(out));
}

}  // namespace

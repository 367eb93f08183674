// The one-line text layout: 3-D offsets and margins, size constraints, the
// rectangles and start points at each angle, alignment, and the drawing of
// shadow and highlight copies.
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "designobjects/TKBaseLabel.h"

using namespace brindle::designobjects;

namespace {

LabelLayoutInput input(int w, int h, int angle = 0) {
    LabelLayoutInput in;
    in.width = w;
    in.height = h;
    in.angle = angle;
    in.directionShadow = TKBaseLabel::sdDownRight;
    in.directionHighlight = TKBaseLabel::hdUpLeft;
    in.lineHeight = 16;
    in.textWidth = 40;
    return in;
}

TEST(TextLabelLayoutTest, ShadowAndHighlightMoveTheTextByTheirMargins) {
    auto in = input(142, 33);
    in.depthShadow = 3;
    in.depthHighlight = 2;
    const LabelLayout l = TKBaseLabel::computeLayout(in);
    EXPECT_EQ(l.mainStart, QPoint(2, 2));
    EXPECT_EQ(l.highlightStart, QPoint(0, 0));
    EXPECT_EQ(l.shadowStart, QPoint(5, 5));
    EXPECT_EQ(l.main, (LabelBox{2, 2, 142, 18}));
    EXPECT_EQ(l.size, QSize(142, 25));  // f = 16 + 3 + 2, at most Trunc(1.2 f) high
}

TEST(TextLabelLayoutTest, SizeStaysBetweenOneAndATenthMoreThanOneLine) {
    EXPECT_EQ(TKBaseLabel::computeLayout(input(142, 100)).size, QSize(142, 19));  // Trunc(1.2 × 16)
    EXPECT_EQ(TKBaseLabel::computeLayout(input(142, 10)).size, QSize(142, 16));
    EXPECT_EQ(TKBaseLabel::computeLayout(input(4, 17)).size, QSize(40, 17));  // too narrow: the text's width
    EXPECT_EQ(TKBaseLabel::computeLayout(input(142, 17, 180)).size, QSize(80, 17));  // at most twice the text
    // Sideways text: the constraints swap axes.
    EXPECT_EQ(TKBaseLabel::computeLayout(input(33, 142, 90)).size, QSize(19, 48));
    EXPECT_EQ(TKBaseLabel::computeLayout(input(10, 3, 270)).size, QSize(16, 40));
}

TEST(TextLabelLayoutTest, StartCornersAndAlignment) {
    const LabelLayout up = TKBaseLabel::computeLayout(input(16, 48, 90));
    EXPECT_EQ(up.mainStart, QPoint(up.main.left, up.main.bottom));  // bottom-left, text reads upwards
    EXPECT_EQ(TKBaseLabel::computeLayout(input(16, 48, 270)).mainStart, QPoint(16, 0));  // top-right
    const LabelLayout down = TKBaseLabel::computeLayout(input(80, 16, 180));
    EXPECT_EQ(down.mainStart, QPoint(down.main.right, down.main.bottom));

    auto in = input(142, 17);
    in.alignment = TKBaseLabel::taRightJustify;
    EXPECT_EQ(TKBaseLabel::computeLayout(in).mainStart.x(), 102);
    in.alignment = TKBaseLabel::taCenter;
    in.depthShadow = 2;
    const LabelLayout c = TKBaseLabel::computeLayout(in);
    EXPECT_EQ(c.mainStart.x(), 51);
    EXPECT_EQ(c.shadowStart.x(), 53);  // the copies follow the aligned text

    // A shadow to the lower right of upside-down text lies to its upper left on paper.
    auto t = input(80, 16, 180);
    t.depthShadow = 3;
    t.directionHighlight = TKBaseLabel::hdNone;
    const LabelLayout r = TKBaseLabel::computeLayout(t);
    EXPECT_EQ(r.shadow, r.main.moved(-3, -3));
}

TEST(TextLabelLayoutTest, PaintDrawsShadowBehindTextAndFitsTheHeight) {
    TKPLabel l;
    l.setCaption("MMMM");
    l.setBounds(0, 0, 142, 100);
    l.setDepthShadow(3);
    l.setDirectionShadow(TKBaseLabel::sdDownRight);
    l.setColorShadow(0x0000FF);  // red
    QImage img(142, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        l.paint(p, {});
    }
    EXPECT_LT(l.height(), 40);  // a 10 point line is far less than 100 pixels
    EXPECT_GE(l.height(), 15);
    int red = 0, dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++red;
            if (qGray(c.rgb()) < 60) ++dark;
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(dark, 20);

    // Size to fit grows a small object to its text and never shrinks a large one.
    TKPLabel small;
    small.setCaption("A rather long caption");
    small.setBounds(0, 0, 20, 8);
    small.sizeToFit();
    EXPECT_GT(small.width(), 100);
    EXPECT_GE(small.height(), 12);
    const QRect grown = small.bounds();
    small.setBounds(0, 0, 400, 60);
    small.sizeToFit();
    EXPECT_EQ(small.bounds(), QRect(0, 0, 400, 60));
    EXPECT_LT(grown.width(), 400);

    l.setAngle(90);  // a 142 × h object turns on its side
    EXPECT_GT(l.height(), l.width());
    EXPECT_EQ(l.alignment(), TKBaseLabel::taLeftJustify);
}

}  // namespace

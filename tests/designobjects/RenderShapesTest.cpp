// Lines, shapes and pictures printed by brindle-db render: the PDF
// rasterised by poppler's pdftoppm must show each at its place and size,
// and pdfimages must find the pictures at the resolutions they print from.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"

#include "designobjects/DesignSurface.h"
#include "designobjects/GdiPainter.h"
#include "designobjects/Shapes.h"
#include "designobjects/TKImage.h"
#include "pictures/PictureTestFiles.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::test;

namespace {

// 40 x 30: red, green / blue, yellow quarters.
QImage quarters() {
    QImage img(40, 30, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, 20, 15, Qt::red);
    p.fillRect(20, 0, 20, 15, Qt::green);
    p.fillRect(0, 15, 20, 15, Qt::blue);
    p.fillRect(20, 15, 20, 15, Qt::yellow);
    return img;
}

TEST(RenderShapesTest, LinesShapesAndPicturesPrintAtTheirPlaces) {
#ifndef BRINDLE_DB_EXE
    GTEST_SKIP() << "brindle-db not built";
#else
    if (const QString tool = missingTool({"pdftoppm", "pdfimages"}); !tool.isEmpty())
        GTEST_SKIP() << tool.toStdString() << " missing";
    QTemporaryDir dir;
    const QString db = dir.filePath("add.dbf");
    createOneRecordTable(db, {{"LNAME", 'C', 30, 0}, {"ZIP", 'C', 10, 0}},
                         [](brindle::store::Table& t) { t.setString("LNAME", "Lee"); });

    const QString design = dir.filePath("shapes.L");
    {
        DesignSurface s(DesignSurface::EnvelopeSurface);
        s.setClipFilePath(QString());
        s.setSizeInches(6, 7);
        auto* h = new TKLineShape;
        s.addObject(h, QRect(96, 96, 192, 15));  // 1 to 3 inches across, 1 inch down
        h->setPen(DesignPen{clBlack, GdiPainter::pmCopy, GdiPainter::psSolid, 3});
        auto* v = new TKLineShape;
        s.addObject(v, QRect(48, 144, 15, 96));  // half an inch in, 1.5 to 2.5 inches down
        v->setLineStyle(TKLineShape::stVertical);
        auto* rect = new TKLabelShapes;
        s.addObject(rect, QRect(288, 192, 96, 96));  // 3 to 4 inches across, 2 to 3 down
        rect->setPen(DesignPen{clBlack, GdiPainter::pmCopy, GdiPainter::psSolid, 2});
        auto* round = new TKLabelShapes;
        s.addObject(round, QRect(0, 288, 192, 96));  // 2 x 1 inches at 3 inches down
        round->setShape(TKLabelShapes::stRoundRect);
        auto* ellipse = new TKLabelShapes;
        s.addObject(ellipse, QRect(384, 0, 96, 96));
        ellipse->setShape(TKLabelShapes::stEllipse);
        auto* plain = new TKImage;
        s.addObject(plain, QRect(0, 480, 80, 60));  // 5 inches down
        plain->setPicture(DesignPicture::fromImage(quarters()));
        auto* mirrored = new TKImage;
        s.addObject(mirrored, QRect(192, 480, 80, 60));
        mirrored->setPicture(DesignPicture::fromImage(quarters()));
        mirrored->setReverse(true);
        mirrored->setBorderStyle(TKImage::bsSingle);
        s.addObject(new TKImage, QRect(384, 480, 80, 60));  // empty: prints nothing
        auto* vector = new TKImage;
        s.addObject(vector, QRect(0, 576, 192, 96));  // 6 inches down, 2 x 1 inches
        vector->setPicture(DesignPicture{"TMetafile", brindle::pictures::testfiles::wmfRectangle(true)});
        ASSERT_TRUE(s.saveToFile(design));
        // BRINDLE_KEEP_RENDER=FILE keeps the screen picture beside the PDF.
        if (const QString keep = qEnvironmentVariable("BRINDLE_KEEP_RENDER"); !keep.isEmpty())
            s.render().save(keep + ".png");
    }

    const QString pdf = dir.filePath("out.pdf");
    const QString failure = renderDesign(design, db, pdf);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();

    // 300 dpi: one design pixel is 3.125 device pixels.
    runProgram("pdftoppm", {"-r", "300", "-x", "0", "-y", "0", "-W", "1800", "-H", "2200", "-singlefile", pdf,
                     dir.filePath("page")});
    const QImage page(dir.filePath("page.ppm"));
    ASSERT_FALSE(page.isNull());

    // The horizontal line: 1 to 3 inches across, centred 1 + 1/96 inch down, 0.03 inch thick.
    const auto across = darkRunsDown(page, 450);
    ASSERT_FALSE(across.empty());
    EXPECT_NEAR(across[0].first + across[0].second / 2.0, 300 * (1 + 1 / 96.0), 1.5);
    EXPECT_NEAR(across[0].second, 9, 1);
    const auto along = darkRuns(page, 303);
    ASSERT_FALSE(along.empty());
    EXPECT_NEAR(along.front().first, 300, 1);
    EXPECT_NEAR(along.front().first + along.front().second, 900, 1);

    // The vertical line: centred half an inch in, from 1.5 (and half its pen) down to 2.5 inches.
    const auto vline = darkRuns(page, 600);
    ASSERT_FALSE(vline.empty());
    EXPECT_NEAR(vline.front().first + vline.front().second / 2.0, 150, 1.5);
    const auto vspan = darkRunsDown(page, 150);
    ASSERT_FALSE(vspan.empty());
    EXPECT_NEAR(vspan.front().first, 450, 1.5);
    EXPECT_NEAR(vspan.front().first + vspan.front().second, 750, 1.5);

    // The rectangle: 0.02-inch outline centred on 3 and 4 inches, white inside.
    const auto rectRow = darkRuns(page, 750);
    std::vector<std::pair<int, int>> rectEdges;
    for (const auto& r : rectRow)
        if (r.first > 800) rectEdges.push_back(r);
    ASSERT_EQ(rectEdges.size(), 2u);
    EXPECT_NEAR(rectEdges[0].first + rectEdges[0].second / 2.0, 900, 1.5);
    EXPECT_NEAR(rectEdges[1].first + rectEdges[1].second / 2.0, 1200, 1.5);
    EXPECT_NEAR(rectEdges[0].second, 6, 1);
    EXPECT_FALSE(isDark(page, 1050, 750));

    // The rounded rectangle: straight top edge in the middle, no ink in the
    // corner, the left edge straight only between the 0.5-inch corner ellipses.
    EXPECT_TRUE(isDark(page, 300, 900));
    EXPECT_FALSE(isDark(page, 5, 905));
    const auto left = darkRunsDown(page, 0);
    std::vector<std::pair<int, int>> leftEdge;
    for (const auto& r : left)
        if (r.first > 880 && r.first < 1220) leftEdge.push_back(r);
    ASSERT_EQ(leftEdge.size(), 1u);
    // (the 3-pixel pen still covers column 0 a little way into each arc)
    EXPECT_NEAR(leftEdge[0].first, 900 + 75, 20);
    EXPECT_NEAR(leftEdge[0].first + leftEdge[0].second, 1200 - 75, 20);
    EXPECT_GT(leftEdge[0].first, 900 + 50);

    // The ellipse touches the middle of its box's sides only.
    EXPECT_TRUE(isDark(page, 1350, 1));
    EXPECT_TRUE(isDark(page, 1200, 150));
    EXPECT_FALSE(isDark(page, 1205, 5));

    // Pictures: the plain one prints its own 40 x 30 bitmap, the mirrored
    // one the mirrored picture at the object's 80 x 60 pixels.
    const QString list = runProgram("pdfimages", {"-list", pdf});
    QStringList sizes;
    const QRegularExpression row(R"(^\s*\d+\s+\d+\s+\w+\s+(\d+)\s+(\d+)\s)", QRegularExpression::MultilineOption);
    for (auto it = row.globalMatch(list); it.hasNext();) {
        const auto m = it.next();
        sizes << m.captured(1) + "x" + m.captured(2);
    }
    sizes.sort();
    EXPECT_EQ(sizes, (QStringList{"40x30", "80x60"})) << list.toStdString();

    auto colour = [&](double xIn, double yIn) { return QColor(page.pixel(int(xIn * 300), int(yIn * 300))); };
    auto near = [](QColor c, QColor want) {
        return std::abs(c.red() - want.red()) < 60 && std::abs(c.green() - want.green()) < 60 &&
               std::abs(c.blue() - want.blue()) < 60;
    };
    // Plain: red top left, yellow bottom right; 80 x 60 pixels is 0.833 x 0.625 inch.
    EXPECT_TRUE(near(colour(0.2, 5.15), Qt::red));
    EXPECT_TRUE(near(colour(0.6, 5.45), Qt::yellow));
    // Reversed: green top left, blue bottom right, inside a black frame.
    EXPECT_TRUE(near(colour(2.2, 5.15), Qt::green));
    EXPECT_TRUE(near(colour(2.6, 5.45), Qt::blue));
    // The frame is one device pixel (1/1200 inch) wide: look at it at 1200 dpi,
    // beside the light yellow quarter at the bottom left.
    runProgram("pdftoppm", {"-r", "1200", "-gray", "-x", "2380", "-y", "6530", "-W", "40", "-H", "20", "-singlefile", pdf,
                     dir.filePath("frame")});
    const QImage frame(dir.filePath("frame.pgm"));
    ASSERT_FALSE(frame.isNull());
    const auto frameRuns = darkRuns(frame, 10);
    ASSERT_EQ(frameRuns.size(), 1u);
    EXPECT_NEAR(frameRuns[0].first, 20, 1);
    EXPECT_LE(frameRuns[0].second, 2);
    // The metafile prints as a drawing (no image in the file): its rectangle
    // fills the middle half of the object, 0.5 to 1.5 inches across.
    EXPECT_TRUE(isDark(page, 300, 1950));
    EXPECT_FALSE(isDark(page, 120, 1950));
    const auto meta = darkRuns(page, 1950);
    ASSERT_FALSE(meta.empty());
    // (plus the half of its one-pixel outline that lies outside)
    EXPECT_NEAR(meta.front().first, 150, 5);
    EXPECT_NEAR(meta.front().first + meta.front().second, 450, 5);
    // The empty picture object prints nothing.
    for (int y = 1510; y < 1680; y += 10) EXPECT_FALSE(isDark(page, 1300, y));
#endif
}

}  // namespace

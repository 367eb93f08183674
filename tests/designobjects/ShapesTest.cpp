// Lines and shapes: the pixel rules of the painter adapter, the screen and
// paper geometry of each kind, their menus, their stored form and system
// colours shared with text.
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "designobjects/DesignRegistry.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/GdiPainter.h"
#include "designobjects/Shapes.h"
#include "designobjects/TKBaseLabel.h"
#include "printing/DrawOps.h"
#include "printing/PageCanvas.h"
#include "printing/PageRecorder.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::test;

namespace {

QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

bool dark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Columns of row y that are dark, as "first-last" runs.
std::string runsOfRow(const QImage& img, int y) {
    std::string out;
    int start = -1;
    for (int x = 0; x <= img.width(); ++x) {
        const bool d = x < img.width() && dark(img, x, y);
        if (d && start < 0) start = x;
        if (!d && start >= 0) {
            out += (out.empty() ? "" : " ") + std::to_string(start) + "-" + std::to_string(x - 1);
            start = -1;
        }
    }
    return out;
}

std::string runsOfColumn(const QImage& img, int x) {
    return runsOfRow(img.transformed(QTransform(0, 1, 1, 0, 0, 0)), x);
}

// One object alone on a white surface, drawn by the surface.
QImage renderAlone(TKGraphicControl* o, QRect rect, QSize surface = {300, 200}) {
    auto* s = new DesignSurface(DesignSurface::LabelSurface);
    s->setClipFilePath(QString());
    s->setSize(surface.width(), surface.height());
    s->addObject(o, rect);
    QImage img = s->render();
    delete s;
    return img;
}

TEST(GdiPainterTest, EndPointsEdgesAndWidePens) {
    QImage img = blank(40, 40);
    {
        QPainter p(&img);
        GdiPainter g(p);
        g.setPen(Qt::black);
        g.moveTo(0, 0);
        g.lineTo(10, 0);  // the end point is left out
        g.setBrush(Qt::yellow);
        g.rectangle(2, 2, 10, 8);  // right and bottom edges outside
        g.setPen(Qt::black, GdiPainter::psClear);
        g.rectangle(12, 2, 16, 6);  // no pen: one column and row less filled
        g.setPen(Qt::black, GdiPainter::psSolid, GdiPainter::pmCopy, 3);
        g.moveTo(30, 12);
        g.lineTo(30, 18);  // a 3 x 3 square around each pixel
    }
    EXPECT_EQ(runsOfRow(img, 0), "0-9");
    EXPECT_EQ(runsOfRow(img, 4), "2-2 9-9");
    EXPECT_EQ(runsOfRow(img, 7), "2-9");
    EXPECT_EQ(img.pixel(5, 5), QColor(Qt::yellow).rgb());
    EXPECT_EQ(img.pixel(14, 4), QColor(Qt::yellow).rgb());
    EXPECT_EQ(img.pixel(15, 4), QColor(Qt::white).rgb());
    EXPECT_EQ(img.pixel(14, 5), QColor(Qt::white).rgb());
    EXPECT_EQ(runsOfColumn(img, 30), "11-18");
    EXPECT_EQ(runsOfRow(img, 15), "29-31");
}

TEST(GdiPainterTest, RasterModesTouchEveryPixelOnce) {
    // In exclusive-or a pixel drawn twice would turn back to white inside the stroke.
    QImage img = blank(40, 40);
    {
        QPainter p(&img);
        GdiPainter g(p);
        g.setPen(Qt::white, GdiPainter::psSolid, GdiPainter::pmXor, 4);
        g.moveTo(2, 2);
        g.lineTo(30, 20);
        g.setBrush(Qt::white, GdiPainter::bsSolid);
        g.ellipse(5, 22, 35, 38);
    }
    for (int y = 4; y < 19; ++y) EXPECT_EQ(runsOfRow(img, y).find(' '), std::string::npos) << y;
    EXPECT_EQ(runsOfRow(img, 30), "3-35");  // fill and outline never overlap
}

TEST(GdiPainterTest, HatchesLineUpAcrossTheSurface) {
    // Two hatched shapes side by side at odd places continue each other's
    // diagonals, as one pattern laid over the whole surface.
    DesignSurface s(DesignSurface::LabelSurface);
    s.setClipFilePath(QString());
    s.setSize(60, 40);
    for (QRect r : {QRect(3, 5, 20, 20), QRect(23, 5, 21, 20)}) {
        auto* o = new TKLabelShapes;
        s.addObject(o, r);
        o->setBrush(DesignBrush{clBlack, GdiPainter::bsFDiagonal});
        o->setPen(DesignPen{clBlack, GdiPainter::pmCopy, GdiPainter::psClear, 1});
    }
    const QImage img = s.render();
    // (without an outline the fill leaves out the first shape's last column, 22)
    for (int y = 6; y < 23; ++y)
        for (int x = 4; x < 42; ++x) EXPECT_EQ(dark(img, x, y), x != 22 && (x - y) % 8 == 0) << x << "," << y;
}

TEST(LineShapeTest, ScreenGeometry) {
    // 100 pixels wide, pen 3: from (1, 1) towards (99, 1), rows 0 to 2.
    auto* line = new TKLineShape;
    line->setPen(DesignPen{clBlack, GdiPainter::pmCopy, GdiPainter::psSolid, 3});
    const QImage img = renderAlone(line, QRect(20, 20, 100, 10));
    for (int y = 20; y < 23; ++y) EXPECT_EQ(runsOfRow(img, y), "20-119") << y;
    EXPECT_EQ(runsOfRow(img, 23), "");
    // Zoomed widths round half to even; 0 still draws one pixel.
    EXPECT_EQ(TKLineShape::screenLine(TKLineShape::stHorizontal, 50, 10, 3, 0.5f).width, 2);
    EXPECT_EQ(TKLineShape::screenLine(TKLineShape::stHorizontal, 50, 10, 1, 0.5f).width, 0);
}

TEST(LineShapeTest, LineToolClickMakesAVerticalLineAlongTheLeftEdge) {
    DesignSurface s(DesignSurface::LabelSurface);
    s.setClipFilePath(QString());
    s.setSize(300, 200);
    s.setPanelState(DesignSurface::psLine);
    auto* line = qobject_cast<TKLineShape*>(s.createObjectInRect(QRect(40, 30, 0, 0)));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->bounds(), QRect(40, 30, 50, 15));
    EXPECT_EQ(line->lineStyle(), TKLineShape::stVertical);
    const QImage img = s.render();
    EXPECT_EQ(runsOfColumn(img, 40), "30-44");
    EXPECT_EQ(runsOfColumn(img, 41), "");
}

TEST(LineShapeTest, PaperGeometry) {
    // Left 10, Top 20, 100 wide, pen 3, at (0, 0): 0.1042 to 1.1458 inches
    // across at 0.21875 down, with a pen of 0.03 inch.
    TKLineShape line;
    line.setPen(DesignPen{clBlack, GdiPainter::pmCopy, GdiPainter::psSolid, 3});
    line.setBounds(10, 20, 100, 10);
    const auto ops = printedOps(line, 0.0, 0.0);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_NEAR(ops[0].p1.x(), 0.1042, 1e-4);
    EXPECT_NEAR(ops[0].p2.x(), 1.1458, 1e-4);
    EXPECT_DOUBLE_EQ(ops[0].p1.y(), 0.21875);
    EXPECT_DOUBLE_EQ(ops[0].p2.y(), 0.21875);
    EXPECT_NEAR(ops[0].penWidth, 0.03, 1e-9);
}

TEST(LineShapeTest, MenuStyleColourThicknessAndStretch) {
    ScriptedSurface f({300, 200});
    auto* line = f.add(new TKLineShape, QRect(40, 50, 60, 10));
    int& changed = f.changed;

    auto menu = line->contextMenu();
    EXPECT_TRUE(findMenuEntry(menu, "Horizontal")->checked);
    EXPECT_EQ(findMenuEntry(menu, "Line Thickness")->children.size(), 10u);
    EXPECT_TRUE(findMenuEntry(menu, "1 Point")->checked);
    EXPECT_TRUE(runMenuEntry(menu, "4 Point"));
    EXPECT_EQ(line->pen().width, 4);
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(findMenuEntry(line->contextMenu(), "4 Point")->checked);

    f.dialogs.color = 0x0000FF;
    EXPECT_TRUE(runMenuEntry(line->contextMenu(), "Color"));
    EXPECT_EQ(line->pen().color, 0x0000FF);
    EXPECT_EQ(changed, 2);

    EXPECT_TRUE(runMenuEntry(line->contextMenu(), "Stretch To Edges"));
    EXPECT_EQ(line->bounds(), QRect(0, 50, 300, 15));
    EXPECT_TRUE(runMenuEntry(line->contextMenu(), "Vertical"));
    EXPECT_EQ(line->lineStyle(), TKLineShape::stVertical);
    EXPECT_TRUE(runMenuEntry(line->contextMenu(), "Stretch To Edges"));
    EXPECT_EQ(line->bounds(), QRect(0, 0, 300, 200));
    line->setBounds(5, 6, 30, 40);
    EXPECT_TRUE(runMenuEntry(line->contextMenu(), "Angled Sloping Down"));
    EXPECT_TRUE(runMenuEntry(line->contextMenu(), "Stretch To Edges"));
    EXPECT_EQ(line->bounds(), QRect(5, 6, 30, 40));
}

TEST(LabelShapesTest, ScreenGeometryOfRectanglesRoundRectanglesAndEllipses) {
    EXPECT_EQ(TKLabelShapes::cornerSize(29, 100, 10), 29);  // no binary rounding noise
    // A 3-pixel rectangle covers exactly the object.
    auto* rect = new TKLabelShapes;
    rect->setPen(DesignPen{clBlack, GdiPainter::pmCopy, GdiPainter::psSolid, 3});
    QImage img = renderAlone(rect, QRect(10, 10, 25, 25));
    for (int y : {10, 12, 34}) EXPECT_EQ(runsOfRow(img, y), "10-34") << y;
    EXPECT_EQ(runsOfRow(img, 20), "10-12 32-34");
    EXPECT_EQ(runsOfRow(img, 35), "");

    // 192 x 96 with 48-pixel corners: the left edge is straight between the
    // corner arcs, the top edge starts where the arc meets row 0.
    auto* round = new TKLabelShapes;
    round->setShape(TKLabelShapes::stRoundRect);
    img = renderAlone(round, QRect(0, 0, 192, 96));
    EXPECT_EQ(runsOfColumn(img, 0), "19-76");
    EXPECT_EQ(runsOfRow(img, 0), "19-172");
    EXPECT_EQ(runsOfRow(img, 48), "0-0 191-191");

    // An ellipse touches the middle of each side, symmetrically.
    auto* ell = new TKLabelShapes;
    ell->setShape(TKLabelShapes::stEllipse);
    const QImage part = renderAlone(ell, QRect(0, 0, 25, 25)).copy(0, 0, 25, 25);
    EXPECT_EQ(runsOfRow(part, 12), "0-0 24-24");
    EXPECT_EQ(runsOfColumn(part, 12), "0-0 24-24");
    EXPECT_FALSE(dark(part, 0, 0));
    EXPECT_EQ(part, part.mirrored(true, false));
    EXPECT_EQ(part, part.mirrored(false, true));

    // At zoom 0.5 a one-pixel pen still draws a one-pixel outline.
    DesignSurface s(DesignSurface::LabelSurface);
    s.setClipFilePath(QString());
    s.setSize(200, 200);
    s.addObject(new TKLabelShapes, QRect(0, 0, 40, 40));
    s.setZoom(0.5f);
    img = s.render();
    EXPECT_EQ(runsOfRow(img, 0), "0-19");
    EXPECT_EQ(runsOfRow(img, 1), "0-0 19-19");
}

TEST(LabelShapesTest, PaperGeometry) {
    TKLabelShapes round;
    round.setShape(TKLabelShapes::stRoundRect);
    round.setBounds(96, 48, 192, 96);
    const auto ops = printedOps(round, 0.25, 0.5);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].kind, brindle::printing::OpKind::RoundRect);
    EXPECT_EQ(ops[0].box, QRectF(QPointF(1.5, 0.75), QPointF(3.5, 1.75)));
    EXPECT_DOUBLE_EQ(ops[0].corner.width(), 0.5);
    EXPECT_DOUBLE_EQ(ops[0].corner.height(), 0.5);
    EXPECT_NEAR(ops[0].penWidth, 0.01, 1e-9);
    EXPECT_EQ(TKLabelShapes::paperPenWidth(10), -10);  // 10.4 hundredths, truncated
}

TEST(LabelShapesTest, MenuEntries) {
    ScriptedSurface f({300, 200});
    auto* shape = f.add(new TKLabelShapes, QRect(10, 10, 50, 50));
    int& changed = f.changed;
    auto& dialogs = f.dialogs;

    EXPECT_EQ(findMenuEntry(shape->contextMenu(), "Degree of Rounding"), nullptr);
    // Transparent is a change of the design (the designer offers Save).
    EXPECT_TRUE(runMenuEntry(shape->contextMenu(), "Transparent"));
    EXPECT_TRUE(shape->transparent());
    EXPECT_EQ(shape->brush().style, GdiPainter::bsClear);
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(findMenuEntry(shape->contextMenu(), "Transparent")->checked);

    // A background colour makes a transparent shape opaque again.
    dialogs.color = 0x00FFFF;
    EXPECT_TRUE(runMenuEntry(shape->contextMenu(), "Background Color"));
    EXPECT_FALSE(shape->transparent());
    EXPECT_EQ(shape->brush(), (DesignBrush{0x00FFFF, GdiPainter::bsSolid}));
    EXPECT_EQ(changed, 2);
    dialogs.color.reset();
    EXPECT_TRUE(runMenuEntry(shape->contextMenu(), "Line Color"));
    EXPECT_EQ(changed, 2);

    EXPECT_TRUE(runMenuEntry(shape->contextMenu(), "7 Point"));
    EXPECT_EQ(shape->pen().width, 7);

    shape->setShape(TKLabelShapes::stRoundSquare);
    const auto menu = shape->contextMenu();
    ASSERT_NE(findMenuEntry(menu, "Degree of Rounding"), nullptr);
    EXPECT_EQ(findMenuEntry(menu, "Degree of Rounding")->children.size(), 7u);
    EXPECT_TRUE(runMenuEntry(menu, "60 %"));
    EXPECT_EQ(shape->roundPerc(), 60);
}

TEST(ShapesFileTest, PropertiesRoundTripInStreamOrder) {
    QTemporaryDir dir;
    const QString path = dir.filePath("shapes.L");
    {
        DesignSurface s(DesignSurface::LabelSurface);
        s.setClipFilePath(QString());
        s.setSize(300, 200);
        auto* line = new TKLineShape;
        s.addObject(line, QRect(1, 2, 80, 10));
        line->setLineStyle(TKLineShape::stAngleSlopingDown);
        line->setPen(DesignPen{0x0000FF, GdiPainter::pmXor, GdiPainter::psDot, 5});
        auto* hatched = new TKLabelShapes;
        s.addObject(hatched, QRect(10, 20, 40, 30));
        hatched->setBrush(DesignBrush{0x00FF00, GdiPainter::bsDiagCross});
        hatched->setShape(TKLabelShapes::stRoundRect);
        hatched->setRoundPerc(40);
        auto* clear = new TKLabelShapes;
        s.addObject(clear, QRect(60, 20, 40, 30));
        clear->setTransparent(true);
        clear->setShape(TKLabelShapes::stCircle);
        ASSERT_TRUE(s.saveToFile(path));

        // A default shape stores Transparent but not RoundPerc or Shape.
        DesignSurface plain(DesignSurface::LabelSurface);
        plain.setClipFilePath(QString());
        plain.addObject(new TKLabelShapes, QRect(0, 0, 25, 25));
        const QByteArray bytes = savedBytes(plain);
        EXPECT_TRUE(bytes.contains("\x0bTransparent\x08"));
        EXPECT_FALSE(bytes.contains("RoundPerc"));
        EXPECT_FALSE(bytes.contains("\x05Shape"));
        EXPECT_FALSE(bytes.contains("Pen."));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_LT(bytes.indexOf("LineStyle"), bytes.indexOf("Pen.Color"));
    const qsizetype second = bytes.indexOf("TKLabelShapes");
    const auto after = [&](const char* name) { return bytes.indexOf(name, second); };
    EXPECT_LT(after("Transparent"), after("Brush.Color"));
    EXPECT_LT(after("Brush.Style"), after("RoundPerc"));
    EXPECT_LT(after("RoundPerc"), after("\x05Shape"));

    DesignSurface back(DesignSurface::LabelSurface);
    back.setClipFilePath(QString());
    ASSERT_TRUE(back.loadFromFile(path).ok);
    ASSERT_EQ(back.objects().size(), 3u);
    auto* line = qobject_cast<TKLineShape*>(back.objects()[0]);
    auto* hatched = qobject_cast<TKLabelShapes*>(back.objects()[1]);
    auto* clear = qobject_cast<TKLabelShapes*>(back.objects()[2]);
    ASSERT_TRUE(line && hatched && clear);
    EXPECT_EQ(line->lineStyle(), TKLineShape::stAngleSlopingDown);
    EXPECT_EQ(line->pen(), (DesignPen{0x0000FF, GdiPainter::pmXor, GdiPainter::psDot, 5}));
    EXPECT_FALSE(hatched->transparent());
    EXPECT_EQ(hatched->brush(), (DesignBrush{0x00FF00, GdiPainter::bsDiagCross}));
    EXPECT_EQ(hatched->roundPerc(), 40);
    EXPECT_EQ(hatched->shape(), TKLabelShapes::stRoundRect);
    EXPECT_TRUE(clear->transparent());
    EXPECT_EQ(clear->brush().style, GdiPainter::bsClear);
    EXPECT_EQ(clear->shape(), TKLabelShapes::stCircle);
}

TEST(ShapesFileTest, ReportShapesKeepTheirClassName) {
    registerStandardClasses();
    auto* o = DesignRegistry::instance().create("Trpshapes");
    ASSERT_NE(qobject_cast<TKLabelShapes*>(o), nullptr);
    EXPECT_EQ(o->designClass(), "Trpshapes");
    EXPECT_NE(DesignRegistry::instance().property("Trpshapes", "RoundPerc"), nullptr);
    DesignSurface report(DesignSurface::ReportSurface);
    report.setClipFilePath(QString());
    report.addObject(o, QRect(0, 0, 30, 30));
    EXPECT_TRUE(savedBytes(report).contains("\x09Trpshapes"));
}

TEST(SystemColourTest, TextPensAndBrushesResolveSystemColoursAlike) {
    // Design colours go to the screen through toQColor and to the page canvas
    // as stored values: both must give a system colour the same value.
    for (quint32 n = 0; n < 25; ++n) {
        const quint32 c = 0x80000000u + n;
        EXPECT_EQ(toQColor(DesignColor(c)), brindle::printing::colourFromInt(c)) << "system colour " << n;
    }
    // On paper: a text background and a shape's fill in clHighlight, a
    // shape's outline and a text in clBtnFace.
    const DesignColor highlight = DesignColor(0x8000000Du), face = DesignColor(0x8000000Fu);
    DesignSurface s(DesignSurface::LabelSurface);
    s.setClipFilePath(QString());
    s.setSize(400, 200);
    auto* label = new TKPLabel;
    label->setCaption("MMMM");
    label->setBackColor(highlight);
    label->setTransparent(false);
    DesignFont big;
    big.setPointSize(28);
    big.color = face;
    label->setFont(big);
    s.addObject(label, QRect(0, 0, 150, 50));
    auto* shape = new TKLabelShapes;
    shape->setBrush({highlight, 0});
    DesignPen pen;
    pen.color = face;
    pen.width = 10;
    shape->setPen(pen);
    s.addObject(shape, QRect(200, 0, 100, 100));
    brindle::printing::PageRecorder rec;
    s.printObjects(rec, 0, 0);
    rec.end();
    ASSERT_EQ(rec.document().pageCount(), 1);
    QImage img(400, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        brindle::printing::paintPage(p, rec.document().pages[0], brindle::printing::PaintScale{});
    }
    EXPECT_EQ(img.pixelColor(145, 45), img.pixelColor(250, 50));  // text background and shape fill
    EXPECT_EQ(img.pixelColor(250, 50), toQColor(highlight));
    EXPECT_EQ(img.pixelColor(201, 50), toQColor(face));  // the shape's outline
    // Somewhere in the text, the ink of the letters has the outline's colour.
    bool inked = false;
    for (int x = 0; x < 150 && !inked; ++x)
        for (int y = 0; y < 50 && !inked; ++y) inked = img.pixelColor(x, y) == toQColor(face);
    EXPECT_TRUE(inked);
}

}  // namespace

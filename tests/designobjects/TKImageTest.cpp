// The picture object: mirroring, the empty box and the border, icons on
// white, auto size and its coupling with Stretch, the stored form, loading
// from the picture chooser and what prints.
#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "DesignTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/TKImage.h"
#include "designobjects/ui/BuildMenu.h"
#include "pictures/PictureTestFiles.h"
#include "printing/DrawOps.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::test;

namespace {

// 4 x 3 pixels, every one different, so any mirroring shows.
QImage asymmetric() {
    QImage img(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) img.setPixel(x, y, qRgb(60 * x, 100 * y, 200));
    return img;
}

DesignPicture icon() {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int i = 0; i < 16; ++i) img.setPixel(i, i, qRgb(0, 0, 255));
    DesignPicture p;
    p.kind = "TIcon";
    QBuffer buf(&p.data);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "ICO");
    return p;
}

// A label surface with scripted dialogs, holding pictures.
struct Surface : ScriptedSurface {
    TKImage* add(QRect r, const DesignPicture& p = {}) {
        auto* o = ScriptedSurface::add(new TKImage, r);
        o->setPicture(p);
        changed = 0;
        return o;
    }
};

TEST(TKImageTest, FlipAndReverseMirrorAnAsymmetricBitmap) {
    const QImage src = asymmetric();
    TKImage o;
    EXPECT_EQ(o.bounds(), QRect(0, 0, 105, 105));
    EXPECT_TRUE(o.stretch() && !o.autoSize() && !o.flip() && !o.reverse());
    o.setPicture(DesignPicture::fromImage(src));
    ASSERT_TRUE(o.isBitmap());
    // At twice the size every source pixel becomes a 2 x 2 block.
    auto at = [&](const QImage& img, int x, int y) { return img.pixel(2 * x, 2 * y); };
    QImage plain = o.screenImage(8, 6);
    EXPECT_EQ(at(plain, 0, 0), src.pixel(0, 0));
    EXPECT_EQ(at(plain, 3, 2), src.pixel(3, 2));
    o.setReverse(true);
    QImage rev = o.screenImage(8, 6);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(at(rev, x, y), src.pixel(3 - x, y)) << x << "," << y;
    o.setReverse(false);
    o.setFlip(true);
    QImage flip = o.screenImage(8, 6);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(at(flip, x, y), src.pixel(x, 2 - y)) << x << "," << y;
    o.setReverse(true);
    EXPECT_EQ(at(o.screenImage(8, 6), 0, 0), src.pixel(3, 2));
    // Paper: the mirrored picture at the object's pixel size; without
    // mirroring the whole bitmap at its own resolution.
    EXPECT_EQ(o.printImage(8, 6).size(), QSize(8, 6));
    EXPECT_EQ(o.printImage(8, 6).pixel(0, 0), src.pixel(3, 2));
    o.setFlip(false);
    o.setReverse(false);
    EXPECT_EQ(o.printImage(8, 6).size(), QSize(4, 3));
}

TEST(TKImageTest, EmptyBoxBorderAndIconsOnWhite) {
    TKImage o;
    QImage img = o.screenImage(20, 10);
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(19, 9), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(10, 5), qRgb(255, 255, 255));
    EXPECT_TRUE(o.printImage(20, 10).isNull());

    o.setPicture(DesignPicture::fromImage(asymmetric()));
    o.setBorderStyle(TKImage::bsSingle);
    img = o.screenImage(8, 6);
    EXPECT_EQ(img.pixel(0, 3), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(7, 3), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(3, 3), asymmetric().pixel(1, 1));

    // Icons show and print on white and are no bitmap for Flip and Reverse.
    o.setBorderStyle(TKImage::bsNone);
    o.setPicture(icon());
    EXPECT_FALSE(o.isBitmap());
    EXPECT_EQ(o.pictureSize(), QSize(16, 16));
    img = o.screenImage(16, 16);
    EXPECT_EQ(img.pixel(15, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(3, 3), qRgb(0, 0, 255));
    const QImage printed = o.printImage(16, 16);
    ASSERT_FALSE(printed.isNull());
    EXPECT_EQ(printed.pixel(15, 0), qRgb(255, 255, 255));
}

TEST(TKImageTest, MetafilesDrawAndPrintAsVectors) {
    // One inch by half an inch, a black rectangle in its middle half.
    TKImage o;
    o.setPicture(DesignPicture{"TMetafile", brindle::pictures::testfiles::wmfRectangle(true)});
    EXPECT_TRUE(o.isMetafile());
    EXPECT_FALSE(o.isBitmap());
    EXPECT_EQ(o.pictureSize(), QSize(96, 48));
    o.setAutoSize(true);
    EXPECT_EQ(o.bounds().size(), QSize(96, 48));
    const QImage img = o.screenImage(192, 96);
    EXPECT_EQ(img.pixel(96, 48), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_TRUE(o.printImage(96, 48).isNull());

    o.setBounds(0, 0, 96, 48);
    const auto ops = printedOps(o, 1.0, 1.0);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].kind, brindle::printing::OpKind::Picture);
    EXPECT_EQ(ops[0].box, QRectF(1, 1, 1, 0.5));
    ASSERT_TRUE(ops[0].picture);
    EXPECT_EQ(ops[0].picture->boundingRect(), QRect(0, 0, 96, 48));
}

TEST(TKImageTest, AutoSizeAndStretchFromTheMenu) {
    Surface f;
    TKImage* o = f.add(QRect(10, 20, 105, 105), DesignPicture::fromImage(QImage(40, 30, QImage::Format_RGB32)));
    // "Stretch to Fit" off: AutoSize on, a change, but no resize yet.
    auto menu = o->contextMenu();
    EXPECT_TRUE(findMenuEntry(menu, "Stretch to Fit")->checked);
    EXPECT_FALSE(findMenuEntry(menu, "AutoSize")->checked);
    EXPECT_TRUE(runMenuEntry(menu, "Stretch to Fit"));
    EXPECT_FALSE(o->stretch());
    EXPECT_TRUE(o->autoSize());
    EXPECT_EQ(f.changed, 1);
    EXPECT_EQ(o->bounds(), QRect(10, 20, 105, 105));
    o->setLeft(12);  // the next move takes the picture's size
    EXPECT_EQ(o->bounds(), QRect(12, 20, 40, 30));

    // "AutoSize" sizes at once, at the object's zoom.
    EXPECT_TRUE(runMenuEntry(o->contextMenu(), "AutoSize"));
    EXPECT_TRUE(o->stretch());
    o->setBounds(12, 20, 100, 100);
    EXPECT_EQ(o->bounds().size(), QSize(100, 100));
    f.changed = 0;
    f.s.setZoom(2.0f);
    EXPECT_TRUE(runMenuEntry(o->contextMenu(), "AutoSize"));
    EXPECT_EQ(o->bounds(), QRect(24, 40, 80, 60));
    EXPECT_GT(f.changed, 0);
}

TEST(TKImageTest, MenuBorderFlipReverseAndEnabling) {
    Surface f;
    TKImage* o = f.add(QRect(0, 0, 40, 40));
    auto menu = o->contextMenu();
    ASSERT_NE(findMenuEntry(menu, "Load Image From Disk"), nullptr);
    EXPECT_FALSE(findMenuEntry(menu, "Flip")->enabled);
    EXPECT_FALSE(findMenuEntry(menu, "Reverse")->enabled);
    // The real menu greys them out.
    std::unique_ptr<QMenu> built(buildMenu(menu, nullptr));
    int seen = 0;
    for (QAction* a : built->actions()) {
        if (a->text() == "Flip" || a->text() == "Reverse") {
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
            ++seen;
        }
        if (a->text() == "Border") {
            EXPECT_TRUE(a->isEnabled());
        }
    }
    EXPECT_EQ(seen, 2);

    o->setPicture(DesignPicture{"TMetafile", QByteArray("\xD7\xCD\xC6\x9A", 4)});
    EXPECT_FALSE(findMenuEntry(o->contextMenu(), "Flip")->enabled);
    EXPECT_TRUE(runMenuEntry(o->contextMenu(), "Flip"));
    EXPECT_FALSE(o->flip());

    o->setPicture(DesignPicture::fromImage(asymmetric()));
    menu = o->contextMenu();
    EXPECT_TRUE(findMenuEntry(menu, "Flip")->enabled);
    EXPECT_TRUE(runMenuEntry(menu, "Flip"));
    EXPECT_TRUE(runMenuEntry(o->contextMenu(), "Reverse"));
    EXPECT_TRUE(runMenuEntry(o->contextMenu(), "Border"));
    menu = o->contextMenu();
    EXPECT_TRUE(findMenuEntry(menu, "Flip")->checked);
    EXPECT_TRUE(findMenuEntry(menu, "Reverse")->checked);
    EXPECT_TRUE(findMenuEntry(menu, "Border")->checked);
    EXPECT_EQ(o->borderStyle(), TKImage::bsSingle);
    EXPECT_EQ(f.changed, 3);
}

TEST(TKImageTest, LoadImageFromDisk) {
    Surface f;
    const DesignPicture first = DesignPicture::fromImage(asymmetric());
    TKImage* o = f.add(QRect(5, 5, 105, 105), first);

    // Cancel changes nothing; the chooser opens with the object's options.
    o->loadImageFromDisk();
    ASSERT_TRUE(f.dialogs.pictureOffered);
    EXPECT_TRUE(f.dialogs.pictureOffered->stretch);
    EXPECT_FALSE(f.dialogs.pictureOffered->autoSize);
    EXPECT_EQ(f.changed, 0);

    // Ok with a picture: taken with both boxes off as the user left them.
    PictureChoice chosen;
    chosen.picture = DesignPicture::fromImage(QImage(30, 20, QImage::Format_RGB32));
    chosen.stretch = false;
    chosen.autoSize = false;
    f.dialogs.pictureChoice = chosen;
    EXPECT_TRUE(runMenuEntry(o->contextMenu(), "Load Image From Disk"));
    EXPECT_EQ(o->picture(), chosen.picture);
    EXPECT_FALSE(o->stretch());
    EXPECT_FALSE(o->autoSize());
    EXPECT_EQ(o->bounds().size(), QSize(105, 105));
    EXPECT_EQ(f.changed, 1);

    // AutoSize from the chooser sizes the object at once.
    chosen.autoSize = true;
    f.dialogs.pictureChoice = chosen;
    o->loadImageFromDisk();
    EXPECT_EQ(o->bounds(), QRect(5, 5, 30, 20));

    // Ok after a file that could not be read keeps the picture.
    PictureChoice failed;
    failed.loadFailed = true;
    failed.stretch = false;
    failed.autoSize = true;
    f.dialogs.pictureChoice = failed;
    f.changed = 0;
    o->loadImageFromDisk();
    EXPECT_EQ(o->picture(), chosen.picture);
    EXPECT_EQ(f.changed, 0);
}

TEST(TKImageTest, StoredFormKeepsStretchAndAutoSizeAsTheyWere) {
    QTemporaryDir dir;
    const QString path = dir.filePath("pic.L");
    const DesignPicture pic = DesignPicture::fromImage(asymmetric());
    {
        Surface f;
        TKImage* neither = f.add(QRect(0, 0, 50, 40), pic);
        neither->setSizing(false, false);
        TKImage* sized = f.add(QRect(60, 0, 50, 40), pic);
        sized->setAutoSize(true);
        sized->setFlip(true);
        sized->setBorderStyle(TKImage::bsSingle);
        f.add(QRect(120, 0, 105, 105));  // empty, defaults
        ASSERT_TRUE(f.s.saveToFile(path));
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Stream order: AutoSize, BorderStyle, Picture, Stretch, Reverse, Flip.
    const qsizetype first = bytes.indexOf("TKImage");
    EXPECT_LT(bytes.indexOf("BorderStyle", first), bytes.indexOf("Picture.Data", first));
    EXPECT_LT(bytes.indexOf("Picture.Data", first), bytes.indexOf("Stretch", first));
    EXPECT_LT(bytes.indexOf("Stretch", first), bytes.indexOf("Reverse", first));
    EXPECT_LT(bytes.indexOf("Reverse", first), bytes.indexOf("Flip", first));
    EXPECT_FALSE(bytes.left(bytes.indexOf("TKImage", first + 1)).contains("AutoSize"));

    Surface back;
    ASSERT_TRUE(back.s.loadFromFile(path).ok);
    ASSERT_EQ(back.s.objects().size(), 3u);
    auto* neither = qobject_cast<TKImage*>(back.s.objects()[0]);
    auto* sized = qobject_cast<TKImage*>(back.s.objects()[1]);
    auto* empty = qobject_cast<TKImage*>(back.s.objects()[2]);
    ASSERT_TRUE(neither && sized && empty);
    EXPECT_FALSE(neither->stretch());
    EXPECT_FALSE(neither->autoSize());
    EXPECT_EQ(neither->bounds().size(), QSize(50, 40));
    EXPECT_EQ(neither->picture(), pic);
    EXPECT_TRUE(sized->autoSize());
    EXPECT_FALSE(sized->stretch());
    EXPECT_TRUE(sized->flip());
    EXPECT_EQ(sized->borderStyle(), TKImage::bsSingle);
    EXPECT_EQ(sized->bounds().size(), QSize(4, 3));
    EXPECT_TRUE(empty->stretch());
    EXPECT_TRUE(empty->picture().isEmpty());
}

TEST(TKImageTest, PrintsPictureAndBorderIntoItsRectangle) {
    TKImage o;
    o.setBounds(96, 48, 80, 60);
    EXPECT_TRUE(printedOps(o).empty());  // an empty picture prints nothing

    o.setPicture(DesignPicture::fromImage(QImage(40, 30, QImage::Format_RGB32)));
    o.setBorderStyle(TKImage::bsSingle);
    const auto ops = printedOps(o, 0.5, 0.25);
    ASSERT_EQ(ops.size(), 2u);
    const QRectF r(QPointF(1.25, 1.0), QPointF(0.25 + 176 / 96.0, 0.5 + 108 / 96.0));
    EXPECT_EQ(ops[0].kind, brindle::printing::OpKind::Image);
    EXPECT_EQ(ops[0].box, r);
    EXPECT_EQ(ops[0].image.size(), QSize(40, 30));
    EXPECT_EQ(ops[1].kind, brindle::printing::OpKind::Rectangle);
    EXPECT_EQ(ops[1].box, r);
    EXPECT_EQ(ops[1].brush.style, brindle::printing::BrushStyle::Clear);
    EXPECT_NEAR(ops[1].penWidth, 1 / 300.0, 1e-12);
}

}  // namespace

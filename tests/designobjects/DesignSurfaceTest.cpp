// Surfaces: zoom and its rounding, tools and naming, clamping and deleting at
// the edges, the printing contract, data binding, painting, and saving
// (zoom-independent bytes, atomic replacement, keeping a damaged original).
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/FontMetrics.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "printing/PageRecorder.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::test;
using brindle::printing::OpKind;
using brindle::printing::PageRecorder;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class DesignSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        TKTestThing::registerClass();
        s.setClipFilePath(QString());
        s.setSize(384, 96);
        s.setDialogs(&dialogs);
    }
    TKPLabel* label(QRect r, const QString& caption = "Hi") {
        auto* l = new TKPLabel;
        l->setCaption(caption);
        s.addObject(l, r);
        return l;
    }
    QString path(const char* n) const { return dir.filePath(QString::fromLatin1(n)); }
    QTemporaryDir dir;
    DesignSurface s{DesignSurface::LabelSurface};
    brindle::common::ScriptedDialogs dialogs;
};

TEST(RoundingTest, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
}

TEST_F(DesignSurfaceTest, ZoomRescalesWithSinglePrecisionRatioAndHalfEvenRounding) {
    auto* a = label(QRect(5, 3, 25, 15));
    auto* b = label(QRect(7, 9, 142, 33));
    s.setZoom(1.5f);
    EXPECT_EQ(s.size(), QSize(576, 144));
    EXPECT_EQ(a->bounds(), QRect(8, 4, 38, 22));  // 7.5 -> 8, 4.5 -> 4, 37.5 -> 38, 22.5 -> 22
    EXPECT_EQ(b->bounds(), QRect(10, 14, 213, 50));
    EXPECT_EQ(a->zoom(), 1.5f);
    s.setZoom(1.0f);
    EXPECT_EQ(a->bounds(), QRect(5, 3, 25, 15));

    s.setZoom(0.5f);
    EXPECT_EQ(a->bounds(), QRect(2, 2, 12, 8));  // 2.5 -> 2, 1.5 -> 2, 12.5 -> 12, 7.5 -> 8
    s.setZoom(1.0f);
    EXPECT_EQ(a->bounds(), QRect(5, 3, 25, 15));  // shown bounds derive from the design: no drift

    // 0.6 is not exact in single precision: 0.6f is a hair above 0.6.
    auto* c = label(QRect(5, 15, 25, 35));
    c->setZoom(0.6f);
    EXPECT_EQ(c->bounds(), QRect(3, 9, 15, 21));
    c->setZoom(1.0f);  // ratio 1 / 0.6f in single precision
    EXPECT_EQ(c->bounds(), QRect(5, 15, 25, 35));
    c->setZoom(1.0f);  // same factor: nothing happens
    EXPECT_EQ(c->bounds(), QRect(5, 15, 25, 35));
}

TEST_F(DesignSurfaceTest, SavingAtAnyZoomWritesTheSameBytesAndKeepsTheZoom) {
    label(QRect(5, 3, 25, 15));
    label(QRect(11, 21, 142, 33), "second");
    ASSERT_TRUE(s.saveToFile(path("one.L")));
    s.setZoom(1.5f);
    const QRect shown = s.objects()[0]->bounds();
    ASSERT_TRUE(s.saveToFile(path("zoomed.L")));
    EXPECT_EQ(readAll(path("one.L")), readAll(path("zoomed.L")));
    EXPECT_EQ(s.zoom(), 1.5f);
    EXPECT_EQ(s.objects()[0]->bounds(), shown);
}

TEST_F(DesignSurfaceTest, ToolsCreateObjectsNamedSpecialWithTheSmallestFreeNumber) {
    int dropped = 0;
    QObject::connect(&s, &DesignSurface::droppedObject, [&](const QRect&) { ++dropped; });
    int changed = 0;
    QObject::connect(&s, &DesignSurface::labelChanged, [&] { ++changed; });
    s.setFont([] { DesignFont f; f.name = "Times New Roman"; f.setPointSize(12); return f; }());
    s.setPanelState(DesignSurface::psLabel);
    EXPECT_FALSE(s.pointing());
    s.rubberBandReleased(QRect(QPoint(30, 40), QSize(0, 0)));  // a click without a drag
    ASSERT_EQ(s.objects().size(), 1u);
    auto* l = qobject_cast<TKPLabel*>(s.objects()[0]);
    // A click makes a 50 × 15 object, which then grows to fit its text (no
    // dialogs here: the text dialog counts as cancelled).
    EXPECT_EQ(l->bounds().topLeft(), QPoint(30, 40));
    const TextMetrics fm(l->font());
    EXPECT_EQ(l->width(), std::max(50, fm.width("<text>     ")));
    EXPECT_EQ(l->height(), std::max(15, fm.height()));
    EXPECT_EQ(l->caption(), "<text>");
    EXPECT_EQ(l->font().name, "Times New Roman");
    EXPECT_EQ(l->objectName(), "Special1");
    EXPECT_EQ(dropped, 1);
    EXPECT_GE(changed, 1);

    s.rubberBandReleased(QRect(100, 10, 80, 30));
    s.rubberBandReleased(QRect(200, 10, 80, 30));
    delete s.objects()[1];  // frees Special2
    s.rubberBandReleased(QRect(300, 10, 80, 30));
    EXPECT_EQ(s.objects().back()->objectName(), "Special2");

    // Kinds the registry does not know create nothing; the selection tool never creates.
    s.setPanelState(DesignSurface::psRectangle);
    if (!DesignRegistry::instance().contains("TKLabelShapes"))
        EXPECT_EQ(s.createObjectInRect(QRect(0, 0, 30, 30)), nullptr);
    else
        delete s.createObjectInRect(QRect(0, 0, 30, 30));
    s.setPanelState(DesignSurface::psPointing);
    EXPECT_EQ(s.createObjectInRect(QRect(0, 0, 30, 30)), nullptr);
    // The selection tool selects what the band touches.
    s.setPanelState(DesignSurface::psPointing);
    s.rubberBandReleased(QRect(25, 35, 10, 10));
    ASSERT_EQ(s.selection().size(), 1u);
    EXPECT_EQ(s.selection()[0], l);
}

TEST_F(DesignSurfaceTest, ClampAndDeleteOutsideWorkAtTheirEdges) {
    // Surface 384 x 96: Top limit 86, Left limits 364 (clamp) and 374 (delete).
    auto* atTop = label(QRect(0, 86, 20, 20));
    auto* belowTop = label(QRect(0, 87, 20, 20));
    auto* atLeft = label(QRect(364, 0, 20, 20));
    auto* pastLeft = label(QRect(365, 0, 20, 20));
    s.clampObjects();
    EXPECT_EQ(atTop->top(), 86);
    EXPECT_EQ(belowTop->top(), 86);
    EXPECT_EQ(atLeft->left(), 364);
    EXPECT_EQ(pastLeft->left(), 364);

    s.clearObjects();
    auto* keepTop = label(QRect(0, 86, 20, 20));
    label(QRect(0, 87, 20, 20));
    auto* keepLeft = label(QRect(374, 0, 20, 20));
    label(QRect(375, 0, 20, 20));
    // Text objects never fall below 1 × 1; other kinds may.
    auto* thin = new brindle::designobjects::test::TKTestThing;
    s.addObject(thin, QRect(10, 10, 20, 20));
    thin->setWidth(0);
    auto* flat = new brindle::designobjects::test::TKTestThing;
    s.addObject(flat, QRect(40, 10, 20, 20));
    flat->setHeight(0);
    auto* text = label(QRect(70, 10, 20, 20));
    text->setHeight(0);
    EXPECT_EQ(text->height(), 1);
    delete text;
    s.deleteOutsideObjects();
    ASSERT_EQ(s.objects().size(), 2u);
    EXPECT_EQ(s.objects()[0], keepTop);
    EXPECT_EQ(s.objects()[1], keepLeft);
}

TEST_F(DesignSurfaceTest, SizeRulesThatContradictEachOtherEndInsteadOfRecursing) {
    // A kind that fits itself to nothing while a floor keeps it one pixel wide.
    struct Fickle : TKTestThing {
        int rounds = 0;
        void boundsChanged() override {
            ++rounds;
            TKTestThing::boundsChanged();
            setBounds(left(), top(), width() == 0 ? 1 : 0, height());
        }
    };
    auto* f = new Fickle;
    s.addObject(f, QRect(10, 10, 20, 20));
    EXPECT_LE(f->rounds, 20);
    f->rounds = 0;
    f->setLeft(30);
    EXPECT_EQ(f->left(), 30);
    EXPECT_LE(f->rounds, 10);
}

TEST_F(DesignSurfaceTest, PrintingPlacesObjectsTopFirstInInches) {
    // Heights inside the one-line layout's limits (one to 1.2 lines), so the
    // printed boxes are the objects' own.
    auto* l = label(QRect(96, 48, 96, 18));
    label(QRect(0, 0, 48, 18), "back");
    PageRecorder rec;
    s.printObjects(rec, 0.5, 0.1875);  // top 0.5 inch, left 0.1875 inch
    rec.end();
    ASSERT_EQ(rec.document().pageCount(), 1);
    const auto& ops = rec.document().pages[0].ops;
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].kind, OpKind::Picture);
    EXPECT_NEAR(ops[0].box.left(), 1.1875, 1e-9);
    EXPECT_NEAR(ops[0].box.top(), 1.0, 1e-9);
    EXPECT_NEAR(ops[0].box.right(), 2.1875, 1e-9);
    EXPECT_NEAR(ops[0].box.bottom(), 1.1875, 1e-9);
    EXPECT_NEAR(ops[1].box.left(), 0.1875, 1e-9);  // child order, back to front
    EXPECT_NEAR(ops[1].box.top(), 0.5, 1e-9);
    EXPECT_EQ(l->paperRect(0.5, 0.1875), ops[0].box);
}

TEST_F(DesignSurfaceTest, RefreshDataReachesObjectsOnlyWithAnOpenRecordSource) {
    struct Source : RecordSource {
        bool open = false;
        bool isOpen() const override { return open; }
        std::vector<RecordField> fields() const override { return {{"LNAME", "Last Name"}, {"X", "Last Name"}}; }
        QString fieldText(const QString&) const override { return "Smith"; }
    } src;
    DesignSurface data(DesignSurface::DataSurface);
    data.setClipFilePath(QString());
    auto* t = new TKTestThing;
    data.addObject(t, QRect(0, 0, 20, 20));
    data.refreshData();  // no source
    data.setRecordSource(&src);
    data.refreshData();  // source closed
    EXPECT_EQ(t->refreshed, 0);
    src.open = true;
    data.refreshData();
    EXPECT_EQ(t->refreshed, 1);
    std::vector<RecordField> storage;
    EXPECT_EQ(src.fieldByLabel("Last Name", storage)->name, "X");  // the last field with the label
    EXPECT_EQ(src.fieldByLabel("First Name", storage), nullptr);
}

TEST_F(DesignSurfaceTest, GridDotsAreAndedInsideTheShapeOnly) {
    s.setSize(64, 32);
    s.setShowGrid(true);
    s.setShape(DesignSurface::lsEllipse);
    QImage img = s.render();
    EXPECT_EQ(QColor(img.pixel(30, 14)), QColor(0, 128, 0));  // 2 + 7*4, 2 + 3*4 inside
    EXPECT_EQ(QColor(img.pixel(2, 2)), QColor(Qt::white));     // corner: outside the ellipse
    EXPECT_EQ(QColor(img.pixel(31, 14)), QColor(Qt::white));   // between dots
    s.setGridSize(DesignSurface::gs8x8);
    img = s.render();
    EXPECT_EQ(QColor(img.pixel(26, 10)), QColor(0, 128, 0));
    EXPECT_EQ(QColor(img.pixel(30, 14)), QColor(Qt::white));
    // Over dark art the dot stays dark: AND with the background.
    QImage art(64, 32, QImage::Format_RGB32);
    art.fill(QColor(0, 0, 200));
    s.setPicture(art);
    img = s.render();
    EXPECT_EQ(QColor(img.pixel(26, 10)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(img.pixel(27, 10)), QColor(0, 0, 200));
    EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(Qt::white));  // the picture is clipped to the ellipse
}

TEST_F(DesignSurfaceTest, FailedSaveLeavesTheOldFileAndSaysSo) {
    // A name so long that no file can be made beside it: the new design
    // cannot be written, the old one must survive.
    const QString longName = dir.filePath(QString(250, 'd') + ".L");
    label(QRect(0, 0, 50, 20), "old");
    ASSERT_TRUE(s.saveToFile(longName));
    const QByteArray before = readAll(longName);
    qobject_cast<TKPLabel*>(s.objects()[0])->setCaption("new");
    EXPECT_FALSE(s.saveToFile(longName));
    EXPECT_EQ(readAll(longName), before);
    ASSERT_EQ(dialogs.texts(brindle::common::ScriptedDialogs::Kind::Error).size(), 1);
    EXPECT_TRUE(dialogs.texts(brindle::common::ScriptedDialogs::Kind::Error)[0].startsWith("Cannot create file " + longName));
    EXPECT_TRUE(s.lastError().contains("not saved"));
    // Nothing is left behind in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    EXPECT_FALSE(s.saveToFile(dir.filePath("no/such/folder.L")));
}

TEST_F(DesignSurfaceTest, DamagedDesignIsKeptAsBakBeforeTheFirstSave) {
    label(QRect(0, 0, 50, 20), "kept");
    label(QRect(0, 30, 50, 20), "lost");
    const QByteArray full =
        TKLabelObjectFiler::encode({s.objects()[0], s.objects()[1]});
    const QByteArray damaged = full.left(full.size() - 20);
    {
        QFile f(path("BIN00001.L"));
        f.open(QIODevice::WriteOnly);
        f.write(damaged);
    }
    DesignSurface t(DesignSurface::LabelSurface);
    t.setClipFilePath(QString());
    t.setSize(384, 96);
    t.setDialogs(&dialogs);
    const auto r = t.loadFromFile(path("BIN00001.L"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.objectsRead, QStringList{"Component0 (TKPLabel)"});
    const QStringList errors = dialogs.texts(brindle::common::ScriptedDialogs::Kind::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("Stream read error"));
    EXPECT_TRUE(errors[0].contains("Component0 (TKPLabel)"));
    EXPECT_TRUE(errors[0].contains("BIN00001.L.bak"));

    ASSERT_TRUE(t.saveToFile(path("BIN00001.L")));
    EXPECT_EQ(readAll(path("BIN00001.L.bak")), damaged);
    EXPECT_EQ(dialogs.infos().size(), 1);
    // Later saves replace the design but not the kept original.
    qobject_cast<TKPLabel*>(t.objects()[0])->setCaption("again");
    ASSERT_TRUE(t.saveToFile(path("BIN00001.L")));
    EXPECT_EQ(readAll(path("BIN00001.L.bak")), damaged);
    EXPECT_EQ(dialogs.infos().size(), 1);
}

}  // namespace

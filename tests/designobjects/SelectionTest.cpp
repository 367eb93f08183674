// Direct manipulation without widgets: zones, snapping and the overlay's new
// bounds at their edges, how objects follow the overlay (locked ones stay,
// none shrinks below 5 × 5), keyboard nudging at the surface's edges, and the
// surface commands: clipboard with its offsets, zoom and one-second rule,
// clone, delete and order, alignment, centring, locking, font, menus.
#include <QFile>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "ScriptedDesignDialogs.h"
#include "common/ScriptedDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/Selection.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/TKLabelObjectFiler.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::selection;

namespace {

QStringList captions(const MenuEntries& menu) {
    QStringList out;
    for (const auto& e : menu) out << e.caption + (e.checked ? "*" : "") + (e.enabled ? "" : "~");
    return out;
}

TEST(SelectionZones, CornersAndSideMiddlesAtTheirEdges) {
    const QSize o(100, 40);  // middles at x 50, y 20
    struct Case {
        QPoint p;
        int zone;
    };
    const Case cases[] = {
        {{0, 0}, zTopLeft},      {{7, 7}, zTopLeft},      {{8, 0}, zMove},        {{0, 8}, zMove},
        {{92, 0}, zTopRight},    {{91, 0}, zMove},        {{0, 39}, zBottomLeft}, {{0, 32}, zBottomLeft},
        {{0, 31}, zMove},        {{99, 39}, zBottomRight}, {{45, 0}, zTop},       {{55, 7}, zTop},
        {{44, 0}, zMove},        {{56, 0}, zMove},        {{50, 8}, zMove},       {{50, 32}, zBottom},
        {{50, 31}, zMove},       {{0, 15}, zLeft},        {{7, 25}, zLeft},       {{0, 14}, zMove},
        {{0, 26}, zMove},        {{99, 20}, zRight},      {{92, 20}, zRight},     {{91, 20}, zMove},
        {{50, 20}, zMove},
    };
    for (const auto& c : cases) EXPECT_EQ(zoneAt(o, c.p, 1), c.zone) << c.p.x() << "," << c.p.y();
    // Several objects (or none) are only ever moved.
    EXPECT_EQ(zoneAt(o, {0, 0}, 2), zMove);
    EXPECT_EQ(zoneAt(o, {99, 39}, 0), zMove);
}

TEST(SelectionDrag, SnapTruncatesTowardZeroAndEveryZoneChangesItsEdges) {
    EXPECT_EQ(snap(23, 8), 16);
    EXPECT_EQ(snap(24, 8), 24);
    EXPECT_EQ(snap(-3, 8), 0);
    EXPECT_EQ(snap(-9, 4), -8);
    EXPECT_EQ(snap(7, 1), 7);

    const QRect o(10, 20, 50, 30);
    const QPoint d(4, 6);
    EXPECT_EQ(draggedOverlay(o, zMove, d, 1, 1), QRect(14, 26, 50, 30));
    EXPECT_EQ(draggedOverlay(o, zTopLeft, d, 1, 1), QRect(14, 26, 46, 24));
    EXPECT_EQ(draggedOverlay(o, zTopRight, d, 1, 1), QRect(10, 26, 53, 24));
    EXPECT_EQ(draggedOverlay(o, zBottomLeft, d, 1, 1), QRect(14, 20, 46, 35));
    EXPECT_EQ(draggedOverlay(o, zBottomRight, d, 1, 1), QRect(10, 20, 53, 35));
    EXPECT_EQ(draggedOverlay(o, zTop, d, 1, 1), QRect(10, 26, 50, 24));
    EXPECT_EQ(draggedOverlay(o, zLeft, d, 1, 1), QRect(14, 20, 46, 30));
    EXPECT_EQ(draggedOverlay(o, zBottom, d, 1, 1), QRect(10, 20, 50, 35));
    EXPECT_EQ(draggedOverlay(o, zRight, d, 1, 1), QRect(10, 20, 53, 30));

    // Grid 8: an overlay at left 13 dragged by 10 lands at 16; top snaps too.
    EXPECT_EQ(draggedOverlay(QRect(13, 21, 40, 20), zMove, {10, 0}, 8, 8).topLeft(), QPoint(16, 16));
    // Resizing snaps the size: S(50 + 7) − 1 = 55.
    EXPECT_EQ(draggedOverlay(o, zRight, {7, 0}, 8, 8).width(), 55);
    // The overlay itself is not held at a minimum: its far edges stay put
    // even when the near ones are dragged past them.
    EXPECT_EQ(draggedOverlay(o, zBottomRight, {-47, -100}, 1, 1), QRect(10, 20, 2, -71));
    const QRect past = draggedOverlay(o, zTopLeft, {80, 80}, 8, 8);
    EXPECT_EQ(past.topLeft(), QPoint(88, 96));
    EXPECT_EQ(past.topLeft() + QPoint(past.width(), past.height()), QPoint(60, 50));
}

TEST(SelectionDrag, ObjectsFollowTheOverlayButNeverShrinkBelowFive) {
    const QRect object(20, 30, 40, 20);
    const QRect before = overlayFor({object});
    EXPECT_EQ(before, QRect(18, 28, 45, 25));
    EXPECT_EQ(boxInside(before), object);
    EXPECT_EQ(overlayAround(object), before);

    // Moving and growing carry over one to one.
    EXPECT_EQ(followOverlay(object, before, before.translated(7, -3)), QRect(27, 27, 40, 20));
    EXPECT_EQ(followOverlay(object, before, before.adjusted(0, 0, 6, 2)), QRect(20, 30, 46, 22));

    // Bottom-right corner dragged until the object would be 3 wide, or less
    // than nothing: it stays 5 wide. A corner drag takes one pixel more off
    // the size than the pointer moved: W' = S(W + dx) − 1.
    const QRect tiny = draggedOverlay(before, zBottomRight, {-43, 0}, 1, 1);
    EXPECT_EQ(tiny.width(), 1);
    EXPECT_EQ(followOverlay(object, before, tiny), QRect(20, 30, 5, 19));
    EXPECT_EQ(followOverlay(object, before, draggedOverlay(before, zBottomRight, {-36, 0}, 1, 1)).width(), 5);
    // Left edge dragged right: the object keeps its right edge at its minimum.
    const QRect fromLeft = draggedOverlay(before, zLeft, {38, 0}, 1, 1);
    EXPECT_EQ(fromLeft, QRect(56, 28, 7, 25));
    EXPECT_EQ(followOverlay(object, before, fromLeft), QRect(55, 30, 5, 20));
    // Top edge likewise.
    EXPECT_EQ(followOverlay(object, before, draggedOverlay(before, zTop, {0, 18}, 1, 1)), QRect(20, 45, 40, 5));
    // Dragged past the far edge, the object stays at its minimum against its far edge.
    EXPECT_EQ(followOverlay(object, before, draggedOverlay(before, zTop, {0, 40}, 1, 1)), QRect(20, 45, 40, 5));
    EXPECT_EQ(followOverlay(object, before, draggedOverlay(before, zTopLeft, {200, 90}, 8, 8)), QRect(55, 45, 5, 5));
    // An object already thinner than 5 (a line) keeps its width when shrunk, grows when grown.
    const QRect line(20, 30, 1, 40);
    const QRect lineOverlay = overlayFor({line});
    EXPECT_EQ(followOverlay(line, lineOverlay, lineOverlay.adjusted(0, 0, -3, 0)).width(), 1);
    EXPECT_EQ(followOverlay(line, lineOverlay, lineOverlay.adjusted(0, 0, 3, 0)).width(), 4);
}

TEST(SelectionAlign, ExtremesStartFromTheSurfaceEdges) {
    const QSize s(100, 50);
    const std::vector<QRect> inside = {QRect(30, 5, 20, 10), QRect(12, 20, 40, 10)};
    EXPECT_EQ(aligned(inside, Align::Left, s), (std::vector<QRect>{QRect(12, 5, 20, 10), QRect(12, 20, 40, 10)}));
    EXPECT_EQ(aligned(inside, Align::Right, s), (std::vector<QRect>{QRect(32, 5, 20, 10), QRect(12, 20, 40, 10)}));
    EXPECT_EQ(aligned(inside, Align::Bottoms, s)[0].bottom(), 29);
    // A set wholly beyond the surface meets the surface's edge.
    EXPECT_EQ(aligned({QRect(150, 0, 10, 10), QRect(120, 0, 10, 10)}, Align::Left, s)[0].x(), 100);
    EXPECT_EQ(aligned({QRect(0, 60, 10, 10)}, Align::Tops, s)[0].y(), 50);
    EXPECT_EQ(aligned({QRect(-40, 0, 10, 10), QRect(-30, 0, 10, 10)}, Align::Right, s)[0].x(), -10);
    EXPECT_EQ(aligned({QRect(0, -30, 10, 10)}, Align::Bottoms, s)[0].y(), -10);
}

TEST(SelectionKeyboard, NudgesStopAtTheSurfaceEdges) {
    const QSize s(100, 50);
    EXPECT_EQ(nudged(QRect(0, 0, 20, 10), Direction::Left, false, s), QRect(0, 0, 20, 10));
    EXPECT_EQ(nudged(QRect(0, 0, 20, 10), Direction::Up, false, s), QRect(0, 0, 20, 10));
    EXPECT_EQ(nudged(QRect(79, 0, 20, 10), Direction::Right, false, s), QRect(80, 0, 20, 10));
    EXPECT_EQ(nudged(QRect(80, 0, 20, 10), Direction::Right, false, s), QRect(80, 0, 20, 10));
    EXPECT_EQ(nudged(QRect(0, 40, 20, 10), Direction::Down, false, s), QRect(0, 40, 20, 10));
    EXPECT_EQ(nudged(QRect(0, 0, 100, 10), Direction::Right, true, s), QRect(0, 0, 100, 10));
    EXPECT_EQ(nudged(QRect(0, 39, 10, 10), Direction::Down, true, s), QRect(0, 39, 10, 11));
    EXPECT_EQ(nudged(QRect(0, 0, 10, 10), Direction::Up, true, s), QRect(0, 0, 10, 10));
}

// ---------------------------------------------------------------- surface commands

class SurfaceCommands : public ::testing::Test {
protected:
    void SetUp() override {
        s.setClipFilePath(dir.filePath("Clipbrd.tmp"));
        s.setSize(384, 144);
        s.setDialogs(&dialogs);
        s.setDesignDialogs(&dlg);
        s.setPasteClock([this] { return now; });
        QObject::connect(&s, &DesignSurface::labelChanged, [this] { ++changes; });
    }
    TKPLabel* label(QRect r, const QString& caption = "Hi") {
        auto* l = new TKPLabel;
        l->setCaption(caption);
        s.addObject(l, r);
        l->loaded();
        return l;
    }
    QTemporaryDir dir;
    qint64 now = 100000;
    int changes = 0;
    brindle::common::ScriptedDialogs dialogs;
    brindle::designobjects::test::ScriptedDesignDialogs dlg;
    DesignSurface s{DesignSurface::LabelSurface};
};

TEST_F(SurfaceCommands, LockedObjectsStayPutAndResizedObjectsSurviveTheSave) {
    auto* a = label(QRect(20, 30, 40, 20));
    auto* b = label(QRect(100, 30, 40, 20));
    s.select(a);
    s.select(b);
    b->setLocked(true);
    s.applyOverlay(s.overlayRect().translated(10, 5));
    EXPECT_EQ(a->bounds(), QRect(30, 35, 40, 20));
    EXPECT_EQ(b->bounds(), QRect(100, 30, 40, 20));

    // One object resized from its bottom-right corner towards nothing.
    s.clearSelection();
    s.select(a);
    s.applyOverlay(draggedOverlay(s.overlayRect(), zBottomRight, {-60, -60}, 1, 1));
    EXPECT_EQ(a->bounds().size(), QSize(5, 5));
    EXPECT_EQ(s.overlayRect(), QRect(28, 33, 10, 10));
    s.deleteOutsideObjects();
    EXPECT_EQ(s.objects().size(), 2u);
}

TEST_F(SurfaceCommands, PasteLandsFifteenPixelsOffOncePerSecondAtAnyZoom) {
    auto* a = label(QRect(20, 30, 40, 20), "A");
    auto* b = label(QRect(100, 60, 40, 20), "B");
    EXPECT_FALSE(s.clipFileExists());
    EXPECT_FALSE(s.paste());
    s.select(b);
    s.select(a);
    s.copy();
    ASSERT_TRUE(s.clipFileExists());
    changes = 0;
    ASSERT_TRUE(s.paste());
    ASSERT_EQ(s.objects().size(), 4u);
    // In selection order, offset, not selected, the design changed.
    EXPECT_EQ(qobject_cast<TKPLabel*>(s.objects()[2])->caption(), "B");
    EXPECT_EQ(s.objects()[2]->bounds(), QRect(115, 75, 40, 20));
    EXPECT_EQ(s.objects()[3]->bounds(), QRect(35, 45, 40, 20));
    EXPECT_EQ(s.selection().size(), 2u);
    EXPECT_GE(changes, 1);

    now += 999;  // too soon
    EXPECT_FALSE(s.paste());
    EXPECT_EQ(s.objects().size(), 4u);
    now += 1;
    ASSERT_TRUE(s.paste());  // lands exactly on the first paste
    EXPECT_EQ(s.objects()[5]->bounds(), s.objects()[3]->bounds());

    // Copied at zoom 1.5, pasted at 1.0: where the copy would be at 1.0.
    while (s.objects().size() > 2) delete s.objects().back();
    s.clearSelection();
    s.setZoom(1.5f);
    EXPECT_EQ(a->bounds(), QRect(30, 45, 60, 30));
    s.select(a);
    s.copy();
    s.setZoom(1.0f);
    now += 1000;
    ASSERT_TRUE(s.paste());
    EXPECT_EQ(s.objects().back()->bounds(), QRect(35, 45, 40, 20));
    // Copied at 1.0, pasted at 1.5: scaled like everything else on the surface.
    delete s.objects().back();
    s.select(a);
    s.copy();
    s.setZoom(1.5f);
    now += 1000;
    ASSERT_TRUE(s.paste());
    EXPECT_EQ(s.objects().back()->bounds(), QRect(52, 68, 60, 30));  // (35, 45, 40, 20) × 1.5, halves to even
    EXPECT_EQ(s.objects().back()->zoom(), 1.5f);
    s.setZoom(1.0f);
    EXPECT_EQ(s.objects().back()->bounds(), QRect(35, 45, 40, 20));
}

TEST_F(SurfaceCommands, CloneAtZoomKeepsSizeAndLandsTwentyFivePixelsLower) {
    auto* a = label(QRect(20, 30, 40, 20), "A");
    auto* other = label(QRect(200, 30, 40, 20), "other");
    s.select(a);
    s.setZoom(1.5f);
    changes = 0;
    TKGraphicControl* c = s.clone(a);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(s.objects().back(), c);  // on top
    EXPECT_EQ(c->zoom(), 1.5f);
    // Shown bounds derive from the design's: top 30 + 25 = 55 at zoom 1.0,
    // Round(82.5) = 82 at 1.5 (halves to even), as a saved and reopened copy shows.
    EXPECT_EQ(c->bounds(), QRect(30, 82, 60, 30));
    ASSERT_EQ(s.selection().size(), 1u);
    EXPECT_EQ(s.selection()[0], c);  // the selection moved to the copy
    EXPECT_GE(changes, 1);
    s.setZoom(1.0f);
    EXPECT_EQ(c->bounds(), QRect(20, 55, 40, 20));
    EXPECT_EQ(qobject_cast<TKPLabel*>(c)->caption(), "A");
    // An unselected source leaves the selection alone.
    TKGraphicControl* c2 = s.clone(other);
    EXPECT_EQ(c2->bounds(), QRect(200, 55, 40, 20));
    EXPECT_EQ(s.selection()[0], c);
}

TEST_F(SurfaceCommands, DeleteCutAndOrderWorkOnTheSelectionOrOneObject) {
    auto* a = label(QRect(0, 0, 40, 20), "A");
    auto* b = label(QRect(0, 30, 40, 20), "B");
    auto* c = label(QRect(0, 60, 40, 20), "C");
    QStringList gone;
    for (auto* o : {a, b, c})
        QObject::connect(o, &QObject::destroyed, [&gone, name = qobject_cast<TKPLabel*>(o)->caption()] { gone << name; });
    s.select(a);
    s.select(c);
    s.bringToFront();  // in selection order: c ends on top
    EXPECT_EQ(s.objects(), (std::vector<TKGraphicControl*>{b, a, c}));
    s.sendToBack();  // c ends at the bottom; selection cleared
    EXPECT_EQ(s.objects(), (std::vector<TKGraphicControl*>{c, a, b}));
    EXPECT_TRUE(s.selection().empty());

    s.select(a);
    s.select(c);
    changes = 0;
    s.remove(b);  // not selected: only b goes
    EXPECT_EQ(gone, QStringList({"B"}));
    EXPECT_EQ(changes, 1);
    s.cut(c);  // selected: the selection goes, last selected first
    EXPECT_EQ(gone, QStringList({"B", "C", "A"}));
    EXPECT_EQ(changes, 3);
    ASSERT_TRUE(s.paste());
    ASSERT_EQ(s.objects().size(), 2u);
    EXPECT_EQ(s.objects()[0]->bounds(), QRect(15, 15, 40, 20));

    // A clip file that cannot be written: the error is shown and a cut keeps its objects.
    s.setClipFilePath(dir.filePath("missing/Clipbrd.tmp"));
    s.selectAll();
    s.cut();
    EXPECT_EQ(s.objects().size(), 2u);
    s.cut(s.objects()[0]);
    s.clearSelection();
    s.cut(s.objects()[0]);
    EXPECT_EQ(s.objects().size(), 2u);
    EXPECT_EQ(dialogs.texts(brindle::common::ScriptedDialogs::Kind::Error).size(), 3);
}

TEST_F(SurfaceCommands, AlignCentreLockAndFont) {
    auto* a = label(QRect(30, 5, 40, 20));
    auto* b = label(QRect(12, 40, 60, 30));
    b->setLocked(true);  // locked objects are aligned too
    s.select(a);
    s.select(b);
    changes = 0;
    s.alignLeft();
    EXPECT_EQ(a->left(), 12);
    EXPECT_GE(changes, 1);
    s.alignBottoms();
    EXPECT_EQ(a->top() + a->height(), 70);
    s.alignRight();
    EXPECT_EQ(a->left() + a->width(), 72);
    s.alignTops();
    EXPECT_EQ(b->top(), 40);
    s.centerHorizontally();
    EXPECT_EQ(a->left(), 192 - 20);
    EXPECT_EQ(b->left(), 192 - 30);
    s.centerVertically();
    EXPECT_EQ(a->top(), 72 - 10);

    s.unlockAll();
    EXPECT_FALSE(b->locked());
    changes = 0;
    s.lockAll();
    EXPECT_TRUE(a->locked() && b->locked());
    EXPECT_EQ(changes, 1);

    // The font dialog starts from the surface's font and applies to the selection only.
    struct Asking : brindle::designobjects::test::ScriptedDesignDialogs {
        DesignFont shown;
        std::optional<DesignFont> chooseFont(const DesignFont& f) override {
            shown = f;
            return ScriptedDesignDialogs::chooseFont(f);
        }
    } asking;
    s.setDesignDialogs(&asking);
    DesignFont surfaceFont;
    surfaceFont.name = "Courier New";
    s.setFont(surfaceFont);
    DesignFont chosen;
    chosen.name = "Times New Roman";
    asking.font = chosen;
    auto* c = label(QRect(200, 100, 40, 20));
    s.clearSelection();
    s.select(a);
    s.applyFontToSelection();
    EXPECT_EQ(asking.shown.name, "Courier New");
    EXPECT_EQ(a->font().name, "Times New Roman");
    EXPECT_EQ(c->font().name, "Arial");
}

TEST_F(SurfaceCommands, MenusOfferTheirEntriesEnabledByState) {
    EXPECT_EQ(captions(s.surfaceMenu()),
              QStringList({"Bring To Front~", "Send To Back~", "-", "Cut~", "Copy~", "Paste~", "-", "Delete~", "-",
                           "Align Left~", "Align Right~", "Align Tops~", "Align Bottoms~", "-",
                           "Center Vertically~", "Center Horizontally~", "-", "Lock All~", "Unlock All~", "-",
                           "Mark All Selectable", "Mark All Unselectable", "Select All", "-", "Font~"}));
    auto* a = label(QRect(10, 10, 40, 20));
    s.select(a);
    s.copy();
    for (const auto& e : s.surfaceMenu()) EXPECT_TRUE(e.enabled) << e.caption.toStdString();

    // The object's own menu: the common entries, then the kind's.
    const QStringList common = captions(a->contextMenu()).mid(0, 13);
    EXPECT_EQ(common, QStringList({"Bring To Front", "Send To Back", "Cut", "Copy", "Delete", "Clone", "-", "Locked",
                                   "Unselectable", "-", "Center Vertically", "Center Horizontally", "-"}));
    EXPECT_EQ(captions(a->contextMenu())[13], "Font");
    ASSERT_TRUE(runMenuEntry(a->contextMenu(), "Locked"));
    EXPECT_TRUE(a->locked());
    EXPECT_TRUE(captions(a->contextMenu()).contains("Locked*"));
    ASSERT_TRUE(runMenuEntry(a->contextMenu(), "Clone"));
    EXPECT_EQ(s.objects().size(), 2u);
    EXPECT_EQ(s.selection()[0], s.objects()[1]);
    ASSERT_TRUE(runMenuEntry(a->contextMenu(), "Unselectable"));
    EXPECT_TRUE(a->unselectable());
    s.selectAll();  // unselectable objects stay out
    EXPECT_EQ(s.selection(), (std::vector<TKGraphicControl*>{s.objects()[1]}));
    ASSERT_TRUE(runMenuEntry(a->contextMenu(), "Center Horizontally"));
    EXPECT_EQ(a->left(), 172);
    ASSERT_TRUE(runMenuEntry(a->contextMenu(), "Delete"));  // not selected: a alone
    EXPECT_EQ(s.objects().size(), 1u);
    // An object on no surface has only its own entries.
    TKPLabel loose;
    EXPECT_EQ(captions(loose.contextMenu()).front(), "Font");
}

TEST_F(SurfaceCommands, DamagedClipFileKeepsWhatWasReadAndSaysSo) {
    auto* a = label(QRect(10, 10, 40, 20), "A");
    label(QRect(10, 40, 40, 20), "B");
    s.selectAll();
    s.copy();
    QFile f(s.clipFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray bytes = f.readAll();
    f.resize(bytes.size() - 10);
    f.close();
    ASSERT_TRUE(s.paste());
    EXPECT_EQ(s.objects().size(), 3u);
    EXPECT_EQ(s.objects()[2]->bounds(), a->bounds().translated(15, 15));
    EXPECT_EQ(dialogs.texts(brindle::common::ScriptedDialogs::Kind::Error).size(), 1);
}

}  // namespace

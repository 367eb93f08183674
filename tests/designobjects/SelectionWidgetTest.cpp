// The label surface widget driven like a user would (offscreen, real mouse
// and key events delivered to the widget under the pointer, with the implicit
// grab of a pressed button): drawing with every tool, selecting, moving,
// resizing, snapping, nudging, menus, clipboard and clone, and a design that
// saves and reloads unchanged.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

#include "DesignTestSupport.h"
#include "ScriptedDesignDialogs.h"
#include "designobjects/DesignRegistry.h"
#include "designobjects/Selection.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/ui/TKBasePanel.h"
#include "designobjects/ui/TKHandle.h"

using namespace brindle::designobjects;

namespace {

// Mouse events as the window system delivers them: to the widget under the
// pointer, and while a button is held to the widget that took the press.
// Timestamps come from a clock the test advances.
class Pointer {
public:
    explicit Pointer(QWidget* root) : root_(root) {}
    quint64 now = 1000;
    void wait(int ms) { now += ms; }

    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = Qt::NoModifier) {
        grab_ = under(p);
        buttons_ |= b;
        send(grab_, QEvent::MouseButtonPress, p, b, m);
    }
    void move(QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier) {
        send(grab_ ? grab_.data() : under(p), QEvent::MouseMove, p, Qt::NoButton, m);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* w = grab_ ? grab_.data() : under(p);
        buttons_ &= ~b;
        send(w, QEvent::MouseButtonRelease, p, b, m);
        grab_ = nullptr;
    }
    void click(QPoint p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = Qt::NoModifier) {
        press(p, b, m);
        wait(20);
        release(p, b, m);
        wait(500);
    }
    // An unhurried drag: held well past the click threshold.
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers m = Qt::NoModifier) {
        press(from, Qt::LeftButton, m);
        wait(150);
        move((from + to) / 2, m);
        move(to, m);
        wait(150);
        release(to, Qt::LeftButton, m);
        wait(500);
    }
    void doubleClick(QPoint p) {
        press(p);
        wait(20);
        release(p);
        wait(60);
        grab_ = under(p);
        buttons_ |= Qt::LeftButton;
        send(grab_, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::NoModifier);
        wait(20);
        release(p);
        wait(500);
    }
    QWidget* under(QPoint p) const {
        QWidget* c = root_->childAt(p);
        return c ? c : root_;
    }

private:
    void send(QWidget* w, QEvent::Type t, QPoint p, Qt::MouseButton b, Qt::KeyboardModifiers m) {
        const QPoint local = w->mapFrom(root_, p);
        QMouseEvent e(t, QPointF(local), QPointF(w->mapToGlobal(local)), b, buttons_, m);
        e.setTimestamp(now);
        QCoreApplication::sendEvent(w, &e);
    }
    QWidget* root_;
    QPointer<QWidget> grab_;
    Qt::MouseButtons buttons_;
};

void key(QWidget* w, QEvent::Type t, int k, Qt::KeyboardModifiers m = Qt::NoModifier, bool repeat = false) {
    QKeyEvent e(t, k, m, QString(), repeat);
    QCoreApplication::sendEvent(w, &e);
}

void tap(QWidget* w, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    key(w, QEvent::KeyPress, k, m);
    key(w, QEvent::KeyRelease, k, m);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class SelectionWidget : public ::testing::Test {
protected:
    void SetUp() override {
        auto& s = panel.surface();
        s.setClipFilePath(dir.filePath("Clipbrd.tmp"));
        s.setSize(480, 240);
        s.setDesignDialogs(&dlg);
        s.setPasteClock([this] { return qint64(mouse.now); });
        panel.setMenuPresenter([this](const MenuEntries& entries, const QPoint&) {
            ++menus;
            shown.clear();
            for (const auto& e : entries) shown << e.caption;
            if (!pick.isEmpty()) runMenuEntry(entries, std::exchange(pick, QString()));
        });
        panel.show();
    }
    TKPLabel* label(QRect r, const QString& caption = "Label") {
        auto* l = new TKPLabel;
        l->setCaption(caption);
        panel.surface().addObject(l, r);
        l->loaded();
        return l;
    }
    const std::vector<TKGraphicControl*>& selection() { return panel.surface().selection(); }

    QTemporaryDir dir;
    brindle::designobjects::test::ScriptedDesignDialogs dlg;
    TKLabelPanel panel;
    Pointer mouse{&panel};
    int menus = 0;
    QStringList shown;
    QString pick;  // the entry to run when the next menu opens
};

TEST_F(SelectionWidget, EveryToolDrawsAndTheDesignReloadsUnchanged) {
    struct Tool {
        DesignSurface::PanelState state;
        const char* cls;
        bool always;
    };
    const Tool tools[] = {
        {DesignSurface::psLabel, "TKPLabel", true},
        {DesignSurface::psCounterLabel, "TKCounterLabel", true},
        {DesignSurface::psSymbolLabel, "TKSymbolLabel", true},
        {DesignSurface::psDataLabel, "TKPDLabel", true},
        {DesignSurface::psMultiLineLabel, "TKMultiLineLabel", true},
        {DesignSurface::psMultiLineDataLabel, "TKDMultiLineLabel", true},
        {DesignSurface::psAddressLabel, "TKDMultiLineAddressLabel", true},
        {DesignSurface::psPostNetBarCode, "TKPostNetBarCode", true},
        {DesignSurface::psRectangle, "TKLabelShapes", false},
        {DesignSurface::psEllipse, "TKLabelShapes", false},
        {DesignSurface::psRoundRectangle, "TKLabelShapes", false},
        {DesignSurface::psLine, "TKLineShape", false},
        {DesignSurface::psImage, "TKImage", false},
    };
    QImage art(16, 8, QImage::Format_RGB32);
    art.fill(Qt::red);
    dlg.pictureChoice = PictureChoice{DesignPicture::fromImage(art), false, true, false};
    auto& s = panel.surface();
    int drawn = 0;
    for (const Tool& t : tools) {
        std::unique_ptr<TKGraphicControl> probe(DesignRegistry::instance().create(t.cls));
        if (t.always) {
            ASSERT_TRUE(probe) << t.cls;
        }
        if (!probe) continue;
        const QPoint from(10 + (drawn % 4) * 115, 10 + (drawn / 4) * 55);
        panel.setPanelState(t.state);
        // Presses pass through the overlay while a tool is active.
        EXPECT_TRUE(panel.handle().testAttribute(Qt::WA_TransparentForMouseEvents));
        const std::size_t before = s.objects().size();
        mouse.drag(from, from + QPoint(90, 30));
        ASSERT_EQ(s.objects().size(), before + 1) << t.cls;
        EXPECT_EQ(s.objects().back()->designClass(), t.cls);
        EXPECT_EQ(s.objects().back()->bounds().topLeft(), from) << t.cls;
        ++drawn;
    }
    panel.setPanelState(DesignSurface::psPointing);
    EXPECT_FALSE(panel.handle().testAttribute(Qt::WA_TransparentForMouseEvents));

    ASSERT_TRUE(panel.saveToFile(dir.filePath("one.L")));
    TKLabelPanel other;
    other.surface().setClipFilePath(QString());
    other.surface().setSize(480, 240);
    ASSERT_TRUE(other.loadFromFile(dir.filePath("one.L")).ok);
    ASSERT_EQ(other.surface().objects().size(), s.objects().size());
    for (std::size_t i = 0; i < s.objects().size(); ++i) {
        EXPECT_EQ(other.surface().objects()[i]->designClass(), s.objects()[i]->designClass());
        EXPECT_EQ(other.surface().objects()[i]->bounds(), s.objects()[i]->bounds())
            << s.objects()[i]->designClass().toStdString();
    }
    // Byte for byte the same design; only the names differ, as the reader
    // gives objects fresh ones, so the first design takes them over first.
    ASSERT_TRUE(other.saveToFile(dir.filePath("two.L")));
    for (std::size_t i = 0; i < s.objects().size(); ++i)
        s.objects()[i]->setObjectName(other.surface().objects()[i]->objectName());
    ASSERT_TRUE(panel.saveToFile(dir.filePath("one.L")));
    EXPECT_EQ(readAll(dir.filePath("one.L")), readAll(dir.filePath("two.L")));
}

TEST_F(SelectionWidget, ClicksSelectDragsMoveAndCornersResize) {
    auto* a = label(QRect(40, 40, 80, 20));
    auto* b = label(QRect(200, 40, 80, 20));
    EXPECT_TRUE(panel.handle().isHidden());
    mouse.click({60, 50});
    ASSERT_EQ(selection(), (std::vector<TKGraphicControl*>{a}));
    EXPECT_FALSE(panel.handle().isHidden());
    EXPECT_EQ(panel.handle().geometry(), QRect(38, 38, 85, 25));
    EXPECT_EQ(mouse.under({60, 50}), &panel.handle());

    // A press released within 150 ms is a click, however far the mouse went.
    mouse.press({60, 50});
    mouse.wait(60);
    mouse.move({90, 80});
    mouse.wait(60);
    mouse.release({90, 80});
    EXPECT_EQ(a->bounds(), QRect(40, 40, 80, 20));
    EXPECT_TRUE(panel.outline().isNull());

    // Held longer, the selection follows the pointer.
    mouse.press({60, 50});
    mouse.wait(150);
    mouse.move({75, 61});
    EXPECT_EQ(panel.outline(), QRect(53, 49, 85, 25));  // the overlay's new bounds, outlined
    EXPECT_EQ(a->bounds(), QRect(40, 40, 80, 20));       // nothing moves before the release
    mouse.wait(150);
    mouse.release({75, 61});
    EXPECT_EQ(a->bounds(), QRect(55, 51, 80, 20));
    EXPECT_EQ(panel.handle().geometry(), QRect(53, 49, 85, 25));
    EXPECT_TRUE(panel.outline().isNull());

    // Pressing an unselected object selects it alone and drags it at once.
    mouse.drag({210, 50}, {220, 60});
    ASSERT_EQ(selection(), (std::vector<TKGraphicControl*>{b}));
    EXPECT_EQ(b->bounds(), QRect(210, 50, 80, 20));

    // The zone under the pointer shows its cursor; the bottom-right corner resizes.
    const QRect o = panel.handle().geometry();  // (208, 48, 85, 25)
    const QPoint corner(o.right(), o.bottom());
    mouse.move(corner);
    EXPECT_EQ(panel.handle().zone(), selection::zBottomRight);
    EXPECT_EQ(panel.handle().cursor().shape(), Qt::SizeFDiagCursor);
    mouse.move({o.center().x(), o.top()});
    EXPECT_EQ(panel.handle().cursor().shape(), Qt::SizeVerCursor);
    mouse.move(o.center());
    EXPECT_EQ(panel.handle().cursor().shape(), Qt::BitmapCursor);  // the grabbing hand
    EXPECT_EQ(panel.handle().cursor().pixmap().cacheKey(), handGrabCursor().pixmap().cacheKey());

    // Shrunk until it would be 3 pixels wide, it stays 5 wide and survives the save's clean-up.
    mouse.drag(corner, corner + QPoint(-79, 1));
    EXPECT_EQ(b->bounds(), QRect(210, 50, 5, 20));
    mouse.drag({212, 60}, {212, 60});  // no movement: nothing happens
    EXPECT_EQ(b->bounds(), QRect(210, 50, 5, 20));
    panel.surface().deleteOutsideObjects();
    EXPECT_EQ(panel.surface().objects().size(), 2u);

    // A drag is held inside the surface: the outline never leaves it.
    mouse.click({60, 55});
    mouse.press({60, 55});
    mouse.wait(200);
    mouse.move({-300, -300});
    EXPECT_EQ(panel.outline().topLeft(), QPoint(53 - 60, 49 - 55));
    mouse.release({-300, -300});
    EXPECT_EQ(a->bounds().topLeft(), QPoint(-5, -4));
}

TEST_F(SelectionWidget, SnappingPutsObjectsOnTheGridDots) {
    auto& s = panel.surface();
    s.setShowGrid(true);
    s.setGridSize(DesignSurface::gs8x8);
    s.setSnapToGrid(true);
    auto* a = label(QRect(15, 23, 60, 20));  // overlay left 13
    mouse.click({30, 30});
    mouse.drag({30, 30}, {40, 41});
    // 13 + 10 = 23 -> 16; 21 + 11 = 32 -> 32; the object sits 2 pixels in, on the dots.
    EXPECT_EQ(a->bounds().topLeft(), QPoint(18, 34));
    EXPECT_EQ((a->left() - 2) % 8, 0);
    EXPECT_EQ((a->top() - 2) % 8, 0);
    s.setSnapToGrid(false);
    mouse.drag({30, 45}, {33, 46});
    EXPECT_EQ(a->bounds().topLeft(), QPoint(21, 35));

    // The top-left corner dragged far past the bottom-right one: the object
    // ends 5 × 5 against its own bottom-right corner, and the outline said so.
    s.setSnapToGrid(true);
    mouse.press({20, 34});
    EXPECT_EQ(panel.handle().zone(), selection::zTopLeft);
    mouse.wait(200);
    mouse.move({200, 150});
    EXPECT_EQ(panel.outline(), QRect(74, 48, 10, 10));
    mouse.release({200, 150});
    EXPECT_EQ(a->bounds(), QRect(76, 50, 5, 5));
    s.deleteOutsideObjects();
    EXPECT_EQ(s.objects().size(), 1u);
}

TEST_F(SelectionWidget, LockedObjectsStayInAGroupDragAndSeveralShowGreyCorners) {
    auto* a = label(QRect(40, 40, 80, 20));
    auto* b = label(QRect(200, 100, 80, 20));
    mouse.drag({20, 20}, {300, 140});  // rubber band over both
    ASSERT_EQ(selection().size(), 2u);
    b->setLocked(true);
    const QImage shot = panel.grab().toImage();
    const QColor grey(128, 128, 128);
    EXPECT_EQ(QColor(shot.pixel(38, 38)), grey);    // a's top-left mark
    EXPECT_EQ(QColor(shot.pixel(281, 121)), grey);  // b's bottom-right mark
    EXPECT_NE(QColor(shot.pixel(80, 38)), grey);    // no mark at the side's middle
    mouse.drag({60, 50}, {70, 60});
    EXPECT_EQ(a->bounds(), QRect(50, 50, 80, 20));
    EXPECT_EQ(b->bounds(), QRect(200, 100, 80, 20));

    // One object alone: eight black marks.
    mouse.click({400, 200});
    mouse.click({60, 55});
    const QImage one = panel.grab().toImage();
    EXPECT_EQ(QColor(one.pixel(48, 48)), QColor(Qt::black));
    EXPECT_EQ(QColor(one.pixel(48 + 42, 48)), QColor(Qt::black));  // top middle
}

TEST_F(SelectionWidget, ShiftBandTogglesAndUnselectableObjectsStartBands) {
    auto* a = label(QRect(40, 40, 80, 20));
    auto* b = label(QRect(200, 40, 80, 20));
    mouse.click({60, 50});
    mouse.drag({20, 150}, {300, 30}, Qt::ShiftModifier);
    EXPECT_EQ(selection(), (std::vector<TKGraphicControl*>{b}));
    // Shift+click adds.
    mouse.click({60, 50}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selection(), (std::vector<TKGraphicControl*>{b, a}));

    // "Mark All Unselectable" from the surface menu; a click on an object then starts a band.
    pick = "Mark All Unselectable";
    mouse.click({400, 200}, Qt::RightButton);
    EXPECT_EQ(menus, 1);
    EXPECT_TRUE(shown.contains("Align Left"));
    EXPECT_TRUE(selection().empty());
    mouse.press({60, 50});
    EXPECT_TRUE(panel.rubberBandActive());
    mouse.wait(20);
    mouse.release({60, 50});
    EXPECT_TRUE(selection().empty());
}

TEST_F(SelectionWidget, ArrowKeysNudgeOncePerPressAndShiftResizes) {
    auto* a = label(QRect(40, 40, 80, 20));
    auto* b = label(QRect(200, 40, 80, 20));
    b->setLocked(true);
    mouse.click({60, 50});
    // Held down: the first press, then auto-repeated release/press pairs.
    key(&panel, QEvent::KeyPress, Qt::Key_Right);
    for (int i = 0; i < 2; ++i) {
        key(&panel, QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, true);
        key(&panel, QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, true);
    }
    EXPECT_TRUE(panel.handle().keyboardMoving());
    EXPECT_EQ(panel.outline(), QRect(43, 40, 80, 20));
    EXPECT_EQ(a->left(), 40);  // the objects jump when the key goes up
    key(&panel, QEvent::KeyRelease, Qt::Key_Right);
    EXPECT_EQ(a->bounds(), QRect(43, 40, 80, 20));
    EXPECT_TRUE(panel.outline().isNull());
    tap(&panel, Qt::Key_Down);
    tap(&panel, Qt::Key_Up);
    tap(&panel, Qt::Key_Up);
    EXPECT_EQ(a->bounds(), QRect(43, 39, 80, 20));

    // Shift resizes one selected object: Right grows, Left shrinks down to 10.
    tap(&panel, Qt::Key_Right, Qt::ShiftModifier);
    tap(&panel, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(a->bounds(), QRect(43, 39, 81, 21));
    key(&panel, QEvent::KeyPress, Qt::Key_Left, Qt::ShiftModifier);
    for (int i = 0; i < 100; ++i) key(&panel, QEvent::KeyPress, Qt::Key_Left, Qt::ShiftModifier, true);
    key(&panel, QEvent::KeyRelease, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(a->bounds(), QRect(43, 39, 10, 21));

    // Several selected: Shift moves; the locked object stays.
    mouse.click({220, 50}, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(selection().size(), 2u);
    tap(&panel, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(a->bounds(), QRect(42, 39, 10, 21));
    EXPECT_EQ(b->bounds(), QRect(200, 40, 80, 20));
}

TEST_F(SelectionWidget, ClipboardKeysMenusAndClone) {
    auto* a = label(QRect(40, 40, 80, 20), "A");
    auto* b = label(QRect(200, 100, 80, 20), "B");
    auto& s = panel.surface();

    // Right press on an unselected object: selected alone, its menu opens.
    mouse.click({60, 50}, Qt::RightButton);
    EXPECT_EQ(selection(), (std::vector<TKGraphicControl*>{a}));
    EXPECT_EQ(menus, 1);
    EXPECT_TRUE(shown.contains("Clone"));
    EXPECT_FALSE(shown.contains("Align Left"));
    // From the menu of the selected object: Clone, 25 pixels lower, selected instead.
    pick = "Clone";
    mouse.click({60, 50}, Qt::RightButton);
    ASSERT_EQ(s.objects().size(), 3u);
    TKGraphicControl* copy = s.objects().back();
    EXPECT_EQ(copy->bounds(), QRect(40, 65, 80, 20));
    EXPECT_EQ(selection(), (std::vector<TKGraphicControl*>{copy}));

    // Double-click on a selected object opens its menu.
    const int before = menus;
    mouse.doubleClick({60, 75});
    EXPECT_EQ(menus, before + 1);
    EXPECT_TRUE(shown.contains("Clone"));

    // Ctrl+C, Ctrl+V: 15 pixels off; a second Ctrl+V within the second does nothing.
    key(&panel, QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    key(&panel, QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(s.objects().size(), 4u);
    EXPECT_EQ(s.objects().back()->bounds(), QRect(55, 80, 80, 20));
    mouse.wait(500);
    key(&panel, QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(s.objects().size(), 4u);
    mouse.wait(500);
    key(&panel, QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(s.objects().size(), 5u);

    // Two selected; a right press on the overlay away from both gives the surface menu.
    mouse.click({60, 50});
    mouse.click({220, 110}, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(selection().size(), 2u);
    pick = "Align Left";
    mouse.click({150, 90}, Qt::RightButton);
    EXPECT_TRUE(shown.contains("Align Left"));
    EXPECT_EQ(b->left(), 40);

    // Ctrl+X cuts, Delete deletes.
    key(&panel, QEvent::KeyPress, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(s.objects().size(), 3u);
    EXPECT_TRUE(panel.handle().isHidden());
    mouse.click({60, 75});
    key(&panel, QEvent::KeyPress, Qt::Key_Delete);
    EXPECT_EQ(s.objects().size(), 2u);

    // A right press on the empty surface: the owner's menu when it listens, else the surface menu.
    int asked = 0;
    auto c = QObject::connect(&panel, &TKBasePanel::contextMenuRequested, [&](const QPoint&) { ++asked; });
    const int menusBefore = menus;
    mouse.click({400, 200}, Qt::RightButton);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(menus, menusBefore);
    QObject::disconnect(c);
    mouse.click({400, 200}, Qt::RightButton);
    EXPECT_EQ(menus, menusBefore + 1);
    EXPECT_TRUE(shown.contains("Select All"));

    // Cloned while zoomed: 25 pixels lower at zoom 1.0, and the design saves
    // and reloads as it is.
    ASSERT_EQ(s.objects().size(), 2u);
    TKGraphicControl* source = s.objects().back();
    const QRect at1 = source->bounds();
    panel.setZoom(1.5f);
    const QPoint on = source->bounds().center();
    mouse.click(on);
    pick = "Clone";
    mouse.click(on, Qt::RightButton);
    ASSERT_EQ(s.objects().size(), 3u);
    panel.setZoom(1.0f);
    EXPECT_EQ(s.objects().back()->bounds(), at1.translated(0, 25));
    EXPECT_EQ(source->bounds(), at1);
    ASSERT_TRUE(panel.saveToFile(dir.filePath("cloned.L")));
    TKLabelPanel other;
    other.surface().setClipFilePath(QString());
    ASSERT_TRUE(other.loadFromFile(dir.filePath("cloned.L")).ok);
    ASSERT_EQ(other.surface().objects().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(other.surface().objects()[i]->bounds(), s.objects()[i]->bounds());
}

TEST_F(SelectionWidget, PictureOfAPanelWithASelection) {
    auto& s = panel.surface();
    s.setSizeInches(4.0, 1.5);
    s.setDrawOutline(true);
    s.setShowGrid(true);
    auto* name = label(QRect(24, 20, 220, 28), "Jane Q. Sample");
    DesignFont f;
    f.setPointSize(14);
    f.style = DesignFont::Bold;
    name->setFont(f);
    label(QRect(24, 56, 220, 22), "1234 Any Street");
    label(QRect(24, 84, 220, 22), "Springfield, ST 12345");
    auto* street = qobject_cast<TKPLabel*>(s.objects()[1]);
    street->setLocked(true);
    mouse.click({100, 30});
    mouse.click({100, 65}, Qt::LeftButton, Qt::ShiftModifier);
    mouse.click({100, 30}, Qt::LeftButton, Qt::ShiftModifier);  // overlay press: no change
    ASSERT_EQ(selection().size(), 2u);
    const QImage shot = panel.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(384, 144));
    EXPECT_EQ(QColor(shot.pixel(22, 18)), QColor(128, 128, 128));
    // The locked one's bottom-right corner too (a label keeps its height to its text line).
    const QRect sb = street->bounds();
    EXPECT_EQ(QColor(shot.pixel(sb.right() + 2, sb.bottom() + 2)), QColor(128, 128, 128));
    // One object alone: black squares at the corners and the side middles.
    mouse.click({300, 130});
    mouse.click({100, 30});
    const QImage one = panel.grab().toImage();
    EXPECT_EQ(QColor(one.pixel(22 + 110, 18)), QColor(Qt::black));
    EXPECT_EQ(QColor(one.pixel(22, 18 + 16)), QColor(Qt::black));  // left middle
    // With BRINDLE_DIALOG_SHOTS naming a folder, the pictures are kept there to be looked at.
    const QString folder = QString::fromLocal8Bit(qgetenv("BRINDLE_DIALOG_SHOTS"));
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        EXPECT_TRUE(shot.save(folder + "/selection-two-one-locked.png"));
        EXPECT_TRUE(one.save(folder + "/selection-one.png"));
    }
}

}  // namespace

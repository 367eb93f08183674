// The envelope designer offscreen: zoom stops, the overlays (on screen,
// never printed), New and Modify from "Print Envelope" storing the design
// before the row, Cancel and the close box, the panel's keys, Default Font,
// Quick Tips and the record buttons.
#include <QApplication>
#include <QFile>
#include <QFontDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <gtest/gtest.h>

#include "EnvelopeTestSupport.h"
#include "address/AddressTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "common/ProfileFile.h"
#include "designer/AddressRecordSource.h"
#include "designer/DesignHistory.h"
#include "designer/DesignerDefaults.h"
#include "designobjects/PostalBarcodes.h"
#include "envelopes/EnvelopeDesignRules.h"
#include "envelopes/ui/TBREnvelopes.h"
#include "envelopes/ui/TEnvelopeDesignScreen.h"
#include "printing/PageRecorder.h"
#include "store/Table.h"

using namespace brindle;
using namespace brindle::envelopes;
using namespace brindle::envelopes::ui;

namespace {

struct Window {
    addrtest::OpenFile open{std::vector<addrtest::Fields>{
        {{"LNAME", "Müller"}, {"FNAME", "José"}, {"STREET", "1 Main St"}, {"CITY", "Boston"}, {"ZIP", "02110"}},
        {{"LNAME", "Smith"}, {"FNAME", "Ann"}, {"CITY", "Köln"}}}};
    std::unique_ptr<store::Table> table;
    std::unique_ptr<TBREnvelopes> window;
    QString sysdata = open.home.path(QStringLiteral("sysdata"));

    explicit Window(bool withRow) {
        table = EnvelopeSetupList::openEnvelopeTable(open.dialogs);
        if (withRow) {
            envtest::writeDesign(sysdata + QStringLiteral("/BIN00001.E"));
            table->append();
            EXPECT_TRUE(writeEnvelopeSetup(*table, {QStringLiteral("Business #10"), 20, QStringLiteral("BIN00001.E")},
                                           open.dialogs));
            table->post();
            table->first();
        }
        window = std::make_unique<TBREnvelopes>(*table, sysdata, open.home.settings(), open.dialogs);
        window->setAddressFile(&open.file);
        window->show();
    }
    QByteArray bytes(const QString& name) const {
        QFile f(sysdata + QLatin1Char('/') + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

void typeInto(QWidget* w, const QString& text) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(w, &key);
}

// A drag on the surface with the tool chosen by its button.
designobjects::TKGraphicControl* draw(TEnvelopeDesignScreen& d, EnvelopeTool tool, const QRect& r) {
    d.toolButton(tool)->click();
    const std::size_t before = d.surface().objects().size();
    d.surface().rubberBandReleased(r);
    EXPECT_EQ(d.editor().tool(), EnvelopeTool::Pointing);  // the selection tool comes back
    return d.surface().objects().size() > before ? d.surface().objects().back() : nullptr;
}

int count(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return n;
}

}  // namespace

TEST(EnvelopeDesigner, ZoomStopsAt60And140AndIsNoChange) {
    common::ScriptedDialogs dialogs;
    TEnvelopeDesignScreen d(20, QStringLiteral("Business"), dialogs, QString());
    d.openDesign();
    QStringList shown;
    for (int i = 0; i < 5; ++i) {
        d.zoomUpButton()->click();
        shown << d.zoomLabel()->text();
    }
    EXPECT_EQ(shown, QStringList({"110%", "120%", "130%", "140%", "140%"}));
    EXPECT_GT(d.surface().zoom(), 1.4f);
    EXPECT_EQ(d.surface().size(), QSize(int(std::lround(912 * double(d.surface().zoom()))),
                                        int(std::lround(396 * double(d.surface().zoom())))));
    for (int i = 0; i < 9; ++i) d.zoomDownButton()->click();
    EXPECT_EQ(d.zoomLabel()->text(), "60%");
    EXPECT_LT(d.surface().zoom(), 0.6f);
    EXPECT_EQ(d.surface().designSize(), QSize(912, 396));  // zooming leaves the design alone
    EXPECT_FALSE(d.editor().saveVisible());
}

TEST(EnvelopeDesigner, OverlaysShowUnderTheObjectsAndNeverPrint) {
    common::ScriptedDialogs dialogs;
    TEnvelopeDesignScreen d(20, QString(), dialogs, QString());
    d.setPrinterPage({0.25, 0.25, 0.25, 0.25, 9.5, 4.125});
    d.openDesign();
    auto* text = draw(d, EnvelopeTool::Rectangle, QRect(100, 300, 200, 40));  // inside "[Address Area]"
    ASSERT_TRUE(text);
    draw(d, EnvelopeTool::FIMBarCode, QRect(700, 2, 10, 10));
    ASSERT_TRUE(qobject_cast<designobjects::TKFIMBarCode*>(d.surface().objects().back()));
    d.surface().clearSelection();

    const auto printed = [&] {
        printing::PageRecorder rec;
        d.surface().printObjects(rec, 0, 0);
        return rec.document().pages.empty() ? std::size_t(0) : rec.document().pages[0].ops.size();
    };
    const std::size_t bare = printed();
    const QImage plain = d.surface().render();
    d.templateButton()->click();
    d.marginsButton()->click();
    const QImage shown = d.surface().render();
    // The template's grey and the printer margin's red are on the screen...
    EXPECT_GT(count(shown, qRgb(239, 239, 239)), 1000);
    EXPECT_GT(count(shown, qRgb(255, 0, 0)), 100);
    EXPECT_EQ(count(plain, qRgb(239, 239, 239)), 0);
    // ...under the objects: the rectangle's inside stays white over the address area.
    EXPECT_EQ(shown.pixel(200, 320) & 0xffffff, 0xffffffu);
    EXPECT_EQ(shown.pixel(60, 200) & 0xffffff, qRgb(239, 239, 239) & 0xffffff);
    // ...and never in what is printed or saved.
    EXPECT_EQ(printed(), bare);
    EXPECT_GT(bare, 0u);
    d.zoomUpButton()->click();  // the overlay follows the zoom
    EXPECT_EQ(d.surface().picture().size(), d.surface().size());
    if (!qEnvironmentVariable("BRINDLE_DIALOG_SHOTS").isEmpty()) {
        d.resize(1100, 620);
        d.show();
        addrtest::keepShot(&d, QStringLiteral("envelope-designer-overlays"));
    }
}

TEST(EnvelopeDesigner, NewDesignSavesTheDesignThenPostsTheRow) {
    Window w(false);
    EXPECT_TRUE(w.window->button(QStringLiteral("New"))->isEnabled());
    EXPECT_FALSE(w.window->button(QStringLiteral("Modify"))->isEnabled());
    w.window->chooseSize = [](int) { return std::optional<int>(27); };  // DL 110 x 220 mm
    w.window->runDesigner = [&](TEnvelopeDesignScreen& d) {
        d.show();
        EXPECT_EQ(d.windowTitle(), "Envelope Design Screen");
        EXPECT_EQ(d.surface().designSize(), envelopeSurfaceSize(27));
        EXPECT_EQ(d.descriptionEdit()->text(), newEnvelopeDescription());
        EXPECT_EQ(d.layoutAction()->text(), QStringLiteral("Layout: ") + common::envelopeSizeName(27));
        EXPECT_FALSE(d.saveButton()->isVisible());
        draw(d, EnvelopeTool::AddressLabel, QRect(300, 200, 300, 90));
        draw(d, EnvelopeTool::PostNetBarCode, QRect(300, 300, 300, 20));
        draw(d, EnvelopeTool::IMBarCode, QRect(450, 150, 300, 20));
        EXPECT_TRUE(d.saveButton()->isVisible());
        d.descriptionEdit()->clear();
        typeInto(d.descriptionEdit(), QString::fromUtf8("Łódź — ") + QString(70, QLatin1Char('x')));
        EXPECT_EQ(d.descriptionEdit()->text().size(), 60);
        d.templateButton()->click();
        addrtest::keepShot(&d, QStringLiteral("envelope-designer-new"));
        d.saveButton()->click();
        EXPECT_TRUE(d.isVisible());
    };
    w.window->newButtonClick();
    // "Ł" is not in Windows-1252: the row is refused with a message, and the
    // designer stays open with nothing stored.
    EXPECT_TRUE(w.window->list().rows().isEmpty());
    EXPECT_FALSE(QFile::exists(w.sysdata + QStringLiteral("/BIN00001.E")));

    const QString description = QString::fromUtf8("Müller — ") + QString(70, QLatin1Char('y'));
    w.window->runDesigner = [&](TEnvelopeDesignScreen& d) {
        d.show();
        draw(d, EnvelopeTool::AddressLabel, QRect(300, 200, 300, 90));
        EXPECT_NE(draw(d, EnvelopeTool::IMBarCode, QRect(300, 320, 300, 20)), nullptr);
        d.descriptionEdit()->clear();
        typeInto(d.descriptionEdit(), description);
        d.saveButton()->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    };
    w.window->newButtonClick();
    const auto rows = w.window->list().rows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].description, description.left(50));
    const EnvelopeSetup stored = w.window->list().current();
    EXPECT_EQ(stored.number, 27);
    ASSERT_FALSE(stored.binary.isEmpty());
    designobjects::DesignSurface back(designobjects::DesignSurface::EnvelopeSurface);
    back.setClipFilePath(QString());
    ASSERT_TRUE(back.loadFromFile(w.sysdata + QLatin1Char('/') + stored.binary).ok);
    ASSERT_EQ(back.objects().size(), 2u);
    EXPECT_STREQ(back.objects().back()->metaObject()->className(), "brindle::designobjects::TKIMBarCode");
    EXPECT_TRUE(w.window->button(QStringLiteral("Modify"))->isEnabled());
}

TEST(EnvelopeDesigner, CancelAndTheCloseBoxAnsweredNoLeaveRowAndFile) {
    Window w(true);
    const QByteArray before = w.bytes(QStringLiteral("BIN00001.E"));
    ASSERT_FALSE(before.isEmpty());
    int asked = 0;
    for (int way = 0; way < 2; ++way) {
        w.window->runDesigner = [&](TEnvelopeDesignScreen& d) {
            d.show();
            EXPECT_EQ(d.descriptionEdit()->text(), "Business #10");
            EXPECT_EQ(d.surface().objects().size(), 1u);  // the stored design was loaded
            draw(d, EnvelopeTool::Ellipse, QRect(10, 10, 60, 40));
            const auto questions = w.open.dialogs.shown.size();
            if (way == 0) d.cancelButton()->click();
            else d.close();  // the close box, answered No
            asked += int(w.open.dialogs.shown.size() - questions);
            EXPECT_FALSE(d.isVisible());
        };
        w.window->modifyButtonClick();
        EXPECT_EQ(w.bytes(QStringLiteral("BIN00001.E")), before);
        EXPECT_EQ(w.window->list().current().descript, "Business #10");
    }
    EXPECT_EQ(asked, 1);  // only the close box asked
    EXPECT_EQ(w.open.dialogs.shown.back().kind, common::ScriptedDialogs::Kind::YesNo);
}

TEST(EnvelopeDesigner, CloseBoxAnsweredYesSavesAndLayoutClampsWithUndo) {
    Window w(true);
    w.window->chooseSize = [](int) { return std::optional<int>(19); };  // #9, 8.875 in
    w.window->runDesigner = [&](TEnvelopeDesignScreen& d) {
        d.show();
        auto* far = draw(d, EnvelopeTool::Line, QRect(880, 300, 20, 60));
        ASSERT_TRUE(far);
        d.layoutClick();
        EXPECT_EQ(d.code(), 19);
        EXPECT_EQ(d.surface().designSize(), envelopeSurfaceSize(19));
        EXPECT_LE(far->left(), envelopeSurfaceSize(19).width() - 20);  // pulled back inside
        QApplication::processEvents();
        // Undo brings the old size back (the pulled-in object is a step of its own).
        for (int i = 0; i < 3 && d.code() == 19; ++i) ASSERT_TRUE(d.history()->undo());
        EXPECT_EQ(d.code(), 20);
        EXPECT_EQ(d.surface().designSize(), QSize(912, 396));
        ASSERT_TRUE(d.history()->redo());
        EXPECT_EQ(d.code(), 19);
        w.open.dialogs.answers.enqueue(true);
        d.close();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    };
    w.window->modifyButtonClick();
    EXPECT_EQ(w.window->list().rows().size(), 1);
    EXPECT_EQ(w.window->list().current().number, 19);
    designobjects::DesignSurface back(designobjects::DesignSurface::EnvelopeSurface);
    back.setClipFilePath(QString());
    ASSERT_TRUE(back.loadFromFile(w.sysdata + QStringLiteral("/BIN00001.E")).ok);
    EXPECT_EQ(back.objects().size(), 2u);
}

TEST(EnvelopeDesigner, PanelKeysZoomUndoAndScroll) {
    common::ScriptedDialogs dialogs;
    TEnvelopeDesignScreen d(20, QString(), dialogs, QString());
    d.resize(700, 420);
    d.show();
    // Keypad plus and minus zoom on release; the main keyboard's minus and
    // a press do nothing.
    const struct {
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers mods;
        const char* zoom;
    } keys[] = {{QEvent::KeyRelease, Qt::Key_Plus, Qt::KeypadModifier, "110%"},
                {QEvent::KeyRelease, Qt::Key_Plus, Qt::KeypadModifier, "120%"},
                {QEvent::KeyRelease, Qt::Key_Minus, Qt::NoModifier, "120%"},
                {QEvent::KeyPress, Qt::Key_Minus, Qt::KeypadModifier, "120%"},
                {QEvent::KeyRelease, Qt::Key_Minus, Qt::KeypadModifier, "110%"}};
    for (const auto& k : keys) {
        QKeyEvent e(k.type, k.key, k.mods);
        QApplication::sendEvent(&d.panel(), &e);
        EXPECT_EQ(d.zoomLabel()->text(), QString::fromLatin1(k.zoom));
    }
    EXPECT_EQ(d.panel().size(), d.surface().size());  // the panel follows the zoom

    // Ctrl+Z and Ctrl+Y on the panel undo and redo the last object.
    draw(d, EnvelopeTool::Rectangle, QRect(40, 40, 100, 60));
    ASSERT_EQ(d.surface().objects().size(), 1u);
    const auto ctrl = [&](int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::ControlModifier);
        QApplication::sendEvent(&d.panel(), &e);
        return d.surface().objects().size();
    };
    EXPECT_EQ(ctrl(Qt::Key_Z), 0u);
    EXPECT_EQ(ctrl(Qt::Key_Y), 1u);

    // Page Down, End and Home scroll the design when it is taller than the area.
    for (int i = 0; i < 4; ++i) d.zoomUpButton()->click();
    d.resize(700, 330);
    QApplication::processEvents();
    auto* area = d.findChild<QScrollArea*>(QStringLiteral("envelopeArea"));
    ASSERT_TRUE(area);
    QScrollBar* v = area->verticalScrollBar();
    ASSERT_GT(v->maximum(), 0);
    const auto press = [&](int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&d.panel(), &e);
        return v->value();
    };
    EXPECT_GT(press(Qt::Key_PageDown), 0);
    EXPECT_EQ(press(Qt::Key_End), v->maximum());
    EXPECT_EQ(press(Qt::Key_Home), 0);
}

TEST(EnvelopeDesigner, DefaultFontNoteFirstThenKeptInTheEnvelopeSection) {
    addrtest::ProgramHome home;
    common::ScriptedDialogs dialogs;
    TEnvelopeDesignScreen d(20, QString(), dialogs, home.settings());
    d.openDesign();
    const auto chooseFont = [](bool accept) {
        QTimer::singleShot(0, [accept] {
            auto* f = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            if (!f) return;
            QFont chosen(QStringLiteral("DejaVu Serif"));
            chosen.setPointSize(15);
            chosen.setBold(true);
            f->setCurrentFont(chosen);
            accept ? f->accept() : f->reject();
        });
    };
    const QString before = d.defaultFontAction()->text();
    chooseFont(false);
    d.defaultFontClick();
    EXPECT_EQ(d.defaultFontAction()->text(), before);  // cancelled: nothing changes
    chooseFont(true);
    d.defaultFontClick();
    // The note comes before the dialog each time.
    ASSERT_EQ(dialogs.infos().size(), 2);
    EXPECT_EQ(dialogs.infos().back(), designer::noteBeforeDefaultFont());
    EXPECT_TRUE(d.defaultFontAction()->text().contains(QStringLiteral("DejaVu Serif, 15 pt , bold")))
        << d.defaultFontAction()->text().toStdString();
    const common::ProfileFile settings(home.settings());
    EXPECT_EQ(settings.readString(QStringLiteral("Envelope"), QStringLiteral("DefaultFontName"), {}), "DejaVu Serif");
    EXPECT_FALSE(settings.hasKey(QStringLiteral("Label"), QStringLiteral("DefaultFontName")));
    // The next envelope designer starts with it.
    TEnvelopeDesignScreen again(20, QString(), dialogs, home.settings());
    EXPECT_EQ(again.surface().font().name, "DejaVu Serif");
    EXPECT_EQ(again.surface().font().pointSize(), 15);
}

TEST(EnvelopeDesigner, QuickTipsSpeakOfTheEnvelopeAndRecordButtonsMoveTheRecord) {
    Window w(false);
    common::ScriptedDialogs dialogs;
    TEnvelopeDesignScreen d(20, QString(), dialogs, w.open.home.settings());
    QString tips;
    QTimer::singleShot(0, [&] {
        QWidget* m = QApplication::activeModalWidget();
        if (!m) return;
        tips = m->windowTitle() + QLatin1Char('\n') + m->findChild<QTextBrowser*>()->toPlainText();
        m->close();
    });
    d.quickTipsClick();
    EXPECT_TRUE(tips.startsWith(QStringLiteral("Quick Tips\n"))) << tips.toStdString();
    EXPECT_TRUE(tips.contains(QStringLiteral("drag a rectangle on the envelope")));
    EXPECT_EQ(tips.count(QStringLiteral("How do I")), designer::designerQuickTips(QStringLiteral("envelope")).size());

    // Without records the buttons are off; with them each moves the record
    // the design shows.
    EXPECT_FALSE(d.recordButton(0)->isEnabled());
    designer::AddressRecordSource records(w.open.file);
    envtest::writeDesign(w.sysdata + QStringLiteral("/BIN00009.E"));
    ASSERT_TRUE(d.surface().loadFromFile(w.sysdata + QStringLiteral("/BIN00009.E")).ok);
    d.setRecordSource(&records);
    d.openDesign();
    auto* name = qobject_cast<designobjects::TKPDLabel*>(d.surface().objects().front());
    ASSERT_TRUE(name);
    const struct {
        int button;
        const char* shown;
    } steps[] = {{3, "Smith"}, {1, "Müller"}, {1, "Müller"}, {2, "Smith"}, {0, "Müller"}};
    for (const auto& s : steps) {
        ASSERT_TRUE(d.recordButton(s.button)->isEnabled());
        d.recordButton(s.button)->click();
        EXPECT_EQ(name->caption(), QString::fromUtf8(s.shown)) << s.button;
    }
    EXPECT_FALSE(d.editor().saveVisible());  // moving the record is no change
}

TEST(EnvelopeDesigner, RecordMovedInTheDesignerShowsInPrintEnvelope) {
    Window w(true);
    w.open.file.first();
    w.window->setAddressFile(&w.open.file);
    const QString before = w.window->recordText(QStringLiteral("Last"));
    w.window->runDesigner = [](TEnvelopeDesignScreen& d) { d.recordButton(3)->click(); };
    w.window->modifyButtonClick();
    EXPECT_NE(w.open.file.field("LNAME"), before);
    EXPECT_EQ(w.window->recordText(QStringLiteral("Last")), w.open.file.field("LNAME"));
}

// The label designer window offscreen: zoom steps, saving at any zoom, a new
// label, layout changes, tools, description and the default font.
#include <QFile>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"
#include "designer/DesignHistory.h"
#include "designer/LabelDesignEditor.h"
#include <QCoreApplication>
#include <QKeyEvent>
#include "designer/ui/TLabelDesignScreen.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/IntelligentMail.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/TKImage.h"
#include "designobjects/TextLabelKinds.h"
#include <QPainter>
#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"
#include "designobjects/TKGraphicControl.h"
#include "designobjects/ui/TKBasePanel.h"

using namespace brindle;
using designer::LabelStock;
using designer::ui::TLabelDesignScreen;
using designobjects::DesignSurface;
using designobjects::TKGraphicControl;

namespace {

class Records : public designobjects::RecordSource {
public:
    bool isOpen() const override { return true; }
    std::vector<designobjects::RecordField> fields() const override {
        return {{"FNAME", "First Name", true, false, true, 1, {}},
                {"LNAME", "Last Name", true, false, true, 2, {}},
                {"ADDRESS", "Address", true, false, true, 3, {}},
                {"CITY", "City", true, false, true, 4, {}},
                {"STATE", "State", true, false, true, 5, {}},
                {"ZIP", "Zip Code", true, false, true, 6, {}}};
    }
    QString fieldText(const QString& f) const override {
        if (f == "FNAME") return QStringLiteral("José");
        if (f == "LNAME") return QStringLiteral("Wałęsa");
        if (f == "ADDRESS") return QStringLiteral("12 Müllerstraße");
        if (f == "CITY") return QStringLiteral("Москва");
        if (f == "STATE") return QStringLiteral("NY");
        if (f == "ZIP") return QStringLiteral("10001-1234");
        return {};
    }
};

LabelStock defaultStock() {
    LabelStock s;
    s.widthInches = 2.625;
    s.heightInches = 1.0;
    s.shapeCode = "RR";
    s.templateDescription = "5160 Address";
    s.manufacturer = "AVERY";
    return s;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class LabelDesignScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        screen = std::make_unique<TLabelDesignScreen>(defaultStock(), "<New Label>", dialogs,
                                                      dir.filePath("BRINDL.ini"));
        surface().setClipFilePath(dir.filePath("Clipbrd.tmp"));
        surface().setRecordSource(&records);
    }
    DesignSurface& surface() { return screen->surface(); }
    QString path(const QString& name) const { return dir.filePath(name); }
    TKGraphicControl* make(DesignSurface::PanelState tool, const QRect& r) {
        // As the mouse does: a rubber band released with the tool chosen.
        screen->editor().chooseTool(tool);
        const std::size_t before = surface().objects().size();
        surface().rubberBandReleased(r);
        return surface().objects().size() > before ? surface().objects().back() : nullptr;
    }
    // A design with text, an address block, a POSTNET code and shapes, on a
    // label wide enough for all of them.
    void fillDesign() {
        LabelStock wide = defaultStock();
        wide.widthInches = 4.0;
        wide.heightInches = 2.0;
        screen->editor().changeLayout(wide);
        make(DesignSurface::psLabel, QRect(7, 3, 60, 17));
        make(DesignSurface::psAddressLabel, QRect(5, 22, 237, 60));
        make(DesignSurface::psPostNetBarCode, QRect(9, 150, 270, 16));
        make(DesignSurface::psRectangle, QRect(301, 11, 33, 47));
        make(DesignSurface::psEllipse, QRect(313, 97, 41, 29));
        make(DesignSurface::psLine, QRect(250, 170, 77, 13));
        if (auto* t = qobject_cast<designobjects::TKPLabel*>(surface().objects()[0])) t->setCaption("Season's greetings");
        auto* field = new designobjects::TKPDLabel;
        surface().addObject(field, QRect(250, 130, 90, 17));
        field->setDataFieldName("City");
        field->setDataFieldDescript("City");
        auto* picture = new designobjects::TKImage;
        surface().addObject(picture, QRect(340, 140, 40, 40));
        QImage img(32, 32, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter p(&img);
            p.setBrush(Qt::darkGreen);
            p.drawEllipse(4, 4, 24, 24);
        }
        picture->setPicture(designobjects::DesignPicture::fromImage(img));
        surface().refreshData();
        ASSERT_EQ(surface().objects().size(), 8u);
    }

    QTemporaryDir dir;
    common::ScriptedDialogs dialogs;
    Records records;
    std::unique_ptr<TLabelDesignScreen> screen;
};

TEST_F(LabelDesignScreenTest, ZoomStepsStopAtFiftyAndAHundredAndFiftyPercent) {
    screen->openDesign(false);
    EXPECT_EQ(screen->zoomLabel()->text(), "100%");
    for (int i = 0; i < 6; ++i) screen->zoomDownButton()->click();
    EXPECT_EQ(screen->zoomLabel()->text(), "50%");
    EXPECT_LT(surface().zoom(), 0.5f);  // the single-precision last step is what stops the next
    screen->zoomDownButton()->click();
    EXPECT_EQ(screen->zoomLabel()->text(), "50%");
    int presses = 0;
    while (screen->zoomLabel()->text() != "150%" && presses < 30) {
        screen->zoomUpButton()->click();
        ++presses;
    }
    EXPECT_EQ(presses, 10);
    screen->zoomUpButton()->click();
    EXPECT_EQ(screen->zoomLabel()->text(), "150%");
    // The surface is shown at the zoom, from its size at 1.0.
    EXPECT_EQ(surface().designSize(), QSize(252, 96));
    EXPECT_EQ(surface().size(), QSize(378, 144));
    // Zooming is no change of the design.
    EXPECT_FALSE(screen->saveButton()->isVisibleTo(screen.get()));
}

TEST_F(LabelDesignScreenTest, SavingAtAnyZoomWritesTheSameBytesAndUntouchedObjectsNeverDrift) {
    screen->openDesign(false);
    fillDesign();
    std::vector<QRect> before;
    for (auto* o : surface().objects()) before.push_back(o->bounds());
    ASSERT_TRUE(surface().saveToFile(path("at100.L")));
    for (int i = 0; i < 5; ++i) screen->zoomUpButton()->click();
    ASSERT_TRUE(surface().saveToFile(path("at150.L")));
    EXPECT_EQ(readAll(path("at100.L")), readAll(path("at150.L")));
    EXPECT_FALSE(readAll(path("at100.L")).isEmpty());

    // Five zoom changes through uneven factors, then a save: the same bytes.
    for (int i = 0; i < 3; ++i) screen->zoomDownButton()->click();  // 1.2
    for (int i = 0; i < 4; ++i) screen->zoomDownButton()->click();  // 0.8
    screen->zoomUpButton()->click();                               // 0.9
    for (int i = 0; i < 3; ++i) screen->zoomDownButton()->click();  // 0.6
    screen->zoomUpButton()->click();                               // 0.7
    ASSERT_TRUE(surface().saveToFile(path("after.L")));
    EXPECT_EQ(readAll(path("at100.L")), readAll(path("after.L")));

    // A move at 70 % changes the moved object only.
    TKGraphicControl* moved = surface().objects()[3];
    moved->setLeft(moved->left() + 7);
    surface().setZoom(1.0f);
    for (std::size_t i = 0; i < surface().objects().size(); ++i) {
        if (surface().objects()[i] == moved) {
            EXPECT_EQ(moved->bounds(), before[i].translated(10, 0));  // 7 / 0.7
        } else {
            EXPECT_EQ(surface().objects()[i]->bounds(), before[i]) << i;
        }
    }
    // The POSTNET code keeps its size at 1.0.
    EXPECT_EQ(surface().objects()[2]->bounds().size(), QSize(270, 16));
}

TEST_F(LabelDesignScreenTest, UndoAfterMoveResizeDeleteAndPasteRestoresTheDesignByteForByte) {
    screen->openDesign(false);
    fillDesign();
    designer::DesignHistory& history = *screen->history();
    history.reset();
    for (int i = 0; i < 5; ++i) screen->zoomUpButton()->click();  // edits at 150 %
    int n = 0;
    auto saved = [&] {
        const QString p = path(QString("state%1.L").arg(n++));
        EXPECT_TRUE(surface().saveToFile(p));
        return readAll(p);
    };
    std::vector<QByteArray> states{saved()};
    auto step = [&](const std::function<void()>& edit) {
        edit();
        QCoreApplication::processEvents();  // the change settles into one step
        states.push_back(saved());
        EXPECT_NE(states.back(), states[states.size() - 2]);
    };
    step([&] { surface().objects()[3]->setLeft(surface().objects()[3]->left() + 9); });      // move
    step([&] { surface().objects()[4]->setWidth(surface().objects()[4]->width() + 12); });   // resize
    step([&] {                                                                              // delete
        surface().clearSelection();
        surface().select(surface().objects()[5]);
        surface().deleteSelection();
    });
    step([&] {  // paste
        surface().clearSelection();
        surface().select(surface().objects()[0]);
        surface().copy();
        ASSERT_TRUE(surface().paste());
    });
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(saved(), states[i - 1]) << "undo to state " << i - 1;
    }
    EXPECT_FALSE(history.undo());
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(saved(), states[i]) << "redo to state " << i;
    }
    EXPECT_FALSE(history.redo());
    // Ctrl+Z on the label undoes; in the description it is the edit's own.
    QKeyEvent ctrlZ(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
    QCoreApplication::sendEvent(&screen->panel(), &ctrlZ);
    EXPECT_EQ(saved(), states[states.size() - 2]);
    screen->descriptionEdit()->setText("abc");
    screen->descriptionEdit()->setFocus();
    QKeyEvent ctrlZ2(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
    QCoreApplication::sendEvent(screen->descriptionEdit(), &ctrlZ2);
    EXPECT_EQ(saved(), states[states.size() - 2]);
    EXPECT_EQ(surface().zoom(), screen->editor().zoom());
}

TEST_F(LabelDesignScreenTest, CloseBoxAsksToSaveChangesAndKeypadKeysZoom) {
    screen->openDesign(false);
    screen->show();
    // The numeric pad's minus and plus zoom when released over the label.
    QKeyEvent minus(QEvent::KeyRelease, Qt::Key_Minus, Qt::KeypadModifier);
    QCoreApplication::sendEvent(&screen->panel(), &minus);
    EXPECT_EQ(screen->zoomLabel()->text(), "90%");
    QKeyEvent plus(QEvent::KeyRelease, Qt::Key_Plus, Qt::KeypadModifier);
    QCoreApplication::sendEvent(&screen->panel(), &plus);
    EXPECT_EQ(screen->zoomLabel()->text(), "100%");

    int saves = 0;
    screen->setSaveAction([&](TLabelDesignScreen&) { return ++saves > 0; });
    // Without changes the close box just closes.
    screen->close();
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(dialogs.texts(common::ScriptedDialogs::Kind::YesNo).isEmpty());
    screen->show();
    make(DesignSurface::psRectangle, QRect(10, 10, 30, 30));
    ASSERT_TRUE(screen->editor().saveVisible());
    dialogs.answers.enqueue(false);  // No: closes without saving
    screen->close();
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(dialogs.texts(common::ScriptedDialogs::Kind::YesNo).size(), 1);
    EXPECT_EQ(screen->result(), QDialog::Rejected);
    screen->show();
    dialogs.answers.enqueue(true);  // Yes: saves, then closes
    screen->close();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(screen->result(), QDialog::Accepted);
}

// Pictures of the window at 50 %, 100 % and 150 % when SCREENSHOT_DIR is set.
TEST_F(LabelDesignScreenTest, ScreenshotsAtThreeZooms) {
    const QString out = qEnvironmentVariable("SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "SCREENSHOT_DIR not set";
    screen->openDesign(false);
    fillDesign();
    // Decorated stock of the same size: its artwork shows behind the design.
    LabelStock decorated = screen->editor().stock();
    decorated.art = "AV5895";
    screen->editor().changeLayout(decorated);
    screen->artButton()->click();
    ASSERT_FALSE(surface().picture().isNull());
    screen->resize(760, 520);
    screen->show();
    for (int i = 0; i < 5; ++i) screen->zoomDownButton()->click();
    EXPECT_TRUE(screen->grab().save(out + "/designer-50.png"));
    for (int i = 0; i < 5; ++i) screen->zoomUpButton()->click();
    EXPECT_TRUE(screen->grab().save(out + "/designer-100.png"));
    for (int i = 0; i < 5; ++i) screen->zoomUpButton()->click();
    screen->resize(900, 560);
    EXPECT_TRUE(screen->grab().save(out + "/designer-150.png"));
    screen->hide();
}

// What a design prints, drawn at 96 pixels per inch.
QImage printed(DesignSurface& s) {
    printing::PageRecorder rec;
    s.printObjects(rec, 0.25, 0.25);
    rec.end();
    QImage img(480, 260, QImage::Format_RGB32);
    img.fill(Qt::white);
    if (rec.document().pageCount() > 0) {
        QPainter p(&img);
        printing::paintPage(p, rec.document().pages[0], printing::PaintScale{});
    }
    return img;
}

TEST_F(LabelDesignScreenTest, PrintingWhileZoomedPrintsTheDesignAtItsRealSize) {
    screen->openDesign(false);
    fillDesign();
    const QImage atOne = printed(surface());
    for (int i = 0; i < 5; ++i) screen->zoomUpButton()->click();
    EXPECT_TRUE(printed(surface()) == atOne) << "at 150 %";
    for (int i = 0; i < 8; ++i) screen->zoomDownButton()->click();
    EXPECT_TRUE(printed(surface()) == atOne) << "at 70 %";
    // The picture is not blank: objects did print.
    int dark = 0;
    for (int y = 0; y < atOne.height(); ++y)
        for (int x = 0; x < atOne.width(); ++x) dark += qGray(atOne.pixel(x, y)) < 128;
    EXPECT_GT(dark, 200);
}

TEST_F(LabelDesignScreenTest, ObjectsMadeAtAZoomLandWhereTheUserSeesThem) {
    screen->openDesign(false);
    for (int i = 0; i < 5; ++i) screen->zoomUpButton()->click();
    TKGraphicControl* r = make(DesignSurface::psRectangle, QRect(30, 45, 60, 30));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->bounds(), QRect(30, 45, 60, 30));
    EXPECT_EQ(r->designBounds(), QRect(20, 30, 40, 20));
    // The selection tool returns after each object.
    EXPECT_EQ(surface().panelState(), DesignSurface::psPointing);
    EXPECT_TRUE(screen->toolButton(DesignSurface::psPointing)->isChecked());
}

TEST_F(LabelDesignScreenTest, NewLabelHoldsOneSelectedAddressBlockAndSaysSo) {
    screen->openDesign(true);
    EXPECT_EQ(surface().size(), QSize(252, 96));
    ASSERT_EQ(surface().objects().size(), 1u);
    auto* block = qobject_cast<designobjects::TKDMultiLineAddressLabel*>(surface().objects()[0]);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->bounds().topLeft(), QPoint(5, 5));
    EXPECT_GE(block->width(), 237);
    EXPECT_TRUE(surface().isSelected(block));
    EXPECT_EQ(surface().panelState(), DesignSurface::psPointing);
    EXPECT_EQ(dialogs.infos(), QStringList{designer::LabelDesignEditor::newLabelMessage()});
    EXPECT_EQ(screen->descriptionEdit()->text(), "<New Label>");
    // Opening is no change.
    EXPECT_FALSE(screen->editor().saveVisible());
}

TEST_F(LabelDesignScreenTest, NarrowLayoutClampsObjectsAndRemovesTheFirstPostNetCode) {
    screen->openDesign(false);
    fillDesign();
    TKGraphicControl* firstCode = surface().objects()[2];
    auto* second = new designobjects::TKPostNetBarCode;
    surface().addObject(second, QRect(20, 100, 270, 16));
    TKGraphicControl* ellipse = surface().objects()[4];
    surface().select(firstCode);
    dialogs.shown.clear();

    LabelStock user;
    user.widthInches = 2.0;
    user.heightInches = 1.5;
    user.manufacturer = "USER";
    user.shapeCode = "SR";
    screen->editor().changeLayout(user);
    screen->layoutAction()->setText(screen->editor().layoutCaption());

    EXPECT_EQ(dialogs.infos(), QStringList{designer::LabelDesignEditor::postNetRemovedWarning()});
    const auto& objs = surface().objects();
    EXPECT_EQ(std::count(objs.begin(), objs.end(), firstCode), 0);
    EXPECT_EQ(std::count(objs.begin(), objs.end(), second), 1);
    EXPECT_TRUE(surface().selection().empty());
    EXPECT_EQ(surface().size(), QSize(192, 144));
    EXPECT_EQ(surface().shape(), DesignSurface::lsRectangle);
    // The ellipse at x = 313 is pulled back onto the label (its left edge
    // 20 pixels inside the right one).
    EXPECT_EQ(ellipse->left(), 172);
    EXPECT_EQ(screen->layoutAction()->text(), "Layout:  User Defined Label Layout");
    EXPECT_TRUE(screen->editor().saveVisible());
}

TEST_F(LabelDesignScreenTest, LayoutMenuAppliesTheChosenStockAndUpdatesItsCaption) {
    screen->openDesign(false);
    EXPECT_EQ(screen->layoutAction()->text(), "Layout:  5160 Address");
    int asked = 0;
    screen->setChooseLayout([&](QWidget*) -> std::optional<LabelStock> {
        if (++asked == 1) return std::nullopt;  // cancelled: nothing changes
        LabelStock s = defaultStock();
        s.widthInches = 4.0;
        s.heightInches = 1.5;
        s.shapeCode = "EL";
        s.templateDescription = "Shipping 1-1/2 x 4";
        return s;
    });
    for (int i = 0; i < 5; ++i) screen->zoomUpButton()->click();
    screen->layoutClick();
    EXPECT_FALSE(screen->editor().saveVisible());
    EXPECT_EQ(surface().designSize(), QSize(252, 96));
    screen->layoutClick();
    EXPECT_EQ(screen->layoutAction()->text(), "Layout:  Shipping 1-1/2 x 4");
    EXPECT_EQ(surface().designSize(), QSize(384, 144));
    EXPECT_EQ(surface().size(), QSize(576, 216));  // still shown at 150 %
    EXPECT_EQ(surface().shape(), DesignSurface::lsEllipse);
    EXPECT_TRUE(screen->saveButton()->isVisibleTo(screen.get()));
}

TEST_F(LabelDesignScreenTest, BarcodeToolsNeedAWideEnoughLabel) {
    screen->openDesign(false);
    EXPECT_EQ(screen->editor().chooseTool(DesignSurface::psPostNetBarCode), DesignSurface::psPointing);
    EXPECT_EQ(dialogs.infos(), QStringList{designer::LabelDesignEditor::postNetTooNarrowMessage()});
    screen->toolButton(DesignSurface::psPostNetBarCode)->click();
    EXPECT_TRUE(screen->toolButton(DesignSurface::psPointing)->isChecked());
    // Width of the label, then whether POSTNET and IMb tools are taken.
    const struct {
        double width;
        bool postNet, imb;
    } cases[] = {{2.625, false, false}, {2.85, true, false}, {2.93, true, true}};
    for (const auto& c : cases) {
        LabelStock stock = defaultStock();
        stock.widthInches = c.width;
        screen->editor().changeLayout(stock);
        dialogs.shown.clear();
        EXPECT_EQ(screen->editor().chooseTool(DesignSurface::psPostNetBarCode) == DesignSurface::psPostNetBarCode,
                  c.postNet)
            << c.width;
        EXPECT_EQ(screen->editor().chooseTool(DesignSurface::psIMBarCode) == DesignSurface::psIMBarCode, c.imb)
            << c.width;
        if (!c.imb) EXPECT_TRUE(dialogs.infos().contains(designer::LabelDesignEditor::imbTooNarrowMessage()));
    }
}

TEST_F(LabelDesignScreenTest, NarrowerLayoutWarnsOfAnIntelligentMailBarcodeThatNoLongerFits) {
    screen->openDesign(false);
    LabelStock wide = defaultStock();
    wide.widthInches = 4.0;
    screen->editor().changeLayout(wide);
    auto* imb = new designobjects::TKIMBarCode;
    surface().addObject(imb, QRect(10, 10, 282, 14));
    // Width of the new layout, then whether the user is warned; the barcode stays either way.
    const struct {
        double width;
        bool warned;
    } cases[] = {{3.5, false}, {2.93, false}, {2.925, true}, {2.625, true}};
    for (const auto& c : cases) {
        dialogs.shown.clear();
        LabelStock stock = defaultStock();
        stock.widthInches = c.width;
        screen->editor().changeLayout(stock);
        EXPECT_EQ(dialogs.infos().contains(designer::LabelDesignEditor::imbNoLongerFitsWarning()), c.warned) << c.width;
        const auto& objs = surface().objects();
        EXPECT_EQ(std::count(objs.begin(), objs.end(), imb), 1) << c.width;
    }
    // Without a barcode in the design a narrow layout says nothing of it.
    surface().deleteObject(imb);
    dialogs.shown.clear();
    screen->editor().changeLayout(defaultStock());
    EXPECT_FALSE(dialogs.infos().contains(designer::LabelDesignEditor::imbNoLongerFitsWarning()));
}

TEST_F(LabelDesignScreenTest, DescriptionShowsSaveAndKeepsFiftyCharacters) {
    screen->openDesign(false);
    EXPECT_FALSE(screen->saveButton()->isVisibleTo(screen.get()));
    EXPECT_EQ(screen->descriptionEdit()->maxLength(), 60);
    const QString typed = QString(55, QChar(u'é'));
    screen->descriptionEdit()->setText(typed);
    emit screen->descriptionEdit()->textEdited(typed);
    EXPECT_TRUE(screen->saveButton()->isVisibleTo(screen.get()));
    EXPECT_EQ(screen->keptDescription(), QString(50, QChar(u'é')));

    int saved = 0;
    screen->setSaveAction([&](TLabelDesignScreen&) { return ++saved == 2; });
    screen->saveButtonClick();  // the caller could not save: the window stays
    EXPECT_EQ(screen->result(), QDialog::Rejected);
    screen->saveButtonClick();
    EXPECT_EQ(screen->result(), QDialog::Accepted);
}

TEST_F(LabelDesignScreenTest, SaveDeletesObjectsOutsideTheLabel) {
    screen->openDesign(false);
    auto* outside = make(DesignSurface::psRectangle, QRect(10, 10, 30, 30));
    outside->setBounds(400, 300, 30, 30);
    screen->setSaveAction([](TLabelDesignScreen&) { return true; });
    screen->saveButtonClick();
    EXPECT_TRUE(surface().objects().empty());
}

TEST_F(LabelDesignScreenTest, DefaultFontIsReadFromAndWrittenToTheLabelSection) {
    {
        common::ProfileFile settings(path("BRINDL.ini"));
        settings.writeString("Label", "DefaultFontName", "Times New Roman");
        settings.writeInt("Label", "DefaultFontSize", 12);
        settings.writeBool("Label", "DefaultFontItalic", true);
    }
    TLabelDesignScreen other(defaultStock(), "x", dialogs, path("BRINDL.ini"));
    EXPECT_EQ(other.defaultFontAction()->text(), "Default Font: Times New Roman, 12 pt , italic");
    EXPECT_EQ(screen->defaultFontAction()->text(), "Default Font: Arial, 10 pt ");

    designobjects::DesignFont f;
    f.name = "Arial";
    f.setPointSize(14);
    f.style = designobjects::DesignFont::Bold;
    common::ProfileFile settings(path("BRINDL.ini"));
    ASSERT_TRUE(screen->editor().setDefaultFont(f, settings));
    EXPECT_EQ(screen->editor().defaultFontCaption(), "Default Font: Arial, 14 pt , bold");
    const common::ProfileFile back(path("BRINDL.ini"));
    EXPECT_EQ(back.readString("Label", "DefaultFontName"), "Arial");
    EXPECT_EQ(back.readInt("Label", "DefaultFontSize", 0), 14);
    EXPECT_TRUE(back.readBool("Label", "DefaultFontBold", false));
    EXPECT_FALSE(back.readBool("Label", "DefaultFontItalic", true));
}

}  // namespace

#include "address/AddressTestSupport.h"
#include "designer/AddressRecordSource.h"

namespace {

// The record buttons over a real address file: data objects show the file's
// current record after each move.
TEST(LabelDesignRecords, RecordButtonsShowTheOpenAddressFile) {
    addrtest::OpenFile open({{{"LNAME", "Müller"}, {"FNAME", "José"}},
                             {{"LNAME", "Ängström"}, {"FNAME", "Zoë"}},
                             {{"LNAME", "Dupont"}, {"FNAME", "René"}}});
    designer::AddressRecordSource records(open.file);
    ASSERT_TRUE(records.isOpen());
    TLabelDesignScreen screen(defaultStock(), "x", open.dialogs, open.home.settings());
    screen.surface().setClipFilePath(QString());
    screen.setRecordSource(&records);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(screen.recordButton(i)->isEnabled());
    auto* field = new designobjects::TKPDLabel;
    screen.surface().addObject(field, QRect(5, 5, 120, 17));
    field->setDataFieldName("Last Name");
    field->setDataFieldDescript("Last Name");
    screen.openDesign(false);

    const QStringList all{"Müller", "Ängström", "Dupont"};
    screen.recordButton(0)->click();
    const QString first = field->caption().trimmed();
    EXPECT_TRUE(all.contains(first)) << first.toStdString();
    screen.recordButton(2)->click();
    const QString second = field->caption().trimmed();
    EXPECT_TRUE(all.contains(second)) << second.toStdString();
    EXPECT_NE(first, second);
    screen.recordButton(1)->click();
    EXPECT_EQ(field->caption().trimmed(), first);
    screen.recordButton(3)->click();
    const QString last = field->caption().trimmed();
    EXPECT_TRUE(all.contains(last));
    EXPECT_NE(last, first);
    EXPECT_NE(last, second);
    // Record moves are no change of the design.
    EXPECT_FALSE(screen.editor().saveVisible());
}

}  // namespace

// Editing text objects: context menus and their check marks, the dialogs'
// effects on the objects, the follow-up of each drawing tool, the symbol
// object's size, font metrics, stored font names the system lacks and the
// size limits applied when printing.
#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "ScriptedDesignDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/FontMetrics.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/RecordSource.h"
#include "designobjects/SymbolFont.h"
#include "designobjects/TextLabelKinds.h"
#include "printing/PageRecorder.h"

using namespace brindle::designobjects;
using brindle::designobjects::test::ScriptedDesignDialogs;

namespace {

// "Caption*" for a checked entry, submenus as "Caption(Child|Child*)".
QStringList captions(const MenuEntries& menu) {
    QStringList out;
    for (const auto& e : menu) {
        QString c = e.caption + (e.checked ? "*" : "");
        if (!e.children.empty()) c += "(" + captions(e.children).join('|') + ")";
        out << c;
    }
    return out;
}

// The kind's own entries: what follows the entries common to every object
// on a surface (twelve and a separator).
QStringList ownCaptions(const MenuEntries& menu) { return captions(menu).mid(13); }

struct Source : RecordSource {
    bool isOpen() const override { return true; }
    std::vector<RecordField> fields() const override {
        std::vector<RecordField> f = {{"LNAME", "Last Name"}, {"FNAME", "First Name"}, {"CITY", "City"},
                                      {"STATE", "State"},     {"ZIP", "Zip/Postal Code"}, {"STREET", "Address 1"}};
        RecordField tag{"TAG", "TAG"};
        tag.visible = false;
        RecordField hidden{"USER9", "Hidden"};
        hidden.tag = -1;
        RecordField isdel{"ISDEL", "Deleted"};
        isdel.isString = false;
        RecordField memo{"MEMO", "MEMO"};
        memo.isMemo = true;
        for (const char* name : {"PREFIX", "MIDDLE", "TITLE", "ORG", "STREET2", "COUNTRY", "PHONE"}) {
            RecordField extra{name, name};
            extra.visible = false;
            f.push_back(extra);
        }
        f.push_back(tag);
        f.push_back(hidden);
        f.push_back(isdel);
        f.push_back(memo);
        return f;
    }
    QString fieldText(const QString& name) const override {
        if (name == "LNAME") return "Lee";
        if (name == "FNAME") return "Ann";
        if (name == "CITY") return "Springfield";
        if (name == "STATE") return "IL";
        if (name == "ZIP") return "62701";
        if (name == "STREET") return "123 Main St";
        if (name == "MEMO") return "first line\r\nsecond line";
        return {};
    }
};

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.setClipFilePath(QString());
        s.setSize(384, 144);
        s.setRecordSource(&src);
        s.setDesignDialogs(&dlg);
    }
    template <class T>
    T* add(T* o, QRect r = QRect(10, 10, 142, 33)) {
        s.addObject(o, r);
        o->loaded();
        return o;
    }
    Source src;
    ScriptedDesignDialogs dlg;
    DesignSurface s{DesignSurface::LabelSurface};
};

TEST_F(EditingTest, EachKindOffersItsOwnEntriesWithChecksFromItsProperties) {
    auto* text = add(new TKPLabel);
    EXPECT_EQ(ownCaptions(text->contextMenu()),
              QStringList({"Font", "3D Effects", "Alignment(Left*|Center|Right)", "Transparent", "Background Color",
                           "Border", "-", "Text", "-",
                           "Rotation(No Rotation*|90 Degrees|180 Degrees|270 Degrees)"}));
    text->setBorderStyle(TKBaseLabel::bsSingle);
    text->setAlignment(TKBaseLabel::taCenter);
    const QStringList checked = ownCaptions(text->contextMenu());
    EXPECT_TRUE(checked.contains("Border*"));
    EXPECT_TRUE(checked.contains("Alignment(Left|Center*|Right)"));

    EXPECT_EQ(ownCaptions(add(new TKPDLabel)->contextMenu()).mid(6), QStringList({"-", "Field"}));
    EXPECT_EQ(ownCaptions(add(new TKCounterLabel)->contextMenu()).mid(6),
              QStringList({"-", "Counter Settings", "-", "Rotation(No Rotation*|90 Degrees|180 Degrees|270 Degrees)"}));
    EXPECT_EQ(ownCaptions(add(new TKSymbolLabel)->contextMenu()),
              QStringList({"3D Effects", "Transparent", "Background Color", "Border", "-", "Symbol Selector"}));
    EXPECT_EQ(ownCaptions(add(new TKDateTimeLabel)->contextMenu()).mid(6),
              QStringList({"-", "Date Format(No Date|Windows Short Date*|Windows Long Date)",
                           "Time Format(No Time*|Windows Short Time|Windows Long Time)"}));
    EXPECT_EQ(ownCaptions(add(new TKPageNumberLabel)->contextMenu()).size(), 6);

    EXPECT_EQ(ownCaptions(add(new TKMultiLineLabel, QRect(0, 60, 190, 33))->contextMenu()),
              QStringList({"Font", "Alignment(Left*|Center|Right)", "-", "Text", "Word Wrap"}));
    EXPECT_EQ(ownCaptions(add(new TKDMultiLineLabel, QRect(0, 60, 190, 33))->contextMenu()).mid(2),
              QStringList({"-", "Memo Field", "Word Wrap"}));
    EXPECT_EQ(ownCaptions(add(new TKDMultiLineAddressLabel, QRect(0, 60, 190, 33))->contextMenu()).mid(2),
              QStringList({"-", "Address Layout"}));
}

TEST_F(EditingTest, MenuChangesMarkTheDesignChanged) {
    auto* text = add(new TKPLabel);
    struct Counter {
        int n = 0;
        int count() const { return n; }
        void clear() { n = 0; }
    } changed;
    QObject::connect(&s, &DesignSurface::labelChanged, [&] { ++changed.n; });
    ASSERT_TRUE(runMenuEntry(text->contextMenu(), "90 Degrees"));
    EXPECT_EQ(text->angle(), 90);
    EXPECT_EQ(text->bounds().size(), QSize(33, 142));  // upright box turned on its side
    EXPECT_GE(changed.count(), 1);
    EXPECT_TRUE(captions(text->contextMenu()).last().contains("90 Degrees*"));

    changed.clear();
    runMenuEntry(text->contextMenu(), "Transparent");
    EXPECT_FALSE(text->transparent());
    EXPECT_EQ(changed.count(), 1);
    changed.clear();
    runMenuEntry(text->contextMenu(), "Border");
    EXPECT_EQ(text->borderStyle(), TKBaseLabel::bsSingle);
    EXPECT_EQ(changed.count(), 1);

    auto* lines = add(new TKMultiLineLabel, QRect(0, 60, 190, 33));
    changed.clear();
    runMenuEntry(lines->contextMenu(), "Word Wrap");
    EXPECT_TRUE(lines->wordWrap());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(captions(lines->contextMenu()).contains("Word Wrap*"));
}

TEST_F(EditingTest, DialogsChangeTheObjectOnOkOnly) {
    auto* text = add(new TKPLabel);
    text->setTransparent(true);
    dlg.color = 0x0000FF;
    runMenuEntry(text->contextMenu(), "Background Color");
    EXPECT_EQ(text->backColor(), 0x0000FF);
    EXPECT_FALSE(text->transparent());

    Text3DSettings fx;
    fx.depthShadow = 3;
    fx.directionShadow = TKBaseLabel::sdDown;
    fx.depthHighlight = 2;
    fx.colorHighlight = 0x00FF00;
    fx.fontColor = 0xFF0000;
    runMenuEntry(text->contextMenu(), "3D Effects");  // cancelled: nothing changes
    EXPECT_EQ(text->depthShadow(), 0);
    dlg.effects = fx;
    text->setCaption("Sample");
    runMenuEntry(text->contextMenu(), "3D Effects");
    EXPECT_EQ(dlg.effectsSampleText, "Sample");
    EXPECT_EQ(text->text3DSettings(), fx);
    EXPECT_EQ(text->font().color, 0xFF0000);

    // Text then size to fit: the box grows to the text and five spaces.
    dlg.text = "A much longer line of text than before";
    text->setBounds(10, 10, 20, 10);
    runMenuEntry(text->contextMenu(), "Text");
    EXPECT_EQ(text->caption(), "A much longer line of text than before");
    const TextMetrics fm(text->font());
    EXPECT_GE(text->width(), fm.width(text->caption() + "     "));

    auto* counter = add(new TKCounterLabel);
    CounterSettings cs{"No. ", 1000, 2, "!", 6};
    dlg.counter = cs;
    runMenuEntry(counter->contextMenu(), "Counter Settings");
    EXPECT_EQ(counter->settings(), cs);
    EXPECT_EQ(counter->caption(), "No. 001000!");
    EXPECT_EQ(counter->width(), TextMetrics(counter->font()).width("No. 001000!     "));  // narrowed to 10, then fitted

    auto* block = add(new TKDMultiLineAddressLabel, QRect(0, 60, 190, 33));
    AddressLayout l;
    l.zipOptions = zoBeforeCity;
    dlg.layout = l;
    runMenuEntry(block->contextMenu(), "Address Layout");
    EXPECT_EQ(block->layout().zipOptions, zoBeforeCity);
    EXPECT_TRUE(block->items().contains("62701 Springfield IL ")) << block->items().join('|').toStdString();
}

TEST_F(EditingTest, FieldChoiceOffersVisibleStringFieldsAndBindsTheChoice) {
    auto* field = add(new TKPDLabel);
    field->setDataFieldDescript("City");
    dlg.field = 0;
    runMenuEntry(field->contextMenu(), "Field");
    EXPECT_EQ(dlg.fieldLabels,
              QStringList({"Last Name", "First Name", "City", "State", "Zip/Postal Code", "Address 1"}));
    EXPECT_EQ(dlg.fieldCurrent, 2);
    EXPECT_EQ(field->dataFieldName(), "LNAME");
    EXPECT_EQ(field->dataFieldDescript(), "Last Name");
    EXPECT_EQ(field->caption(), "Lee");  // the surface refreshed its data

    auto* memo = add(new TKDMultiLineLabel, QRect(0, 60, 190, 33));
    dlg.field = 0;
    runMenuEntry(memo->contextMenu(), "Memo Field");
    EXPECT_EQ(dlg.fieldLabels, QStringList({"MEMO"}));
    EXPECT_EQ(memo->items(), QStringList({"first line", "second line"}));
}

TEST_F(EditingTest, ToolsAskWhatTheyNeedAndFitTheirText) {
    // Text tool: the text dialog, then size to fit (also when cancelled).
    s.setPanelState(DesignSurface::psLabel);
    dlg.text = "Hello there";
    auto* text = qobject_cast<TKPLabel*>(s.createObjectInRect(QRect(0, 0, 30, 10)));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->caption(), "Hello there");
    EXPECT_GE(text->width(), TextMetrics(text->font()).width("Hello there     "));

    dlg.text.reset();
    auto* cancelled = qobject_cast<TKPLabel*>(s.createObjectInRect(QRect(0, 40, 30, 10)));
    EXPECT_EQ(cancelled->caption(), "<text>");
    EXPECT_GE(cancelled->width(), TextMetrics(cancelled->font()).width("<text>     "));

    s.setPanelState(DesignSurface::psDataLabel);
    dlg.field = 1;
    auto* field = qobject_cast<TKPDLabel*>(s.createObjectInRect(QRect(0, 60, 30, 10)));
    EXPECT_EQ(field->dataFieldDescript(), "First Name");
    EXPECT_EQ(field->caption(), "Ann");

    s.setPanelState(DesignSurface::psSymbolLabel);
    DesignFont wing;
    wing.name = "WingDings";
    wing.setPointSize(36);
    dlg.symbol = std::make_pair(wing, QChar(0x28));
    auto* sym = qobject_cast<TKSymbolLabel*>(s.createObjectInRect(QRect(100, 0, 30, 10)));
    EXPECT_EQ(sym->caption(), QString(QChar(0x28)));
    EXPECT_EQ(sym->font().pointSize(), 36);
    EXPECT_EQ(sym->bounds().size(), sym->symbolSize());

    s.setPanelState(DesignSurface::psMultiLineLabel);
    dlg.lines = QStringList{"one", "two", "three"};
    auto* lines = qobject_cast<TKMultiLineLabel*>(s.createObjectInRect(QRect(200, 0, 30, 10)));
    EXPECT_EQ(lines->items(), *dlg.lines);
    EXPECT_EQ(lines->height(), 3 * TextMetrics(lines->font()).height());

    s.setPanelState(DesignSurface::psAddressLabel);
    auto* block = qobject_cast<TKDMultiLineAddressLabel*>(s.createObjectInRect(QRect(200, 60, 30, 10)));
    EXPECT_EQ(block->items().size(), 3);  // name, street, city line
    EXPECT_EQ(block->height(), 3 * TextMetrics(block->font()).height());

    EXPECT_EQ(dlg.asked, QStringList({"Text", "Text", "Select Field", "Symbol Selector", "Multi-line Text Editor"}));
}

TEST_F(EditingTest, SymbolTakesItsGlyphSizeAndIgnoresOtherFonts) {
    auto* sym = add(new TKSymbolLabel);
    EXPECT_EQ(sym->font().name, "WingDings");
    EXPECT_EQ(sym->font().pointSize(), 24);
    EXPECT_EQ(sym->caption(), "[");
    const QSize before = sym->bounds().size();
    EXPECT_EQ(before, sym->symbolSize());
    sym->setWidth(500);  // any resize snaps back to the glyph
    EXPECT_EQ(sym->bounds().size(), before);
    DesignFont arial;
    sym->applyFont(arial);
    EXPECT_EQ(sym->font().name, "WingDings");

    // A wider glyph grows the object at once.
    DesignFont f = sym->font();
    sym->setSymbol(f, symbolChar(0x20));  // a space is narrower than any picture
    const int narrow = sym->width();
    sym->setSymbol(f, symbolChar(0x31));  // an open folder
    EXPECT_GT(sym->width(), narrow);
    EXPECT_EQ(sym->bounds().size(), sym->symbolSize());
}

TEST(SymbolLoadTest, ASymbolReadFromAFileTakesItsGlyphSize) {
    using brindle::designobjects::test::hex;
    using brindle::designobjects::test::sstr;
    // Stored bounds that do not match the glyph, as a file made elsewhere may hold.
    QByteArray object = "TPF0" + sstr("TKSymbolLabel") + sstr("x");
    object += sstr("Left") + hex("020A") + sstr("Top") + hex("0214") + sstr("Width") + hex("03C800") + sstr("Height") +
              hex("0205") + sstr("Locked") + hex("08") + sstr("Unselectable") + hex("08");
    object += sstr("Caption") + hex("06") + sstr("1");
    object += sstr("Font.Color") + hex("07") + sstr("clBlack") + sstr("Font.Height") + hex("02E0") + sstr("Font.Name") +
              hex("06") + sstr("WingDings") + sstr("Font.Style") + hex("0B00");
    object += sstr("Transparent") + hex("09") + sstr("BackColor") + hex("07") + sstr("clWhite") + sstr("BorderStyle") +
              hex("07") + sstr("bsNone") + hex("0000");
    QTemporaryDir dir;
    QFile file(dir.filePath("s.L"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(hex("01") + object + hex("00"));
    file.close();
    DesignSurface s(DesignSurface::LabelSurface);
    s.setClipFilePath(QString());
    s.setSize(400, 200);
    ASSERT_TRUE(s.loadFromFile(file.fileName()).ok);
    ASSERT_EQ(s.objects().size(), 1u);
    auto* sym = qobject_cast<TKSymbolLabel*>(s.objects()[0]);
    ASSERT_NE(sym, nullptr);
    EXPECT_EQ(sym->bounds(), QRect(QPoint(10, 20), sym->symbolSize()));
    EXPECT_NE(sym->symbolSize(), QSize(200, 5));
}

TEST(FontMetricsTest, OneRuleForPointsAndPixelsAndTheLineHeightOfTheLayout) {
    DesignFont f;
    EXPECT_EQ(f.height, -13);
    EXPECT_EQ(f.pointSize(), 10);
    for (int pt : {6, 8, 9, 10, 11, 12, 14, 18, 24, 36, 72}) {
        DesignFont g;
        g.setPointSize(pt);
        EXPECT_EQ(g.pointSize(), pt);
        EXPECT_EQ(-g.height, (pt * 96 * 2 + 72) / 144);  // × 96 / 72, halves away from zero
    }
    const TextMetrics m(f);
    EXPECT_EQ(QFontInfo(m.font()).family(), "Liberation Sans");
    EXPECT_EQ(m.font().pixelSize(), 13);
    EXPECT_EQ(m.lineHeight(), m.height() + m.internalLeading() + m.externalLeading());
    EXPECT_EQ(m.internalLeading(), m.height() - 13);
    EXPECT_GT(m.width("WWW"), m.width("iii"));
    // Zoom truncates the point size: 10 pt at 1.5 is 15 pt, 20 pixels.
    EXPECT_EQ(TextMetrics(f, 1.5f).font().pixelSize(), 20);
    EXPECT_EQ(TextMetrics(f, 0.55f).font().pixelSize(), 7);  // Trunc(5.5) = 5 pt
    // Symbol fonts measure the characters they draw.
    DesignFont wing;
    wing.name = "WingDings";
    const TextMetrics w(wing);
    EXPECT_EQ(w.drawable("\""), QString(QChar(char16_t(symbolCodeToUnicode(0x22)))));
}

TEST(TextPrintingTest, PrintedTextKeepsTheLayoutSizeLimits) {
    // A design that was never shown still prints at the size the layout allows.
    DesignSurface s;
    s.setClipFilePath(QString());
    s.setSize(384, 200);
    auto* text = new TKPLabel;
    text->setCaption("Tall");
    s.addObject(text, QRect(96, 0, 142, 100));
    brindle::printing::PageRecorder rec;
    s.printObjects(rec, 0, 0);
    rec.end();
    ASSERT_EQ(rec.document().pageCount(), 1);
    const auto& ops = rec.document().pages[0].ops;
    ASSERT_FALSE(ops.empty());
    const QRectF r = ops.back().box;
    const TextMetrics m(text->font());
    EXPECT_DOUBLE_EQ(r.height(), int(1.2 * m.lineHeight()) / 96.0);
    EXPECT_DOUBLE_EQ(r.left(), 1.0);
    EXPECT_DOUBLE_EQ(r.width(), 142 / 96.0);
}

TEST(FontFallbackTest, EmptyOrUnknownNamesPrintInTheDefaultFace) {
    struct Record : RecordSource {
        bool isOpen() const override { return true; }
        std::vector<RecordField> fields() const override {
            std::vector<RecordField> f;
            for (const char* n : {"PREFIX", "FNAME", "MIDDLE", "LNAME", "TITLE", "ORG", "STREET", "STREET2", "CITY",
                                  "STATE", "ZIP", "COUNTRY", "PHONE"})
                f.push_back({n, n});
            return f;
        }
        QString fieldText(const QString& name) const override { return name == "LNAME" ? "Lee" : "62701"; }
    } record;
    for (const char* name : {"", "   ", "No Such Face Anywhere"}) {
        DesignFont f;
        f.name = QString::fromLatin1(name);
        EXPECT_EQ(QFontInfo(TextMetrics(f).font()).family().toStdString(), "Liberation Sans") << '"' << name << '"';
        // One-line text, fixed lines and the address block each print
        // through a vector picture that stores the font.
        DesignSurface s(DesignSurface::LabelSurface);
        s.setClipFilePath(QString());
        s.setSize(400, 200);
        s.setRecordSource(&record);
        auto* one = new TKPLabel;
        one->setFont(f);
        s.addObject(one, QRect(0, 0, 142, 33));
        auto* lines = new TKMultiLineLabel;
        lines->setFont(f);
        lines->setItems({"one", "two"});
        s.addObject(lines, QRect(0, 40, 190, 40));
        auto* block = new TKDMultiLineAddressLabel;
        block->setFont(f);
        s.addObject(block, QRect(0, 90, 190, 100));
        s.setPrinting(true);
        s.refreshData();
        EXPECT_GT(brindle::designobjects::test::darkPixelsPrinted(s), 0) << '"' << name << '"';
        EXPECT_GT(brindle::designobjects::test::darkPixelsPrinted(s, 90), 0) << '"' << name << '"';
    }
    // Names the system knows, directly or through its aliases, keep their face.
    for (const auto& [name, face] : {std::pair{"Times New Roman", "Liberation Serif"}, {"Liberation Mono", "Liberation Mono"},
                                     {"DejaVu Serif", "DejaVu Serif"}}) {
        DesignFont f;
        f.name = QString::fromLatin1(name);
        EXPECT_EQ(QFontInfo(TextMetrics(f).font()).family().toStdString(), face) << name;
    }
}

}  // namespace

// The object dialogs as real widgets (offscreen): their captions and
// controls, scripted runs through Ok and Cancel, the live 3-D sample, the
// multi-line editor's length limit, the symbol grid, the right-click menu of
// the surface widget and the menu built from an object's entries.
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "DesignTestSupport.h"

#include "designobjects/SymbolFont.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/ui/BuildMenu.h"
#include "designobjects/ui/DesignDialogRules.h"
#include "designobjects/ui/MultiLineDialogs.h"
#include "designobjects/ui/QtDesignDialogs.h"
#include "designobjects/ui/TKBasePanel.h"
#include "designobjects/ui/TSymbolSelector.h"
#include "designobjects/ui/TextObjectDialogs.h"

using namespace brindle::designobjects;
using brindle::designobjects::test::keepShot;
using brindle::designobjects::test::whenOpen;

namespace {

template <class T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void press(QWidget* dialog, const char* button) { child<QPushButton>(dialog, button)->click(); }

// The captions of a window's labels, check boxes and radio buttons.
QStringList captions(QWidget* w) {
    QStringList out;
    for (auto* l : w->findChildren<QLabel*>()) out << l->text();
    for (auto* b : w->findChildren<QAbstractButton*>()) out << b->text();
    return out;
}

void expectCommonButtons(DesignDialog* d, const QString& title, int topic) {
    EXPECT_EQ(d->windowTitle(), title);
    EXPECT_EQ(d->helpTopic(), topic);
    EXPECT_EQ(d->okButton()->text(), "Ok");
    EXPECT_EQ(d->cancelButton()->text(), "Cancel");
    EXPECT_EQ(d->helpButton()->text(), "Help");
}

QStringList comboEntries(QComboBox* c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
    return l;
}

void typeText(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        QKeyEvent down(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(w, &down);
    }
}

void key(QWidget* w, Qt::Key k) {
    QKeyEvent down(QEvent::KeyPress, k, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &down);
}

DesignFont fontOf(const QString& name, int points, int style = 0) {
    DesignFont f;
    f.name = name;
    f.setPointSize(points);
    f.style = style;
    return f;
}

// ---------------------------------------------------------------- rules

TEST(DesignDialogRules, SymbolGridColumnsFollowTheFontSize) {
    const std::pair<int, int> cases[] = {{5, 1},   {6, 14},  {10, 14}, {11, 10}, {20, 10}, {21, 8},
                                         {30, 8},  {31, 6},  {40, 6},  {41, 4},  {50, 4},  {51, 3},
                                         {60, 3},  {61, 2},  {72, 2},  {73, 1},  {0, 1}};
    for (auto [points, columns] : cases) EXPECT_EQ(symbolGridColumns(points), columns) << points;
}

TEST(DesignDialogRules, SymbolFontCaptionNamesSizeAndOneStyle) {
    EXPECT_EQ(symbolFontCaption(fontOf("WingDings", 24)), "WingDings, 24pt ");
    EXPECT_EQ(symbolFontCaption(fontOf("Arial", 10, DesignFont::Bold)), "Arial, 10pt Bold ");
    // Italic wins over bold; underline is not named.
    EXPECT_EQ(symbolFontCaption(fontOf("Arial", 12, DesignFont::Bold | DesignFont::Italic)), "Arial, 12pt Italic ");
    EXPECT_EQ(symbolFontCaption(fontOf("Symbol", 8, DesignFont::Underline)), "Symbol, 8pt ");
}

TEST(DesignDialogRules, LimitTrimsOnlyGrowthBeyondIt) {
    EXPECT_EQ(excessCharacters(0, 254, 254), 0);
    EXPECT_EQ(excessCharacters(0, 300, 254), 46);
    EXPECT_EQ(excessCharacters(250, 260, 254), 6);
    // Text that was already too long is kept; it only may not grow.
    EXPECT_EQ(excessCharacters(300, 299, 254), 0);
    EXPECT_EQ(excessCharacters(300, 302, 254), 2);
}

TEST(DesignDialogRules, LinesAndEditorTextRoundTrip) {
    EXPECT_EQ(linesFromText(""), QStringList());
    EXPECT_EQ(linesFromText("a\nb"), QStringList({"a", "b"}));
    EXPECT_EQ(linesFromText("a\r\n\nb"), QStringList({"a", "", "b"}));
    for (const QStringList& lines : {QStringList{"One", "", "Three"}, QStringList{"x", ""}, QStringList{" "}})
        EXPECT_EQ(linesFromText(textFromLines(lines)), lines);
}

TEST(DesignDialogRules, FontChooserAnswerKeepsColourAndTheStoredName) {
    DesignFont before = fontOf("Arial", 10);
    before.color = 0x0000FF;
    before.pitch = 1;
    // The chooser shows the family that draws the font; picking only a new
    // size or style keeps the design's own font name.
    QFont shown = fontForChooser(before);
    EXPECT_EQ(shown.pointSize(), 10);
    shown.setPointSize(16);
    shown.setBold(true);
    shown.setFamily(QFontInfo(fontForChooser(before)).family());
    DesignFont after = fontFromChooser(before, shown);
    EXPECT_EQ(after.name, "Arial");
    EXPECT_EQ(after.pointSize(), 16);
    EXPECT_EQ(after.style, DesignFont::Bold);
    EXPECT_EQ(after.color, 0x0000FF);
    EXPECT_EQ(after.pitch, 1);
    // Another family is taken as chosen.
    QFont other(QStringLiteral("Brindle Test Family"));
    other.setPointSize(9);
    after = fontFromChooser(before, other);
    EXPECT_EQ(after.name, "Brindle Test Family");
    EXPECT_EQ(after.color, 0x0000FF);
}

// ---------------------------------------------------------------- "Text"

TEST(DesignDialogsWidget, TextDialogReturnsTheEditedTextOrNothing) {
    QtDesignDialogs dialogs;
    whenOpen<DesignDialog>([](DesignDialog* d) {
        expectCommonButtons(d, "Text", 40004);
        EXPECT_TRUE(captions(d).contains("Enter Text"));
        auto* edit = child<QLineEdit>(d, "textEdit");
        EXPECT_EQ(edit->text(), "Hello");
        edit->setText("Hello, world");
        press(d, "okButton");
    });
    EXPECT_EQ(dialogs.editText("Hello"), std::optional<QString>("Hello, world"));

    whenOpen<DesignDialog>([](DesignDialog* d) {
        child<QLineEdit>(d, "textEdit")->setText("thrown away");
        press(d, "cancelButton");
    });
    EXPECT_EQ(dialogs.editText("Hello"), std::nullopt);
}

// ---------------------------------------------------------------- "Text 3D Effects"

TEST(DesignDialogsWidget, ThreeDDialogListsAndScriptedRun) {
    TKPLabel source;
    source.setCaption("Shadowed");
    source.setFont(fontOf("Arial", 20));
    QtDesignDialogs dialogs;
    Text3DSettings settings;  // the defaults: shadow lower right and highlight upper left, both depth 0
    whenOpen<DesignDialog>([](DesignDialog* d) {
        expectCommonButtons(d, "Text 3D Effects", 40008);
        const QStringList c = captions(d);
        for (const char* l : {"Shadow Direction", "Shadow Depth", "Shadow Color", "Highlight Direction",
                              "Highlight Depth", "Highlight Color", "Font Color"})
            EXPECT_TRUE(c.contains(l)) << l;
        EXPECT_EQ(comboEntries(child<QComboBox>(d, "shadowDirection")),
                  QStringList({"None", "Right", "Left", "Lower Right", "Lower Left", "Down"}));
        EXPECT_EQ(comboEntries(child<QComboBox>(d, "highlightDirection")),
                  QStringList({"None", "Right", "Left", "Upper Right", "Upper Left", "Up"}));
        const QStringList depths = comboEntries(child<QComboBox>(d, "shadowDepth"));
        EXPECT_EQ(depths.size(), 11);
        EXPECT_EQ(depths.front(), "0");
        EXPECT_EQ(depths.back(), "10");
        EXPECT_EQ(comboEntries(child<QComboBox>(d, "highlightDepth")), depths);
        EXPECT_EQ(child<QComboBox>(d, "shadowDirection")->currentText(), "Lower Right");
        EXPECT_EQ(child<QComboBox>(d, "highlightDirection")->currentText(), "Upper Left");

        child<QComboBox>(d, "shadowDirection")->setCurrentIndex(TKBaseLabel::sdDown);
        child<QComboBox>(d, "shadowDepth")->setCurrentIndex(4);
        child<QComboBox>(d, "highlightDepth")->setCurrentIndex(2);
        child<ColorComboBox>(d, "highlightColor")->setCurrentIndex(child<QComboBox>(d, "highlightColor")->findText("Red"));
        child<ColorComboBox>(d, "fontColor")->setColor(0x123456);
        press(d, "okButton");
    });
    ASSERT_TRUE(dialogs.edit3DEffects(source, settings));
    EXPECT_EQ(settings.directionShadow, TKBaseLabel::sdDown);
    EXPECT_EQ(settings.depthShadow, 4);
    EXPECT_EQ(settings.depthHighlight, 2);
    EXPECT_EQ(settings.directionHighlight, TKBaseLabel::hdUpLeft);
    EXPECT_EQ(settings.colorHighlight, 0x0000FF);
    EXPECT_EQ(settings.colorShadow, clGray);
    EXPECT_EQ(settings.fontColor, 0x123456);

    const Text3DSettings before = settings;
    whenOpen<DesignDialog>([](DesignDialog* d) {
        child<QComboBox>(d, "shadowDepth")->setCurrentIndex(9);
        press(d, "cancelButton");
    });
    EXPECT_FALSE(dialogs.edit3DEffects(source, settings));
    EXPECT_EQ(settings, before);
    // The dialog never touches the object itself.
    EXPECT_EQ(source.depthShadow(), 0);
}

TEST(DesignDialogsWidget, ThreeDSampleFollowsEveryChange) {
    TKPLabel source;
    source.setCaption("Sample");
    source.setFont(fontOf("Arial", 24));
    T3DEffectsDialog d(source);
    d.show();
    auto shot = [&] { return d.sample()->grab().toImage(); };
    const QImage plain = shot();
    EXPECT_EQ(d.sample()->label().caption(), "Sample");

    child<QComboBox>(&d, "shadowDepth")->setCurrentIndex(5);
    const QImage shadowed = shot();
    EXPECT_NE(plain, shadowed);
    EXPECT_EQ(d.sample()->label().depthShadow(), 5);

    child<QComboBox>(&d, "shadowDirection")->setCurrentIndex(TKBaseLabel::sdNone);
    EXPECT_NE(shot(), shadowed);
    auto* fontColor = child<QComboBox>(&d, "fontColor");
    fontColor->setCurrentIndex(fontColor->findText("Red"));
    const QImage red = shot();
    EXPECT_EQ(d.sample()->label().font().color, 0x0000FF);
    bool reddish = false;
    for (int y = 0; y < red.height() && !reddish; ++y)
        for (int x = 0; x < red.width(); ++x) {
            const QColor c = red.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 90 && c.blue() < 90) {
                reddish = true;
                break;
            }
        }
    EXPECT_TRUE(reddish);
    // The sample's object is a copy: the source keeps its own values.
    EXPECT_EQ(source.font().color, clBlack);
}

TEST(DesignDialogsWidget, ColourListOffersNamedColoursTheCurrentOneAndCustom) {
    ColorComboBox box;
    EXPECT_EQ(box.count(), 17);
    EXPECT_EQ(box.itemText(16), "Custom...");
    box.setColor(clAqua);
    EXPECT_EQ(box.currentText(), "Aqua");
    box.setColor(0x123456);  // no name: shown as its own entry before "Custom..."
    EXPECT_EQ(box.count(), 18);
    EXPECT_EQ(box.currentText(), "#563412");
    box.setColor(clWhite);
    EXPECT_EQ(box.count(), 17);

    int chooserCalls = 0;
    box.setChooser([&](DesignColor current) -> std::optional<DesignColor> {
        EXPECT_EQ(current, clWhite);
        return ++chooserCalls == 1 ? std::optional<DesignColor>(0x00AA00) : std::nullopt;
    });
    DesignColor signalled = -1;
    QObject::connect(&box, &ColorComboBox::colorChanged, [&](DesignColor c) { signalled = c; });
    emit box.activated(16);
    EXPECT_EQ(box.color(), 0x00AA00);
    EXPECT_EQ(signalled, 0x00AA00);
    box.setColor(clWhite);
    emit box.activated(16);  // the chooser is cancelled: the colour stays
    EXPECT_EQ(box.color(), clWhite);
    EXPECT_EQ(box.currentText(), "White");
}

// ---------------------------------------------------------------- "Select Field"

TEST(DesignDialogsWidget, SelectFieldPreselectsAndReturnsTheChosenIndex) {
    QtDesignDialogs dialogs;
    const QStringList labels{"First Name", "Last Name", "City"};
    whenOpen<DesignDialog>([](DesignDialog* d) {
        expectCommonButtons(d, "Select Field", 40007);
        auto* list = child<QListWidget>(d, "fieldList");
        EXPECT_EQ(list->count(), 3);
        EXPECT_EQ(list->currentRow(), 1);
        list->setCurrentRow(2);
        press(d, "okButton");
    });
    EXPECT_EQ(dialogs.selectField(labels, 1), std::optional<int>(2));

    // An index that names no entry preselects the first.
    whenOpen<DesignDialog>([](DesignDialog* d) {
        EXPECT_EQ(child<QListWidget>(d, "fieldList")->currentRow(), 0);
        press(d, "okButton");
    });
    EXPECT_EQ(dialogs.selectField(labels, 7), std::optional<int>(0));

    whenOpen<DesignDialog>([](DesignDialog* d) { press(d, "cancelButton"); });
    EXPECT_EQ(dialogs.selectField(labels, 0), std::nullopt);
    whenOpen<DesignDialog>([](DesignDialog* d) { press(d, "okButton"); });
    EXPECT_EQ(dialogs.selectField({}, 0), std::nullopt);
}

// ---------------------------------------------------------------- "Counter"

TEST(DesignDialogsWidget, CounterDialogCaptionsRangesAndScriptedRun) {
    QtDesignDialogs dialogs;
    CounterSettings s;
    s.textBefore = "No. ";
    s.startingNumber = 1000;
    s.repeatEach = 0;  // stored files may hold it; the dialog offers 1 to 999
    s.leadingZeros = 6;
    whenOpen<DesignDialog>([](DesignDialog* d) {
        expectCommonButtons(d, "Counter", 40006);
        const QStringList c = captions(d);
        for (const char* l : {"Text  before", "Starting Number", "Repeat number for #of  labels?", "Text after",
                              "Leading zeros to ", "digits"})
            EXPECT_TRUE(c.contains(l)) << l;
        auto* repeat = child<QSpinBox>(d, "repeatEach");
        auto* zeros = child<QSpinBox>(d, "leadingZeros");
        EXPECT_EQ(repeat->minimum(), 1);
        EXPECT_EQ(repeat->maximum(), 999);
        EXPECT_EQ(repeat->value(), 1);
        EXPECT_EQ(zeros->minimum(), 0);
        EXPECT_EQ(zeros->maximum(), 9);
        EXPECT_EQ(child<QSpinBox>(d, "startingNumber")->value(), 1000);
        EXPECT_EQ(child<QLineEdit>(d, "textBefore")->text(), "No. ");
        child<QLineEdit>(d, "textBefore")->setText("#");
        child<QSpinBox>(d, "startingNumber")->setValue(-40);
        repeat->setValue(1200);  // held at 999
        child<QLineEdit>(d, "textAfter")->setText(" of 9");
        zeros->setValue(3);
        press(d, "okButton");
    });
    ASSERT_TRUE(dialogs.editCounter(s));
    EXPECT_EQ(s.textBefore, "#");
    EXPECT_EQ(s.startingNumber, -40);
    EXPECT_EQ(s.repeatEach, 999);
    EXPECT_EQ(s.textAfter, " of 9");
    EXPECT_EQ(s.leadingZeros, 3);

    const CounterSettings before = s;
    whenOpen<DesignDialog>([](DesignDialog* d) {
        child<QSpinBox>(d, "leadingZeros")->setValue(0);
        press(d, "cancelButton");
    });
    EXPECT_FALSE(dialogs.editCounter(s));
    EXPECT_EQ(s, before);
}

// ---------------------------------------------------------------- "Symbol Selector"

TEST(DesignDialogsWidget, SymbolGridShowsAllCodesInTheFontsColumns) {
    TSymbolSelector d;
    expectCommonButtons(&d, "Symbol Selector", 40005);
    d.setSymbolFont(fontOf("WingDings", 24));
    EXPECT_EQ(d.fontButton()->text(), "WingDings, 24pt ");
    EXPECT_EQ(d.columns(), 8);
    QTableWidget* grid = d.grid();
    EXPECT_EQ(grid->rowCount(), 28);
    int codes = 0;
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c) {
            const QTableWidgetItem* item = grid->item(r, c);
            if (!item || !item->data(Qt::UserRole).isValid()) continue;
            const int code = item->data(Qt::UserRole).toInt();
            EXPECT_EQ(code, 32 + r * 8 + c);
            EXPECT_EQ(item->text(), drawableText("WingDings", QString(symbolChar(code))));
            ++codes;
        }
    EXPECT_EQ(codes, 224);

    d.setSymbol(QChar('['));
    ASSERT_TRUE(d.symbol().has_value());
    EXPECT_EQ(*d.symbol(), QChar('['));

    // The font button asks the chooser; its answer changes the grid and keeps the choice.
    d.setFontChooser([](const DesignFont& current) -> std::optional<DesignFont> {
        DesignFont f = current;
        f.setPointSize(48);
        f.style = DesignFont::Bold;
        return f;
    });
    d.fontButton()->click();
    EXPECT_EQ(d.symbolFont().pointSize(), 48);
    EXPECT_EQ(d.fontButton()->text(), "WingDings, 48pt Bold ");
    EXPECT_EQ(d.columns(), 4);
    EXPECT_EQ(grid->rowCount(), 56);
    ASSERT_TRUE(d.symbol().has_value());
    EXPECT_EQ(*d.symbol(), QChar('['));
    const QTableWidgetItem* first = grid->item(0, 0);
    EXPECT_EQ(first->font().bold(), true);

    // A character outside 32 to 255 selects nothing.
    d.setSymbol(QChar(0x263A));
    EXPECT_FALSE(d.symbol().has_value());
}

TEST(DesignDialogsWidget, SymbolSelectorScriptedRun) {
    QtDesignDialogs dialogs;
    DesignFont font = fontOf("Arial", 10, DesignFont::Italic);
    QChar symbol('A');
    whenOpen<DesignDialog>([](DesignDialog* d) {
        auto* grid = child<QTableWidget>(d, "symbolGrid");
        EXPECT_EQ(grid->columnCount(), 14);
        EXPECT_EQ(child<QPushButton>(d, "fontButton")->text(), "Arial, 10pt Italic ");
        ASSERT_EQ(grid->selectedItems().size(), 1);
        EXPECT_EQ(grid->selectedItems().front()->data(Qt::UserRole).toInt(), 65);
        const int code = 0xE9;  // e acute
        const int i = code - 32;
        grid->setCurrentCell(i / 14, i % 14);
        press(d, "okButton");
    });
    ASSERT_TRUE(dialogs.selectSymbol(font, symbol));
    EXPECT_EQ(symbol, symbolChar(0xE9));
    EXPECT_EQ(font, fontOf("Arial", 10, DesignFont::Italic));

    whenOpen<DesignDialog>([](DesignDialog* d) {
        child<QTableWidget>(d, "symbolGrid")->setCurrentCell(0, 0);
        press(d, "cancelButton");
    });
    EXPECT_FALSE(dialogs.selectSymbol(font, symbol));
    EXPECT_EQ(symbol, symbolChar(0xE9));
}

// ---------------------------------------------------------------- "Multi-line Text Editor"

TEST(DesignDialogsWidget, MultiLineEditorHoldsAtMost254Characters) {
    TMultiLineEditor d;
    expectCommonButtons(&d, "Multi-line Text Editor", 40001);
    LimitedTextEdit* edit = d.edit();
    d.show();
    edit->setFocus();

    // Pasting more than fits keeps what fits.
    edit->insertPlainText(QString(300, 'x'));
    EXPECT_EQ(edit->toPlainText().size(), 254);
    typeText(edit, "yz");
    EXPECT_EQ(edit->toPlainText().size(), 254);
    key(edit, Qt::Key_Backspace);
    typeText(edit, "q");
    EXPECT_EQ(edit->toPlainText(), QString(253, 'x') + "q");
    // A line break counts as a character too.
    key(edit, Qt::Key_Return);
    EXPECT_EQ(edit->toPlainText().size(), 254);

    // An insertion in the middle loses its own tail, not the text after it.
    d.setLines({"ab"});
    QTextCursor c = edit->textCursor();
    c.setPosition(1);
    edit->setTextCursor(c);
    edit->insertPlainText(QString(260, 'm'));
    EXPECT_EQ(edit->toPlainText(), "a" + QString(252, 'm') + "b");

    // Lines from a design that are already longer are kept whole, and only shrink.
    const QStringList longLines{QString(200, 'a'), QString(100, 'b')};
    d.setLines(longLines);
    EXPECT_EQ(d.lines(), longLines);
    edit->moveCursor(QTextCursor::End);
    typeText(edit, "c");
    EXPECT_EQ(d.lines(), longLines);
    key(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->toPlainText().size(), 300);
}

TEST(DesignDialogsWidget, MultiLineEditorScriptedRun) {
    QtDesignDialogs dialogs;
    const DesignFont font = fontOf("Times New Roman", 14, DesignFont::Bold);
    whenOpen<DesignDialog>([](DesignDialog* d) {
        auto* edit = child<QPlainTextEdit>(d, "linesEdit");
        EXPECT_EQ(edit->toPlainText(), "First\nSecond");
        EXPECT_TRUE(edit->font().bold());
        EXPECT_EQ(edit->font().family(), "Times New Roman");
        edit->setPlainText("One\n\nThree");
        press(d, "okButton");
    });
    EXPECT_EQ(dialogs.editLines({"First", "Second"}, font), std::optional<QStringList>({"One", "", "Three"}));

    whenOpen<DesignDialog>([](DesignDialog* d) {
        child<QPlainTextEdit>(d, "linesEdit")->clear();
        press(d, "okButton");
    });
    EXPECT_EQ(dialogs.editLines({"First"}, font), std::optional<QStringList>(QStringList()));

    whenOpen<DesignDialog>([](DesignDialog* d) { press(d, "cancelButton"); });
    EXPECT_EQ(dialogs.editLines({"First"}, font), std::nullopt);
}

// ---------------------------------------------------------------- "Address Label Layout"

TEST(DesignDialogsWidget, AddressLayoutZipPlacesFollowTheZipBox) {
    TAddressLayoutDialog d;
    expectCommonButtons(&d, "Address Label Layout", 40009);
    const QStringList c = captions(&d);
    for (const char* l : {"&Name", "&Title", "&Organization", "Address &1", "Address &2", "City + &State",
                          "&Zip/Postal code", "&Phone #1", "&Country", "&Uppercase", "&After state", "&Before city",
                          "A&fter country", "B&efore country"})
        EXPECT_TRUE(c.contains(l)) << l;
    auto* zip = child<QCheckBox>(&d, "useZip");
    const char* places[] = {"zoAfterState", "zoBeforeCity", "zoAfterCountry", "zoBeforeCountry"};
    EXPECT_TRUE(zip->isChecked());
    for (const char* p : places) EXPECT_TRUE(child<QRadioButton>(&d, p)->isEnabled()) << p;
    zip->setChecked(false);
    for (const char* p : places) EXPECT_FALSE(child<QRadioButton>(&d, p)->isEnabled()) << p;
    zip->setChecked(true);
    for (const char* p : places) EXPECT_TRUE(child<QRadioButton>(&d, p)->isEnabled()) << p;

    // A layout opened with the ZIP off starts with the places disabled.
    AddressLayout noZip;
    noZip.useZip = false;
    noZip.zipOptions = zoBeforeCountry;
    d.setAddressLayout(noZip);
    EXPECT_FALSE(child<QRadioButton>(&d, "zoBeforeCountry")->isEnabled());
    EXPECT_TRUE(child<QRadioButton>(&d, "zoBeforeCountry")->isChecked());
}

TEST(DesignDialogsWidget, AddressLayoutScriptedRun) {
    QtDesignDialogs dialogs;
    AddressLayout layout;  // the defaults: everything but the phone, ZIP after the state
    whenOpen<DesignDialog>([](DesignDialog* d) {
        EXPECT_TRUE(child<QRadioButton>(d, "zoAfterState")->isChecked());
        EXPECT_FALSE(child<QCheckBox>(d, "usePhone")->isChecked());
        child<QCheckBox>(d, "useTitle")->setChecked(false);
        child<QCheckBox>(d, "usePhone")->setChecked(true);
        child<QCheckBox>(d, "upperCase")->setChecked(true);
        child<QRadioButton>(d, "zoAfterCountry")->setChecked(true);
        press(d, "okButton");
    });
    ASSERT_TRUE(dialogs.editAddressLayout(layout));
    EXPECT_FALSE(layout.useTitle);
    EXPECT_TRUE(layout.usePhone);
    EXPECT_TRUE(layout.upperCase);
    EXPECT_TRUE(layout.useName && layout.useCompany && layout.useStreet && layout.useStreet2 &&
                layout.useCityState && layout.useZip && layout.useCountry);
    EXPECT_EQ(layout.zipOptions, zoAfterCountry);

    whenOpen<DesignDialog>([](DesignDialog* d) {
        child<QCheckBox>(d, "useName")->setChecked(false);
        press(d, "cancelButton");
    });
    EXPECT_FALSE(dialogs.editAddressLayout(layout));
    EXPECT_TRUE(layout.useName);
}

// ---------------------------------------------------------------- font and colour choosers

TEST(DesignDialogsWidget, ColourChooserAnswersInDesignColours) {
    QtDesignDialogs dialogs;
    whenOpen<QColorDialog>([](QColorDialog* d) {
        EXPECT_EQ(d->currentColor(), QColor(0, 0, 255));  // started from 0xFF0000 (blue)
        d->setCurrentColor(QColor(255, 0, 0));
        d->accept();
    });
    EXPECT_EQ(dialogs.chooseColor(0xFF0000), std::optional<DesignColor>(0x0000FF));
    whenOpen<QColorDialog>([](QColorDialog* d) { d->reject(); });
    EXPECT_EQ(dialogs.chooseColor(0xFF0000), std::nullopt);
}

TEST(DesignDialogsWidget, FontChooserKeepsTheColour) {
    QtDesignDialogs dialogs;
    DesignFont font = fontOf("Arial", 10);
    font.color = 0x00FF00;
    whenOpen<QFontDialog>([](QFontDialog* d) {
        EXPECT_EQ(d->currentFont().pointSize(), 10);
        QFont f(d->currentFont().family());
        f.setPointSize(18);
        f.setItalic(true);
        d->setCurrentFont(f);
        d->accept();
    });
    const auto chosen = dialogs.chooseFont(font);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->name, "Arial");
    EXPECT_EQ(chosen->pointSize(), 18);
    EXPECT_TRUE(chosen->style & DesignFont::Italic);
    EXPECT_EQ(chosen->color, 0x00FF00);
    whenOpen<QFontDialog>([](QFontDialog* d) { d->reject(); });
    EXPECT_EQ(dialogs.chooseFont(font), std::nullopt);
}

// ---------------------------------------------------------------- layout of every dialog

// Every dialog shows its controls whole. With BRINDLE_DIALOG_SHOTS set to a
// folder, pictures of the dialogs are saved there for a look.
TEST(DesignDialogsWidget, EveryDialogShowsItsControlsWhole) {
    TKPLabel source;
    source.setCaption("Brindle");
    source.setFont(fontOf("Arial", 20, DesignFont::Bold));
    Text3DSettings threeD;
    threeD.depthShadow = 3;
    threeD.depthHighlight = 2;

    std::vector<std::pair<QString, std::unique_ptr<DesignDialog>>> all;
    auto text = std::make_unique<TEditTextDialog>();
    text->setText("Jane Q. Sample");
    all.emplace_back("text", std::move(text));
    auto effects = std::make_unique<T3DEffectsDialog>(source);
    effects->setSettings(threeD);
    all.emplace_back("3d-effects", std::move(effects));
    auto field = std::make_unique<TSelectFieldDialog>();
    field->setLabels({"Prefix", "First Name", "Middle Initial", "Last Name", "Title", "Organization", "City"}, 3);
    all.emplace_back("select-field", std::move(field));
    auto counter = std::make_unique<TCounterDialog>();
    counter->setSettings(CounterSettings{"No. ", 1000, 2, " of 5000", 6});
    all.emplace_back("counter", std::move(counter));
    auto symbols = std::make_unique<TSymbolSelector>();
    symbols->setSymbolFont(fontOf("WingDings", 24));
    symbols->setSymbol(QChar('['));
    all.emplace_back("symbol-selector", std::move(symbols));
    auto lines = std::make_unique<TMultiLineEditor>();
    lines->setLines({"Brindle Mailing Lists", "1234 Any Street", "Springfield, IL 62701"});
    all.emplace_back("multiline-editor", std::move(lines));
    all.emplace_back("address-layout", std::make_unique<TAddressLayoutDialog>());

    for (auto& [name, d] : all) {
        d->adjustSize();
        d->show();
        QCoreApplication::processEvents();
        for (QWidget* w : d->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->isWindow()) continue;
            // The edit inside a spin box or combo box is sized by its owner.
            if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget()))
                continue;
            if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) &&
                !qobject_cast<QComboBox*>(w) && !qobject_cast<QAbstractSpinBox*>(w))
                continue;
            const QRect r(w->mapTo(d.get(), QPoint(0, 0)), w->size());
            EXPECT_TRUE(d->rect().contains(r)) << name.toStdString() << ": " << w->objectName().toStdString();
            EXPECT_GE(w->width(), w->minimumSizeHint().width())
                << name.toStdString() << ": " << w->metaObject()->className();
        }
        keepShot(d.get(), name);
        d->hide();
    }
}

// ---------------------------------------------------------------- context menus

TEST(BuildMenu, ChecksSubmenusAndTidySeparators) {
    int runs = 0;
    QString ran;
    const MenuEntries entries{
        MenuEntry::separator(),
        MenuEntry::item("Bring To Front", [&] { ++runs; ran = "front"; }),
        MenuEntry::separator(),
        MenuEntry::separator(),
        MenuEntry::check("Locked", true, [&] { ran = "locked"; }),
        MenuEntry::submenu("Alignment", {MenuEntry::check("Left", false, [&] { ran = "left"; }),
                                         MenuEntry::separator(),
                                         MenuEntry::check("Center", true, [&] { ran = "center"; })}),
        MenuEntry::separator(),
        MenuEntry::item("Paste", {}),
        MenuEntry::separator(),
    };
    QWidget owner;
    std::unique_ptr<QMenu> menu(buildMenu(entries, &owner));
    QStringList shape;
    for (QAction* a : menu->actions()) shape << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(shape, QStringList({"Bring To Front", "-", "Locked", "Alignment", "-", "Paste"}));

    const QList<QAction*> actions = menu->actions();
    EXPECT_FALSE(actions[0]->isCheckable());
    EXPECT_TRUE(actions[2]->isCheckable());
    EXPECT_TRUE(actions[2]->isChecked());
    EXPECT_FALSE(actions[5]->isEnabled());  // no action to run

    QMenu* sub = actions[3]->menu();
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->actions().size(), 3);
    EXPECT_TRUE(sub->actions()[1]->isSeparator());
    EXPECT_FALSE(sub->actions()[0]->isChecked());
    EXPECT_TRUE(sub->actions()[2]->isChecked());

    actions[0]->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ran, "front");
    sub->actions()[2]->trigger();
    EXPECT_EQ(ran, "center");
}

// A text object with a menu entry of its own.
class MenuLabel : public TKPLabel {
public:
    int toggles = 0;
    void addMenuEntries(MenuEntries& menu) override {
        menu.push_back(MenuEntry::separator());
        menu.push_back(MenuEntry::check("Locked", locked(), [this] {
            setLocked(!locked());
            ++toggles;
        }));
        menu.push_back(MenuEntry::submenu("Rotation", {MenuEntry::check("90 Degrees", angle() == 90, [this] {
                                                          setAngle(90);
                                                      })}));
    }
};

void pressAt(QWidget* w, QPoint p, Qt::MouseButton b, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(p), QPointF(w->mapToGlobal(p)), b, b, mods);
    QCoreApplication::sendEvent(w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(p), QPointF(w->mapToGlobal(p)), b, Qt::NoButton, mods);
    QCoreApplication::sendEvent(w, &up);
}

// Runs `script` on the popup menu once it is open; a popup that never opens
// is recorded as such (and does not hang the test).
void whenMenuOpen(std::function<void(QMenu*)> script, bool* opened) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            timer->stop();
            timer->deleteLater();
            *opened = true;
            script(m);
        } else if (++*tries > 30) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

TEST(SurfaceContextMenu, RightClickSelectsTheObjectAloneAndOpensItsMenu) {
    TKBasePanel panel;
    panel.surface().setClipFilePath(QString());
    panel.surface().setSize(300, 150);
    auto* first = new MenuLabel;
    auto* second = new MenuLabel;
    panel.surface().addObject(first, QRect(10, 10, 100, 20));
    panel.surface().addObject(second, QRect(10, 80, 100, 20));
    panel.show();

    pressAt(&panel, QPoint(20, 15), Qt::LeftButton);
    ASSERT_EQ(panel.surface().selection().size(), 1u);

    bool opened = false;
    QStringList shown;
    whenMenuOpen(
        [&](QMenu* m) {
            for (QAction* a : m->actions()) shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
            // The kind's own "Locked" comes after the common entries.
            m->actions().at(m->actions().size() - 2)->trigger();
            m->close();
        },
        &opened);
    pressAt(&panel, QPoint(20, 85), Qt::RightButton);
    EXPECT_TRUE(opened);
    EXPECT_EQ(shown.mid(0, 3), QStringList({"Bring To Front", "Send To Back", "Cut"}));
    EXPECT_EQ(shown.mid(shown.size() - 3), QStringList({"-", "Locked", "Rotation"}));
    EXPECT_EQ(second->toggles, 1);
    EXPECT_TRUE(second->locked());
    ASSERT_EQ(panel.surface().selection().size(), 1u);
    EXPECT_EQ(panel.surface().selection()[0], second);

    // The menu shows the object's state when it opens.
    bool checked = false;
    opened = false;
    whenMenuOpen(
        [&](QMenu* m) {
            checked = m->actions().at(m->actions().size() - 2)->isChecked();
            m->close();
        },
        &opened);
    pressAt(&panel, QPoint(20, 85), Qt::RightButton);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(checked);

    // With Shift two objects end up selected: no object menu.
    opened = false;
    whenMenuOpen([](QMenu* m) { m->close(); }, &opened);
    pressAt(&panel, QPoint(20, 15), Qt::RightButton, Qt::ShiftModifier);
    EXPECT_FALSE(opened);
    EXPECT_EQ(panel.surface().selection().size(), 2u);
    // Let the watch for a popup run out before going on.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    // A right press on the empty surface still asks the owner for the surface menu.
    int requests = 0;
    QObject::connect(&panel, &TKBasePanel::contextMenuRequested, [&](const QPoint&) { ++requests; });
    pressAt(&panel, QPoint(250, 140), Qt::RightButton);
    EXPECT_EQ(requests, 1);
}

}  // namespace

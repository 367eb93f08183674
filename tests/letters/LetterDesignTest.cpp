// The letter designer and the letters window, driven offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include "LetterTestSupport.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "letters/LetterSettings.h"
#include "letters/ui/TBRLetters.h"
#include "letters/ui/TLetterDesign.h"
#include "richtext/TextFormats.h"
#include "richtext/ui/RichTextDialogs.h"
#include "richtext/ui/RichTextEditor.h"
#include "richtext/ui/RulerBar.h"
#include "spelling/ui/TSpellCheckDialog.h"

using namespace brindle;
using letters::LetterList;
using letters::ui::TLetterDesign;

namespace {

// Types text into a widget as key presses, one character at a time.
void keyClicks(QWidget* w, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

// Runs `script` on the next modal dialog of type T once it is open.
template <typename T>
void onModal(std::function<void(T&)> script) {
    QTimer::singleShot(0, [script] {
        for (int i = 0; i < 50; ++i) {
            if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
                script(*d);
                return;
            }
            QApplication::processEvents();
        }
        ADD_FAILURE() << "no dialog opened";
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
}

class DesignerTest : public LetterTableTest {
protected:
    common::ProfileFile settings{home.settings()};

    void type(TLetterDesign& d, const QString& text) {
        d.editor()->focusText();
        keyClicks(d.editor()->viewport(), text);
    }
    QTextCharFormat formatAt(TLetterDesign& d, int position) {
        QTextCursor c(d.document().document());
        c.setPosition(position);
        return c.charFormat();
    }
};

}  // namespace

TEST_F(DesignerTest, NewLetterTypedWithToolbarFormatsSurvivesTheMemo) {
    settings.writeString("Letter", "DefaultFontName", "Times New Roman");
    settings.writeInt("Letter", "DefaultFontSize", 14);
    TLetterDesign d(dialogs, settings);
    d.setNewLetter(true);
    d.setDescription(letters::kUntitled);
    d.show();
    QApplication::setActiveWindow(&d);
    type(d, QString::fromUtf8("Dear José Wałęsa,"));
    ASSERT_EQ(d.document().plainText(), QString::fromUtf8("Dear José Wałęsa,"));
    EXPECT_EQ(formatAt(d, 3).fontFamilies().toStringList().value(0), "Times New Roman");  // the default font
    EXPECT_EQ(formatAt(d, 3).fontPointSize(), 14);
    EXPECT_EQ(d.action("defaultFont")->text(), "&Default Font: Times New Roman, 14 pt ");

    // Select "José" and make it bold, 18 pt, red on yellow; centre the paragraph.
    QTextCursor c(d.document().document());
    c.setPosition(5);
    c.setPosition(9, QTextCursor::KeepAnchor);
    d.editor()->setTextCursor(c);
    d.tool("bold")->click();
    d.fontSize()->setCurrentText("18");
    emit d.fontSize()->textActivated("18");
    d.chooseColour = [](const QColor&, const QString& title) -> std::optional<QColor> {
        return title == "Font Color" ? QColor(Qt::red) : QColor(Qt::yellow);
    };
    d.tool("fontColor")->click();
    d.tool("backColor")->click();
    d.tool("alignCenter")->click();
    // Insert field at the end, in the format there.
    QTextCursor end(d.document().document());
    end.movePosition(QTextCursor::End);
    d.editor()->setTextCursor(end);
    d.insertField()->setCurrentIndex(d.insertField()->findText("Street"));
    emit d.insertField()->activated(d.insertField()->currentIndex());
    EXPECT_EQ(d.document().plainText(), QString::fromUtf8("Dear José Wałęsa,[Street]"));
    addrtest::keepShot(&d, QStringLiteral("letter-designer"));

    LetterList list(table(), dialogs);
    ASSERT_TRUE(list.store(QStringLiteral("Welcome"), d.document(), true));
    richtext::RichDocument back;
    ASSERT_TRUE(list.loadCurrent(back));
    EXPECT_EQ(back.plainText(), d.document().plainText());
    QTextCursor probe(back.document());
    probe.setPosition(7);
    const QTextCharFormat jose = probe.charFormat();
    EXPECT_GE(jose.fontWeight(), QFont::Bold);
    EXPECT_EQ(jose.fontPointSize(), 18);
    EXPECT_EQ(jose.foreground().color(), QColor(Qt::red));
    EXPECT_EQ(jose.background().color(), QColor(Qt::yellow));
    probe.setPosition(12);
    EXPECT_LT(probe.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(probe.charFormat().fontPointSize(), 14);
    EXPECT_TRUE(back.document()->begin().blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_EQ(back.page(), richtext::kLetterPage);  // a new letter: Letter, one-inch margins
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(DesignerTest, PageDialogRefusesMarginsWithoutRoomAndAppliesA4Landscape) {
    TLetterDesign d(dialogs, settings);
    d.loadDocument([](richtext::RichDocument& doc) {
        doc.loadPlainText(QStringLiteral("Text"));
        return true;
    });
    d.show();
    onModal<richtext::ui::TPageSetupDialog>([this](richtext::ui::TPageSetupDialog& p) {
        p.value("left")->setValue(4.0);
        p.value("right")->setValue(4.0);  // 0.5 in left: allowed
        p.value("top")->setValue(5.3);
        p.value("bottom")->setValue(5.3);  // 0.4 in left: refused
        p.findChild<QPushButton*>("Ok")->click();
        EXPECT_TRUE(p.isVisible());
        EXPECT_EQ(dialogs.infos().value(0), "The top and bottom margins leave less than half an inch for the text.");
        p.value("top")->setValue(1);
        p.value("bottom")->setValue(0.75);
        p.paper()->setCurrentIndex(2);
        emit p.paper()->activated(2);  // A4
        p.landscape()->setChecked(true);
        p.findChild<QPushButton*>("Ok")->click();
    });
    d.action("pageSettings")->trigger();
    const richtext::PageSetup page = d.document().page();
    EXPECT_EQ(page.paperWidth, 16838);
    EXPECT_EQ(page.paperHeight, 11906);
    EXPECT_TRUE(page.landscape);
    EXPECT_EQ(page.marginLeft, 5760);
    EXPECT_EQ(page.marginBottom, 1080);
    // The editor lays the text out at the new width.
    EXPECT_EQ(d.editor()->textWidthTwips(), 16838 - 2 * 5760);
}

TEST_F(DesignerTest, ParagraphDialogWordWrapPageBreakAndUndo) {
    TLetterDesign d(dialogs, settings);
    d.loadDocument([](richtext::RichDocument& doc) {
        doc.loadPlainText(QStringLiteral("First\nSecond"));
        return true;
    });
    d.show();
    onModal<richtext::ui::TParagraphDialog>([](richtext::ui::TParagraphDialog& p) {
        p.value("left")->setValue(0.5);
        p.value("first")->setValue(-0.25);
        p.value("after")->setValue(12);
        p.alignment()->setCurrentIndex(3);
        p.findChild<QPushButton*>("Ok")->click();
    });
    d.action("paragraphSettings")->trigger();
    const QTextBlockFormat b = d.document().document()->begin().blockFormat();
    EXPECT_EQ(richtext::unitsToTwips(b.leftMargin()), 720);
    EXPECT_EQ(richtext::unitsToTwips(b.textIndent()), -360);
    EXPECT_EQ(richtext::pixelsToTwips(b.bottomMargin()), 240);
    EXPECT_TRUE(b.alignment() & Qt::AlignJustify);
    EXPECT_EQ(richtext::unitsToTwips(d.document().document()->begin().next().blockFormat().leftMargin()), 0);

    // Word wrap: OFF lays out at the page's text width, ON at the window.
    EXPECT_EQ(d.action("wordWrap")->text(), "&Word Wrap is OFF");
    EXPECT_EQ(d.editor()->textWidthTwips(), 9360);
    d.resize(500, 500);
    d.action("wordWrap")->trigger();
    EXPECT_EQ(d.action("wordWrap")->text(), "&Word Wrap is ON");
    EXPECT_LT(d.editor()->textWidthTwips(), 9360);
    d.action("wordWrap")->trigger();
    EXPECT_EQ(d.editor()->textWidthTwips(), 9360);

    QTextCursor c(d.document().document());
    c.setPosition(3);
    d.editor()->setTextCursor(c);
    d.action("insertPageBreak")->trigger();  // answered No
    EXPECT_EQ(d.document().document()->blockCount(), 2);
    dialogs.answers.enqueue(true);
    d.action("insertPageBreak")->trigger();
    EXPECT_EQ(dialogs.shown.last().text, "Insert a page break?");
    EXPECT_EQ(dialogs.shown.last().caption, "PAGE BREAK");
    ASSERT_EQ(d.document().document()->blockCount(), 3);
    EXPECT_TRUE(d.document().document()->begin().next().blockFormat().pageBreakPolicy() &
                QTextFormat::PageBreak_AlwaysBefore);
    d.action("undo")->trigger();
    EXPECT_EQ(d.document().document()->blockCount(), 2);
    d.action("redo")->trigger();
    EXPECT_EQ(d.document().document()->blockCount(), 3);
    // Return typed after the break gives an ordinary paragraph: one page break, not one per line.
    const QTextBlock broken = d.document().document()->begin().next();
    c.setPosition(broken.position() + broken.length() - 1);
    d.editor()->setTextCursor(c);
    for (int i = 0; i < 2; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(d.editor()->viewport(), &press);
    }
    int breaks = 0;
    for (QTextBlock b = d.document().document()->begin(); b.isValid(); b = b.next())
        if (b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) ++breaks;
    EXPECT_EQ(breaks, 1);
    EXPECT_EQ(d.document().document()->blockCount(), 5);
}

TEST_F(DesignerTest, DefaultFontIsSavedAtOnceAndCloseBoxKeepsCancelDiscards) {
    TLetterDesign d(dialogs, settings);
    d.show();
    d.chooseFont = [](const letters::DefaultFont&) {
        return std::optional<letters::DefaultFont>({QStringLiteral("Courier New"), 12, true, true});
    };
    d.action("defaultFont")->trigger();
    EXPECT_EQ(d.action("defaultFont")->text(), "&Default Font: Courier New, 12 pt , bold, italic");
    EXPECT_EQ(letters::readDefaultFont(common::ProfileFile(home.settings())),
              (letters::DefaultFont{QStringLiteral("Courier New"), 12, true, true}));
    type(d, QStringLiteral("x"));
    EXPECT_EQ(formatAt(d, 1).fontFamilies().toStringList().value(0), "Courier New");
    d.close();  // the close box keeps the edits
    EXPECT_EQ(d.result(), QDialog::Accepted);

    TLetterDesign e(dialogs, settings);
    e.show();
    e.button("Cancel")->click();
    EXPECT_EQ(e.result(), QDialog::Rejected);
}

TEST_F(DesignerTest, PasteKeepsWhatTheLetterCanStore) {
    TLetterDesign d(dialogs, settings);
    d.show();
    auto* data = new QMimeData;
    data->setHtml(QStringLiteral("<p><b style=\"font-family:'Times New Roman'\">Bold</b> text</p>"
                                 "<table><tr><td>cell one</td><td>cell two</td></tr></table>"));
    QApplication::clipboard()->setMimeData(data);
    d.tool("paste")->click();
    const QString text = d.document().plainText();
    EXPECT_TRUE(text.startsWith("Bold text")) << text.toStdString();
    EXPECT_TRUE(text.contains("cell one\ncell two")) << text.toStdString();  // the table became paragraphs
    EXPECT_TRUE(d.document().document()->rootFrame()->childFrames().isEmpty());
    EXPECT_GE(formatAt(d, 2).fontWeight(), QFont::Bold);
    // What is shown is what is stored: a round trip changes nothing.
    const QByteArray rtf = d.document().toRtf();
    richtext::RichDocument again;
    again.load(rtf);
    EXPECT_EQ(again.toRtf(), rtf);
    // Our own copy carries RTF.
    d.editor()->selectAll();
    d.tool("copy")->click();
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat("text/rtf"));
}

TEST_F(LetterTableTest, LettersWindowNewModifyCloneDelete) {
    common::ProfileFile settings(home.settings());
    letters::ui::TBRLetters w(table(), dialogs, settings, false);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Print Letters");
    EXPECT_FALSE(w.choice("Records matching filter")->isEnabled());
    EXPECT_TRUE(w.choice("Only current record")->isChecked());
    for (const char* b : {"Modify", "Delete", "Clone"}) EXPECT_FALSE(w.button(b)->isEnabled()) << b;
    EXPECT_FALSE(w.grid()->isEnabled());

    // New: the designer starts "{untitled}"; Ok stores it.
    w.prepareDesigner = [&](TLetterDesign& d) {
        QTimer::singleShot(0, [&d, this] {
            EXPECT_EQ(d.description(), "{untitled}");
            d.descriptionEdit()->setText(QString::fromUtf8("Grüße an Müller"));
            d.editor()->focusText();
            keyClicks(d.editor()->viewport(), "Hello ");
            d.insertField()->setCurrentIndex(0);
            emit d.insertField()->activated(0);
            addrtest::keepShot(&d, QStringLiteral("letter-designer-new"));
            d.button("Ok")->click();
        });
    };
    w.button("New")->click();
    ASSERT_EQ(w.grid()->rowCount(), 1);
    EXPECT_EQ(w.grid()->item(0, 0)->text(), QString::fromUtf8("Grüße an Müller"));
    for (const char* b : {"Modify", "Delete", "Clone"}) EXPECT_TRUE(w.button(b)->isEnabled()) << b;

    // Modify opens the stored letter; Cancel leaves the row as it was.
    const QByteArray stored = w.list().currentTemplate();
    w.prepareDesigner = [&](TLetterDesign& d) {
        QTimer::singleShot(0, [&d] {
            EXPECT_EQ(d.document().plainText(), "Hello [Full Name]");
            d.descriptionEdit()->setText("changed");
            d.button("Cancel")->click();
        });
    };
    w.button("Modify")->click();
    EXPECT_EQ(w.grid()->item(0, 0)->text(), QString::fromUtf8("Grüße an Müller"));
    EXPECT_EQ(w.list().currentTemplate(), stored);

    dialogs.answers.enqueue(true);
    w.button("Clone")->click();
    ASSERT_EQ(w.grid()->rowCount(), 2);
    EXPECT_EQ(w.grid()->item(0, 0)->text(), QString::fromUtf8("Clone of Grüße an Müller"));
    addrtest::keepShot(&w, QStringLiteral("letters-window"));

    w.grid()->setCurrentCell(1, 0);
    dialogs.answers.enqueue(true);
    w.button("Delete")->click();
    ASSERT_EQ(w.grid()->rowCount(), 1);
    EXPECT_EQ(w.grid()->item(0, 0)->text(), QString::fromUtf8("Clone of Grüße an Müller"));
    EXPECT_EQ(w.list().currentTemplate(), stored);
}

TEST_F(LetterTableTest, AnUnreadableMemoIsReportedAndLeavesTheDocument) {
    addRow("Broken", QByteArray(300, 'x'));
    LetterList list(table(), dialogs);
    ASSERT_TRUE(list.hasRow());
    // Cut the memo file short under the table: the memo cannot be read any more.
    QFile fpt(home.path("sysdata/LETTER.FPT"));
    ASSERT_TRUE(fpt.exists());
    ASSERT_TRUE(fpt.resize(600));
    richtext::RichDocument doc;
    doc.loadPlainText(QStringLiteral("kept"));
    EXPECT_FALSE(list.loadCurrent(doc));
    EXPECT_EQ(doc.plainText(), "kept");
    ASSERT_EQ(dialogs.infos().size(), 1);
    EXPECT_TRUE(dialogs.infos()[0].startsWith("The letter \"Broken\" could not be read")) << dialogs.infos()[0].toStdString();
}

TEST_F(DesignerTest, RulerSetsTabsAndIndentsAndBulletsToggle) {
    TLetterDesign d(dialogs, settings);
    d.loadDocument([](richtext::RichDocument& doc) {
        doc.loadPlainText(QStringLiteral("one\ttwo\nthree"));
        return true;
    });
    d.show();
    QWidget* ruler = d.ruler();
    auto* bar = d.ruler();
    const auto mouse = [ruler](QEvent::Type type, int x, int y) {
        QMouseEvent e(type, QPointF(x, y), ruler->mapToGlobal(QPointF(x, y)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ruler, &e);
    };
    // A click at two inches sets a left tab there.
    const int x2 = bar->xOf(2880);
    mouse(QEvent::MouseButtonPress, x2, 12);
    mouse(QEvent::MouseButtonRelease, x2, 12);
    QTextBlockFormat b = d.document().document()->begin().blockFormat();
    EXPECT_EQ(b.stringProperty(richtext::kTabStops), "l2880");
    // Dragging the left indent (lower triangle) to one inch.
    mouse(QEvent::MouseButtonPress, bar->xOf(0), 22);
    mouse(QEvent::MouseMove, bar->xOf(1440), 22);
    mouse(QEvent::MouseButtonRelease, bar->xOf(1440), 22);
    b = d.document().document()->begin().blockFormat();
    EXPECT_EQ(richtext::unitsToTwips(b.leftMargin()), 1440);
    EXPECT_EQ(b.stringProperty(richtext::kTabStops), "l2880");
    // Dragging the tab off the ruler removes it.
    mouse(QEvent::MouseButtonPress, bar->xOf(2880), 20);
    mouse(QEvent::MouseMove, bar->xOf(2880), 90);
    mouse(QEvent::MouseButtonRelease, bar->xOf(2880), 90);
    EXPECT_FALSE(d.document().document()->begin().blockFormat().hasProperty(richtext::kTabStops));
    // The second paragraph was never touched.
    EXPECT_EQ(richtext::unitsToTwips(d.document().document()->lastBlock().blockFormat().leftMargin()), 0);

    // Bullets: a bullet and a tab with a hanging indent, and off again.
    d.editor()->selectAll();
    d.tool("bullets")->click();
    EXPECT_EQ(d.document().plainText(), QString::fromUtf8("•\tone\ttwo\n•\tthree"));
    EXPECT_EQ(richtext::unitsToTwips(d.document().document()->lastBlock().blockFormat().textIndent()), -360);
    d.tool("bullets")->click();
    EXPECT_EQ(d.document().plainText(), "one\ttwo\nthree");
    EXPECT_EQ(richtext::unitsToTwips(d.document().document()->lastBlock().blockFormat().leftMargin()), 0);
}

// Spell Check from the designer's Edit menu: the dialog stops at the
// misspelt word with the right suggestion, Replace changes the letter
// (keeping the word's bold), and the end says "Spell check complete".
TEST_F(DesignerTest, SpellCheckFromTheDesignerReplacesTheWord) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(BRINDLE_BINARY_DIR "/brindl.dct"), common::dictionaryPath()))
        << "brindl.dct is built beside the program";
    TLetterDesign d(dialogs, settings);
    d.show();
    type(d, QStringLiteral("Dear José, we "));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCursor c = d.editor()->textCursor();
    c.insertText(QStringLiteral("recieve"), bold);
    c.insertText(QStringLiteral(" letters from Wałęsa's office."), QTextCharFormat());
    QAction* spell = d.action(QStringLiteral("spellCheck"));
    ASSERT_TRUE(spell);
    ASSERT_TRUE(spell->isEnabled());
    QStringList stops;
    std::function<void(spelling::ui::TSpellCheckDialog&)> step = [&](spelling::ui::TSpellCheckDialog& s) {
        stops << s.errorWord()->text();
        if (s.errorWord()->text() == QStringLiteral("recieve")) {
            addrtest::keepShot(&s, QStringLiteral("spell-check-from-designer"));
            EXPECT_EQ(s.windowTitle(), QStringLiteral("Spell Check"));
            EXPECT_FALSE(s.replacements()->findItems(QStringLiteral("receive"), Qt::MatchExactly).isEmpty());
            s.replaceWith()->setText(QStringLiteral("receive"));
            s.replaceButton()->click();
        } else {
            s.skipButton()->click();
        }
        if (QApplication::activeModalWidget() == &s && stops.size() < 10) onModal(step);
    };
    onModal(step);
    spell->trigger();
    EXPECT_TRUE(stops.contains(QStringLiteral("recieve"))) << stops.join(' ').toStdString();
    EXPECT_TRUE(dialogs.infos().contains(QStringLiteral("Spell check complete")));
    const QString text = d.document().document()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("we receive letters"))) << text.toStdString();
    EXPECT_TRUE(formatAt(d, int(text.indexOf(QStringLiteral("receive"))) + 1).font().bold());
}

// The editing core the letter designer and the merge use: find and replace,
// inserting RTF and page breaks, undo and redo, copying documents.
#include <gtest/gtest.h>

#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

#include <QTextBlock>
#include <QTextDocument>

using namespace brindle::richtext;

namespace {

const QByteArray kLetter =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}\\paperw11906\\paperh16838"
    "\\pard Dear {\\b\\f1 [Full Name]},\\par"
    "\\pard\\qj Your order [full name] ships to [City].  The [Fullname] field and Names are not tokens; name name.\\par"
    "\\pard {\\i [City]} again}";

QTextCharFormat formatOf(RichDocument& d, const QString& text) {
    const QTextCursor c = d.find(text, 0, {.matchCase = true});
    EXPECT_FALSE(c.isNull()) << text.toStdString();
    QTextCursor probe(d.document());
    probe.setPosition(c.selectionStart() + 1);
    return probe.charFormat();
}

}  // namespace

TEST(Editing, ReplaceKeepsTheTokensFormatAndNeverRescansReplacements) {
    RichDocument d;
    d.load(kLetter);
    // Case-insensitive by default; a value holding its own token is not replaced again.
    EXPECT_EQ(d.replaceAll("[Full Name]", "John [Full Name] Smith"), 2);
    EXPECT_TRUE(d.plainText().startsWith("Dear John [Full Name] Smith,"));
    EXPECT_EQ(formatOf(d, "John").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(d, "John").fontFamilies().toStringList(), QStringList{"Times New Roman"});
    EXPECT_EQ(formatOf(d, "order").fontWeight(), QFont::Normal);

    // Line breaks in a value become line breaks inside the paragraph.
    const int blocks = d.document()->blockCount();
    EXPECT_EQ(d.replaceAll("[city]", "Springfield\r\nIL"), 2);
    EXPECT_EQ(d.document()->blockCount(), blocks);
    EXPECT_TRUE(d.document()->toRawText().contains(QString("Springfield") + QChar(QChar::LineSeparator) + "IL again"));
    EXPECT_TRUE(formatOf(d, "IL again").fontItalic());

    // An empty value removes the token and leaves the text around it.
    EXPECT_EQ(d.replaceAll("[fullname]", ""), 1);
    EXPECT_TRUE(d.plainText().contains("The  field"));
    // Whole words and match case.
    EXPECT_EQ(d.replaceAll("name", "X", {.matchCase = true, .wholeWord = true}), 2);
    EXPECT_TRUE(d.plainText().contains("Names are not tokens; X X."));
    EXPECT_EQ(d.replaceAll("", "X"), 0);
}

TEST(Editing, FindReplaceSingleStepsAndUndoRedo) {
    RichDocument d;
    d.load(kLetter);
    const QString before = d.plainText();
    QTextCursor c = d.find("[CITY]", 0);
    ASSERT_FALSE(c.isNull());
    const int first = c.selectionStart();
    ASSERT_TRUE(d.replace(c, "Paris"));
    EXPECT_EQ(c.selectedText(), "Paris");
    QTextCursor next = d.find("[city]", c.selectionEnd());
    ASSERT_FALSE(next.isNull());
    EXPECT_GT(next.selectionStart(), first);
    EXPECT_TRUE(d.find("[city]", next.selectionEnd()).isNull());
    QTextCursor none;
    EXPECT_FALSE(d.replace(none, "x"));

    // A replace-all is one undo step; undo brings the original text back.
    EXPECT_EQ(d.replaceAll("[full name]", "Ann"), 2);
    ASSERT_TRUE(d.canUndo());
    d.undo();
    EXPECT_TRUE(d.plainText().contains("[Full Name]"));
    EXPECT_TRUE(d.plainText().contains("Paris"));
    d.undo();
    EXPECT_EQ(d.plainText(), before);
    ASSERT_TRUE(d.canRedo());
    d.redo();
    d.redo();
    EXPECT_FALSE(d.plainText().contains("[Full Name]"));
    // Loading starts a fresh history.
    d.load(kLetter);
    EXPECT_FALSE(d.canUndo());
}

TEST(Editing, InsertRtfAndPageBreakAtTheCursor) {
    RichDocument d;
    d.load(kLetter);
    const PageSetup page = d.page();
    QTextCursor c = d.find("Your", 0);
    c.setPosition(c.selectionStart());
    const QStringList w = d.insertRtf(c, "{\\rtf1\\ansi\\paperw5000{\\fonttbl{\\f0 Courier New;}}\\pard {\\b Inserted} text\\par\\pard Second }");
    EXPECT_TRUE(w.isEmpty());
    EXPECT_TRUE(d.document()->toRawText().contains(QString("Inserted text") + QChar(QChar::ParagraphSeparator) + "Second Your order"));
    EXPECT_EQ(formatOf(d, "Inserted").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(d, "Inserted").fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_EQ(d.page(), page);  // an inserted file does not change the page
    d.undo();
    EXPECT_FALSE(d.plainText().contains("Inserted"));

    Paginator pages(d);
    EXPECT_EQ(pages.pageCount(), 1);
    QTextCursor at = d.find("ships", 0);
    at.setPosition(at.selectionStart());
    d.insertPageBreak(at);
    pages.relayout();
    ASSERT_EQ(pages.pageCount(), 2);
    EXPECT_EQ(pages.pageStart(1), d.find("ships", 0).selectionStart());
    // The break survives writing and reading.
    RichDocument back;
    back.load(d.toRtf());
    Paginator backPages(back);
    EXPECT_EQ(backPages.pageCount(), 2);
    // Return after the break starts an ordinary paragraph, not yet another page.
    QTextCursor next = d.find("ships", 0);
    next.setPosition(next.selectionEnd());
    RichDocument::insertParagraph(next);
    RichDocument::insertParagraph(next);
    pages.relayout();
    EXPECT_EQ(pages.pageCount(), 2);
    EXPECT_EQ(next.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore, 0);
    EXPECT_EQ(pages.pageStart(1), d.find("ships", 0).selectionStart());
    d.undo();
    d.undo();
    d.undo();
    pages.relayout();
    EXPECT_EQ(pages.pageCount(), 1);
}

TEST(Editing, CopyFromMakesAnIdenticalDocument) {
    RichDocument a;
    a.load(kLetter);
    QTextCursor c(a.document());
    a.setInsertionFont(c, "Courier New", 14, true, false);
    a.insertText(c, "Top ");
    RichDocument b;
    b.load("{\\rtf1 something else}");
    b.copyFrom(a);
    EXPECT_EQ(b.toRtf(), a.toRtf());
    EXPECT_EQ(b.page(), a.page());
    EXPECT_EQ(formatOf(b, "Top").fontPointSize(), 14.0);
}

TEST(Editing, WordsForSpellChecking) {
    RichDocument d;
    d.loadPlainText(QString::fromUtf8("'Twas Müller's  café, 2nd—o'clock 'quoted'."));
    QStringList words;
    for (QTextCursor w = d.nextWord(0); !w.isNull(); w = d.nextWord(w.selectionEnd())) words << w.selectedText();
    EXPECT_EQ(words, (QStringList{"Twas", QString::fromUtf8("Müller's"), QString::fromUtf8("café"), "2nd", "o'clock", "quoted"}));
    RichDocument empty;
    EXPECT_TRUE(empty.nextWord(0).isNull());
}

// The editor's widget-free rules: page checks, paragraph formats and tabs,
// find and replace.
#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

#include "common/ScriptedDialogs.h"
#include "richtext/TextFormats.h"
#include "richtext/ui/FindReplace.h"
#include "richtext/ui/PageRules.h"
#include "richtext/ui/ParagraphFormat.h"

using namespace brindle;
using namespace brindle::richtext;
using namespace brindle::richtext::ui;

TEST(PageRules, RefusesPagesWithoutRoomForText) {
    const auto page = [](int w, int h, int l, int r, int t, int b) { return PageSetup{w, h, l, r, t, b, false}; };
    EXPECT_EQ(pageProblem(kLetterPage), "");
    EXPECT_EQ(pageProblem(kA4Page), "");
    EXPECT_EQ(pageProblem(page(12240, 15840, 5760, 5760, 1440, 1440)), "");  // exactly half an inch across
    EXPECT_NE(pageProblem(page(12240, 15840, 5800, 5760, 1440, 1440)), "");
    EXPECT_NE(pageProblem(page(12240, 15840, 1440, 1440, 7920, 7920)), "");  // zero text height
    EXPECT_NE(pageProblem(page(12240, 15840, -1, 1440, 1440, 1440)), "");
    EXPECT_NE(pageProblem(page(1000, 15840, 0, 0, 0, 0)), "");
    EXPECT_EQ(paperSizeIndex(kA4Page), 2);
    EXPECT_EQ(paperSizeIndex(withOrientation(kA4Page, true)), 2);
    EXPECT_EQ(withOrientation(kLetterPage, true).paperWidth, 15840);
    EXPECT_TRUE(withOrientation(kLetterPage, true).landscape);
    EXPECT_EQ(paperSizeIndex(PageSetup{12000, 15000}), -1);
}

TEST(ParagraphFormat, IndentsSpacingAndTabsSurviveTheBlockFormat) {
    ParagraphFormat p;
    p.leftIndent = 720;
    p.rightIndent = 360;
    p.firstLine = -360;
    p.spaceBefore = 6;
    p.spaceAfter = 12;
    p.alignment = Qt::AlignJustify;
    p.tabs = {{360, 'l'}, {4680, 'c'}, {9000, 'r'}};
    const QTextBlockFormat b = toBlockFormat(p);
    EXPECT_EQ(unitsToTwips(b.leftMargin()), 720);
    EXPECT_EQ(b.stringProperty(kTabStops), "l360 c4680 r9000");
    // Qt counts from the first line's start (360 twips here).
    ASSERT_EQ(b.tabPositions().size(), 2);
    EXPECT_EQ(pixelsToTwips(b.tabPositions()[0].position), 4680 - 360);
    EXPECT_EQ(readParagraphFormat(b), p);
    // Other properties of the block stay.
    QTextBlockFormat base;
    base.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    EXPECT_TRUE(toBlockFormat(p, base).pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    EXPECT_EQ(paragraphProblem(p, 9360), "");
    p.leftIndent = 9000;
    EXPECT_NE(paragraphProblem(p, 9360), "");
    p.leftIndent = 200;  // first line would start left of the margin
    EXPECT_NE(paragraphProblem(p, 9360), "");
}

TEST(FindReplace, FindsOnWrapsAndReplacesInOneStep) {
    RichDocument doc;
    doc.loadPlainText(QStringLiteral("Dear [Full Name], dear friend of José.\nDEAR all"));
    common::ScriptedDialogs dialogs;
    FindReplace f(doc, dialogs);
    QTextCursor c(doc.document());
    c.setPosition(10);
    c = f.findNext(QStringLiteral("dear"), c, {});
    ASSERT_FALSE(c.isNull());
    EXPECT_EQ(c.selectionStart(), 18);
    c = f.findNext(QStringLiteral("dear"), c, {});
    EXPECT_EQ(c.selectedText(), "DEAR");
    c = f.findNext(QStringLiteral("dear"), c, {});  // wraps to the start
    EXPECT_EQ(c.selectionStart(), 0);
    EXPECT_TRUE(f.findNext(QStringLiteral("dear"), c, {true, false}).selectionStart() == 18);
    EXPECT_TRUE(f.findNext(QStringLiteral("Jos"), c, {false, true}).isNull());
    EXPECT_EQ(dialogs.infos(), QStringList{"\"Jos\" was not found."});

    // Replace only acts on a found occurrence, then moves on.
    QTextCursor none(doc.document());
    c = f.replace(QStringLiteral("José"), QStringLiteral("Wałęsa"), none, {});
    EXPECT_EQ(c.selectedText(), QString::fromUtf8("José"));
    c = f.replace(QStringLiteral("José"), QStringLiteral("Wałęsa"), c, {});
    EXPECT_TRUE(doc.plainText().contains(QString::fromUtf8("friend of Wałęsa.")));
    EXPECT_EQ(f.replaceAll(QStringLiteral("dear"), QStringLiteral("Dear Dear"), {}), 3);
    EXPECT_EQ(dialogs.infos().last(), "3 replacement(s) made.");
    doc.undo();
    EXPECT_TRUE(doc.plainText().startsWith(QStringLiteral("Dear [Full Name], dear friend")));
}

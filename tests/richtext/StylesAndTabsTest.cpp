// Paragraph styles of the style sheet and the document's default tab stops
// (\deftab), as word processors that rely on them write files.
#include <gtest/gtest.h>

#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"
#include "richtext/TextFormats.h"

#include <QTextBlock>
#include <QTextDocument>

using namespace brindle::richtext;
using brindle::printing::DrawOp;
using brindle::printing::OpKind;
using brindle::printing::PageRecorder;

namespace {

QTextBlock blockStarting(const RichDocument& d, const QString& text) {
    for (QTextBlock b = d.document()->begin(); b.isValid(); b = b.next())
        if (b.text().startsWith(text)) return b;
    ADD_FAILURE() << "no paragraph " << text.toStdString();
    return d.document()->begin();
}

const DrawOp* opOf(const PageRecorder& rec, const QString& text) {
    for (const DrawOp& op : rec.document().pages.front().ops)
        if (op.kind == OpKind::Text && op.text.trimmed() == text) return &op;
    ADD_FAILURE() << "no text " << text.toStdString();
    return nullptr;
}

double xOf(const RichDocument& d, const QString& text) {
    Paginator pages(d);
    PageRecorder rec;
    pages.drawAll(rec);
    rec.end();
    const DrawOp* op = opOf(rec, text);
    return op ? op->p1.x() : -1;
}

QTextCharFormat formatOf(const RichDocument& d, const QString& text) {
    for (QTextBlock b = d.document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().text().contains(text)) return it.fragment().charFormat();
    ADD_FAILURE() << "no text " << text.toStdString();
    return {};
}

TEST(Styles, StyleOnlyFormattingIsKeptAndSurvivesOurOwnRoundTrip) {
    const QByteArray styled =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
        "{\\stylesheet{\\ql\\fs20 Normal;}{\\s1\\qc\\sb240\\b\\f1\\fs32\\sbasedon0 Heading 1;}"
        "{\\*\\cs10\\i Emphasis;}{\\s2\\li720\\tqr\\tx5040 Tabbed;}}\r\n"
        "\\pard\\s1 Title\\par\r\n"
        "\\pard\\plain\\s0 Body {\\cs10\\i x}\\par\r\n"
        "\\pard\\plain\\s1\\b0 Not bold heading\\par\r\n"
        "\\pard\\s2 Left\\tab Right\\par\r\n"
        "\\pard\\s7 Unknown style\\par}";
    RichDocument d;
    ASSERT_TRUE(d.load(styled).isEmpty());
    RichDocument again;
    again.load(d.toRtf());
    for (const RichDocument* doc : {&d, &again}) {
        const QTextBlock title = blockStarting(*doc, "Title");
        EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        EXPECT_NEAR(title.blockFormat().topMargin(), twipsToPixels(240), 1e-6);
        EXPECT_EQ(title.begin().fragment().charFormat().fontWeight(), QFont::Bold);
        EXPECT_EQ(title.begin().fragment().charFormat().fontFamilies().toStringList().value(0), "Times New Roman");
        EXPECT_EQ(title.begin().fragment().charFormat().fontPointSize(), 16);
        const QTextCharFormat body = blockStarting(*doc, "Body").begin().fragment().charFormat();
        EXPECT_EQ(body.fontPointSize(), 10);
        EXPECT_NE(body.fontWeight(), QFont::Bold);
        const QTextBlock plain = blockStarting(*doc, "Not bold");
        EXPECT_EQ(plain.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        EXPECT_NE(plain.begin().fragment().charFormat().fontWeight(), QFont::Bold);  // \b0 after the style wins
        EXPECT_EQ(unitsToTwips(blockStarting(*doc, "Left").blockFormat().leftMargin()), 720);
        // A style the sheet does not define changes nothing.
        EXPECT_EQ(blockStarting(*doc, "Unknown").begin().fragment().charFormat().fontPointSize(), 12);
    }
    EXPECT_NEAR(xOf(d, "Left"), 1.5, 0.01);
    EXPECT_GT(xOf(d, "Right"), 3.5);  // right tab at 3.5 in from the margin
}

TEST(DefaultTabs, DeftabSetsTheStopsAndIsWrittenBackOnlyWhenNotHalfAnInch) {
    struct Case {
        QByteArray header;
        double twoAt;  // inches from the paper's edge
        QByteArray written;
    };
    const Case cases[] = {
        {"\\deftab1440", 2.0, "\\deftab1440"},
        {"\\deftab360", 1.25, "\\deftab360"},
        {"", 1.5, ""},
        {"\\deftab0", 1.5, ""},  // damage: the usual half inch
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header.toStdString());
        RichDocument d;
        d.load("{\\rtf1\\ansi" + c.header + "{\\fonttbl{\\f0 Arial;}}\\pard\\fs20 I\\tab Two}");
        EXPECT_NEAR(xOf(d, "Two"), c.twoAt, 0.01);
        const QByteArray rtf = d.toRtf();
        EXPECT_EQ(rtf.contains("\\deftab"), !c.written.isEmpty());
        if (!c.written.isEmpty()) {
            EXPECT_TRUE(rtf.contains(c.written + "\r\n") || rtf.contains(c.written + "{") || rtf.contains(c.written + " "));
        }
        RichDocument copy;
        copy.copyFrom(d);
        EXPECT_NEAR(xOf(copy, "Two"), c.twoAt, 0.01);
        EXPECT_EQ(copy.toRtf(), rtf);
    }
}

// Tab stops count from the margin on every line of a paragraph: the first
// line (starting at \li + \fi) and the lines after it (starting at \li).
TEST(Tabs, StopsHoldOnFirstAndContinuationLinesWhateverTheIndents) {
    struct Case {
        const char* para;
        double first, next;  // inches from the margin of "B" (first line) and "D" (after a \line)
    };
    const Case cases[] = {
        {"\\fi720\\tx2880", 2.0, 2.0},
        {"\\fi1440\\tx2880", 2.0, 2.0},
        {"\\li1440\\fi-720\\tx2880", 1.0, 2.0},   // hanging indent: a stop at \li on the first line
        {"\\li1440\\fi-1080\\tx720\\tx2880", 0.5, 2.0},  // a stop before \li comes first
        {"\\li720\\tx2880", 2.0, 2.0},
        {"\\li720", 1.0, 1.0},                       // default stops every half inch from the margin
        {"\\fi360", 0.5, 0.5},
        {"\\li720\\fi-360", 0.5, 1.0},
        {"\\li360\\fi360", 1.0, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.para);
        RichDocument d;
        d.load(QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard") + c.para +
               " \\fs20 A\\tab B\\line C\\tab D\\par\\pard After\\par}");
        RichDocument again;
        again.load(d.toRtf());
        for (const RichDocument* doc : {&d, &again}) {
            EXPECT_NEAR(xOf(*doc, "B") - 1.0, c.first, 0.01);
            EXPECT_NEAR(xOf(*doc, "D") - 1.0, c.next, 0.01);
        }
        // Laying out again, or a second paginator on the same document, gives the same lines.
        Paginator first(d);
        const std::vector<QRectF> lines = first.lineRects(0);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_GE(lines[2].top(), lines[1].bottom() - 1e-6);
        Paginator second(d);
        first.relayout();
        EXPECT_EQ(second.lineRects(0), lines);
        EXPECT_EQ(first.lineRects(0), lines);
    }
}

// Character styles as writers that state formats only through the style
// write them: the style sheet's \cs entry gives the text its formats, and
// formats written after \cs refine them.
TEST(Styles, CharacterStylesGiveTheirFormats) {
    const QByteArray rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}"
        "{\\stylesheet{\\fs20 Normal;}{\\*\\cs10\\additive\\b\\cf1 Strong;}"
        "{\\*\\cs11\\f1\\fs16\\i Code;}{\\*\\cs12\\additive\\ul Under;}}\r\n"
        "\\pard\\plain\\fs28 Plain {\\cs10 strong} {\\cs11 code} {\\cs10\\b0 refined} {\\cs12\\i both} "
        "{\\cs99 unknown} after\\par}";
    RichDocument d;
    ASSERT_TRUE(d.load(rtf).isEmpty());
    RichDocument again;
    again.load(d.toRtf());
    for (const RichDocument* doc : {&d, &again}) {
        const QTextCharFormat strong = formatOf(*doc, "strong");
        EXPECT_EQ(strong.fontWeight(), QFont::Bold);
        EXPECT_EQ(strong.foreground().color(), QColor(255, 0, 0));
        EXPECT_EQ(strong.fontPointSize(), 14);  // a style without a size keeps the text's
        const QTextCharFormat code = formatOf(*doc, "code");
        EXPECT_EQ(code.fontFamilies().toStringList().value(0), "Courier New");
        EXPECT_EQ(code.fontPointSize(), 8);
        EXPECT_TRUE(code.fontItalic());
        EXPECT_NE(formatOf(*doc, "refined").fontWeight(), QFont::Bold);
        EXPECT_TRUE(formatOf(*doc, "both").fontUnderline());
        EXPECT_TRUE(formatOf(*doc, "both").fontItalic());
        for (const char* text : {"unknown", "after", "Plain"}) {
            EXPECT_EQ(formatOf(*doc, text).fontPointSize(), 14);
            EXPECT_NE(formatOf(*doc, text).fontWeight(), QFont::Bold);
        }
    }
}

}  // namespace

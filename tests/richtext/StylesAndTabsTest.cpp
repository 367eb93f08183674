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

double xOf(const RichDocument& d, const QString& text) {
    Paginator pages(d);
    PageRecorder rec;
    pages.drawAll(rec);
    rec.end();
    for (const DrawOp& op : rec.document().pages.front().ops)
        if (op.kind == OpKind::Text && op.text.trimmed() == text) return op.p1.x();
    ADD_FAILURE() << "no text " << text.toStdString();
    return -1;
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
        if (!c.written.isEmpty()) EXPECT_TRUE(rtf.contains(c.written + "\r\n") || rtf.contains(c.written + "{") || rtf.contains(c.written + " "));
        RichDocument copy;
        copy.copyFrom(d);
        EXPECT_NEAR(xOf(copy, "Two"), c.twoAt, 0.01);
        EXPECT_EQ(copy.toRtf(), rtf);
    }
}

}  // namespace

// Pages: breaking a document into pages and drawing each page through the
// page canvas, checked on the recorded drawing operations and, end to end,
// on a PDF read back with pdftotext.
#include <gtest/gtest.h>

#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"
#include "printing/PdfCanvas.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>

using namespace brindle::richtext;
using brindle::printing::DrawOp;
using brindle::printing::OpKind;
using brindle::printing::PageRecorder;

namespace {

// 60 paragraphs of differing length; every word is unique ("p7w12"), so a
// word seen twice means a line was drawn twice.
QByteArray sixtyParagraphs(const PageSetup& page) {
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\paperw" + QByteArray::number(page.paperWidth) +
                     "\\paperh" + QByteArray::number(page.paperHeight) + "\\margl" + QByteArray::number(page.marginLeft) +
                     "\\margr" + QByteArray::number(page.marginRight) + "\\margt" + QByteArray::number(page.marginTop) +
                     "\\margb" + QByteArray::number(page.marginBottom) + "\r\n";
    for (int p = 0; p < 60; ++p) {
        rtf += "\\pard\\sa120" + QByteArray(p % 3 == 0 ? "\\qj" : "") + "\\fs" + QByteArray::number(20 + (p % 4) * 2) + " ";
        const int words = 5 + (p * 7) % 60;
        for (int w = 0; w < words; ++w) rtf += "p" + QByteArray::number(p) + "w" + QByteArray::number(w) + " ";
        rtf += "\\par\r\n";
    }
    return rtf + "}";
}

struct PdfWord {
    int page;
    QRectF box;  // points
    QString text;
};

std::vector<PdfWord> pdfWords(const QString& pdf, std::vector<QSizeF>* pageSizes) {
    QProcess p;
    p.start("pdftotext", {"-bbox", pdf, "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression tag(
        "<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">|<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>");
    std::vector<PdfWord> words;
    int page = -1;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            ++page;
            pageSizes->emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
            continue;
        }
        words.push_back({page, QRectF(QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()),
                                      QPointF(m.captured(5).toDouble(), m.captured(6).toDouble())),
                         m.captured(7)});
    }
    return words;
}

}  // namespace

TEST(Pagination, SixtyParagraphsInPdfStayInsideMarginsAndNoLineTwice) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext missing";
    const PageSetup a4Narrow{11906, 16838, 1800, 1080, 1440, 2160, false};
    for (const PageSetup& page : {kLetterPage, a4Narrow}) {
        RichDocument d;
        ASSERT_TRUE(d.load(sixtyParagraphs(page)).isEmpty());
        ASSERT_EQ(d.page(), page);
        Paginator pages(d);
        ASSERT_GE(pages.pageCount(), 3);

        QTemporaryDir dir;
        const QString pdf = dir.filePath("letter.pdf");
        {
            brindle::printing::PdfCanvas canvas(pdf);
            EXPECT_EQ(pages.drawAll(canvas), pages.pageCount());
            ASSERT_TRUE(canvas.end()) << canvas.errorString().toStdString();
        }
        std::vector<QSizeF> sizes;
        const std::vector<PdfWord> words = pdfWords(pdf, &sizes);
        ASSERT_EQ(int(sizes.size()), pages.pageCount());
        EXPECT_NEAR(sizes[0].width(), page.paperWidth / 20.0, 0.5);
        EXPECT_NEAR(sizes[0].height(), page.paperHeight / 20.0, 0.5);

        const QRectF inside(page.marginLeft / 20.0, page.marginTop / 20.0, page.textWidth() / 20.0, page.textHeight() / 20.0);
        QMap<QString, int> seen;
        for (const PdfWord& w : words) {
            ++seen[w.text];
            // pdftotext boxes span the font's whole height; allow a point for rounding.
            EXPECT_GE(w.box.left(), inside.left() - 1) << w.text.toStdString();
            EXPECT_LE(w.box.right(), inside.right() + 1) << w.text.toStdString();
            EXPECT_GE(w.box.top(), inside.top() - 1) << w.text.toStdString();
            EXPECT_LE(w.box.bottom(), inside.bottom() + 1) << w.text.toStdString() << " page " << w.page;
        }
        int expected = 0;
        for (int p = 0; p < 60; ++p) {
            const int n = 5 + (p * 7) % 60;
            for (int w = 0; w < n; ++w, ++expected) {
                const QString word = QStringLiteral("p%1w%2").arg(p).arg(w);
                EXPECT_EQ(seen.value(word), 1) << word.toStdString();
            }
        }
        EXPECT_EQ(int(words.size()), expected);
        // Some paragraph runs from one page onto the next.
        bool crossing = false;
        for (int p = 0; p < 60 && !crossing; ++p) {
            int firstPage = -1;
            for (const PdfWord& w : words) {
                if (!w.text.startsWith(QStringLiteral("p%1w").arg(p))) continue;
                if (firstPage < 0) firstPage = w.page;
                else if (w.page != firstPage) crossing = true;
            }
        }
        EXPECT_TRUE(crossing);
    }
}

TEST(Pagination, PageBreaksStartPagesAndPositionsChainToTheEnd) {
    RichDocument d;
    d.load("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard One\\par\\pard Two\\page Three\\par\\pard\\pagebb Four\\par\\pard Five}");
    Paginator pages(d);
    ASSERT_EQ(pages.pageCount(), 3);
    EXPECT_EQ(pages.pageStart(0), 0);
    EXPECT_EQ(pages.pageStart(1), d.document()->find("Three").selectionStart());
    EXPECT_EQ(pages.pageStart(2), d.document()->find("Four").selectionStart());

    // Walking the pages as preview and printing do.
    PageRecorder recorder;
    pages.applyPaper(recorder);
    std::vector<QStringList> texts;
    int start = 0;
    while (start >= 0) {
        if (!texts.empty()) recorder.newPage();
        const int next = pages.drawPage(recorder, start);
        EXPECT_TRUE(next < 0 || next > start);
        start = next;
        texts.emplace_back();
    }
    recorder.end();
    const auto& doc = recorder.document();
    ASSERT_EQ(doc.pageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QStringList t;
        for (const DrawOp& op : doc.pages[size_t(i)].ops)
            if (op.kind == OpKind::Text) t << op.text;
        texts[size_t(i)] = t;
    }
    EXPECT_EQ(texts[0], (QStringList{"One", "Two"}));
    EXPECT_EQ(texts[1], (QStringList{"Three"}));
    EXPECT_EQ(texts[2], (QStringList{"Four", "Five"}));
    // A start inside a page draws that page.
    PageRecorder again;
    EXPECT_EQ(pages.drawPage(again, pages.pageStart(1) + 2), pages.pageStart(2));
}

TEST(Pagination, TabsAlignmentAndFormatsReachTheCanvas) {
    RichDocument d;
    d.load("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;\\red255\\green255\\blue0;}"
           "\\pard\\tqr\\tx9360 Left\\tab Right\\par"
           "\\pard\\qc Centred\\par"
           "\\pard\\li1440 {\\b\\cf1 Bold}{\\highlight2  Marked} x{\\super 2}\\par"
           "\\pard\\qr End\\par"
           "\\pard\\li720\\fi-360 \\bullet\\tab Item\\par"
           "\\pard One\\tab Two}");
    Paginator pages(d);
    PageRecorder rec;
    pages.drawAll(rec);
    rec.end();
    ASSERT_EQ(rec.document().pageCount(), 1);
    const auto& ops = rec.document().pages[0].ops;
    auto textOp = [&](const QString& t) -> const DrawOp& {
        for (const DrawOp& op : ops)
            if (op.kind == OpKind::Text && op.text.trimmed() == t) return op;
        ADD_FAILURE() << "no text " << t.toStdString();
        return ops.front();
    };
    auto rightEdge = [](const DrawOp& op) { return op.p1.x() + brindle::printing::measureText(op.font, op.text); };
    EXPECT_NEAR(textOp("Left").p1.x(), 1.0, 0.01);
    EXPECT_NEAR(rightEdge(textOp("Right")), 7.5, 0.02);  // right tab at 6.5 in from the margin
    EXPECT_NEAR((textOp("Centred").p1.x() + rightEdge(textOp("Centred"))) / 2, 4.25, 0.02);
    EXPECT_NEAR(rightEdge(textOp("End")), 7.5, 0.02);
    EXPECT_NEAR(textOp(QString(QChar(0x2022))).p1.x(), 1.25, 0.01);
    EXPECT_NEAR(textOp("Item").p1.x(), 1.5, 0.01);  // a hanging indent is a tab stop
    EXPECT_NEAR(textOp("Two").p1.x(), 1.5, 0.01);   // default stops every half inch
    EXPECT_NEAR(textOp("Bold").p1.x(), 2.0, 0.01);
    EXPECT_TRUE(textOp("Bold").font.bold);
    EXPECT_EQ(textOp("Bold").font.colour, 0x0000FFu);  // red as 0x00BBGGRR
    EXPECT_EQ(textOp("Bold").font.face, "Arial");       // drawn through the canvas's own font mapping
    const DrawOp& sup = textOp("2");
    EXPECT_LT(sup.font.sizePt, textOp("x").font.sizePt);
    EXPECT_LT(sup.p1.y(), textOp("x").p1.y());
    bool marked = false;
    for (const DrawOp& op : ops)
        if (op.kind == OpKind::Fill && op.fillColour == 0x00FFFF) marked = op.box.left() > rightEdge(textOp("Bold")) - 0.01;
    EXPECT_TRUE(marked);
    // Lines follow each other down the page without overlapping.
    EXPECT_LT(textOp("Left").p1.y(), textOp("Centred").p1.y());
    EXPECT_LT(textOp("Centred").p1.y() + 0.1, textOp("Bold").p1.y());
}

TEST(Pagination, OnePaginatorServesChangedDocuments) {
    RichDocument tmpl;
    tmpl.load("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard Dear [Name],\\par\\pard Body}");
    RichDocument letter;
    Paginator pages(letter);
    for (const QString& name : {QStringLiteral("Ann"), QString(6000, QLatin1Char('x')).replace("xxxxx", "long ")}) {
        letter.copyFrom(tmpl);
        letter.replaceAll("[Name]", name);
        pages.relayout();
        PageRecorder rec;
        pages.drawAll(rec);
        rec.end();
        EXPECT_EQ(rec.document().pageCount(), pages.pageCount());
        if (name.size() > 100) EXPECT_GE(pages.pageCount(), 2);
        else EXPECT_EQ(pages.pageCount(), 1);
    }
}

TEST(Pagination, MarginsLeavingNoRoomStillGivePages) {
    RichDocument d;
    d.load("{\\rtf1\\paperw2000\\paperh2000\\margl1500\\margr1500\\margt1900\\margb1900 "
           "A few words that need more than one line.\\par Second}");
    EXPECT_EQ(d.page().marginLeft, 1500);  // kept as the file says
    Paginator pages(d);
    EXPECT_GE(pages.pageCount(), 2);
    EXPECT_LE(pages.pageCount(), 40);
    PageRecorder rec;
    EXPECT_EQ(pages.drawAll(rec), pages.pageCount());
    rec.end();
    QString text;
    for (const auto& page : rec.document().pages)
        for (const DrawOp& op : page.ops)
            if (op.kind == OpKind::Text) text += op.text;
    EXPECT_EQ(text.remove(' '), "Afewwordsthatneedmorethanoneline.Second");
}

// Drawing laid-out text: the glyphs the layout shaped are drawn as they are,
// so they must land in the cells the recorded operations name, where shaping
// the same text again would put them.
#include <gtest/gtest.h>

#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

#include <QImage>
#include <QPainter>

using namespace brindle::richtext;
using brindle::printing::DrawOp;
using brindle::printing::OpKind;
using brindle::printing::PageRecorder;
using brindle::printing::PaintScale;

namespace {

constexpr double kDpi = 200.0;

// Horizontal and vertical extent of the ink one operation leaves on white
// paper, in inches; an empty rectangle when it leaves none.
QRectF inkOf(const DrawOp& op, QSizeF page) {
    QImage img(int(page.width() * kDpi), int(page.height() * kDpi), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        brindle::printing::paintOp(p, op, PaintScale{kDpi, QPointF(0, 0), true});
    }
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qGray(row[x]) < 128) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    }
    if (right < 0) return {};
    return QRectF(left / kDpi, top / kDpi, (right - left + 1) / kDpi, (bottom - top + 1) / kDpi);
}

struct Drawn {
    RichDocument doc;
    PageRecorder recorder;
    explicit Drawn(const QByteArray& rtf) {
        doc.load(rtf);
        Paginator pages(doc);
        pages.drawAll(recorder);
        recorder.end();
    }
    const std::vector<DrawOp>& ops() const { return recorder.document().pages.front().ops; }
};

TEST(Drawing, LayoutGlyphsLandWhereShapingTheTextAgainWould) {
    // Ragged lines only: there the layout and a fresh shaping agree on every advance.
    const Drawn d("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
                  "\\pard\\tqr\\tx9360 Left\\tab Right aligned\\par"
                  "\\pard\\qc\\fs28 Centred {\\b bold} {\\i M\\'fcller Jos\\'e9}\\par"
                  "\\pard\\li1440\\f1\\fs20 Wa\\u322?\\u281?sa \\u1055?\\u1077?\\u1090?\\u1088?\\u1086?\\u1074? {\\ul under}\\par"
                  "\\pard\\qr\\fs48 Big End\\par}");
    int checked = 0;
    for (const DrawOp& op : d.ops()) {
        if (op.kind != OpKind::Text) continue;
        SCOPED_TRACE(op.text.toStdString());
        ASSERT_TRUE(op.glyphs) << "laid-out text is drawn from the layout's glyphs";
        DrawOp fresh = op;
        fresh.glyphs.reset();  // shaped from the text when painted
        const QRectF a = inkOf(op, QSizeF(8.5, 3)), b = inkOf(fresh, QSizeF(8.5, 3));
        ASSERT_FALSE(a.isEmpty());
        const double px = 1.5 / kDpi;
        EXPECT_NEAR(a.left(), b.left(), px);
        EXPECT_NEAR(a.right(), b.right(), px);
        EXPECT_NEAR(a.top(), b.top(), px);
        EXPECT_NEAR(a.bottom(), b.bottom(), px);
        // and inside the cell the operation names
        EXPECT_GE(a.left(), op.p1.x() - px);
        EXPECT_LE(a.right(), op.p1.x() + op.box.width() + 2 * px);
        EXPECT_GE(a.top(), op.p1.y() - px);
        ++checked;
    }
    EXPECT_EQ(checked, 8);
}

TEST(Drawing, JustifiedLinesSpreadToTheTextWidth) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\qj ";
    for (int i = 0; i < 40; ++i) rtf += "word" + QByteArray::number(i) + " ";
    const Drawn d(rtf + "\\par}");
    // The first line is full: its ink reaches the right margin (7.5 in); the
    // last line stays ragged.
    std::vector<QRectF> lines;
    for (const DrawOp& op : d.ops())
        if (op.kind == OpKind::Text) lines.push_back(inkOf(op, QSizeF(8.5, 3)));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NEAR(lines.front().left(), 1.0, 0.02);
    EXPECT_NEAR(lines.front().right(), 7.5, 0.02);
    EXPECT_LT(lines.back().right(), 7.0);
}

TEST(Drawing, CanvasTextIsShapedOnceAndMeasuresAsBefore) {
    // textAt keeps the glyphs it measured; their width is what textWidth says.
    for (const QString& text : {QStringLiteral("Müller José"), QStringLiteral("Wałęsa Петров"), QStringLiteral("  trailing  "),
                                QStringLiteral("fi ffl AV To.")}) {
        SCOPED_TRACE(text.toStdString());
        PageRecorder rec;
        rec.setFont(QStringLiteral("Times New Roman"), 11);
        rec.textAt(1, 1, text, brindle::printing::Align::Right);
        rec.end();
        const DrawOp& op = rec.document().pages.front().ops.front();
        ASSERT_TRUE(op.glyphs);
        EXPECT_NEAR(op.box.width(), rec.textWidth(text), 1e-6);
        EXPECT_NEAR(op.box.right(), 1.0, 1e-6);
    }
    // Tabs and line breaks are shaped when painted, as before.
    PageRecorder rec;
    rec.textAt(1, 1, "a\tb");
    rec.end();
    EXPECT_FALSE(rec.document().pages.front().ops.front().glyphs);
}

}  // namespace

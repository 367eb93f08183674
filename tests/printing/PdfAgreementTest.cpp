// End-to-end check of the PDF back-end against the recorder: the same page is
// drawn on both, the PDF is read back with poppler-utils (pdftotext -bbox for
// text, pdftoppm at 200 dpi for lines and shapes) and every position must
// agree with the recorded operations within 0.005 inch.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>
#include <QTemporaryDir>

#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"
#include "printing/PdfCanvas.h"

using namespace brindle::printing;

namespace {

constexpr double kTolerance = 0.005;
constexpr int kRasterDpi = 200;

bool havePoppler() {
    return !QStandardPaths::findExecutable("pdftotext").isEmpty() &&
           !QStandardPaths::findExecutable("pdftoppm").isEmpty();
}

QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

// The sample page: thin black shapes on white, placed in inches.
void drawSample(PageCanvas& c) {
    c.setPen(0x000000, PenStyle::Solid, PenMode::Copy, -2);  // 0.02 inch
    c.setBrush(0xFFFFFF, BrushStyle::Clear);
    c.line(1.0, 1.0, 3.0, 1.0);         // horizontal
    c.line(4.0, 0.75, 4.0, 2.25);       // vertical
    c.rectangle(1.0, 3.0, 3.5, 4.25);
    c.ellipse(4.5, 3.0, 7.0, 4.5);
    c.roundRect(1.0, 5.0, 3.0, 6.0, 0.5, 0.5);
    c.setFont("Arial", 12);
    c.textAt(1.0, 7.0, "Brindle");
    c.textAt(7.5, 7.5, "Right", Align::Right);
    c.textAt(4.25, 8.0, "Centred", Align::Centre);
    c.setFont("Times New Roman", 18);
    c.textAt(1.25, 9.0, "Serif");
}

struct Word {
    QString text;
    double xMin, yMin, xMax, yMax;  // inches
};

std::vector<Word> pdfWords(const QString& pdf) {
    const QString html = QString::fromUtf8(run("pdftotext", {"-bbox", pdf, "-"}));
    static const QRegularExpression re(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    std::vector<Word> words;
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.captured(5), m.captured(1).toDouble() / 72, m.captured(2).toDouble() / 72,
                         m.captured(3).toDouble() / 72, m.captured(4).toDouble() / 72});
    }
    return words;
}

QImage rasterise(const QString& pdf, const QString& dir) {
    run("pdftoppm", {"-r", QString::number(kRasterDpi), "-gray", "-f", "1", "-l", "1", pdf, dir + "/page"});
    for (const char* name : {"/page-1.pgm", "/page-01.pgm", "/page-001.pgm"}) {
        QImage img(dir + name);
        if (!img.isNull()) return img.convertToFormat(QImage::Format_Grayscale8);
    }
    return {};
}

bool dark(const QImage& img, int x, int y) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return false;
    return qGray(img.pixel(x, y)) < 128;
}

// The first dark run met when walking from `from` to `to` (inches) along a
// row (across) or a column (down), as its two outer edges in inches; the walk
// may go either way. {-1, -1} when none.
struct InkRun {
    double low = -1, high = -1;
    double centre() const { return (low + high) / 2; }
};

InkRun runAlong(const QImage& img, bool across, double fixedIn, double fromIn, double toIn) {
    const int fixed = int(fixedIn * kRasterDpi);
    const int a = int(fromIn * kRasterDpi), b = int(toIn * kRasterDpi);
    const int step = a <= b ? 1 : -1;
    int first = -1, last = -1;
    for (int i = a; i != b + step; i += step) {
        const bool d = across ? dark(img, i, fixed) : dark(img, fixed, i);
        if (d) {
            if (first < 0) first = i;
            last = i;
        } else if (first >= 0) {
            break;
        }
    }
    if (first < 0) return {};
    const int lo = std::min(first, last), hi = std::max(first, last);
    return {double(lo) / kRasterDpi, double(hi + 1) / kRasterDpi};
}

InkRun across(const QImage& img, double yIn, double fromIn, double toIn) { return runAlong(img, true, yIn, fromIn, toIn); }
InkRun down(const QImage& img, double xIn, double fromIn, double toIn) { return runAlong(img, false, xIn, fromIn, toIn); }

class PdfAgreement : public ::testing::Test {
protected:
    void SetUp() override {
        if (!havePoppler()) GTEST_SKIP() << "poppler-utils not installed";
        ASSERT_TRUE(dir.isValid());
        pdf = dir.filePath("sample.pdf");
        drawSample(recorder);
        recorder.end();
        PdfCanvas canvas(pdf);
        drawSample(canvas);
        ASSERT_TRUE(canvas.end()) << canvas.errorString().toStdString();
        ASSERT_EQ(recorder.document().pageCount(), 1);
    }
    const DrawOp& op(OpKind kind, int nth = 0) {
        for (const DrawOp& o : recorder.document().pages[0].ops)
            if (o.kind == kind && nth-- == 0) return o;
        throw std::runtime_error("operation not recorded");
    }
    QTemporaryDir dir;
    QString pdf;
    PageRecorder recorder;
};

TEST_F(PdfAgreement, TextCellsAgreeWithRecordedPositions) {
    const std::vector<Word> words = pdfWords(pdf);
    ASSERT_EQ(words.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const DrawOp& t = op(OpKind::Text, i);
        const Word& w = words[size_t(i)];
        SCOPED_TRACE(t.text.toStdString());
        EXPECT_EQ(w.text, t.text);
        EXPECT_NEAR(w.xMin, t.p1.x(), kTolerance);
        EXPECT_NEAR(w.xMax, t.p1.x() + t.box.width(), kTolerance);
        // The text cell's top: the baseline less the font's ascent.
        EXPECT_NEAR(w.yMin, t.p1.y(), kTolerance);
    }
    // Right and centre alignment put the recorded cell where it was asked for.
    EXPECT_NEAR(op(OpKind::Text, 1).box.right(), 7.5, 1e-9);
    EXPECT_NEAR(op(OpKind::Text, 2).box.center().x(), 4.25, 1e-9);
    EXPECT_NEAR(words[1].xMax, 7.5, kTolerance);
    EXPECT_NEAR((words[2].xMin + words[2].xMax) / 2, 4.25, kTolerance);
}

TEST_F(PdfAgreement, LinesRectanglesAndEllipsesAgreeWithRecordedPositions) {
    const QImage img = rasterise(pdf, dir.path());
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.width(), int(8.5 * kRasterDpi));

    // Lines: centred on their path, flat ends at the end points, 0.02 inch wide.
    const DrawOp& h = op(OpKind::Line, 0);
    EXPECT_NEAR(h.penWidth, 0.02, 1e-12);
    const InkRun hy = down(img, 2.0, 0.5, 1.5);
    EXPECT_NEAR(hy.centre(), h.p1.y(), kTolerance);
    EXPECT_NEAR(hy.high - hy.low, h.penWidth, kTolerance);
    const InkRun hx = across(img, h.p1.y(), 0.5, 3.5);
    EXPECT_NEAR(hx.low, h.p1.x(), kTolerance);
    EXPECT_NEAR(hx.high, h.p2.x(), kTolerance);
    const DrawOp& v = op(OpKind::Line, 1);
    EXPECT_NEAR(across(img, 1.5, 3.5, 4.5).centre(), v.p1.x(), kTolerance);
    const InkRun vy = down(img, v.p1.x(), 0.5, 2.5);
    EXPECT_NEAR(vy.low, v.p1.y(), kTolerance);
    EXPECT_NEAR(vy.high, v.p2.y(), kTolerance);

    // Rectangle, ellipse, rounded rectangle: outlines centred on the box edges.
    for (OpKind kind : {OpKind::Rectangle, OpKind::Ellipse, OpKind::RoundRect}) {
        const QRectF r = op(kind).box;
        SCOPED_TRACE(int(kind));
        const QPointF c = r.center();
        EXPECT_NEAR(across(img, c.y(), r.left() - 0.2, c.x()).centre(), r.left(), kTolerance);
        EXPECT_NEAR(across(img, c.y(), r.right() + 0.2, c.x()).centre(), r.right(), kTolerance);
        EXPECT_NEAR(down(img, c.x(), r.top() - 0.2, c.y()).centre(), r.top(), kTolerance);
        EXPECT_NEAR(down(img, c.x(), r.bottom() + 0.2, c.y()).centre(), r.bottom(), kTolerance);
        // Clear brush: the inside stays white.
        EXPECT_FALSE(dark(img, int(c.x() * kRasterDpi), int(c.y() * kRasterDpi)));
    }
    // The rectangle has square corners, the ellipse and the rounded rectangle do not.
    const QRectF r = op(OpKind::Rectangle).box;
    EXPECT_TRUE(dark(img, int(r.left() * kRasterDpi), int(r.top() * kRasterDpi)));
    for (OpKind kind : {OpKind::Ellipse, OpKind::RoundRect}) {
        const QRectF b = op(kind).box;
        EXPECT_FALSE(dark(img, int((b.left() + 0.02) * kRasterDpi), int((b.top() + 0.02) * kRasterDpi)));
    }
    // A quarter of the way round the ellipse the outline lies on the curve.
    const QRectF e = op(OpKind::Ellipse).box;
    const double a = e.width() / 2, b = e.height() / 2;
    const double x45 = e.center().x() + a / std::sqrt(2.0);
    EXPECT_NEAR(down(img, x45, e.top() - 0.1, e.center().y()).centre(), e.center().y() - b / std::sqrt(2.0),
                kTolerance);
}

// The recorded page replayed by the preview's painter puts ink where the PDF does.
TEST_F(PdfAgreement, ReplayedRecordingMatchesThePdfRaster) {
    const QImage pdfImg = rasterise(pdf, dir.path());
    ASSERT_FALSE(pdfImg.isNull());
    QImage replay(pdfImg.size(), QImage::Format_RGB32);
    replay.setDotsPerMeterX(qRound(kRasterDpi / 0.0254));
    replay.setDotsPerMeterY(qRound(kRasterDpi / 0.0254));
    replay.fill(Qt::white);
    {
        QPainter p(&replay);
        paintPage(p, recorder.document().pages[0], PaintScale{double(kRasterDpi), QPointF(0, 0), true});
    }
    const QImage gray = replay.convertToFormat(QImage::Format_Grayscale8);
    EXPECT_NEAR(down(gray, 2.0, 0.5, 1.5).centre(), down(pdfImg, 2.0, 0.5, 1.5).centre(), kTolerance);
    const QRectF e = op(OpKind::Ellipse).box;
    EXPECT_NEAR(across(gray, e.center().y(), e.left() - 0.2, e.center().x()).centre(),
                across(pdfImg, e.center().y(), e.left() - 0.2, e.center().x()).centre(), kTolerance);
    // Text ink lands in the same rows on both (the first word's dark rows).
    auto inkRows = [](const QImage& img, const QRectF& area) {
        int top = -1, bottom = -1;
        for (int y = int(area.top() * kRasterDpi); y < int(area.bottom() * kRasterDpi); ++y)
            for (int x = int(area.left() * kRasterDpi); x < int(area.right() * kRasterDpi); ++x)
                if (dark(img, x, y)) {
                    if (top < 0) top = y;
                    bottom = y;
                    break;
                }
        return std::make_pair(top, bottom);
    };
    const QRectF word = op(OpKind::Text, 0).box;
    const auto a = inkRows(gray, word), b = inkRows(pdfImg, word);
    ASSERT_GE(a.first, 0);
    EXPECT_LE(std::abs(a.first - b.first), 1);
    EXPECT_LE(std::abs(a.second - b.second), 1);
}

}  // namespace

// Jobs, pages and the drawing state of the page canvas: the lazy device, abort,
// page numbering, pen width rule, text placement, report columns and status.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPainter>
#include <QPicture>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"
#include "printing/PdfCanvas.h"

using namespace brindle::printing;

namespace {

int pdfPageCount(const QString& pdf) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    p.waitForFinished(30000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    for (const QString& line : out.split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
}

TEST(CanvasJob, EmptyJobWritesNoFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.pdf");
    {
        PdfCanvas c(path);
        c.setFont("Arial", 10);  // state changes alone do not open the device
        c.moveTo(1, 1);
        c.newPage();
        c.textAt(1, 1, "");  // nothing to draw
        EXPECT_TRUE(c.end());
        EXPECT_FALSE(c.started());
        EXPECT_EQ(c.pagesEmitted(), 0);
    }
    EXPECT_FALSE(QFile::exists(path));
    PageRecorder r;
    r.newPage();
    r.end();
    EXPECT_EQ(r.document().pageCount(), 0);
}

TEST(CanvasJob, AbortLeavesNoFileAndKeepsAnOldOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath("job.pdf");
    {
        PdfCanvas c(path);
        c.rectangle(1, 1, 2, 2);
        c.newPage();
        c.textAt(1, 1, "half");
        c.abort();
        c.line(0, 0, 1, 1);  // ignored after abort
        EXPECT_TRUE(c.aborted());
        EXPECT_FALSE(c.end());
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);  // no temporary left behind

    // A file of the same name from an earlier job survives an aborted job.
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    {
        PdfCanvas c(path);
        c.line(0, 0, 1, 1);
        c.abort();
    }
    QFile check(path);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("old contents"));

    PageRecorder r;
    r.line(0, 0, 1, 1);
    r.abort();
    EXPECT_EQ(r.document().pageCount(), 0);
}

TEST(CanvasJob, UnwritableFileIsReportedAsFailure) {
    PdfCanvas c("/nonexistent-folder/x/out.pdf");
    c.line(0, 0, 1, 1);
    EXPECT_FALSE(c.end());
    EXPECT_TRUE(c.errorString().contains("/nonexistent-folder/x/out.pdf"));
}

TEST(CanvasJob, PagesAreNumberedAndTrailingEmptyPageIsDropped) {
    QTemporaryDir dir;
    const QString path = dir.filePath("pages.pdf");
    auto job = [](PageCanvas& c) {
        std::vector<int> numbers;
        c.setNewPageHandler([&](PageCanvas& page) { numbers.push_back(page.pageNumber()); });
        EXPECT_EQ(c.pageNumber(), 1);
        c.textAt(1, 1, "Page " + QString::number(c.pageNumber()));
        c.newPage();
        c.newPage();  // page 2 stays blank but is kept: page 3 follows it
        c.textAt(1, 1, "Page " + QString::number(c.pageNumber()));
        c.newPage();  // page 4 is never drawn on
        EXPECT_EQ(c.pageNumber(), 4);
        EXPECT_EQ(numbers, (std::vector<int>{2, 3, 4}));
        c.setNewPageHandler(nullptr);
        EXPECT_TRUE(c.end());
        EXPECT_EQ(c.pagesEmitted(), 3);
    };
    PageRecorder r;
    job(r);
    ASSERT_EQ(r.document().pageCount(), 3);
    EXPECT_EQ(r.document().pages[0].ops[0].text, "Page 1");
    EXPECT_TRUE(r.document().pages[1].ops.empty());
    EXPECT_EQ(r.document().pages[2].ops[0].text, "Page 3");
    EXPECT_EQ(r.document().title, "Brindle");

    {
        PdfCanvas c(path);
        job(c);
    }
    if (!QStandardPaths::findExecutable("pdfinfo").isEmpty()) {
        EXPECT_EQ(pdfPageCount(path), 3);
    }
}

TEST(CanvasJob, PaperSizeAndOrientationApplyPerPage) {
    PageRecorder r;
    r.setPaperSize(QSizeF(8.27, 11.69));
    r.setOrientation(Orientation::Landscape);
    EXPECT_EQ(r.pageSize(), QSizeF(11.69, 8.27));
    r.line(0, 0, 1, 1);
    r.newPage();
    r.setOrientation(Orientation::Portrait);  // takes effect on the page not yet drawn
    r.line(0, 0, 1, 1);
    r.end();
    ASSERT_EQ(r.document().pageCount(), 2);
    EXPECT_EQ(r.document().pages[0].size, QSizeF(11.69, 8.27));
    EXPECT_EQ(r.document().pages[0].orientation, Orientation::Landscape);
    EXPECT_EQ(r.document().pages[1].size, QSizeF(8.27, 11.69));
}

TEST(CanvasJob, PenWidthRule) {
    PageRecorder r(300);
    r.setPen(0, PenStyle::Solid, PenMode::Copy, -1);
    EXPECT_DOUBLE_EQ(r.penWidthInches(), 0.01);
    r.setPen(0, PenStyle::Solid, PenMode::Copy, -25);
    EXPECT_DOUBLE_EQ(r.penWidthInches(), 0.25);
    r.setPen(0, PenStyle::Solid, PenMode::Copy, 3);  // device pixels
    EXPECT_DOUBLE_EQ(r.penWidthInches(), 3.0 / 300);
    r.setPen(0, PenStyle::Solid, PenMode::Copy, 0);
    EXPECT_DOUBLE_EQ(r.penWidthInches(), 1.0 / 300);
    // Hundredths of an inch never get thinner than one device pixel.
    PageRecorder coarse(50);
    coarse.setPen(0, PenStyle::Solid, PenMode::Copy, -1);
    EXPECT_DOUBLE_EQ(coarse.penWidthInches(), 1.0 / 50);
    coarse.line(0, 0, 1, 0);
    coarse.end();
    EXPECT_DOUBLE_EQ(coarse.document().pages[0].ops[0].penWidth, 1.0 / 50);
}

TEST(CanvasJob, ColoursAreBgrWithFixedSystemColours) {
    EXPECT_EQ(colourFromInt(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(colourFromInt(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(colourToInt(QColor(0x12, 0x34, 0x56)), 0x563412u);
    EXPECT_EQ(colourFromInt(0x80000005), QColor(Qt::white));   // window
    EXPECT_EQ(colourFromInt(0x8000000F), QColor(192, 192, 192));  // button face
    EXPECT_EQ(colourFromInt(0x800000FF), QColor(Qt::black));   // unknown system colour
    EXPECT_EQ(colourFromInt(0x1FFFFFFF), QColor(Qt::black));
}

TEST(CanvasText, FacesResolveToMetricCompatibleFontsAndScaleLinearly) {
    EXPECT_EQ(QFontInfo(makeQFont(FontSpec{"Arial", 10})).family(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(makeQFont(FontSpec{"Times New Roman", 10})).family(), "Liberation Serif");
    // Measures are in inches and proportional to the size, whatever the screen.
    const double w10 = measureText(FontSpec{"Arial", 10}, "Brindle Mailing");
    const double w20 = measureText(FontSpec{"Arial", 20}, "Brindle Mailing");
    EXPECT_NEAR(w20, 2 * w10, 0.002);
    const TextMetrics m = measureFont(FontSpec{"Arial", 72});
    EXPECT_NEAR(m.ascent, 0.905, 0.01);  // Arial's ascent is 0.905 em; 72 pt = 1 inch
    EXPECT_GT(m.lineHeight, m.ascent + m.descent - 1e-9);
}

TEST(CanvasText, TextIsPlacedByItsCellsTopLeftCorner) {
    PageRecorder r;
    r.setFont("Arial", 10);
    const double w = r.textWidth("Hello");
    r.textAt(2, 3, "Hello");
    r.textAt(2, 3, "Hello", Align::Right);
    r.textAt(2, 3, "Hello", Align::Centre);
    r.textRect(QRectF(1, 1, 0.5, 0.2), QPointF(1.1, 1.05), "Clipped text");
    r.end();
    const auto& ops = r.document().pages[0].ops;
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0].p1, QPointF(2, 3));
    EXPECT_NEAR(ops[0].ascent, r.ascent(), 1e-12);
    EXPECT_NEAR(ops[1].p1.x(), 2 - w, 1e-12);
    EXPECT_NEAR(ops[2].p1.x(), 2 - w / 2, 1e-12);
    EXPECT_TRUE(ops[3].clipped);
    EXPECT_EQ(ops[3].box, QRectF(1, 1, 0.5, 0.2));
    EXPECT_EQ(ops[3].p1, QPointF(1.1, 1.05));
}

TEST(CanvasReport, LinesColumnsShadingAndBoxes) {
    PageRecorder r;
    r.setFont("Arial", 10);
    r.setMargins(Margins{0.5, 1, 0.5, 1});
    EXPECT_EQ(r.section(), QRectF(QPointF(0.5, 1), QPointF(8.0, 10.0)));
    r.home();
    const double lh = r.lineHeight();
    EXPECT_EQ(r.linesLeft(), int(9.0 / lh));
    r.newLine();
    EXPECT_NEAR(r.y(), 1 + lh, 1e-12);
    EXPECT_EQ(r.x(), 0.5);
    r.gotoXY(0.5, 10.0 - lh * 0.5);
    EXPECT_EQ(r.linesLeft(), 0);
    r.home();

    r.addColumn(ColumnSpec{0.5, 0.625, Align::Left, 2, {}, 0});
    r.addColumn(ColumnSpec{-1, 0.625, Align::Right, 2, BoxLines{true, true, true, true}, 0});
    EXPECT_EQ(r.columnRect(1).left(), 1.125);
    r.printColumn("12345", 5);
    r.printColumn("1,234", 5);
    EXPECT_EQ(r.currentColumn(), 2);
    EXPECT_NEAR(r.x(), 1.75, 1e-12);
    r.newLine();
    EXPECT_EQ(r.currentColumn(), 0);
    r.printColumn("67890");  // unshaded row
    r.end();

    const auto& ops = r.document().pages[0].ops;
    // Row 1: fill, text | fill, text, four box lines. Row 2: text only.
    ASSERT_EQ(ops.size(), 9u);
    EXPECT_EQ(ops[0].kind, OpKind::Fill);
    EXPECT_EQ(ops[0].fillColour, 0xF2F2F2u);  // 5 % grey: 95 % of 255 in each channel
    EXPECT_EQ(ops[0].box, QRectF(0.5, 1, 0.625, lh));
    EXPECT_EQ(ops[1].kind, OpKind::Text);
    EXPECT_NEAR(ops[1].p1.x(), 0.52, 1e-12);  // inner margin 2/100 inch
    EXPECT_TRUE(ops[1].clipped);
    EXPECT_NEAR(ops[3].box.right(), 1.75 - 0.02, 1e-12);                     // clip inside the margin
    EXPECT_NEAR(ops[3].p1.x() + r.textWidth("1,234"), 1.75 - 0.02, 1e-12);  // right-justified
    for (int i = 4; i < 8; ++i) EXPECT_EQ(ops[size_t(i)].kind, OpKind::Line);
    EXPECT_EQ(ops[8].kind, OpKind::Text);
    EXPECT_NEAR(ops[8].p1.y(), 1 + lh, 1e-12);
}

// Report headers put the page number right-aligned and titles centred on the
// line being printed: only print() moves along the line, so left-aligned text
// after a right-aligned or centred one still starts where the line stood.
TEST(CanvasReport, PrintRightAndCentreUseTheCurrentLineAndKeepThePosition) {
    PageRecorder r;
    r.setFont("Times New Roman", 14);
    r.setBold(true);
    r.gotoXY(1, 2);
    const double wPage = r.textWidth("Page 3");
    const double wTitle = r.textWidth("Customers");
    r.printRight(7.5, "Page 3");
    r.printCentre(4.25, "Customers");
    EXPECT_EQ(r.x(), 1.0);
    EXPECT_EQ(r.y(), 2.0);
    r.printRight(7.5, "");  // nothing to draw
    r.print("Left");
    r.newLine();
    r.printRight(7.5, "1/2/2024");
    r.end();

    const auto& ops = r.document().pages[0].ops;
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_NEAR(ops[0].p1.x() + wPage, 7.5, 1e-12);  // right edge at x
    EXPECT_EQ(ops[0].p1.y(), 2.0);
    EXPECT_NEAR(ops[0].box.width(), wPage, 1e-12);
    EXPECT_TRUE(ops[0].font.bold);
    EXPECT_EQ(ops[0].font.face, "Times New Roman");
    EXPECT_NEAR(ops[1].p1.x() + wTitle / 2, 4.25, 1e-12);  // centred on x
    EXPECT_EQ(ops[1].p1.y(), 2.0);
    EXPECT_EQ(ops[2].text, "Left");
    EXPECT_EQ(ops[2].p1, QPointF(1, 2));
    EXPECT_NEAR(ops[3].p1.y(), 2.0 + r.lineHeight(), 1e-12);  // the next line
    EXPECT_NEAR(ops[3].p1.x() + r.textWidth("1/2/2024"), 7.5, 1e-12);
}

TEST(CanvasReport, StatusTextFollowsPages) {
    PageRecorder r;
    QStringList seen;
    r.setStatusHandler([&](const QString& s) { seen << s; });
    r.setStatusPattern("Printing Page %p\r%0\r%1");
    EXPECT_EQ(r.statusText(), "Printing Page 1\r\r");
    r.setStatusLine(0, "Reading");
    r.line(0, 0, 1, 1);
    r.newPage();
    EXPECT_EQ(r.statusText(), "Printing Page 2\rReading\r");
    EXPECT_EQ(seen.last(), "Printing Page 2\rReading\r");
    EXPECT_EQ(seen.size(), 3);
    r.setStatusPattern("100%p done %");  // a lone % stays
    EXPECT_EQ(r.statusText(), "1002 done %");
}

}  // namespace

namespace {

// Bounding box of the non-white pixels of an image, in pixels.
QRect inkBox(const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 200) box |= QRect(x, y, 1, 1);
    return box;
}

QImage replayAt100dpi(const RecordedPage& page) {
    QImage img(int(page.size.width() * 100), int(page.size.height() * 100), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    paintPage(p, page, PaintScale{100.0, QPointF(0, 0), true});
    return img;
}

// Vector pictures and bitmaps fill the rectangle they are drawn into: a
// picture of a 96 x 48 pixel design object whose ink covers its right half
// lands in the right half of a 2 x 1 inch box at (1, 1).
TEST(CanvasPictures, PicturesAndImagesAreStretchedIntoTheirBox) {
    QPicture picture;
    {
        QPainter p(&picture);
        p.fillRect(QRect(48, 0, 48, 48), Qt::black);
    }
    picture.setBoundingRect(QRect(0, 0, 96, 48));
    QImage bitmap(10, 10, QImage::Format_RGB32);
    bitmap.fill(Qt::black);

    PageRecorder r;
    r.setPaperSize(QSizeF(4, 4));
    r.drawPicture(QRectF(1, 1, 2, 1), picture);
    r.newPage();
    r.drawImage(QRectF(0.5, 2, 3, 1.5), bitmap);
    r.drawPicture(QRectF(0, 0, 1, 1), QPicture());  // an empty picture draws nothing
    r.end();
    ASSERT_EQ(r.document().pageCount(), 2);
    EXPECT_EQ(r.document().pages[1].ops.size(), 1u);

    const QRect pic = inkBox(replayAt100dpi(r.document().pages[0]));
    EXPECT_NEAR(pic.left(), 200, 1);
    EXPECT_NEAR(pic.right() + 1, 300, 1);
    EXPECT_NEAR(pic.top(), 100, 1);
    EXPECT_NEAR(pic.bottom() + 1, 200, 1);
    const QRect img = inkBox(replayAt100dpi(r.document().pages[1]));
    EXPECT_EQ(img, QRect(50, 200, 300, 150));
}

}  // namespace

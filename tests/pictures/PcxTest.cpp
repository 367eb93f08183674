// The PCX reader: every supported layout decodes pixel for pixel with the
// right palette, damaged, truncated and oversized files are refused with a
// reason, and files written by netpbm (when installed) read back as made.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <functional>

#include "PictureTestFiles.h"
#include "pictures/PictureFiles.h"

using namespace brindle::pictures;
using namespace brindle::pictures::testfiles;

namespace {

using Pixel = std::function<QRgb(int x, int y)>;

QRgb headerColour(int i) { return qRgb(i * 16, 255 - i * 16, i * 8); }
QRgb vgaColour(int i) { return qRgb(i, 255 - i, (i * 7) & 0xFF); }
QByteArray palette(int n, QRgb (*colour)(int)) {
    QByteArray b;
    for (int i = 0; i < n; ++i) b += rgb({colour(i)});
    return b;
}

// Scan lines of one-bit planes from a colour index per pixel.
QByteArray planar(int w, int h, int planes, int bpl, const std::function<int(int, int)>& index) {
    QByteArray lines(qsizetype(h) * planes * bpl, '\0');
    for (int y = 0; y < h; ++y)
        for (int p = 0; p < planes; ++p)
            for (int x = 0; x < w; ++x)
                if ((index(x, y) >> p) & 1) lines[(y * planes + p) * bpl + x / 8] |= char(0x80 >> (x % 8));
    return lines;
}

void expectPixels(const QImage& img, int w, int h, const Pixel& expected) {
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.size(), QSize(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(img.pixel(x, y), expected(x, y)) << "at " << x << "," << y;
}

struct Sample {
    const char* name;
    QByteArray file;
    int w, h;
    Pixel pixel;
    int trailer = 0;  // bytes after the pixel data
};

QList<Sample> samples() {
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    QByteArray indices;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) indices.append(char((x * 50 + y * 13) % 256));
    auto vgaPixel = [](int x, int y) { return vgaColour((x * 50 + y * 13) % 256); };
    QByteArray planes24;
    for (int y = 0; y < 3; ++y)
        for (int p = 0; p < 3; ++p)
            for (int x = 0; x < 8; ++x) planes24.append(char(p == 0 ? x * 30 : p == 1 ? y * 80 : 255 - x * 30));
    return {
        {"mono", pcx(10, 3, 1, 1, 2, planar(10, 3, 1, 2, [](int x, int y) { return (x + y) % 3 == 0; })), 10, 3,
         [=](int x, int y) { return (x + y) % 3 == 0 ? white : black; }},
        {"two colours named in the header", pcx(2, 1, 1, 1, 2, QByteArray::fromHex("4000"), rgb({qRgb(0, 0, 255), qRgb(255, 0, 0)})),
         2, 1, [](int x, int) { return x ? qRgb(255, 0, 0) : qRgb(0, 0, 255); }},
        {"16 colours", pcx(9, 2, 1, 4, 2, planar(9, 2, 4, 2, [](int x, int y) { return (x + 7 * y) % 16; }), palette(16, headerColour)),
         9, 2, [](int x, int y) { return headerColour((x + 7 * y) % 16); }},
        {"16 colours, blank header palette: the standard ones",
         pcx(3, 1, 1, 4, 2, planar(3, 1, 4, 2, [](int x, int) { return QList<int>{1, 5, 13}[x]; })), 3, 1,
         [](int x, int) { return QList<QRgb>{qRgb(0, 0, 0xAA), qRgb(0xAA, 0, 0xAA), qRgb(0xFF, 0x55, 0xFF)}[x]; }},
        {"4 bits packed", pcx(5, 1, 4, 1, 4, QByteArray::fromHex("01234f00"), palette(16, headerColour)), 5, 1,
         [](int x, int) { return headerColour(x); }},
        {"256 colours", pcx(5, 4, 8, 1, 6, indices, {}, palette(256, vgaColour)), 5, 4, vgaPixel, 769},
        {"256 colours without a palette: greys", pcx(5, 4, 8, 1, 6, indices), 5, 4,
         [](int x, int y) { return qRgb((x * 50 + y * 13) % 256, (x * 50 + y * 13) % 256, (x * 50 + y * 13) % 256); }},
        {"runs across line ends", pcx(100, 3, 8, 1, 100, QByteArray(300, char(0xC7)), {}, palette(256, vgaColour)), 100, 3,
         [](int, int) { return vgaColour(0xC7); }, 769},
        {"24 bits", pcx(7, 3, 8, 3, 8, planes24), 7, 3, [](int x, int y) { return qRgb(x * 30, y * 80, 255 - x * 30); }},
    };
}

}  // namespace

TEST(Pcx, EachLayoutDecodesPixelForPixel) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.name);
        QString why;
        expectPixels(readPcx(s.file, &why), s.w, s.h, s.pixel);
        EXPECT_TRUE(why.isEmpty()) << why.toStdString();
    }
}

TEST(Pcx, TruncatedDamagedAndOversizedFilesFailWithAReason) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.name);
        for (qsizetype n = 0; n < s.file.size() - s.trailer; ++n) {
            QString why;
            EXPECT_TRUE(readPcx(s.file.left(n), &why).isNull()) << "prefix " << n;
            EXPECT_FALSE(why.isEmpty()) << "prefix " << n;
        }
    }
    const QByteArray good = samples().back().file;  // 7 × 3, 24 bits
    auto with = [&](std::initializer_list<std::pair<int, const char*>> patches) {
        QByteArray b = good;
        for (const auto& [at, hex] : patches) {
            const QByteArray bytes = QByteArray::fromHex(hex);
            b.replace(at, bytes.size(), bytes);
        }
        return b;
    };
    const QByteArray bad[] = {
        with({{0, "0b"}}),                       // not the PCX maker byte
        with({{2, "07"}}),                       // unknown encoding
        with({{4, "0900"}}),                     // xmin 9 beyond xmax 6
        with({{65, "02"}}),                      // 8 bits × 2 planes
        with({{66, "0200"}}),                    // 2 bytes per line for 7 pixels
        with({{3, "10"}}),                       // 16 bits per pixel
        with({{8, "ffffffff"}}),                 // 65536 × 65536
        with({{8, "ff1fff1f"}, {66, "0020"}}),  // 8192 × 8192 × 3 planes in a few bytes
    };
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray& b : bad) {
        QString why;
        EXPECT_TRUE(readPcx(b, &why).isNull());
        EXPECT_FALSE(why.isEmpty());
    }
    EXPECT_LT(timer.elapsed(), 2000);  // refused from the header, nothing allocated
}

// netpbm writes PCX and TGA files independently of these readers.
TEST(Netpbm, PcxAndTgaFilesReadBack) {
    const QString ppmtopcx = QStandardPaths::findExecutable("ppmtopcx");
    const QString pamtotga = QStandardPaths::findExecutable("pamtotga");
    if (ppmtopcx.isEmpty() || pamtotga.isEmpty()) GTEST_SKIP() << "netpbm is not installed";
    const int w = 13, h = 5;
    auto colour = [](int x, int y, int colours) {
        const int i = (x + 3 * y) % colours;
        return qRgb((i * 37) & 0xFF, (i * 91) & 0xFF, (i * 53) & 0xFF);
    };
    auto convert = [&](const QString& tool, QStringList args, int colours) {
        QByteArray ppm = QStringLiteral("P6\n%1 %2\n255\n").arg(w).arg(h).toLatin1();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ppm += rgb({colour(x, y, colours)});
        QProcess p;
        p.start(tool, args);
        p.write(ppm);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(30000));
        return p.readAllStandardOutput();
    };
    const struct {
        QStringList args;
        int colours;
    } pcxCases[] = {{{}, 2}, {{}, 16}, {{"-8bit"}, 16}, {{"-packed"}, 4}, {{"-24bit"}, 200}},
      tgaCases[] = {{{"-rgb"}, 200}, {{"-rgb", "-norle"}, 200}, {{"-cmap"}, 16}, {{"-cmap", "-norle"}, 16}};
    for (const auto& c : pcxCases) {
        SCOPED_TRACE(("ppmtopcx " + c.args.join(' ')).toStdString());
        expectPixels(readPcx(convert(ppmtopcx, c.args, c.colours)), w, h, [&](int x, int y) { return colour(x, y, c.colours); });
    }
    for (const auto& c : tgaCases) {
        SCOPED_TRACE(("pamtotga " + c.args.join(' ')).toStdString());
        expectPixels(readTga(convert(pamtotga, c.args, c.colours)), w, h, [&](int x, int y) { return colour(x, y, c.colours); });
    }
}

// The TGA reader: image types, pixel depths, row and column order, run-length
// packets across row ends; truncated, unsupported and oversized files.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "PictureTestFiles.h"
#include "pictures/PictureFiles.h"

using namespace brindle::pictures;
using namespace brindle::pictures::testfiles;

namespace {

const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255), kWhite = qRgb(255, 255, 255);

struct Sample {
    const char* name;
    QByteArray file;
    QList<QList<QRgb>> rows;  // top row first
};

QList<Sample> samples() {
    QByteArray p16;
    for (int v : {0x7C00, 0x03E0, 0x001F, 0x7FFF}) put16(p16, v);
    const QRgb halfRed = qRgba(255, 0, 0, 0x80);
    // A map of two 16-bit entries (blue, red); the helper writes 24-bit maps.
    QByteArray map16 = tga(1, 2, 1, 8, 0x20, QByteArray::fromHex("0100"), QByteArray::fromHex("1f00007c"));
    set16(map16, 5, 2);
    map16[7] = 16;
    return {
        {"24 bits, bottom row first", tga(2, 3, 2, 24, 0, rgb({kRed, kGreen, kBlue, kWhite, kRed, kGreen}, true)),
         {{kWhite, kRed, kGreen}, {kRed, kGreen, kBlue}}},
        {"16 bits, top row first", tga(2, 2, 2, 16, 0x20, p16), {{kRed, kGreen}, {kBlue, kWhite}}},
        // A run of three half-transparent reds over the row end, then a raw blue.
        {"32 bits with alpha, run-length", tga(10, 2, 2, 32, 0x28, QByteArray::fromHex("820000ff8000ff0000ff")),
         {{halfRed, halfRed}, {halfRed, kBlue}}},
        // Indices from 2 through a map starting at 2; each row right to left.
        {"colour-mapped, run-length", tga(9, 2, 2, 8, 0x30, QByteArray::fromHex("8102010304"), rgb({kRed, kGreen, kBlue}, true), 2),
         {{kRed, kRed}, {kBlue, kGreen}}},
        {"colour-mapped, 16-bit map", map16, {{kRed, kBlue}}},
        // Alpha declared but zero throughout: opaque, not invisible.
        {"32 bits, alpha all zero", tga(2, 2, 1, 32, 0x28, QByteArray::fromHex("0000ff00ff000000")), {{kRed, kBlue}}},
        {"grey", tga(3, 3, 1, 8, 0x20, QByteArray::fromHex("0080ff")), {{qRgb(0, 0, 0), qRgb(128, 128, 128), kWhite}}},
    };
}

}  // namespace

TEST(Tga, EachTypeAndOrderDecodes) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.name);
        QString why;
        const QImage img = readTga(s.file, &why);
        ASSERT_FALSE(img.isNull()) << why.toStdString();
        ASSERT_EQ(img.size(), QSize(int(s.rows[0].size()), int(s.rows.size())));
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) EXPECT_EQ(img.pixel(x, y), s.rows[y][x]) << x << "," << y;
    }
}

TEST(Tga, TruncatedUnsupportedAndOversizedFilesFailWithAReason) {
    QList<QByteArray> bad;
    for (const Sample& s : samples())
        for (qsizetype n = 0; n < s.file.size(); ++n) bad.append(s.file.left(n));
    QByteArray noMap = samples()[3].file, oddDepth = samples()[0].file, unknownType = oddDepth, huge = oddDepth,
               emptyRuns = samples()[2].file;
    noMap[1] = 0;  // colour-mapped without a map
    oddDepth[16] = 12;
    unknownType[2] = 32;
    set16(huge, 12, 0xFFFF);
    set16(huge, 14, 0xFFFF);
    set16(emptyRuns, 12, 16384);  // 16384 × 4096 run-length pixels in ten bytes
    set16(emptyRuns, 14, 4096);
    bad << noMap << oddDepth << unknownType << huge << emptyRuns;
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray& b : bad) {
        QString why;
        EXPECT_TRUE(readTga(b, &why).isNull()) << b.size();
        EXPECT_FALSE(why.isEmpty());
    }
    EXPECT_LT(timer.elapsed(), 2000);
}

// Loading picture files: each extension reaches its reader, icons land on
// white at the standard size, content decides for unknown or wrong
// extensions, metafiles keep their bytes (a plain WMF file gains a placeable
// header), and damaged, truncated or oversized files give a reason instead
// of a picture.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "PictureTestFiles.h"
#include "pictures/PictureFiles.h"

using namespace brindle::pictures;
using namespace brindle::pictures::testfiles;

namespace {

const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255), kWhite = qRgb(255, 255, 255);

// A 1 × 1 red GIF: clear code, index 0, end code.
const QByteArray kGif = QByteArray::fromHex("474946383961" "01000100" "800000" "ff0000000000"
                                            "2c" "00000000" "01000100" "00" "02" "024401" "00" "3b");

class PictureFiles : public ::testing::Test {
protected:
    PictureFile load(const QString& name, const QByteArray& bytes) {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        return loadPictureFile(f.fileName());
    }
    QImage bitmap(const QString& name, const QByteArray& bytes) {
        const PictureFile f = load(name, bytes);
        EXPECT_EQ(f.kind, PictureKind::Bitmap) << name.toStdString() << ": " << f.error.toStdString();
        return f.image;
    }
    QTemporaryDir dir_;
};

// 5 × 3: red, green, blue, white, red in the top row; blue below.
QImage pattern() {
    QImage img(5, 3, QImage::Format_RGB32);
    img.fill(kBlue);
    for (int x = 0; x < 5; ++x) img.setPixel(x, 0, QList<QRgb>{kRed, kGreen, kBlue, kWhite, kRed}[x]);
    return img;
}

// A single-image icon of one colour with its top-left pixel transparent.
QByteArray icon(int side, QRgb colour) {
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(colour);
    img.setPixel(0, 0, qRgba(0, 0, 0, 0));
    return saved(img, "ico");
}

QByteArray samplePcx() { return pcx(2, 1, 8, 3, 2, QByteArray::fromHex("ff0000ff0000")); }  // red, green
QByteArray sampleTga() { return tga(2, 2, 1, 24, 0x20, rgb({kGreen, kBlue}, true)); }

}  // namespace

TEST_F(PictureFiles, EachExtensionReachesItsReader) {
    const QByteArray bmp = saved(pattern(), "bmp");
    for (const char* name : {"a.BMP", "a.dib", "a.Rle"}) EXPECT_EQ(bitmap(name, bmp).pixel(1, 0), kGreen) << name;
    EXPECT_EQ(bitmap("headerless.dib", bmp.mid(14)).pixel(3, 0), kWhite);  // a DIB without its file header
    // RLE8, bottom row first: a run of four greens, then the top row in
    // absolute mode; RLE4: a run alternating the nibbles 1 and 2.
    const QImage rle8 = bitmap("a.rle", rleBmp(4, 2, 8, {kRed, kGreen, kBlue, kWhite}, QByteArray::fromHex("0401000000040001020300000001")));
    EXPECT_EQ(rle8.size(), QSize(4, 2));
    EXPECT_EQ(rle8.pixel(3, 0), kWhite);
    EXPECT_EQ(rle8.pixel(2, 1), kGreen);
    const QImage rle4 = bitmap("b.bmp", rleBmp(4, 1, 4, {kRed, kGreen, kBlue}, QByteArray::fromHex("04120001")));
    EXPECT_EQ(rle4.pixel(0, 0), kGreen);
    EXPECT_EQ(rle4.pixel(1, 0), kBlue);

    QImage solid(16, 8, QImage::Format_RGB32);
    solid.fill(qRgb(200, 40, 40));
    for (const char* name : {"a.jpg", "a.JPEG", "a.jif"}) {
        const QImage img = bitmap(name, saved(solid, "jpeg", 100));
        EXPECT_EQ(img.size(), QSize(16, 8));
        EXPECT_LE(std::abs(qRed(img.pixel(8, 4)) - 200) + std::abs(qGreen(img.pixel(8, 4)) - 40), 16);
    }
    EXPECT_EQ(bitmap("a.gif", kGif).pixel(0, 0), kRed);
    QImage translucent(4, 4, QImage::Format_ARGB32);
    translucent.fill(qRgba(0, 0, 255, 0x40));
    EXPECT_EQ(bitmap("a.png", saved(translucent, "png")).pixel(3, 3), qRgba(0, 0, 255, 0x40));  // flattened by the caller
    EXPECT_EQ(bitmap("a.pcx", samplePcx()).pixel(1, 0), kGreen);
    EXPECT_EQ(bitmap("a.tga", sampleTga()).pixel(1, 0), kBlue);

    // Icons: of a 16 × 16 and a 32 × 32 image the 32 × 32 one, else the
    // first; transparent pixels become white.
    const QImage standard = bitmap("a.ico", icoOf({icon(16, kRed), icon(32, kBlue)}));
    EXPECT_EQ(standard.size(), QSize(32, 32));
    EXPECT_FALSE(standard.hasAlphaChannel());
    EXPECT_EQ(standard.pixel(0, 0), kWhite);
    EXPECT_EQ(standard.pixel(5, 5), kBlue);
    const QImage first = bitmap("b.ico", icoOf({icon(16, kRed), icon(48, kBlue)}));
    EXPECT_EQ(first.size(), QSize(16, 16));
    EXPECT_EQ(first.pixel(8, 8), kRed);
}

TEST_F(PictureFiles, ContentDecidesForUnknownOrWrongExtensionsAndMetafilesKeepTheirBytes) {
    EXPECT_EQ(bitmap("png.bmp", saved(pattern(), "png")).pixel(1, 0), kGreen);
    EXPECT_EQ(bitmap("pcx.tga", samplePcx()).pixel(0, 0), kRed);
    EXPECT_EQ(bitmap("pcx.dat", samplePcx()).pixel(0, 0), kRed);
    EXPECT_EQ(bitmap("tga.img", sampleTga()).pixel(0, 0), kGreen);
    EXPECT_EQ(bitmap("noextension", kGif).size(), QSize(1, 1));
    // A TGA header is only guessed at for unknown extensions: these bytes
    // could pass for one, but under .bmp they stay an error.
    const PictureFile text = load("notes.bmp", QByteArray("x\x01\x02 plain text, not a picture"));
    EXPECT_FALSE(text.ok());
    EXPECT_FALSE(text.error.isEmpty());

    // A plain WMF file loads in placeable form; bytes in memory are kept.
    for (const QByteArray& bytes : {emfRectangle(), wmfRectangle(true), wmfRectangle(false)}) {
        for (const char* name : {"m.wmf", "m.EMF", "m.bin"}) {
            const PictureFile f = load(name, bytes);
            EXPECT_EQ(f.kind, PictureKind::Metafile) << name << ": " << f.error.toStdString();
            EXPECT_EQ(f.bytes, bytes == wmfRectangle(false) ? placeableMetafile(bytes) : bytes);
            EXPECT_EQ(decodePicture(bytes, "wmf").bytes, bytes);
        }
    }
    EXPECT_EQ(load("plain.wmf", wmfRectangle(false)).bytes.mid(22), wmfRectangle(false));
}

TEST_F(PictureFiles, DamagedFilesGiveAReason) {
    EXPECT_FALSE(loadPictureFile(dir_.filePath("absent.bmp")).error.isEmpty());
    EXPECT_FALSE(load("empty.png", {}).ok());

    // A PNG whose (checksummed) header claims 30000 × 30000 pixels: refused
    // from the header, before any decoding.
    QByteArray png = saved(pattern(), "png");
    qToBigEndian<quint32>(30000, png.data() + 16);
    qToBigEndian<quint32>(30000, png.data() + 20);
    quint32 crc = 0xFFFFFFFF;
    for (int i = 12; i < 29; ++i) {
        crc ^= uchar(png[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    qToBigEndian<quint32>(~crc, png.data() + 29);
    EXPECT_TRUE(decodePicture(png, "png").error.contains("too large"));

    // A truncated metafile never loads: it would keep bytes that cannot be
    // drawn. (The bitmap readers' truncation is covered with each reader.)
    for (const QByteArray& bytes : {wmfRectangle(true), emfRectangle()}) {
        for (qsizetype n = 0; n < bytes.size(); ++n) {
            const PictureFile part = decodePicture(bytes.left(n), "wmf");
            EXPECT_FALSE(part.ok()) << n;
            EXPECT_FALSE(part.error.isEmpty()) << n;
        }
    }
}

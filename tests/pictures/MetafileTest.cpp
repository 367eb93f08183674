// Windows metafiles: recognised and measured from their headers, drawn with
// their frame mapped onto the target (on screen and into a recorded picture),
// never drawn when damaged, and not misled by overstated header fields.
#include <gtest/gtest.h>

#include <QPainter>
#include <QPicture>

#include <sys/resource.h>

#include "PictureTestFiles.h"
#include "pictures/PictureFiles.h"

using namespace brindle::pictures;
using namespace brindle::pictures::testfiles;

namespace {

bool dark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 64; }

const QList<int> kBlackBrush = {0x02FC, 0, 0, 0, 0}, kNullPen = {0x02FA, 5, 0, 0, 0, 0}, kSelect0 = {0x012D, 0},
                 kSelect1 = {0x012D, 1};

// The metafile drawn into `target` (the whole image when empty) on white.
QImage drawn(const QByteArray& bytes, QSize size, bool* ok, QRectF target = {}) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    *ok = drawMetafile(p, target.isNull() ? QRectF(QPointF(0, 0), size) : target, bytes);
    return img;
}

}  // namespace

TEST(Metafile, RecognisedAndMeasuredFromTheirHeaders) {
    // Frame 2540 hundredths of a millimetre = 1 inch; placeable 1440 × 720
    // units at 1440 per inch; a plain WMF measures what it draws.
    EXPECT_EQ(metafileSize(emfRectangle()), QSize(96, 96));
    EXPECT_EQ(metafileSize(wmfRectangle(true)), QSize(96, 48));
    const QSize plain = metafileSize(wmfRectangle(false));
    EXPECT_GT(plain.width(), plain.height());
    EXPECT_GT(plain.height(), 0);
    for (const QByteArray& bytes : {emfRectangle(), wmfRectangle(true), wmfRectangle(false)}) EXPECT_TRUE(isMetafile(bytes));
    for (const QByteArray& other : {QByteArray(), QByteArray("BM") + QByteArray(100, '\0'), QByteArray(200, '\xff')}) {
        EXPECT_FALSE(isMetafile(other));
        EXPECT_TRUE(metafileSize(other).isEmpty());
    }
    // A frame of absurd size gives no natural size rather than a huge one.
    QByteArray wide = emfRectangle();
    set32(wide, 32, 0x7FFFFFFF);
    EXPECT_LE(metafileSize(wide).width(), kMaxPictureSide);
}

TEST(Metafile, TheFrameIsMappedOntoTheTarget) {
    bool ok = false;
    // EMF: the rectangle covers the middle half of its 1-inch frame, though
    // its bounds hold the rectangle alone.
    const QImage emf = drawn(emfRectangle(), {200, 200}, &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(dark(emf, 100, 100) && dark(emf, 60, 140));
    EXPECT_FALSE(dark(emf, 35, 35) || dark(emf, 165, 165));
    // Placeable WMF, 1 × 0.5 inch, the rectangle in its middle half.
    const QImage wmf = drawn(wmfRectangle(true), {200, 100}, &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(dark(wmf, 100, 50) && dark(wmf, 60, 35));
    EXPECT_FALSE(dark(wmf, 30, 15) || dark(wmf, 170, 85));
    // A plain WMF fills the target with what it draws; text draws too (libwmf
    // measures it with the URW fonts).
    EXPECT_TRUE(dark(drawn(wmfRectangle(false), {100, 50}, &ok), 50, 25));
    EXPECT_TRUE(ok);
    drawn(wmfRectangle(true, true), {200, 100}, &ok);
    EXPECT_TRUE(ok);
    // Into part of the painter's area: nothing lands outside the target.
    const QImage part = drawn(emfRectangle(), {200, 200}, &ok, QRectF(100, 100, 100, 100));
    EXPECT_TRUE(dark(part, 150, 150));
    EXPECT_FALSE(dark(part, 50, 50) || dark(part, 110, 110));
    // Alternating pictures (conversions are cached) each draw their own.
    for (int round = 0; round < 2; ++round) {
        EXPECT_FALSE(dark(drawn(emfRectangle(), {200, 200}, &ok), 35, 35));
        EXPECT_TRUE(dark(drawn(wmfRectangle(true), {200, 100}, &ok), 60, 35));
    }
}

TEST(Metafile, RecordsIntoAPictureForPrinting) {
    for (const QByteArray& bytes : {emfRectangle(), wmfRectangle(true)}) {
        QPicture pic;
        QPainter recorder(&pic);
        ASSERT_TRUE(drawMetafile(recorder, QRectF(0, 0, 200, 200), bytes));
        recorder.end();
        QImage img(200, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter(&img).drawPicture(0, 0, pic);
        EXPECT_TRUE(dark(img, 100, 100));
        EXPECT_FALSE(dark(img, 10, 10));
    }
}

TEST(Metafile, DamagedFilesAreNotDrawn) {
    bool ok = true;
    for (const QByteArray& bytes : {emfRectangle(), wmfRectangle(true), wmfRectangle(false)}) {
        for (qsizetype n = 0; n < bytes.size(); ++n) {  // every truncation loses the end record
            const QImage img = drawn(bytes.left(n), {20, 20}, &ok);
            EXPECT_FALSE(ok || dark(img, 10, 10)) << n;
            (void)metafileSize(bytes.left(n));
        }
    }
    // A record of size zero (which would never advance) and one reaching past
    // the end of the file.
    QByteArray zero = wmfRectangle(false), beyond = emfRectangle();
    set32(zero, 18, 0);
    set32(beyond, 88 + 4, 4000);
    for (const QByteArray& bad : {zero, beyond}) {
        drawn(bad, {20, 20}, &ok);
        EXPECT_FALSE(ok);
    }
}

TEST(Metafile, AConversionThatCannotStartIsTriedAgain) {
    // With no file descriptors to spare the converter cannot be started; that
    // says nothing about the picture, which draws once it can.
    const QByteArray bytes = wmfOf({kBlackBrush, kSelect0, {0x041B, 300, 300, 10, 10}});
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    bool ok = true;
    drawn(bytes, {20, 20}, &ok);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(dark(drawn(bytes, {20, 20}, &ok), 10, 10));
    EXPECT_TRUE(ok);
}

TEST(Metafile, OverstatedHeaderFieldsDoNotStopDrawing) {
    // The largest-record count of a WMF, and the byte count and description
    // of an EMF header, far beyond the file: the converters get the true
    // values.
    QByteArray wmf = wmfRectangle(true), emf = emfRectangle();
    set32(wmf, 22 + 12, 0x6D616E73);
    set32(emf, 48, 0x7FFFFFF0);
    set32(emf, 60, 0x90);
    set32(emf, 64, 0x20);
    for (const QByteArray& bytes : {wmf, emf}) {
        bool ok = false;
        EXPECT_TRUE(dark(drawn(bytes, {200, 200}, &ok), 100, 100));
        EXPECT_TRUE(ok);
    }
}

namespace {

// The 22-byte placeable header's fields as signed words, and whether its
// checksum (the XOR of the first ten words) holds.
QList<int> placeableBox(const QByteArray& b) {
    QList<int> box;
    for (int at = 6; at <= 14; at += 2) box << qFromLittleEndian<qint16>(b.constData() + at);
    return box;
}
bool checksumHolds(const QByteArray& b) {
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= qFromLittleEndian<quint16>(b.constData() + i);
    return sum == qFromLittleEndian<quint16>(b.constData() + 20);
}
int differing(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += dark(a, x, y) != dark(b, x, y);
    return n;
}

}  // namespace

TEST(Metafile, PlainFilesGainAPlaceableHeaderThatKeepsSizeAndDrawing) {
    // The window (100, 50) + 1440 × 720 framing a filled rectangle; the same
    // rectangle with no window records, framed by what it draws.
    const QByteArray windowed = wmfOf({{0x020B, 50, 100}, {0x020C, 720, 1440}, kBlackBrush, kNullPen, kSelect0, kSelect1,
                                       {0x041B, 770, 1540, 50, 100}});
    const QByteArray unframed = wmfOf({kBlackBrush, kSelect0, {0x041B, 540, 1080, 180, 360}});
    const QList<QList<int>> boxes = {{100, 50, 1540, 770}, {360, 180, 1081, 541}};
    for (int i = 0; i < 2; ++i) {
        const QByteArray plain = i == 0 ? windowed : unframed;
        const QByteArray placeable = placeableMetafile(plain);
        ASSERT_EQ(placeable.size(), plain.size() + 22);
        EXPECT_EQ(qFromLittleEndian<quint32>(placeable.constData()), 0x9AC6CDD7u);
        EXPECT_TRUE(checksumHolds(placeable));
        EXPECT_EQ(placeableBox(placeable).mid(0, 4), boxes[i]);
        EXPECT_EQ(placeable.mid(22), plain);
        // The plain picture is measured with half a pen width beyond each
        // edge, which whole logical units cannot always keep.
        const QSize before = metafileSize(plain), after = metafileSize(placeable);
        EXPECT_NEAR(after.width(), before.width(), 1);
        EXPECT_NEAR(after.height(), before.height(), 1);
        EXPECT_EQ(after, i == 0 ? QSize(1920, 960) : before);
        bool ok1 = false, ok2 = false;
        EXPECT_LE(differing(drawn(plain, {200, 100}, &ok1), drawn(placeable, {200, 100}, &ok2)), 200);
        EXPECT_TRUE(ok1 && ok2);
        EXPECT_EQ(placeableMetafile(placeable), placeable);  // already placeable: unchanged
    }
    EXPECT_EQ(placeableMetafile(emfRectangle()), emfRectangle());
    EXPECT_EQ(placeableMetafile(wmfRectangle(true)), wmfRectangle(true));
    // A window whose mapping the natural size does not follow (a stretching
    // mapping mode with no viewport) has no box that keeps the size: kept.
    const QByteArray stretched = wmfOf({{0x0103, 8}, {0x020B, 0, 0}, {0x020C, 720, 1440}, kBlackBrush, kSelect0,
                                        {0x041B, 720, 1440, 0, 0}});
    EXPECT_EQ(placeableMetafile(stretched), stretched);
    // Damaged or foreign bytes come back as they are.
    const QByteArray cut = windowed.left(windowed.size() - 6);
    EXPECT_EQ(placeableMetafile(cut), cut);
    EXPECT_EQ(placeableMetafile(QByteArray("plain text")), QByteArray("plain text"));
}

TEST(Metafile, APlaceableBoxAwayFromTheWindowOriginShowsTheBox) {
    // Box (100, 100)-(1540, 820) at 1440 per inch, no window origin record,
    // a rectangle filling the box: the whole target is covered.
    QByteArray b;
    put32(b, 0x9AC6CDD7);
    for (int v : {0, 100, 100, 1540, 820, 1440, 0, 0}) put16(b, v);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= qFromLittleEndian<quint16>(b.constData() + i);
    put16(b, sum);
    b += wmfOf({kBlackBrush, kSelect0, {0x041B, 820, 1540, 100, 100}});
    EXPECT_EQ(metafileSize(b), QSize(96, 48));
    bool ok = false;
    const QImage img = drawn(b, {200, 100}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(dark(img, 3, 3) && dark(img, 196, 96));
}

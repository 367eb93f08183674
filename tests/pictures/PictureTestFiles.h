#pragma once
// Small writers for the picture files the tests feed to the readers: each
// builds a valid file from known pixels, so a test can check what comes out.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <initializer_list>

namespace brindle::pictures::testfiles {

inline void put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
inline void put32(QByteArray& b, qint64 v) {
    put16(b, int(v & 0xFFFF));
    put16(b, int((v >> 16) & 0xFFFF));
}
inline void set32(QByteArray& b, int at, qint64 v) { qToLittleEndian<quint32>(quint32(v), b.data() + at); }
inline void set16(QByteArray& b, int at, int v) { qToLittleEndian<quint16>(quint16(v), b.data() + at); }

inline QByteArray rgb(std::initializer_list<QRgb> colours, bool bgr = false) {
    QByteArray b;
    for (QRgb c : colours) {
        b.append(char(bgr ? qBlue(c) : qRed(c)));
        b.append(char(qGreen(c)));
        b.append(char(bgr ? qRed(c) : qBlue(c)));
    }
    return b;
}

// A PCX file from its scan lines (each `planes` × `bytesPerLine` bytes). The
// run-length encoder runs over the whole stream, so runs cross line ends.
inline QByteArray pcx(int w, int h, int bpp, int planes, int bytesPerLine, const QByteArray& lines,
                      const QByteArray& headerPalette = {}, const QByteArray& vgaPalette = {}) {
    QByteArray b(128, '\0');
    b[0] = 10, b[1] = 5, b[2] = 1, b[3] = char(bpp), b[65] = char(planes);
    set16(b, 8, w - 1);
    set16(b, 10, h - 1);
    set16(b, 66, bytesPerLine);
    b.replace(16, headerPalette.size(), headerPalette);
    for (int i = 0; i < lines.size();) {
        int n = 1;
        while (i + n < lines.size() && lines[i + n] == lines[i] && n < 63) ++n;
        if (n > 1 || (uchar(lines[i]) & 0xC0) == 0xC0) b.append(char(0xC0 | n));
        b.append(lines[i]);
        i += n;
    }
    if (!vgaPalette.isEmpty()) b.append(char(0x0C)).append(vgaPalette);
    return b;
}

// A TGA file with a three-byte identification field; the pixels are given in
// file order (and already run-length encoded for types 9 to 11).
inline QByteArray tga(int type, int w, int h, int depth, int descriptor, const QByteArray& pixels,
                      const QByteArray& colourMap = {}, int mapFirst = 0) {
    QByteArray b(18, '\0');
    b[0] = 3, b[1] = char(colourMap.isEmpty() ? 0 : 1), b[2] = char(type);
    set16(b, 3, mapFirst);
    set16(b, 5, int(colourMap.size() / 3));
    b[7] = char(colourMap.isEmpty() ? 0 : 24);
    set16(b, 12, w);
    set16(b, 14, h);
    b[16] = char(depth), b[17] = char(descriptor);
    return b + "abc" + colourMap + pixels;
}

// A BMP compressed with RLE8 or RLE4, from its encoded data.
inline QByteArray rleBmp(int w, int h, int bitCount, const QList<QRgb>& palette, const QByteArray& encoded) {
    const int offset = 14 + 40 + 4 * int(palette.size());
    QByteArray b("BM");
    for (qint64 v : {qint64(offset + encoded.size()), qint64(0), qint64(offset), qint64(40), qint64(w), qint64(h)}) put32(b, v);
    put16(b, 1);
    put16(b, bitCount);
    for (qint64 v : {qint64(bitCount == 8 ? 1 : 2), qint64(encoded.size()), qint64(2835), qint64(2835), qint64(palette.size()), qint64(0)})
        put32(b, v);
    for (QRgb c : palette) put32(b, c & 0xFFFFFF);
    return b + encoded;
}

inline QByteArray saved(const QImage& image, const char* format, int quality = -1) {
    QByteArray b;
    QBuffer buffer(&b);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return b;
}

// One icon file holding the images of several single-image icon files.
inline QByteArray icoOf(const QList<QByteArray>& singles) {
    QByteArray head, data;
    put16(head, 0);
    put16(head, 1);
    put16(head, int(singles.size()));
    for (const QByteArray& one : singles) {
        QByteArray entry = one.mid(6, 16);
        set32(entry, 12, 6 + 16 * singles.size() + data.size());
        head.append(entry);
        data.append(one.mid(qFromLittleEndian<quint32>(one.constData() + 18), qFromLittleEndian<quint32>(one.constData() + 14)));
    }
    return head + data;
}

// An EMF whose reference device has 100 pixels per inch (1000 pixels on
// 254 mm): a black rectangle from (25, 25) to (75, 75) in a frame of 1 × 1
// inch (0 to 2540 hundredths of a millimetre, so 100 device pixels).
inline QByteArray emfRectangle() {
    QByteArray b;
    for (qint64 v : {1, 88, 25, 25, 75, 75, 0, 0, 2540, 2540, 0x464D4520, 0x10000, 0, 4}) put32(b, v);
    put16(b, 1);  // handles
    put16(b, 0);
    for (qint64 v : {0, 0, 0, 1000, 1000, 254, 254}) put32(b, v);
    for (qint64 v : {37LL, 12LL, 0x80000004LL}) put32(b, v);  // select the stock black brush
    for (qint64 v : {43, 24, 25, 25, 75, 75}) put32(b, v);  // rectangle
    for (qint64 v : {14, 20, 0, 16, 20}) put32(b, v);  // end of file
    set32(b, 48, b.size());
    return b;
}

// A plain WMF from its records (function, then parameters); the end record
// is added.
inline QByteArray wmfOf(QList<QList<int>> records) {
    QByteArray b;
    for (int v : {1, 9, 0x300, 0, 0, 2, 0, 0, 0}) put16(b, v);
    records.append(QList<int>{0});
    int largest = 0;
    for (const QList<int>& r : records) {
        put32(b, 2 + r.size());
        for (int v : r) put16(b, v);
        largest = std::max(largest, int(2 + r.size()));
    }
    set32(b, 6, b.size() / 2);
    set32(b, 12, largest);
    return b;
}

// A WMF with a black rectangle from (360, 180) to (1080, 540) in a window of
// 1440 × 720 units; placeable at 1440 units per inch (1 × 0.5 inch) or plain;
// with text "Hi" in Arial on request.
inline QByteArray wmfRectangle(bool placeable, bool withText = false) {
    QByteArray b;
    if (placeable) {
        put32(b, 0x9AC6CDD7);
        for (int v : {0, 0, 0, 1440, 720, 1440, 0, 0}) put16(b, v);
        quint16 sum = 0;
        for (int i = 0; i < 20; i += 2) sum ^= qFromLittleEndian<quint16>(b.constData() + i);
        put16(b, sum);
    }
    QList<QList<int>> records = {{0x020B, 0, 0}, {0x020C, 720, 1440}, {0x02FC, 0, 0, 0, 0}, {0x012D, 0},
                                 {0x041B, 540, 1080, 180, 360}};
    if (withText) {
        // Height, width, escapement, orientation, weight, four words of flags,
        // then the 32-byte face name.
        QList<int> font = {0x02FB, 200, 0, 0, 0, 400, 0, 0, 0, 0, 'A' | 'r' << 8, 'i' | 'a' << 8, 'l'};
        while (font.size() < 26) font.append(0);
        records << font << QList<int>{0x012D, 1} << QList<int>{0x0521, 2, 'H' | 'i' << 8, 100, 100};
    }
    return b + wmfOf(records);
}

}  // namespace brindle::pictures::testfiles

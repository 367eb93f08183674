// PCX reader: a 128-byte header, then the scan lines run-length encoded one
// after the other (each line holds every plane in turn, `bytesPerLine` bytes
// per plane), then for 256-colour pictures a 0x0C byte and a 768-byte palette.
#include <QColor>
#include <QVector>

#include <algorithm>
#include <array>

#include "pictures/PictureBytes.h"
#include "pictures/PictureFiles.h"

namespace brindle::pictures {

namespace {

using namespace detail;

constexpr int kHeaderSize = 128;
constexpr int kVgaPaletteSize = 769;  // the 0x0C marker and 256 RGB triples

// The colours of 16-colour pictures that carry no palette of their own.
constexpr std::array<QRgb, 16> kEgaPalette = {
    0xFF000000, 0xFF0000AA, 0xFF00AA00, 0xFF00AAAA, 0xFFAA0000, 0xFFAA00AA, 0xFFAA5500, 0xFFAAAAAA,
    0xFF555555, 0xFF5555FF, 0xFF55FF55, 0xFF55FFFF, 0xFFFF5555, 0xFFFF55FF, 0xFFFFFF55, 0xFFFFFFFF,
};

// Decodes the run-length stream: a byte with both top bits set repeats the
// next byte (its low six bits) times; any other byte stands for itself. Runs
// may carry over from one scan line to the next.
class RleStream {
public:
    RleStream(const QByteArray& data, qint64 start, bool encoded)
        : p_(reinterpret_cast<const uchar*>(data.constData()) + start),
          end_(reinterpret_cast<const uchar*>(data.constData()) + data.size()),
          begin_(reinterpret_cast<const uchar*>(data.constData())),
          encoded_(encoded) {}

    // Fills `n` bytes; false when the data ends first.
    bool read(uchar* out, qint64 n) {
        while (n > 0) {
            if (runLeft_ > 0) {
                const qint64 k = std::min<qint64>(runLeft_, n);
                std::fill_n(out, k, runValue_);
                out += k;
                n -= k;
                runLeft_ -= static_cast<int>(k);
                continue;
            }
            if (p_ >= end_) return false;
            const uchar b = *p_++;
            if (encoded_ && (b & 0xC0) == 0xC0) {
                if (p_ >= end_) return false;
                runValue_ = *p_++;
                runLeft_ = b & 0x3F;  // a zero count is an empty run
            } else {
                *out++ = b;
                --n;
            }
        }
        return true;
    }

    qint64 offset() const { return p_ - begin_; }

private:
    const uchar* p_;
    const uchar* end_;
    const uchar* begin_;
    bool encoded_;
    int runLeft_ = 0;
    uchar runValue_ = 0;
};

QVector<QRgb> headerPalette(const QByteArray& data, int version, int colours) {
    QVector<QRgb> table(colours);
    bool blank = true;
    for (int i = 0; i < 16 * 3; ++i) blank = blank && u8(data, 16 + i) == 0;
    // Version 3 files have no palette; some writers leave it zeroed.
    const bool useDefault = version == 3 || blank;
    for (int i = 0; i < colours; ++i) {
        table[i] = useDefault ? kEgaPalette[i]
                              : qRgb(u8(data, 16 + 3 * i), u8(data, 17 + 3 * i), u8(data, 18 + 3 * i));
    }
    return table;
}

}  // namespace

QImage readPcx(const QByteArray& data, QString* error) {
    if (!has(data, 0, kHeaderSize)) {
        setError(error, QStringLiteral("the PCX header is incomplete"));
        return {};
    }
    const int manufacturer = u8(data, 0);
    const int version = u8(data, 1);
    const int encoding = u8(data, 2);
    const int bpp = u8(data, 3);
    const int planes = u8(data, 65);
    const qint64 bytesPerLine = u16(data, 66);
    if (manufacturer != 10 || version > 5 || encoding > 1) {
        setError(error, QStringLiteral("not a PCX file"));
        return {};
    }
    const qint64 xmin = u16(data, 4), ymin = u16(data, 6), xmax = u16(data, 8), ymax = u16(data, 10);
    if (xmax < xmin || ymax < ymin) {
        setError(error, QStringLiteral("the PCX picture has no pixels"));
        return {};
    }
    const qint64 w = xmax - xmin + 1, h = ymax - ymin + 1;
    if (!sizeAllowed(w, h, error)) return {};

    enum Layout { Indexed, Planar, Rgb } layout;
    if (planes == 1 && (bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8)) layout = Indexed;
    else if (bpp == 1 && planes >= 2 && planes <= 4) layout = Planar;
    else if (bpp == 8 && (planes == 3 || planes == 4)) layout = Rgb;
    else {
        setError(error, QStringLiteral("PCX pictures of %1 bits × %2 planes are not supported").arg(bpp).arg(planes));
        return {};
    }
    if (bytesPerLine * 8 < w * bpp) {
        setError(error, QStringLiteral("the PCX line length is too short for the width"));
        return {};
    }
    const qint64 lineBytes = bytesPerLine * planes;
    // Two encoded bytes expand to at most 63, so a file this short cannot
    // hold the picture: refuse before allocating anything.
    const qint64 available = data.size() - kHeaderSize;
    if (encoding == 1 ? available * 32 < lineBytes * h : available < lineBytes * h) {
        setError(error, QStringLiteral("the PCX data is truncated"));
        return {};
    }

    const auto format = layout == Rgb ? QImage::Format_RGB32 : QImage::Format_Indexed8;
    QImage image(static_cast<int>(w), static_cast<int>(h), format);
    if (image.isNull()) {
        setError(error, QStringLiteral("not enough memory for the PCX picture"));
        return {};
    }
    QByteArray line(lineBytes, '\0');
    auto* in = reinterpret_cast<uchar*>(line.data());
    RleStream rle(data, kHeaderSize, encoding == 1);
    for (int y = 0; y < h; ++y) {
        if (!rle.read(in, lineBytes)) {
            setError(error, QStringLiteral("the PCX data is truncated"));
            return {};
        }
        uchar* out = image.scanLine(y);
        if (layout == Indexed) {
            const int perByte = 8 / bpp;
            const int mask = (1 << bpp) - 1;
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - bpp * (x % perByte + 1);
                out[x] = static_cast<uchar>((in[x / perByte] >> shift) & mask);
            }
        } else if (layout == Planar) {
            for (int x = 0; x < w; ++x) {
                int v = 0;
                for (int p = 0; p < planes; ++p) v |= ((in[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p;
                out[x] = static_cast<uchar>(v);
            }
        } else {
            auto* px = reinterpret_cast<QRgb*>(out);
            for (int x = 0; x < w; ++x) px[x] = qRgb(in[x], in[bytesPerLine + x], in[2 * bytesPerLine + x]);
        }
    }

    if (layout == Planar) {
        image.setColorTable(headerPalette(data, version, 1 << planes));
    } else if (layout == Indexed && bpp == 1) {
        // Two colours from the header when it names two; a blank header (or
        // the start of the standard 16-colour one) means black and white.
        QVector<QRgb> two = headerPalette(data, 5, 2);
        if (two[0] == two[1] || (two[0] == kEgaPalette[0] && two[1] == kEgaPalette[1]))
            two = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        image.setColorTable(two);
    } else if (layout == Indexed && bpp < 8) {
        image.setColorTable(headerPalette(data, version, 1 << bpp));
    } else if (layout == Indexed) {
        // The 256-colour palette follows the picture data; without one the
        // values are shades of grey.
        const qint64 at = data.size() - kVgaPaletteSize;
        QVector<QRgb> table(256);
        const bool palette = at >= rle.offset() && u8(data, at) == 0x0C;
        for (int i = 0; i < 256; ++i) {
            table[i] = palette ? qRgb(u8(data, at + 1 + 3 * i), u8(data, at + 2 + 3 * i), u8(data, at + 3 + 3 * i))
                               : qRgb(i, i, i);
        }
        image.setColorTable(table);
    }
    return image;
}

}  // namespace brindle::pictures

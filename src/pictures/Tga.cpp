// TGA reader: an 18-byte header, an optional identification field, an
// optional colour map, then the pixels (raw, or in run-length packets of up to
// 128 pixels), bottom row first unless the descriptor says otherwise.
#include <QColor>
#include <QVector>

#include "pictures/PictureBytes.h"
#include "pictures/PictureFiles.h"

namespace brindle::pictures {

namespace {

using namespace detail;

constexpr int kHeaderSize = 18;

std::uint32_t valueAt(const uchar* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}

int five(std::uint32_t v) { return static_cast<int>((v & 31) * 255 / 31); }

// A colour of `bits` bits as stored: 15/16 are 5-5-5 (the top bit is an
// attribute, not used), 24/32 are blue, green, red (and alpha).
QRgb colourOf(std::uint32_t v, int bits, bool alpha) {
    switch (bits) {
        case 15:
        case 16:
            return qRgb(five(v >> 10), five(v >> 5), five(v));
        case 24:
            return qRgb((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        default:
            return alpha ? qRgba((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF, (v >> 24) & 0xFF)
                         : qRgb((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
}

}  // namespace

QImage readTga(const QByteArray& data, QString* error) {
    if (!has(data, 0, kHeaderSize)) {
        setError(error, QStringLiteral("the TGA header is incomplete"));
        return {};
    }
    const int idLength = u8(data, 0);
    const int mapType = u8(data, 1);
    const int type = u8(data, 2);
    const int mapFirst = u16(data, 3);
    const int mapLength = u16(data, 5);
    const int mapBits = u8(data, 7);
    const qint64 w = u16(data, 12), h = u16(data, 14);
    const int depth = u8(data, 16);
    const int descriptor = u8(data, 17);

    const int kind = type & 7;  // 1 colour-mapped, 2 true colour, 3 grey
    const bool rle = type & 8;
    bool supported = (type & ~0xB) == 0 && kind >= 1 && kind <= 3 && mapType <= 1;
    if (kind == 1) supported = supported && mapType == 1 && depth == 8 && mapLength > 0;
    if (kind == 2) supported = supported && (depth == 15 || depth == 16 || depth == 24 || depth == 32);
    if (kind == 3) supported = supported && depth == 8;
    if (mapType == 1) supported = supported && (mapBits == 15 || mapBits == 16 || mapBits == 24 || mapBits == 32);
    if (!supported) {
        setError(error, QStringLiteral("not a TGA picture this program reads"));
        return {};
    }
    if (!sizeAllowed(w, h, error)) return {};

    const int mapEntryBytes = (mapBits + 7) / 8;
    const qint64 mapOffset = kHeaderSize + idLength;
    const qint64 pixelOffset = mapOffset + (mapType == 1 ? qint64(mapLength) * mapEntryBytes : 0);
    const int pixelBytes = (depth + 7) / 8;
    const qint64 available = data.size() - pixelOffset;
    const qint64 needed = w * h * pixelBytes;
    // A run packet of 1 + pixelBytes bytes covers at most 128 pixels.
    if (available < 0 || (rle ? available * 128 < w * h : available < needed)) {
        setError(error, QStringLiteral("the TGA data is truncated"));
        return {};
    }

    QVector<QRgb> map;
    if (kind == 1) {
        map.resize(mapLength);
        const auto* m = reinterpret_cast<const uchar*>(data.constData()) + mapOffset;
        for (int i = 0; i < mapLength; ++i)
            map[i] = colourOf(valueAt(m + i * mapEntryBytes, mapEntryBytes), mapBits, false);
    }
    const bool alpha = kind == 2 && depth == 32 && (descriptor & 0x0F) != 0;
    QImage image(static_cast<int>(w), static_cast<int>(h), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) {
        setError(error, QStringLiteral("not enough memory for the TGA picture"));
        return {};
    }
    const bool rightToLeft = descriptor & 0x10;
    const bool topDown = descriptor & 0x20;

    auto colour = [&](std::uint32_t v) -> QRgb {
        if (kind == 3) return qRgb(v, v, v);
        if (kind == 2) return colourOf(v, depth, alpha);
        const qint64 i = qint64(v) - mapFirst;
        return i >= 0 && i < map.size() ? map[i] : qRgb(0, 0, 0);
    };
    const qint64 total = w * h;
    qint64 k = 0;
    auto put = [&](QRgb c) {
        const int x = static_cast<int>(k % w), row = static_cast<int>(k / w);
        const int px = rightToLeft ? static_cast<int>(w) - 1 - x : x;
        const int py = topDown ? row : static_cast<int>(h) - 1 - row;
        reinterpret_cast<QRgb*>(image.scanLine(py))[px] = c;
        ++k;
    };

    QRgb c = 0;
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + pixelOffset;
    const auto* end = reinterpret_cast<const uchar*>(data.constData()) + data.size();
    bool truncated = false;
    while (k < total && !truncated) {
        int count = 1;
        bool run = false;
        if (rle) {
            if (p >= end) break;
            count = (*p & 0x7F) + 1;
            run = *p & 0x80;
            ++p;
        }
        for (int i = 0; i < count && k < total; ++i) {
            if (i == 0 || !run) {
                if (end - p < pixelBytes) {
                    truncated = true;
                    break;
                }
                c = colour(valueAt(p, pixelBytes));
                p += pixelBytes;
            }
            put(c);
        }
    }
    if (k < total) {
        setError(error, QStringLiteral("the TGA data is truncated"));
        return {};
    }
    // Many writers declare alpha bits and leave them all zero; such a picture
    // is meant opaque, not invisible.
    if (alpha) {
        bool anyAlpha = false;
        for (int y = 0; y < h && !anyAlpha; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < w && !anyAlpha; ++x) anyAlpha = qAlpha(row[x]) != 0;
        }
        if (!anyAlpha) image.reinterpretAsFormat(QImage::Format_RGB32);
    }
    return image;
}

}  // namespace brindle::pictures

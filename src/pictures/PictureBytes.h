#pragma once
// Little-endian field access and the shared size checks of the picture
// readers. Every read is bounds-checked against the buffer.
#include <QByteArray>
#include <QString>

#include <cstdint>

#include "pictures/PictureFiles.h"

namespace brindle::pictures::detail {

inline bool has(const QByteArray& b, qint64 offset, qint64 count) {
    return offset >= 0 && count >= 0 && offset <= b.size() && count <= b.size() - offset;
}

// Callers check has() first; out-of-range reads give 0 rather than reading
// past the buffer.
inline std::uint8_t u8(const QByteArray& b, qint64 at) {
    return has(b, at, 1) ? static_cast<std::uint8_t>(b[at]) : 0;
}
inline std::uint16_t u16(const QByteArray& b, qint64 at) {
    return static_cast<std::uint16_t>(u8(b, at) | (u8(b, at + 1) << 8));
}
inline std::uint32_t u32(const QByteArray& b, qint64 at) {
    return static_cast<std::uint32_t>(u16(b, at)) | (static_cast<std::uint32_t>(u16(b, at + 2)) << 16);
}
inline std::int16_t s16(const QByteArray& b, qint64 at) { return static_cast<std::int16_t>(u16(b, at)); }
inline std::int32_t s32(const QByteArray& b, qint64 at) { return static_cast<std::int32_t>(u32(b, at)); }

// Whether a picture of w × h pixels may be allocated; otherwise sets the reason.
inline bool sizeAllowed(qint64 w, qint64 h, QString* error) {
    if (w < 1 || h < 1) {
        if (error) *error = QStringLiteral("the picture has no pixels");
        return false;
    }
    if (w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels) {
        if (error) *error = QStringLiteral("the picture is too large (%1 × %2 pixels)").arg(w).arg(h);
        return false;
    }
    return true;
}

// Whether a metafile's record chain lies inside the bytes and ends with the
// end-of-file record (Metafile.cpp).
bool metafileIntact(const QByteArray& bytes);

inline void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

}  // namespace brindle::pictures::detail

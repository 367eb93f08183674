#pragma once
// Reading picture files for design objects: bitmaps of every supported
// format decode to a QImage; Windows metafiles (WMF, placeable WMF, EMF) are
// kept as their bytes, so a design holding one round-trips byte for byte, and
// are drawn on demand. A plain WMF loaded from a file is given a placeable
// header (placeableMetafile), the form in which a design stores WMF pictures.
// Every reader survives truncated and garbled input: a picture that cannot be
// read yields an error text, never a crash.
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace brindle::pictures {

enum class PictureKind { None, Bitmap, Metafile };

struct PictureFile {
    PictureKind kind = PictureKind::None;
    QImage image;        // Bitmap: the decoded picture
    QByteArray bytes;    // Metafile: its bytes
    QString error;       // why nothing was read
    // The format needs an image plugin that is not installed; `error` then
    // holds missingDecoderText().
    bool decoderMissing = false;
    bool ok() const { return kind != PictureKind::None; }
};

// The message (and its title) for a picture whose decoder is not installed.
QString missingDecoderText();
QString missingDecoderTitle();

// Limits every reader applies before it allocates: damaged or hostile headers
// cannot ask for more than this.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr qint64 kMaxPicturePixels = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxPictureFileBytes = 256LL * 1024 * 1024;

// Loads a picture file, choosing the reader by the extension (any case):
// BMP, DIB, RLE, JPG, JPEG, JIF, GIF, PNG, ICO, TGA, PCX, WMF, EMF; other
// extensions are tried by their content. A plain WMF comes back in placeable
// form.
PictureFile loadPictureFile(const QString& path);
// The same for bytes in memory, which are kept as given (a plain WMF stays
// plain); `extension` without the dot, may be empty.
PictureFile decodePicture(const QByteArray& bytes, const QString& extension);

// PCX (1-, 4-, 8- and 24-bit, run-length encoded). A null image and a reason
// for anything it cannot read.
QImage readPcx(const QByteArray& data, QString* error = nullptr);
// Truevision TGA: colour-mapped, true-colour and grey, raw or run-length
// encoded, either row order.
QImage readTga(const QByteArray& data, QString* error = nullptr);

// Whether the bytes are a metafile (WMF, placeable WMF or EMF).
bool isMetafile(const QByteArray& bytes);
// A plain WMF with the 22-byte placeable header put in front, framing the
// window the file sets up (else what it draws) at the same natural size; the
// bytes as they are when no such frame can be found, and for placeable WMF,
// EMF and anything else.
QByteArray placeableMetafile(const QByteArray& bytes);
// A metafile's natural size in pixels at 96 per inch (empty when unknown).
QSize metafileSize(const QByteArray& bytes);
// Draws a metafile stretched into `target`; false when it cannot be drawn.
bool drawMetafile(QPainter& painter, const QRectF& target, const QByteArray& bytes);

}  // namespace brindle::pictures

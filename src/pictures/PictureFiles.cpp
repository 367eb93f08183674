// Choosing a reader for a picture file, and the bitmap formats that Qt's
// image readers decode.
#include "pictures/PictureFiles.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

#include "pictures/PictureBytes.h"

namespace brindle::pictures {

namespace {

using namespace detail;

PictureFile failed(const QString& why) {
    return {PictureKind::None, {}, {}, why.isEmpty() ? QStringLiteral("the picture cannot be read") : why};
}

PictureFile bitmap(const QImage& image) { return {PictureKind::Bitmap, image, {}, {}}; }

PictureFile missingDecoder() {
    PictureFile f = failed(missingDecoderText());
    f.decoderMissing = true;
    return f;
}

// BMP (with DIB) and PNG are built into QtGui; the others are plugins.
bool qtReads(const char* format) {
    const QByteArray f(format);
    return f == "bmp" || f == "dib" || f == "png" || QImageReader::supportedImageFormats().contains(f);
}

// A reader over the bytes that refuses oversized pictures before decoding.
struct LimitedReader {
    QByteArray bytes;
    QBuffer buffer;
    QImageReader reader;

    LimitedReader(const QByteArray& data, const char* format) : bytes(data), buffer(&bytes) {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(format);
        reader.setDecideFormatFromContent(false);
        reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)));
    }

    bool sizeAllowed(QString* error) {
        const QSize s = reader.size();
        return !s.isValid() || detail::sizeAllowed(s.width(), s.height(), error);
    }
};

PictureFile readWithQt(const QByteArray& bytes, const char* format) {
    if (!qtReads(format)) return missingDecoder();
    LimitedReader r(bytes, format);
    QString why;
    if (!r.sizeAllowed(&why)) return failed(why);
    QImage image = r.reader.read();
    if (image.isNull()) return failed(r.reader.errorString());
    return bitmap(image);
}

// A device-independent bitmap file is a BMP file without its 14-byte file
// header; many carry the header all the same.
PictureFile readDib(const QByteArray& bytes) {
    return readWithQt(bytes, bytes.startsWith("BM") ? "bmp" : "dib");
}

// Icons are drawn on white at the icon's size. Of several images the first
// 32 × 32 one is taken (the desktop's standard icon size), else the first.
PictureFile readIcon(const QByteArray& bytes) {
    if (!qtReads("ico")) return missingDecoder();
    LimitedReader r(bytes, "ico");
    QImage chosen;
    const int count = std::clamp(r.reader.imageCount(), 1, 256);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !r.reader.jumpToImage(i)) break;
        QString why;
        if (!r.sizeAllowed(&why)) return failed(why);
        QImage image = r.reader.read();
        if (image.isNull()) continue;
        if (chosen.isNull()) chosen = image;
        if (image.size() == QSize(32, 32)) {
            chosen = image;
            break;
        }
    }
    if (chosen.isNull()) return failed(r.reader.errorString());
    QImage out(chosen.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, chosen);
    p.end();
    return bitmap(out);
}

PictureFile readOwn(QImage (*reader)(const QByteArray&, QString*), const QByteArray& bytes) {
    QString why;
    QImage image = reader(bytes, &why);
    return image.isNull() ? failed(why) : bitmap(image);
}

PictureFile readMetafile(const QByteArray& bytes) {
    if (!isMetafile(bytes)) return failed(QStringLiteral("not a Windows metafile"));
    if (!metafileIntact(bytes)) return failed(QStringLiteral("the metafile is damaged or truncated"));
    return {PictureKind::Metafile, {}, bytes, {}};
}

bool startsWith(const QByteArray& b, std::initializer_list<int> magic) {
    if (b.size() < static_cast<qsizetype>(magic.size())) return false;
    int i = 0;
    for (int m : magic)
        if (u8(b, i++) != m) return false;
    return true;
}

// The reader for bytes whose extension says nothing (or says wrong). TGA
// files have no signature, so they are only guessed at for unknown extensions.
PictureFile sniff(const QByteArray& b, bool guessTga) {
    if (isMetafile(b)) return readMetafile(b);
    if (b.startsWith("BM")) return readWithQt(b, "bmp");
    if (startsWith(b, {0x89, 'P', 'N', 'G'})) return readWithQt(b, "png");
    if (startsWith(b, {0xFF, 0xD8, 0xFF})) return readWithQt(b, "jpeg");
    if (b.startsWith("GIF8")) return readWithQt(b, "gif");
    if (startsWith(b, {0, 0, 1, 0})) return readIcon(b);
    if (startsWith(b, {10}) && u8(b, 1) <= 5 && u8(b, 2) <= 1) return readOwn(readPcx, b);
    const int tgaType = u8(b, 2);
    if (guessTga && b.size() >= 18 && u8(b, 1) <= 1 && (tgaType & ~0xB) == 0 && (tgaType & 3) != 0)
        return readOwn(readTga, b);
    return failed(QStringLiteral("unknown picture format"));
}

PictureFile byExtension(const QByteArray& bytes, const QString& ext) {
    if (ext == u"bmp" || ext == u"rle") return readWithQt(bytes, "bmp");
    if (ext == u"dib") return readDib(bytes);
    if (ext == u"jpg" || ext == u"jpeg" || ext == u"jif" || ext == u"jfif") return readWithQt(bytes, "jpeg");
    if (ext == u"gif") return readWithQt(bytes, "gif");
    if (ext == u"png") return readWithQt(bytes, "png");
    if (ext == u"ico") return readIcon(bytes);
    if (ext == u"tga") return readOwn(readTga, bytes);
    if (ext == u"pcx") return readOwn(readPcx, bytes);
    if (ext == u"wmf" || ext == u"emf") return readMetafile(bytes);
    return sniff(bytes, true);
}

}  // namespace

QString missingDecoderText() { return QStringLiteral("A required .DLL file, NViewLib.dll, was not found."); }
QString missingDecoderTitle() { return QStringLiteral("Error Starting NViewLib.dll"); }

PictureFile decodePicture(const QByteArray& bytes, const QString& extension) {
    if (bytes.isEmpty()) return failed(QStringLiteral("the file is empty"));
    const QString ext = extension.toLower();
    PictureFile f = byExtension(bytes, ext);
    if (f.ok() || f.decoderMissing) return f;
    // A picture saved under the wrong extension still loads by its content.
    PictureFile other = sniff(bytes, false);
    return other.ok() ? other : f;
}

PictureFile loadPictureFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return failed(file.errorString());
    if (file.size() > kMaxPictureFileBytes) return failed(QStringLiteral("the file is too large"));
    const QByteArray bytes = file.read(kMaxPictureFileBytes + 1);
    if (file.error() != QFileDevice::NoError) return failed(file.errorString());
    if (bytes.size() > kMaxPictureFileBytes) return failed(QStringLiteral("the file is too large"));
    PictureFile f = decodePicture(bytes, QFileInfo(path).suffix());
    if (f.kind == PictureKind::Metafile) f.bytes = placeableMetafile(f.bytes);
    return f;
}

}  // namespace brindle::pictures

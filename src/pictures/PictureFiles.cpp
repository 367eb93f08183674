#include "pictures/PictureFiles.h"

// Placeholder until the readers land: nothing can be read yet.
namespace brindle::pictures {

PictureFile loadPictureFile(const QString&) { return {PictureKind::None, {}, {}, QStringLiteral("not supported")}; }
PictureFile decodePicture(const QByteArray&, const QString&) {
    return {PictureKind::None, {}, {}, QStringLiteral("not supported")};
}
QImage readPcx(const QByteArray&, QString* error) {
    if (error) *error = QStringLiteral("not supported");
    return {};
}
bool isMetafile(const QByteArray&) { return false; }
QSize metafileSize(const QByteArray&) { return {}; }
bool drawMetafile(QPainter&, const QRectF&, const QByteArray&) { return false; }

}  // namespace brindle::pictures

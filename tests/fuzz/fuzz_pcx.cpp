// Fuzz target: arbitrary bytes read as a PCX picture and, since neither
// format has much of a signature, as a TGA picture; whatever decodes is
// touched end to end.
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>

#include "pictures/PictureFiles.h"

using namespace brindle::pictures;

namespace {
void touch(const QImage& img) {
    if (img.isNull()) return;
    volatile QRgb sink = img.pixel(0, 0) ^ img.pixel(img.width() - 1, img.height() - 1);
    (void)sink;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString why;
    touch(readPcx(bytes, &why));
    touch(readTga(bytes, &why));
    return 0;
}

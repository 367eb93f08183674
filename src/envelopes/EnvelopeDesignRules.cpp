#include "envelopes/EnvelopeDesignRules.h"

#include <algorithm>
#include <cmath>

#include "common/Common.h"

namespace brindle::envelopes {

QSize envelopeSurfaceSize(int code, int ppi) {
    const double w = common::envelopeLongSide(code);
    const double h = common::envelopeShortSide(code);
    if (w <= 0 || h <= 0) return {};
    return {static_cast<int>(std::lround(ppi * w)), static_cast<int>(std::lround(ppi * h))};
}

float zoomUp(float zoom) {
    if (static_cast<double>(zoom) <= 1.4) return static_cast<float>(static_cast<double>(zoom) + 0.1);
    return zoom;
}

float zoomDown(float zoom) {
    if (static_cast<double>(zoom) >= 0.6) return static_cast<float>(static_cast<double>(zoom) - 0.1);
    return zoom;
}

QString zoomCaption(float zoom) {
    return QString::number(std::lround(static_cast<double>(zoom) * 100)) + QLatin1Char('%');
}

QVector<TemplateBox> uspsTemplate(QSize surface, QSize unzoomed, float zoom, int ppi) {
    const int W = surface.width();
    const int H = surface.height();
    const auto s = [&](double v) { return static_cast<int>(std::trunc(ppi * v * static_cast<double>(zoom))); };
    QVector<TemplateBox> boxes;
    const auto box = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r, b)); };
    boxes.push_back({QStringLiteral("[Return Address Area]"), box(1, 1, W / 2, std::min(H - s(2.75), H / 3)),
                     QPoint(3, 3)});
    // A long envelope keeps its address area 9.75 inches from the right edge.
    const int left = unzoomed.width() < static_cast<int>(std::trunc(ppi * 10.25)) ? s(0.5) : W - s(9.75);
    const QRect address = box(left, H - s(2.75), W - s(0.5), H - s(0.625));
    boxes.push_back({QStringLiteral("[Address Area]"), address, address.topLeft() + QPoint(2, 2)});
    const QRect barcode = box(W - s(4), H - s(0.625), W - s(0.5), H - 1);
    boxes.push_back({QStringLiteral("[Barcode Clear Zone]"), barcode, barcode.topLeft() + QPoint(2, 2)});
    boxes.push_back({QStringLiteral("[FIM Area]"), box(W - s(3), 1, W - s(2), s(0.625)), QPoint(W - s(3) + 2, 3)});
    return boxes;
}

}  // namespace brindle::envelopes

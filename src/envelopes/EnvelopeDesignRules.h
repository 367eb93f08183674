#pragma once
// The envelope designer's arithmetic without its window: the surface size
// of an envelope, the zoom steps and the postal template drawn under the
// design.
// None of it is ever printed: printing draws only the design's objects.
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

namespace brindle::envelopes {

// Design pixels per inch (fixed whatever the screen says).
inline constexpr int kDesignPpi = 96;

// Width (long side) and height of the envelope of `code` in pixels at zoom
// 1.0, each Round(ppi x inches); empty for an unknown code.
QSize envelopeSurfaceSize(int code, int ppi = kDesignPpi);

// Zoom steps of the spinner and the keypad: the factor is a 32-bit float;
// up adds 0.1 while it is at most 1.4, down takes 0.1 away while it is at
// least 0.6, and the result is stored as a 32-bit float again.
float zoomUp(float zoom);
float zoomDown(float zoom);
QString zoomCaption(float zoom);  // "110%"

// One box of the postal automation template, in surface pixels at the
// surface's zoom, with its caption and where the caption starts.
struct TemplateBox {
    QString caption;  // "[Address Area]"
    QRect box;        // from (left, top) to (right, bottom), both included
    QPoint captionAt;
};
// The four boxes for a surface of `surface` pixels shown at `zoom` whose
// size at zoom 1.0 is `unzoomed`.
QVector<TemplateBox> uspsTemplate(QSize surface, QSize unzoomed, float zoom, int ppi = kDesignPpi);

}  // namespace brindle::envelopes

#include "labels/CalibrationSheet.h"

#include <algorithm>
#include <cmath>

#include "printing/PageCanvas.h"

namespace brindle::labels {

using printing::Align;
using printing::PageCanvas;

namespace {

constexpr quint32 kBlack = 0x000000;
constexpr quint32 kGrey = 0x808080;
// Thin enough to read a hundredth of an inch against: one hundredth wide.
constexpr int kHairline = -1;

QString inchText(double inches) {
    const int h = int(std::lround(inches * 100));
    return QStringLiteral("%1%2.%3")
        .arg(h < 0 ? QStringLiteral("-") : QString())
        .arg(std::abs(h) / 100)
        .arg(std::abs(h) % 100, 2, 10, QLatin1Char('0'));
}

double tickLength(int hundredths) {
    if (hundredths % 10 == 0) return 0.12;
    if (hundredths % 5 == 0) return 0.08;
    return 0.05;
}

void cornerMarks(PageCanvas& c, const LabelSetup& setup) {
    const double w = setup.lblWidth, h = setup.lblHeight;
    const double len = std::min({kCornerMarkInches, w / 3.0, h / 3.0});
    c.setPen(kBlack, printing::PenStyle::Solid, printing::PenMode::Copy, kHairline);
    c.setFont(QStringLiteral("Arial"), 7);
    c.setFontColour(kGrey);
    const int count = positionsPerSheet(setup);
    for (int p = 0; p < count; ++p) {
        const LabelOrigin o = labelOrigin(setup, p);
        const double l = o.x, t = o.y, r = o.x + w, b = o.y + h;
        // Each corner: one stroke along the top or bottom edge, one along the side.
        c.line(l, t, l + len, t);
        c.line(l, t, l, t + len);
        c.line(r, t, r - len, t);
        c.line(r, t, r, t + len);
        c.line(l, b, l + len, b);
        c.line(l, b, l, b - len);
        c.line(r, b, r - len, b);
        c.line(r, b, r, b - len);
        c.textAt(l + w / 2, t + h / 2 - c.lineHeight() / 2, QString::number(p + 1), Align::Centre);
    }
}

void crosshair(PageCanvas& c) {
    const double k = kCrosshairInches;
    // The arms run through the scales' zeros to the end of their longest ticks.
    const double reach = kScaleAxisInches + tickLength(0);
    c.setPen(kBlack, printing::PenStyle::Solid, printing::PenMode::Copy, kHairline);
    c.line(k - 0.5, k, reach, k);
    c.line(k, k - 0.5, k, reach);
    c.setBrush(0xFFFFFF, printing::BrushStyle::Clear);
    c.ellipse(k - 0.1, k - 0.1, k + 0.1, k + 0.1);
}

void scales(PageCanvas& c) {
    const double k = kCrosshairInches, axis = kScaleAxisInches;
    const double span = kScaleHundredths / 100.0;
    c.setPen(kBlack, printing::PenStyle::Solid, printing::PenMode::Copy, kHairline);
    c.line(k - span, axis, k + span, axis);  // X scale: ticks hang below its axis
    c.line(axis, k - span, axis, k + span);  // Y scale: ticks stand right of its axis
    c.setFont(QStringLiteral("Arial"), 6);
    c.setFontColour(kBlack);
    const double lh = c.lineHeight();
    for (int n = -kScaleHundredths; n <= kScaleHundredths; ++n) {
        const double at = k + n / 100.0;
        const double len = tickLength(n);
        c.setPen(kBlack, printing::PenStyle::Solid, printing::PenMode::Copy, 0);
        c.line(at, axis, at, axis + len);
        c.line(axis, at, axis + len, at);
        if (n % 10 != 0) continue;
        // Numbers a tenth apart are wider than the gap: every other one a row lower.
        const double row = (n / 10) % 2 == 0 ? 0.0 : lh;
        c.textAt(at, axis + 0.13 + row, scaleNumber(n), Align::Centre);
        c.textAt(axis + 0.14, at - lh / 2, scaleNumber(n), Align::Left);
    }
    c.setFont(QStringLiteral("Arial"), 7);
    c.textAt(k, axis + 0.15 + 2 * lh, QStringLiteral("X, hundredths of an inch"), Align::Centre);
    c.textAt(axis, k - span - 0.05 - c.lineHeight(), QStringLiteral("Y, hundredths"), Align::Centre);
}

void instructions(PageCanvas& c, const LabelSetup& setup, double offsetX, double offsetY) {
    double x = kScaleAxisInches + 0.6, y = 0.55;
    c.setFontColour(kBlack);
    c.setFont(QStringLiteral("Arial"), 12);
    c.setBold(true);
    c.textAt(x, y, QStringLiteral("Printer Calibration Test Sheet"));
    y += c.lineHeight() * 1.2;
    c.setFont(QStringLiteral("Arial"), 8);
    c.setBold(false);
    const QStringList lines = {
        QStringLiteral("Sheet: %1 (the corners of every label are marked)").arg(setup.descript.trimmed()),
        QStringLiteral("Printed with the offsets X %1 in, Y %2 in").arg(inchText(offsetX), inchText(offsetY)),
        QString(),
        QStringLiteral("1. Lay a ruler along the top edge of the paper. Where it shows 1 inch, read the"),
        QStringLiteral("    X scale below the crosshair and add the reading (hundredths) to X."),
        QStringLiteral("2. Lay the ruler along the left edge. Where it shows 1 inch, read the Y scale"),
        QStringLiteral("    right of the crosshair and add the reading to Y."),
        QStringLiteral("3. Enter the new offsets and print this sheet again: the 1-inch marks should"),
        QStringLiteral("    meet the zeros, and the marks should sit on the corners of the labels."),
    };
    for (const QString& line : lines) {
        c.textAt(x, y, line);
        y += c.lineHeight();
    }
}

}  // namespace

QString scaleNumber(int hundredths) { return QString::number(hundredths); }

void drawCalibrationSheet(PageCanvas& canvas, const LabelSetup& setup, double offsetX, double offsetY) {
    cornerMarks(canvas, setup);
    crosshair(canvas);
    scales(canvas);
    instructions(canvas, setup, offsetX, offsetY);
}

}  // namespace brindle::labels

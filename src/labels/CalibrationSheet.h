#pragma once
// The printer calibration test sheet: one page on which the user reads how
// far a printer places things from where they were meant to go.
//
// - every label of the setup's sheet gets its four corners marked (short
//   strokes along its edges, from labelOrigin, the geometry every label job
//   prints by), with its position number in the middle;
// - a crosshair is centred one inch right of the paper's left edge and one
//   inch below its top edge;
// - two scales in hundredths of an inch read the error: the X scale lies
//   below the crosshair on its vertical arm, the Y scale right of it on its
//   horizontal arm, each with its zero on the arm, ticks every hundredth
//   from -0.30 to +0.30, longer ticks every 0.05 and numbers every 0.10.
//   A tick is numbered with how far from the arm it was meant to print, so
//   where a ruler laid from the paper's edge shows exactly one inch, the
//   scale shows the correction to add to that offset.
#include <QString>

#include "labels/LabelSetup.h"

namespace brindle::printing {
class PageCanvas;
}

namespace brindle::labels {

// The crosshair's centre, inches from the paper's top-left corner.
inline constexpr double kCrosshairInches = 1.0;
// The scales reach this many hundredths either side of zero.
inline constexpr int kScaleHundredths = 30;
// Where the scales lie: the X scale's axis at this y, the Y scale's at this x.
inline constexpr double kScaleAxisInches = 1.6;
// Corner strokes are this long, or a third of the label's shorter side.
inline constexpr double kCornerMarkInches = 0.15;

// Draws the sheet on the canvas's current page (paper and orientation as
// the canvas has them). `offsetX` and `offsetY` (inches) are the offsets
// the sheet is printed with; they are written on the sheet.
void drawCalibrationSheet(printing::PageCanvas& canvas, const LabelSetup& setup, double offsetX, double offsetY);

// The number printed at a scale tick: hundredths, "0" at the arm ("-10", "20").
QString scaleNumber(int hundredths);

}  // namespace brindle::labels

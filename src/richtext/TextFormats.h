#pragma once
// How RTF formatting is held in a QTextDocument. The document is kept in
// layout units of a 720-dpi device (two twips to the unit), the resolution at
// which pages are laid out. Design metrics make advances scale exactly with
// the resolution, and at 720 dpi the glyphs of body text are small enough
// for the font engine to keep their metrics, so laying out does not load
// every glyph's outline again (at the page canvas's 7200-dpi
// reference size no glyph is kept). The paginator hands the canvas its
// glyphs scaled to the reference size.
// Values Qt holds in 96-dpi pixels (below) are converted; tab stops and
// line spacing are also kept as RTF wrote them in properties of their own,
// which the writer uses.
#include <QTextFormat>

namespace brindle::richtext {

inline constexpr double kLayoutDpi = 720.0;
inline constexpr double kUnitsPerTwip = kLayoutDpi / 1440.0;  // 0.5

// Qt measures tab stops, paragraph spacing before and after, and fixed or
// minimum line heights in 96-dpi pixels whatever the device (it scales them
// to the device itself): one such pixel is 15 twips. Indents are in device
// units.
inline constexpr double kTwipsPerTabPixel = 1440.0 / 96.0;
inline double twipsToPixels(int twips) { return twips / kTwipsPerTabPixel; }
inline int pixelsToTwips(double pixels) { return int(pixels * kTwipsPerTabPixel + (pixels >= 0 ? 0.5 : -0.5)); }

enum Property : int {
    // Character: the font's RTF character set (\fcharset); absent for 0.
    kFontCharset = QTextFormat::UserProperty + 1,
    // Paragraph: tab stops as RTF wrote them: "l720 r9360 c4680" (twips from the left margin).
    kTabStops,
    // Paragraph: \sl value in twips and whether \slmult1 was given.
    kLineSpacing,
    kLineSpacingMultiple,
    // Image: where the picture came from ("png", "jpeg", "wmf", "emf", "dib").
    kPictureSource,
};

inline double twipsToUnits(int twips) { return twips * kUnitsPerTwip; }
inline int unitsToTwips(double units) { return int(units / kUnitsPerTwip + (units >= 0 ? 0.5 : -0.5)); }

}  // namespace brindle::richtext

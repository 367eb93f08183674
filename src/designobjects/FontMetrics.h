#pragma once
// The one place where design fonts become drawing fonts and text is measured.
// Screen and paper must agree, so every measurement is made on a font sized
// in pixels at the design resolution (96 per inch) with hinting switched off:
// the same numbers result whatever the paint device, and a design drawn at
// zoom 1.0 into a vector picture scales onto a 1200-dpi page exactly as it
// looks on screen.
//
// Point size and pixel height convert by one rule (DesignFont::pointSize and
// setPointSize): pixels = points × 96 / 72 and back, rounded half away from
// zero; a font shown at zoom z uses Trunc(points × z) points.
//
// "Arial", "Times New Roman" and "Courier New" resolve to the metric-compatible
// Liberation fonts; symbol fonts draw through the table of SymbolFont.h. An
// empty or unknown name draws in the default face.
#include <QFont>
#include <QString>

#include "designobjects/DesignTypes.h"

namespace brindle::designobjects {

// The font that draws `font` at `zoom`.
QFont drawingFont(const DesignFont& font, float zoom = 1.0f);
// The family that draws a stored font name: the name itself when the system
// can draw it, the symbol family for symbol fonts, else (an empty or unknown
// name) the default face, Arial.
QString drawingFamily(const QString& fontName);

class TextMetrics {
public:
    explicit TextMetrics(const DesignFont& font, float zoom = 1.0f);

    const QFont& font() const { return font_; }
    // Ascent + descent, whole pixels.
    int height() const { return height_; }
    // The part of the height above the characters' em square.
    int internalLeading() const { return internalLeading_; }
    // The gap the font asks for between lines.
    int externalLeading() const { return externalLeading_; }
    // Height plus internal and external leading: the line height of one-line text.
    int lineHeight() const { return height_ + internalLeading_ + externalLeading_; }
    // Distance from the top of a line to its baseline.
    double ascent() const { return ascent_; }
    // Advance width of the text as drawn (symbol text translated), rounded up.
    int width(const QString& text) const;
    // The same, unrounded: the widths of pieces of a line add up to the line's.
    double advance(const QString& text) const;
    // The characters drawn for `text` in this font.
    QString drawable(const QString& text) const;

private:
    DesignFont design_;
    QFont font_;
    int height_ = 0;
    int internalLeading_ = 0;
    int externalLeading_ = 0;
    double ascent_ = 0;
};

}  // namespace brindle::designobjects

#pragma once
// Value types shared by the design objects and the design file: colours,
// fonts, pens, brushes, pictures and the named members of their enumerations.
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace brindle::designobjects {

// Designs use a fixed resolution, whatever the screen says, so that files,
// printouts and tests do not depend on the display.
inline constexpr int kDesignPpi = 96;

// Round half to even, the rounding used by every pixel formula of the designs.
int roundHalfEven(double v);

// ---------------------------------------------------------------- colours
// A colour is a 32-bit value laid out 0x00BBGGRR; values with the top bit set
// name a system colour (0x80000000 + index).
using DesignColor = std::int32_t;

inline constexpr DesignColor clBlack = 0x000000;
inline constexpr DesignColor clGray = 0x808080;
inline constexpr DesignColor clWhite = 0xFFFFFF;
inline constexpr DesignColor clAqua = 0xFFFF00;
inline constexpr DesignColor clNone = 0x1FFFFFFF;

// The identifier of a named colour, or nothing.
std::optional<QString> colorName(DesignColor c);
// The value of a colour identifier (any case), or nothing.
std::optional<DesignColor> colorFromName(const QString& name);
// Screen colour: system colours map to the fixed values of the page
// canvas (printing::colourFromInt), the same for text, pens and brushes.
QColor toQColor(DesignColor c);
DesignColor fromQColor(const QColor& c);

// ---------------------------------------------------------------- names
// Members of the enumerations and sets that design files name by identifier.
const QStringList& penModeNames();    // pmBlack ... pmNotXor; pmCopy is 4
const QStringList& penStyleNames();   // psSolid ... psInsideFrame
const QStringList& brushStyleNames(); // bsSolid ... bsDiagCross
const QStringList& fontStyleNames();  // fsBold, fsItalic, fsUnderline, fsStrikeOut (set bits 0..3)
const QStringList& fontPitchNames();  // fpDefault, fpVariable, fpFixed

// ---------------------------------------------------------------- font
struct DesignFont {
    enum Style { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
    DesignColor color = clBlack;
    int height = -13;        // negative: character height in pixels at the design resolution
    QString name = QStringLiteral("Arial");
    int pitch = 0;           // index into fontPitchNames()
    int style = 0;           // Style bits

    // Point size as the height implies at the design resolution (10 for -13).
    int pointSize() const;
    void setPointSize(int points);
    // The font for drawing at zoom z: point size Trunc(size × z), at least 1.
    QFont toQFont(float zoom = 1.0f) const;
    static DesignFont fromQFont(const QFont& f, DesignColor color = clBlack);

    bool operator==(const DesignFont&) const = default;
};

// ---------------------------------------------------------------- pen, brush
struct DesignPen {
    DesignColor color = clBlack;
    int mode = 4;   // pmCopy
    int style = 0;  // psSolid
    int width = 1;
    bool operator==(const DesignPen&) const = default;
};

struct DesignBrush {
    DesignColor color = clWhite;
    int style = 0;  // bsSolid
    bool operator==(const DesignBrush&) const = default;
};

// ---------------------------------------------------------------- picture
// A picture as stored: its kind ("TBitmap", "TMetafile", "TIcon") and the
// bytes of its file (BMP, EMF or WMF, ICO). Decoding happens on demand.
struct DesignPicture {
    QString kind;
    QByteArray data;

    bool isEmpty() const { return kind.isEmpty() || data.isEmpty(); }
    // Null when Qt cannot read it (vector metafiles are kept but not drawn).
    QImage toImage() const;
    // A bitmap picture holding the image as a BMP file.
    static DesignPicture fromImage(const QImage& image);
    bool operator==(const DesignPicture&) const = default;
};

}  // namespace brindle::designobjects

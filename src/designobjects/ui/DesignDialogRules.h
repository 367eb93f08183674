#pragma once
// The rules behind the object dialogs, kept apart from the widgets: what the
// controls accept, how the symbol grid and its font button look, how the
// multi-line editor keeps to its length limit and how its text becomes lines.
#include <QFont>
#include <QString>
#include <QStringList>

#include "designobjects/DesignDialogs.h"

namespace brindle::designobjects {

// The character codes the symbol grid offers.
inline constexpr int kFirstSymbolCode = 32;
inline constexpr int kLastSymbolCode = 255;
inline constexpr int kSymbolCount = kLastSymbolCode - kFirstSymbolCode + 1;

// The most characters the multi-line text editor holds (a line break counts as one).
inline constexpr int kMaxMultiLineChars = 254;

// Range of the "Text 3D Effects" depth lists.
inline constexpr int kMax3DDepth = 10;

// Columns of the symbol grid for a font of this many points: larger fonts
// get fewer, wider columns.
int symbolGridColumns(int points);

// The symbol font button's caption: "Name, 24pt ", then "Italic " for an
// italic font or else "Bold " for a bold one.
QString symbolFontCaption(const DesignFont& font);

// Settings brought into the ranges the dialog controls offer: directions 0 to
// 5 (out-of-range ones become "None"), depths 0 to 10.
Text3DSettings clamp3DSettings(Text3DSettings s);
// Repeat count 1 to 999, leading zeros 0 to 9.
CounterSettings clampCounterSettings(CounterSettings s);

// How many characters an edit limited to `limit` characters must give back
// after a change took it from `lengthBefore` to `lengthAfter` characters.
// Text that was already too long is never cut (loading it must not lose
// anything); it just cannot grow.
int excessCharacters(int lengthBefore, int lengthAfter, int limit);

// The editor's text for a list of lines, and the lines for its text: lines
// are joined by line breaks; an empty text is no lines at all.
QString textFromLines(const QStringList& lines);
QStringList linesFromText(const QString& text);

// The font the platform's font chooser starts from (sized in points, so the
// chooser shows the size the user knows).
QFont fontForChooser(const DesignFont& font);
// The design font for the chooser's answer. The colour is kept; when the
// family is the one the chooser showed for the old font (a font not installed
// here shows as its stand-in), the stored name and pitch are kept too, so that
// changing only the size or style does not rename the font of a design.
DesignFont fontFromChooser(const DesignFont& before, const QFont& chosen);

}  // namespace brindle::designobjects

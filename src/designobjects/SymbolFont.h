#pragma once
// The symbol font of the designs. Designs keep the font name they were made
// with ("WingDings" for a new symbol object); its character codes 32 to 255
// name pictures rather than letters. No such font exists here, so the codes
// are drawn through a table as Unicode symbols in a free font, which keeps
// the 224 symbols recognisable on screen and on paper.
#include <QChar>
#include <QString>

namespace brindle::designobjects {

// True for the name of a symbol font whose codes are translated (any case).
bool isSymbolFont(const QString& fontName);
// The family that draws translated symbols.
QString symbolFontFamily();
// The Unicode character drawn for a symbol code (32 to 255); codes outside
// that range give U+FFFD.
char32_t symbolCodeToUnicode(int code);
// A caption character's code: its Windows-1252 byte (0 to 255), or -1 when
// the character has none.
int symbolCode(QChar c);
// The caption character of a code 0 to 255.
QChar symbolChar(int code);
// The text that is drawn for `text` in `fontName`: unchanged for ordinary
// fonts, each character translated for a symbol font.
QString drawableText(const QString& fontName, const QString& text);

}  // namespace brindle::designobjects

#pragma once
// Text bound for Windows-1252 files: which characters of a text the code page
// cannot hold, and the nearest Latin spelling of such text (Ł to L, ę to e,
// Ж to Zh). Whatever stores typed or imported text uses these, so nothing is
// ever written as "?" without the user's word.
#include <QList>
#include <QString>

namespace brindle::common {

// Whether Windows-1252 holds the character.
bool fitsCp1252(char32_t cp);

// The text in composed form (an accent typed or pasted as a separate mark
// joins its letter), which is how Windows-1252 holds accented letters.
QString storableForm(const QString& text);

// The characters of storableForm(text) that Windows-1252 cannot hold, each
// once, in order of first appearance.
QList<char32_t> unstorableCharacters(const QString& text);

// The nearest Windows-1252 spelling of one character: the character itself
// when it fits; else from a short table (letters without a decomposition such
// as Ł and Đ, Cyrillic and Greek letters, dashes); else its compatibility
// decomposition without accents (ę to e, ﬁ to fi, ① to 1). Empty when there
// is none (Chinese characters, pictographs).
QString nearestLatin(char32_t cp);

// storableForm(text) with every character Windows-1252 cannot hold replaced
// by nearestLatin (and left out when that is empty).
QString toNearestLatin(const QString& text);

// The UTF-16 text of one character.
QString characterText(char32_t cp);

// Whether the character is a combining mark (an accent of the letter before it).
bool isCombiningMark(char32_t cp);

}  // namespace brindle::common

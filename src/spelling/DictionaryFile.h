#pragma once
// The two dictionary files beside the program.
//
// Both begin with two text lines, each ended by CR LF: a title ("USER
// DICTIONARY" for the user's file, "MAIN DICTIONARY" for the supplied one)
// and a line naming the word-list format and its owner; the byte 26 ends the
// text part, and the word store follows:
//   - the supplied dictionary (brindl.dct) holds a Hunspell affix file and
//     word list, each as "AFF " / "DIC " + its length in decimal + LF + bytes;
//   - the user dictionary (brindlu.dct) holds the user's words in UTF-8, one
//     a line, each ended by CR LF.
// The readers take any bytes: a file that does not follow this layout is
// refused with the reason, never read past its end.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace brindle::spelling {

inline constexpr char kUserDictionaryTitle[] = "USER DICTIONARY";
inline constexpr char kMainDictionaryTitle[] = "MAIN DICTIONARY";
inline constexpr char kUserDictionaryFormat[] = "Brindle word list 1: UTF-8 words, one a line; owner: the user";
inline constexpr char kMainDictionaryFormat[] = "Brindle word list 1: Hunspell affixes and words; owner: Brindle";
inline constexpr char kEndOfText = 26;

struct DictionaryHeader {
    QByteArray title;
    QByteArray format;
    qsizetype bodyOffset = 0;  // first byte after the byte 26
};

// title CR LF format CR LF 26
QByteArray dictionaryHeader(const QByteArray& title, const QByteArray& format);
std::optional<DictionaryHeader> readDictionaryHeader(const QByteArray& bytes, QString* error = nullptr);

struct MainDictionary {
    QByteArray affixes;  // the Hunspell .aff file
    QByteArray words;    // the Hunspell .dic file
};
QByteArray buildMainDictionary(const MainDictionary& dictionary);
std::optional<MainDictionary> readMainDictionary(const QByteArray& bytes, QString* error = nullptr);

QByteArray buildUserDictionary(const QStringList& words);
std::optional<QStringList> readUserDictionary(const QByteArray& bytes, QString* error = nullptr);

// Writes `bytes` beside `path` and renames it into place; on failure the old
// file stays and `error` says why.
bool writeFileReplacing(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace brindle::spelling

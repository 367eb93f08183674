#pragma once
// The text of an address file, in the code page its header names. Every place
// of the address window that shows a field or memo, stores typed text or
// builds a value to compare with stored text converts through one of these,
// made for the open table: our own files are Windows-1252, a file written by a
// DOS program in code page 850 reads "Müller", and a Windows-1251 file keeps
// Cyrillic names as typed. With no file open it is Windows-1252.
#include <QList>
#include <QString>
#include <string>
#include <string_view>

namespace brindle::store {
class Table;
class TextCodec;
}  // namespace brindle::store

namespace brindle::address {

class FileText {
public:
    FileText();  // Windows-1252
    explicit FileText(const store::TextCodec& codec);
    // The code page of this table; Windows-1252 for none.
    static FileText of(const store::Table* table);

    const store::TextCodec& codec() const { return *codec_; }
    bool isWindows1252() const;
    // "Windows-1252", "DOS 850", ...
    QString codePageName() const;

    // Stored bytes as text.
    QString decode(std::string_view bytes) const;
    // Text as stored bytes. A character the code page cannot hold becomes
    // "?", so whatever stores typed text asks unstorableCharacters first.
    std::string encode(const QString& text) const;

    // Whether the code page holds the character.
    bool fits(char32_t cp) const;
    // The characters of the text's composed form (common::storableForm) that
    // the code page cannot hold, each once, in order of first appearance.
    QList<char32_t> unstorableCharacters(const QString& text) const;
    // The nearest spelling of a character that the code page holds: the
    // character itself when it fits; else the letter without its accents
    // (é to e in a Windows-1251 file); else its nearest Latin spelling (Ł to
    // L, Ж to Zh, ß to ss). Empty when there is none.
    QString nearestSpelling(char32_t cp) const;
    // The composed text with every character the code page cannot hold
    // replaced by nearestSpelling (left out when that is empty).
    QString toStorable(const QString& text) const;

    // A typed value as the store compares it with this file's text: in its
    // stored spelling (toStorable), encoded, and folded to upper case as the
    // store's UPPER() folds. UPPER() folds bytes by the Windows-1252 table
    // whatever the file's code page, and so do the index keys built with it,
    // so the value is folded the same way on its encoded bytes: both sides
    // then meet byte for byte (in a DOS file only a to z change case
    // reliably, as they do in the index).
    std::string key(const QString& typed) const;

    // The stored form of a memo typed in the window: CR LF line ends, and one
    // blank added when the stored length is a positive multiple of 4.
    std::string storedMemo(const QString& text) const;
    // The window's form of a stored memo.
    QString memoForDisplay(std::string_view stored) const;

private:
    const store::TextCodec* codec_;
};

}  // namespace brindle::address

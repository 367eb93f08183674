#pragma once
// The spelling component: the supplied dictionary (through Hunspell) and any
// number of user dictionaries, word checks that ignore letter case, and
// suggestions.
//
// A word is accepted when, with every character in upper case (the Windows
// code page's accented letters folded as the address files' UPPER() folds
// them; other letters by Unicode), it is at most one character long, or any
// open dictionary holds it, or it ends in "'S" and the word without those
// two characters is accepted by these same rules.
#include <QString>
#include <QStringList>

#include <memory>

namespace brindle::spelling {

class TSpellChecker {
public:
    static constexpr int kDefaultMaxSuggestions = 10;
    static constexpr int kMaxSuggestionsLimit = 220;

    TSpellChecker();
    ~TSpellChecker();
    TSpellChecker(const TSpellChecker&) = delete;
    TSpellChecker& operator=(const TSpellChecker&) = delete;

    // The file checkWord opens when no main dictionary is open yet
    // (common::dictionaryPath() unless set).
    void setMainDictionaryPath(const QString& path);

    bool openMainDictionary(const QString& path, QString* error = nullptr);
    bool mainDictionaryOpen() const;
    // Handles are 0, 1, ...; -1 when the file could not be read (a file that
    // is not a user dictionary is left as it is) or written.
    int openUserDictionary(const QString& path, QString* error = nullptr);
    int createUserDictionary(const QString& path, const QStringList& words, QString* error = nullptr);

    bool checkWord(const QString& word);
    // At most maxSuggestions() candidates, best first.
    QStringList suggest(const QString& word);
    int maxSuggestions() const { return m_maxSuggestions; }
    // Clamped to 1 .. kMaxSuggestionsLimit.
    void setMaxSuggestions(int count);

    // Adds the word to the user dictionary `handle` and rewrites its file
    // (beside and renamed). A negative or unknown handle does nothing and
    // returns true; a word already there is not written twice. When the file
    // cannot be written the word is not added and `error` says why.
    bool addWord(const QString& word, int handle, QString* error = nullptr);
    // Words of a user dictionary in the order they were added.
    QStringList userWords(int handle) const;

    void close();

    // The word as it is compared: upper case, typographic apostrophes as "'".
    static QString foldWord(const QString& word);

private:
    struct Impl;
    bool accepted(const QString& folded, int depth) const;
    std::unique_ptr<Impl> m;
    int m_maxSuggestions = kDefaultMaxSuggestions;
};

}  // namespace brindle::spelling

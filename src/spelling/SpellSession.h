#pragma once
// The spell-check dialog without its window: opens the dictionaries, walks
// the words of a text, stops at each one the checker does not accept, and
// carries out Replace, Skip Word and Add Word.
//
// The text is reached through WordSource, so the walk works on any document
// (the dialog hands it the letter being designed).
#include "spelling/SpellChecker.h"

#include <QString>
#include <QStringList>

namespace brindle::common {
class UserDialogs;
}

namespace brindle::spelling {

class WordSource {
public:
    struct Word {
        int start = -1;
        int length = 0;
        QString text;
        bool valid() const { return start >= 0; }
    };
    virtual ~WordSource() = default;
    // The first word at or after `from`; an invalid Word at the end.
    virtual Word nextWord(int from) const = 0;
    // Highlights a word (length 0: puts the cursor at `start`).
    virtual void select(int start, int length) = 0;
    // Puts `text` in place of the word and returns its length in the text.
    virtual int replace(int start, int length, const QString& text) = 0;
};

class SpellSession {
public:
    SpellSession(TSpellChecker& checker, WordSource& source, common::UserDialogs& dialogs);

    // Opens the main dictionary and the user dictionary (created with no
    // words when the file does not exist; a file that exists but cannot be
    // read is left alone and Add Word stays off).
    void open(const QString& mainPath, const QString& userPath);
    bool canAddWord() const { return m_userHandle >= 0; }

    // Starts at the beginning; false when the text holds no misspelling.
    bool start();
    // After each step: false when the walk has ended.
    bool skip();
    // Adds the word to the user dictionary and goes on; when the dictionary
    // cannot be written the user is told and the walk stays on the word.
    bool addWord();
    bool replace(const QString& with);

    bool finished() const { return !m_word.valid(); }
    const QString& word() const { return m_word.text; }
    const QStringList& suggestions() const { return m_suggestions; }
    // What "Replace with" starts as: the first suggestion, else the word.
    QString proposedReplacement() const;

    // The end of the walk: "Spell check complete".
    void reportComplete();
    // Puts the cursor back at the start and closes the dictionaries.
    void close();

private:
    bool seekFrom(int position);

    TSpellChecker& m_checker;
    WordSource& m_source;
    common::UserDialogs& m_dialogs;
    int m_userHandle = -1;
    WordSource::Word m_word;
    QStringList m_suggestions;
};

}  // namespace brindle::spelling

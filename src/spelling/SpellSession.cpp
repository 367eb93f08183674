#include "spelling/SpellSession.h"

#include "common/UserDialogs.h"

#include <QFileInfo>

#include <algorithm>

namespace brindle::spelling {

SpellSession::SpellSession(TSpellChecker& checker, WordSource& source, common::UserDialogs& dialogs)
    : m_checker(checker), m_source(source), m_dialogs(dialogs) {}

void SpellSession::open(const QString& mainPath, const QString& userPath) {
    m_checker.setMainDictionaryPath(mainPath);
    m_checker.openMainDictionary(mainPath);
    // An unreadable or foreign file of that name is never overwritten: the
    // user's words stay where they are and only Add Word is switched off.
    m_userHandle = QFileInfo::exists(userPath) ? m_checker.openUserDictionary(userPath)
                                               : m_checker.createUserDictionary(userPath, {});
}

bool SpellSession::seekFrom(int position) {
    m_suggestions.clear();
    for (;;) {
        m_word = m_source.nextWord(position);
        if (!m_word.valid()) return false;
        if (!m_checker.checkWord(m_word.text)) break;
        position = m_word.start + std::max(1, m_word.length);
    }
    m_suggestions = m_checker.suggest(m_word.text);
    m_source.select(m_word.start, m_word.length);
    return true;
}

bool SpellSession::start() { return seekFrom(0); }

bool SpellSession::skip() {
    if (finished()) return false;
    return seekFrom(m_word.start + std::max(1, m_word.length));
}

bool SpellSession::addWord() {
    if (finished()) return false;
    if (canAddWord() && !m_word.text.isEmpty()) {
        QString error;
        if (!m_checker.addWord(m_word.text, m_userHandle, &error)) {
            m_dialogs.showError(QStringLiteral("The word \"%1\" could not be added to the user dictionary.\r\n%2")
                                    .arg(m_word.text, error));
            return true;
        }
    }
    return seekFrom(m_word.start + std::max(1, m_word.length));
}

bool SpellSession::replace(const QString& with) {
    if (finished()) return false;
    const int inserted = m_source.replace(m_word.start, m_word.length, with);
    return seekFrom(m_word.start + std::max(0, inserted));
}

QString SpellSession::proposedReplacement() const {
    return m_suggestions.isEmpty() ? m_word.text : m_suggestions.first();
}

void SpellSession::reportComplete() { m_dialogs.showInfo(QStringLiteral("Spell check complete")); }

void SpellSession::close() {
    m_source.select(0, 0);
    m_checker.close();
    m_userHandle = -1;
}

}  // namespace brindle::spelling

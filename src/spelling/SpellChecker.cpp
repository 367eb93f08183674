#include "spelling/SpellChecker.h"

#include "common/Common.h"
#include "spelling/DictionaryFile.h"
#include "store/Cp1252.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <hunspell.hxx>

#include <algorithm>
#include <vector>

namespace brindle::spelling {

namespace {

QChar upperOf(char32_t cp, bool* single) {
    *single = true;
    const std::string utf8 = store::codePointToUtf8(cp);
    const store::EncodedText encoded = store::utf8ToCp1252Counted(utf8);
    if (encoded.lossless() && encoded.text.size() == 1) {
        const unsigned char up = store::upper1252(static_cast<unsigned char>(encoded.text[0]));
        const QString back = QString::fromStdString(store::cp1252ToUtf8(std::string(1, char(up))));
        if (back.size() == 1) return back[0];
    }
    *single = false;
    return QChar();
}

bool readWholeFile(const QString& path, QByteArray* bytes, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    *bytes = f.readAll();
    return true;
}

}  // namespace

struct TSpellChecker::Impl {
    struct UserDictionary {
        QString path;
        QStringList words;
        QSet<QString> folded;
    };
    QString mainPath = common::dictionaryPath();
    std::unique_ptr<Hunspell> hunspell;
    QByteArray encoding;  // of the Hunspell dictionary
    std::vector<UserDictionary> users;
    bool mainTried = false;  // a missing main dictionary is looked for once

    void openMainOnce(TSpellChecker& owner) {
        if (hunspell || mainTried || mainPath.isEmpty()) return;
        mainTried = true;
        owner.openMainDictionary(mainPath);
    }

    std::string encode(const QString& s) const {
        if (encoding.isEmpty() || encoding == "UTF-8") return s.toStdString();
        QStringEncoder enc(encoding.constData());
        if (!enc.isValid()) return s.toStdString();
        const QByteArray b = enc.encode(s);
        return std::string(b.constData(), size_t(b.size()));
    }
    QString decode(const std::string& s) const {
        if (encoding.isEmpty() || encoding == "UTF-8") return QString::fromStdString(s);
        QStringDecoder dec(encoding.constData());
        if (!dec.isValid()) return QString::fromStdString(s);
        return dec.decode(QByteArray::fromStdString(s));
    }
    // User words are known to Hunspell too, so suggestions can offer them.
    void teachHunspell(const QString& word) {
        if (hunspell) hunspell->add(encode(word));
    }
};

TSpellChecker::TSpellChecker() : m(std::make_unique<Impl>()) {}
TSpellChecker::~TSpellChecker() = default;

void TSpellChecker::setMainDictionaryPath(const QString& path) { m->mainPath = path; }

bool TSpellChecker::openMainDictionary(const QString& path, QString* error) {
    m->mainPath = path;
    QByteArray bytes;
    if (!readWholeFile(path, &bytes, error)) return false;
    QString why;
    const auto dictionary = readMainDictionary(bytes, &why);
    if (!dictionary) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    // Hunspell reads only files: hand it the two parts through a private
    // folder that is gone again once it has read them.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        if (error) *error = dir.errorString();
        return false;
    }
    const QString aff = dir.filePath(QStringLiteral("main.aff"));
    const QString dic = dir.filePath(QStringLiteral("main.dic"));
    if (!writeFileReplacing(aff, dictionary->affixes, error) || !writeFileReplacing(dic, dictionary->words, error))
        return false;
    m->hunspell = std::make_unique<Hunspell>(QFile::encodeName(aff).constData(), QFile::encodeName(dic).constData());
    m->encoding = QByteArray::fromStdString(m->hunspell->get_dict_encoding()).toUpper();
    for (const auto& user : m->users)
        for (const QString& w : user.words) m->teachHunspell(w);
    return true;
}

bool TSpellChecker::mainDictionaryOpen() const { return m->hunspell != nullptr; }

int TSpellChecker::openUserDictionary(const QString& path, QString* error) {
    QByteArray bytes;
    if (!readWholeFile(path, &bytes, error)) return -1;
    QString why;
    const auto words = readUserDictionary(bytes, &why);
    if (!words) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, why);
        return -1;
    }
    Impl::UserDictionary user{path, {}, {}};
    for (const QString& w : *words) {
        const QString f = foldWord(w);
        if (user.folded.contains(f)) continue;
        user.folded.insert(f);
        user.words << w;
        m->teachHunspell(w);
    }
    m->users.push_back(std::move(user));
    return int(m->users.size()) - 1;
}

int TSpellChecker::createUserDictionary(const QString& path, const QStringList& words, QString* error) {
    if (!writeFileReplacing(path, buildUserDictionary(words), error)) return -1;
    return openUserDictionary(path, error);
}

QString TSpellChecker::foldWord(const QString& word) {
    QString out;
    out.reserve(word.size());
    for (const char32_t cp : word.toUcs4()) {
        if (cp == 0x2019) {
            out += QLatin1Char('\'');
            continue;
        }
        bool single = false;
        const QChar up = upperOf(cp, &single);
        if (single)
            out += up;
        else
            out += QString::fromUcs4(&cp, 1).toUpper();
    }
    return out;
}

bool TSpellChecker::accepted(const QString& folded, int depth) const {
    if (folded.size() <= 1) return true;
    for (const auto& user : m->users)
        if (user.folded.contains(folded)) return true;
    // Hunspell accepts a word in capitals when the dictionary holds it in any
    // letter case, which is exactly the comparison wanted here.
    if (m->hunspell && m->hunspell->spell(m->encode(folded))) return true;
    if (depth < 64 && folded.endsWith(QLatin1String("'S"))) return accepted(folded.chopped(2), depth + 1);
    return false;
}

bool TSpellChecker::checkWord(const QString& word) {
    m->openMainOnce(*this);
    return accepted(foldWord(word), 0);
}

QStringList TSpellChecker::suggest(const QString& word) {
    m->openMainOnce(*this);
    QStringList out;
    if (!m->hunspell || word.isEmpty()) return out;
    QString asked = word;
    asked.replace(QChar(0x2019), QLatin1Char('\''));
    for (const std::string& s : m->hunspell->suggest(m->encode(asked))) {
        if (out.size() >= m_maxSuggestions) break;
        const QString candidate = m->decode(s);
        if (!out.contains(candidate)) out << candidate;
    }
    return out;
}

void TSpellChecker::setMaxSuggestions(int count) { m_maxSuggestions = std::clamp(count, 1, kMaxSuggestionsLimit); }

bool TSpellChecker::addWord(const QString& word, int handle, QString* error) {
    if (handle < 0 || handle >= int(m->users.size())) return true;
    auto& user = m->users[size_t(handle)];
    const QString w = word.trimmed();
    const QString f = foldWord(w);
    if (w.isEmpty() || user.folded.contains(f)) return true;
    QStringList words = user.words;
    words << w;
    if (!writeFileReplacing(user.path, buildUserDictionary(words), error)) return false;
    user.words = words;
    user.folded.insert(f);
    m->teachHunspell(w);
    return true;
}

QStringList TSpellChecker::userWords(int handle) const {
    if (handle < 0 || handle >= int(m->users.size())) return {};
    return m->users[size_t(handle)].words;
}

void TSpellChecker::close() {
    m->hunspell.reset();
    m->encoding.clear();
    m->users.clear();
    m->mainTried = false;
}

}  // namespace brindle::spelling

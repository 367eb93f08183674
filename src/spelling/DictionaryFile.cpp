#include "spelling/DictionaryFile.h"

#include <QSaveFile>
#include <QStringDecoder>

namespace brindle::spelling {

namespace {

void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

// The next line ended by CR LF from `pos`; nullopt when none ends before the
// byte 26 or the end of the bytes.
std::optional<QByteArray> takeLine(const QByteArray& bytes, qsizetype& pos) {
    const qsizetype end = bytes.indexOf("\r\n", pos);
    if (end < 0) return std::nullopt;
    const qsizetype stop = bytes.indexOf(kEndOfText, pos);
    if (stop >= 0 && stop < end) return std::nullopt;
    QByteArray line = bytes.mid(pos, end - pos);
    pos = end + 2;
    return line;
}

// One "NAME length LF bytes" part of the supplied dictionary's word store.
std::optional<QByteArray> takePart(const QByteArray& bytes, qsizetype& pos, const QByteArray& name, QString* error) {
    const QByteArray lead = name + ' ';
    if (bytes.mid(pos, lead.size()) != lead) {
        setError(error, QStringLiteral("the %1 part is missing").arg(QString::fromLatin1(name)));
        return std::nullopt;
    }
    pos += lead.size();
    qint64 length = 0;
    int digits = 0;
    while (pos < bytes.size() && bytes[pos] >= '0' && bytes[pos] <= '9' && digits < 12) {
        length = length * 10 + (bytes[pos] - '0');
        ++pos;
        ++digits;
    }
    if (digits == 0 || pos >= bytes.size() || bytes[pos] != '\n') {
        setError(error, QStringLiteral("the length of the %1 part is damaged").arg(QString::fromLatin1(name)));
        return std::nullopt;
    }
    ++pos;
    if (length > bytes.size() - pos) {
        setError(error, QStringLiteral("the %1 part is cut short").arg(QString::fromLatin1(name)));
        return std::nullopt;
    }
    QByteArray part = bytes.mid(pos, qsizetype(length));
    pos += qsizetype(length);
    return part;
}

}  // namespace

QByteArray dictionaryHeader(const QByteArray& title, const QByteArray& format) {
    return title + "\r\n" + format + "\r\n" + QByteArray(1, kEndOfText);
}

std::optional<DictionaryHeader> readDictionaryHeader(const QByteArray& bytes, QString* error) {
    qsizetype pos = 0;
    const auto title = takeLine(bytes, pos);
    const auto format = title ? takeLine(bytes, pos) : std::nullopt;
    if (!title || !format || pos >= bytes.size() || bytes[pos] != kEndOfText) {
        setError(error, QStringLiteral("it does not begin with a dictionary header"));
        return std::nullopt;
    }
    return DictionaryHeader{*title, *format, pos + 1};
}

QByteArray buildMainDictionary(const MainDictionary& dictionary) {
    QByteArray out = dictionaryHeader(kMainDictionaryTitle, kMainDictionaryFormat);
    out += "AFF " + QByteArray::number(dictionary.affixes.size()) + '\n' + dictionary.affixes;
    out += "DIC " + QByteArray::number(dictionary.words.size()) + '\n' + dictionary.words;
    return out;
}

std::optional<MainDictionary> readMainDictionary(const QByteArray& bytes, QString* error) {
    const auto header = readDictionaryHeader(bytes, error);
    if (!header) return std::nullopt;
    if (header->title != kMainDictionaryTitle) {
        setError(error, QStringLiteral("it is not a main dictionary"));
        return std::nullopt;
    }
    qsizetype pos = header->bodyOffset;
    auto affixes = takePart(bytes, pos, "AFF", error);
    if (!affixes) return std::nullopt;
    auto words = takePart(bytes, pos, "DIC", error);
    if (!words) return std::nullopt;
    return MainDictionary{std::move(*affixes), std::move(*words)};
}

QByteArray buildUserDictionary(const QStringList& words) {
    QByteArray out = dictionaryHeader(kUserDictionaryTitle, kUserDictionaryFormat);
    for (const QString& w : words) out += w.toUtf8() + "\r\n";
    return out;
}

std::optional<QStringList> readUserDictionary(const QByteArray& bytes, QString* error) {
    const auto header = readDictionaryHeader(bytes, error);
    if (!header) return std::nullopt;
    if (header->title != kUserDictionaryTitle) {
        setError(error, QStringLiteral("it is not a user dictionary"));
        return std::nullopt;
    }
    QStringList words;
    const QByteArray body = bytes.mid(header->bodyOffset);
    for (QByteArray line : body.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString word = utf8.decode(line);
        // A line some editor saved in the Windows code page is still a word.
        if (utf8.hasError()) word = QStringDecoder("windows-1252").decode(line);
        word = word.trimmed();
        if (!word.isEmpty()) words << word;
    }
    return words;
}

bool writeFileReplacing(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        setError(error, f.errorString());
        f.cancelWriting();
        return false;
    }
    return true;
}

}  // namespace brindle::spelling

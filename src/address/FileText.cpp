#include "address/FileText.h"

#include <QHash>
#include <QStringView>

#include "common/LatinText.h"
#include "store/CodePage.h"
#include "store/Table.h"

namespace brindle::address {
namespace {

// Spellings of Windows-1252 characters that have no decomposition, for code
// pages that lack them (a DOS 866 or Windows-1251 file has no ß or œ).
const QHash<char32_t, QString>& westernSpellings() {
    static const QHash<char32_t, QString> table = [] {
        const std::pair<char32_t, const char*> pairs[] = {
            {U'ß', "ss"}, {U'Æ', "AE"}, {U'æ', "ae"}, {U'Œ', "OE"}, {U'œ', "oe"}, {U'Ø', "O"},  {U'ø', "o"},
            {U'Ð', "D"},  {U'ð', "d"},  {U'Þ', "Th"}, {U'þ', "th"}, {U'€', "EUR"}, {U'“', "\""}, {U'”', "\""},
            {U'„', "\""}, {U'«', "\""}, {U'»', "\""}, {U'‘', "'"},  {U'’', "'"},  {U'‚', "'"},  {U'‹', "'"},
            {U'›', "'"},  {U'–', "-"},  {U'—', "-"},  {U'•', "*"},  {U'×', "x"},  {U'÷', "/"},  {U'¿', "?"},
            {U'¡', "!"},  {U'©', "(C)"}, {U'®', "(R)"}, {U'°', "o"}, {U'µ', "u"}, {U'·', "."}, {U'¦', "|"},
            {U'¬', "-"},  {U'±', "+-"},
        };
        QHash<char32_t, QString> t;
        for (const auto& [cp, text] : pairs) t.insert(cp, QString::fromUtf8(text));
        return t;
    }();
    return table;
}

}  // namespace

FileText::FileText() : codec_(&store::TextCodec::windows1252()) {}

FileText::FileText(const store::TextCodec& codec) : codec_(&codec) {}

FileText FileText::of(const store::Table* table) { return table ? FileText(table->codec()) : FileText(); }

bool FileText::isWindows1252() const { return codec_->isWindows1252(); }

QString FileText::codePageName() const { return QString::fromStdString(codec_->name()); }

QString FileText::decode(std::string_view bytes) const { return QString::fromStdString(codec_->toUtf8(bytes)); }

std::string FileText::encode(const QString& text) const { return codec_->fromUtf8(text.toStdString()).text; }

bool FileText::fits(char32_t cp) const {
    if (isWindows1252()) return common::fitsCp1252(cp);
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
    return codec_->fromUtf8(store::codePointToUtf8(cp)).lost.empty();
}

QList<char32_t> FileText::unstorableCharacters(const QString& text) const {
    if (isWindows1252()) return common::unstorableCharacters(text);
    QList<char32_t> out;
    for (char32_t cp : QStringView(common::storableForm(text)).toUcs4())
        if (!fits(cp) && !out.contains(cp)) out << cp;
    return out;
}

QString FileText::nearestSpelling(char32_t cp) const {
    if (isWindows1252()) return common::nearestLatin(cp);
    if (fits(cp)) return common::characterText(cp);
    // The letters without their accents, when the code page holds them all.
    const auto withoutMarks = [this](char32_t c) {
        QString out;
        for (char32_t part : QStringView(common::characterText(c).normalized(QString::NormalizationForm_KD)).toUcs4()) {
            if (common::isCombiningMark(part)) continue;
            if (!fits(part)) return QString();
            out += common::characterText(part);
        }
        return out;
    };
    if (QString plain = withoutMarks(cp); !plain.isEmpty()) return plain;
    // Else the nearest Latin spelling, each of its letters brought into the
    // code page in turn.
    QString out;
    for (char32_t c : QStringView(common::nearestLatin(cp)).toUcs4()) {
        if (fits(c)) out += common::characterText(c);
        else if (QString plain = withoutMarks(c); !plain.isEmpty()) out += plain;
        else out += westernSpellings().value(c);
    }
    return out;
}

QString FileText::toStorable(const QString& text) const {
    if (isWindows1252()) return common::toNearestLatin(text);
    const QString composed = common::storableForm(text);
    if (unstorableCharacters(composed).isEmpty()) return composed;
    QString out;
    out.reserve(composed.size());
    for (char32_t cp : QStringView(composed).toUcs4()) out += fits(cp) ? common::characterText(cp) : nearestSpelling(cp);
    return out;
}

std::string FileText::key(const QString& typed) const { return store::toUpper1252(encode(toStorable(typed))); }

std::string FileText::storedMemo(const QString& text) const {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    std::string bytes = encode(t);
    if (!bytes.empty() && bytes.size() % 4 == 0) bytes += ' ';
    return bytes;
}

QString FileText::memoForDisplay(std::string_view stored) const {
    QString t = decode(stored);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

}  // namespace brindle::address

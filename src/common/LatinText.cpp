#include "common/LatinText.h"

#include <QHash>
#include <QStringView>

#include "store/Cp1252.h"

namespace brindle::common {
namespace {

// Spellings for characters whose decomposition does not lead to Latin
// letters: Latin letters with a bar or stroke, Cyrillic (a plain reading
// transliteration), Greek, and dashes, minus and primes. Accented Cyrillic
// and Greek letters decompose to the base letters listed here.
const QHash<char32_t, QString>& spellings() {
    static const QHash<char32_t, QString> table = [] {
        const std::pair<char32_t, const char*> pairs[] = {
            // Latin
            {U'Ł', "L"}, {U'ł', "l"}, {U'Đ', "D"}, {U'đ', "d"}, {U'Ħ', "H"}, {U'ħ', "h"}, {U'ı', "i"},
            {U'Ŀ', "L"}, {U'ŀ', "l"}, {U'Ŧ', "T"}, {U'ŧ', "t"}, {U'Ŋ', "N"}, {U'ŋ', "n"}, {U'ĸ', "k"},
            {U'Ə', "E"}, {U'ə', "e"}, {U'Ɛ', "E"}, {U'ɛ', "e"}, {U'Ɨ', "I"}, {U'ɨ', "i"}, {U'Ƶ', "Z"},
            {U'ƶ', "z"}, {U'Ɓ', "B"}, {U'ɓ', "b"}, {U'Ɗ', "D"}, {U'ɗ', "d"}, {U'Ƙ', "K"}, {U'ƙ', "k"},
            {U'ȷ', "j"}, {U'ʼ', "'"},
            // Cyrillic: Russian
            {U'А', "A"}, {U'Б', "B"}, {U'В', "V"}, {U'Г', "G"}, {U'Д', "D"}, {U'Е', "E"}, {U'Ё', "Yo"},
            {U'Ж', "Zh"}, {U'З', "Z"}, {U'И', "I"}, {U'Й', "Y"}, {U'К', "K"}, {U'Л', "L"}, {U'М', "M"},
            {U'Н', "N"}, {U'О', "O"}, {U'П', "P"}, {U'Р', "R"}, {U'С', "S"}, {U'Т', "T"}, {U'У', "U"},
            {U'Ф', "F"}, {U'Х', "Kh"}, {U'Ц', "Ts"}, {U'Ч', "Ch"}, {U'Ш', "Sh"}, {U'Щ', "Shch"}, {U'Ъ', ""},
            {U'Ы', "Y"}, {U'Ь', ""}, {U'Э', "E"}, {U'Ю', "Yu"}, {U'Я', "Ya"},
            {U'а', "a"}, {U'б', "b"}, {U'в', "v"}, {U'г', "g"}, {U'д', "d"}, {U'е', "e"}, {U'ё', "yo"},
            {U'ж', "zh"}, {U'з', "z"}, {U'и', "i"}, {U'й', "y"}, {U'к', "k"}, {U'л', "l"}, {U'м', "m"},
            {U'н', "n"}, {U'о', "o"}, {U'п', "p"}, {U'р', "r"}, {U'с', "s"}, {U'т', "t"}, {U'у', "u"},
            {U'ф', "f"}, {U'х', "kh"}, {U'ц', "ts"}, {U'ч', "ch"}, {U'ш', "sh"}, {U'щ', "shch"}, {U'ъ', ""},
            {U'ы', "y"}, {U'ь', ""}, {U'э', "e"}, {U'ю', "yu"}, {U'я', "ya"},
            // Cyrillic: Ukrainian, Belarusian, Serbian, Macedonian
            {U'Є', "Ye"}, {U'є', "ye"}, {U'І', "I"}, {U'і', "i"}, {U'Ї', "Yi"}, {U'ї', "yi"}, {U'Ґ', "G"},
            {U'ґ', "g"}, {U'Ў', "U"}, {U'ў', "u"}, {U'Ђ', "Dj"}, {U'ђ', "dj"}, {U'Ј', "J"}, {U'ј', "j"},
            {U'Љ', "Lj"}, {U'љ', "lj"}, {U'Њ', "Nj"}, {U'њ', "nj"}, {U'Ћ', "C"}, {U'ћ', "c"}, {U'Џ', "Dz"},
            {U'џ', "dz"}, {U'Ѓ', "Gj"}, {U'ѓ', "gj"}, {U'Ќ', "Kj"}, {U'ќ', "kj"}, {U'Ѕ', "Dz"}, {U'ѕ', "dz"},
            // Greek
            {U'Α', "A"}, {U'Β', "V"}, {U'Γ', "G"}, {U'Δ', "D"}, {U'Ε', "E"}, {U'Ζ', "Z"}, {U'Η', "I"},
            {U'Θ', "Th"}, {U'Ι', "I"}, {U'Κ', "K"}, {U'Λ', "L"}, {U'Μ', "M"}, {U'Ν', "N"}, {U'Ξ', "X"},
            {U'Ο', "O"}, {U'Π', "P"}, {U'Ρ', "R"}, {U'Σ', "S"}, {U'Τ', "T"}, {U'Υ', "Y"}, {U'Φ', "F"},
            {U'Χ', "Ch"}, {U'Ψ', "Ps"}, {U'Ω', "O"},
            {U'α', "a"}, {U'β', "v"}, {U'γ', "g"}, {U'δ', "d"}, {U'ε', "e"}, {U'ζ', "z"}, {U'η', "i"},
            {U'θ', "th"}, {U'ι', "i"}, {U'κ', "k"}, {U'λ', "l"}, {U'μ', "m"}, {U'ν', "n"}, {U'ξ', "x"},
            {U'ο', "o"}, {U'π', "p"}, {U'ρ', "r"}, {U'σ', "s"}, {U'ς', "s"}, {U'τ', "t"}, {U'υ', "y"},
            {U'φ', "f"}, {U'χ', "ch"}, {U'ψ', "ps"}, {U'ω', "o"},
            // Dashes, minus, primes, fraction slash
            {U'\u2010', "-"}, {U'\u2011', "-"}, {U'\u2012', "-"}, {U'\u2015', "-"}, {U'\u2212', "-"},
            {U'\u2032', "'"}, {U'\u2033', "\""}, {U'\u2044', "/"}, {U'\u2215', "/"}, {U'\u201B', "'"},
            {U'\u201F', "\""},
        };
        QHash<char32_t, QString> t;
        for (const auto& [cp, text] : pairs) t.insert(cp, QString::fromUtf8(text));
        return t;
    }();
    return table;
}

}  // namespace

bool isCombiningMark(char32_t cp) {
    const QChar::Category c = QChar::category(cp);
    return c == QChar::Mark_NonSpacing || c == QChar::Mark_SpacingCombining || c == QChar::Mark_Enclosing;
}

bool fitsCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return true;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;  // a lone half of a pair
    if (cp > 0x10FFFF) return false;
    return store::utf8ToCp1252Counted(store::codePointToUtf8(cp)).lost.empty();
}

QString characterText(char32_t cp) { return QString::fromUcs4(&cp, 1); }

QString storableForm(const QString& text) { return text.normalized(QString::NormalizationForm_C); }

QList<char32_t> unstorableCharacters(const QString& text) {
    QList<char32_t> out;
    for (char32_t cp : QStringView(storableForm(text)).toUcs4())
        if (!fitsCp1252(cp) && !out.contains(cp)) out << cp;
    return out;
}

QString nearestLatin(char32_t cp) {
    if (fitsCp1252(cp)) return characterText(cp);
    const auto it = spellings().constFind(cp);
    if (it != spellings().constEnd()) return *it;
    const QString decomposed = characterText(cp).normalized(QString::NormalizationForm_KD);
    if (decomposed == characterText(cp)) return {};
    QString out;
    for (char32_t part : QStringView(decomposed).toUcs4()) {
        if (isCombiningMark(part)) continue;
        if (fitsCp1252(part)) out += characterText(part);
        else out += spellings().value(part);
    }
    return out;
}

QString toNearestLatin(const QString& text) {
    const QString composed = storableForm(text);
    if (unstorableCharacters(composed).isEmpty()) return composed;
    QString out;
    out.reserve(composed.size());
    for (char32_t cp : QStringView(composed).toUcs4()) out += fitsCp1252(cp) ? characterText(cp) : nearestLatin(cp);
    return out;
}

}  // namespace brindle::common

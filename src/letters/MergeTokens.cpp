#include "letters/MergeTokens.h"

#include "common/Common.h"

namespace brindle::letters {

namespace {

const QString kBlank = QStringLiteral(" ");
const QString kLineEnd = QStringLiteral("\r\n");

QString leadingTrimmed(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s[i] == QLatin1Char(' ')) ++i;
    return s.mid(i);
}

QString bothTrimmed(const QString& s) {
    qsizetype from = 0, to = s.size();
    while (from < to && s[from] == QLatin1Char(' ')) ++from;
    while (to > from && s[to - 1] == QLatin1Char(' ')) --to;
    return s.mid(from, to - from);
}

// A name part with one blank after it, or nothing when it is empty.
QString part(const QString& value) {
    const QString v = leadingTrimmed(value);
    return v.isEmpty() ? QString() : v + kBlank;
}

// The simple tokens: one field each.
struct FieldToken {
    const char* name;
    const char* field;
};
constexpr FieldToken kFieldTokens[] = {
    {"First", "FNAME"},    {"Last", "LNAME"},      {"Middle", "MIDDLE"},   {"Prefix", "PREFIX"},
    {"Title", "TITLE"},    {"Organization", "ORG"}, {"Street", "STREET"},  {"Street 2", "STREET2"},
    {"City", "CITY"},      {"State", "STATE"},      {"Province", "STATE"}, {"Zip", "ZIP"},
    {"Postal Code", "ZIP"}, {"Country", "COUNTRY"}, {"Phone", "PHONE"},    {"Phone 2", "PHONE2"},
    {"Fax", "FAX"},        {"E-Mail", "EMAIL"},     {"Comment 1", "USER1"}, {"Comment 2", "USER2"},
};

}  // namespace

const QStringList& mergeTokenNames() {
    static const QStringList names = {
        QStringLiteral("Full Name"), QStringLiteral("Name and Address"), QStringLiteral("First"),
        QStringLiteral("Last"),      QStringLiteral("Middle"),           QStringLiteral("Prefix"),
        QStringLiteral("Title"),     QStringLiteral("Organization"),     QStringLiteral("Street"),
        QStringLiteral("Street 2"),  QStringLiteral("City+State+Zip"),   QStringLiteral("City"),
        QStringLiteral("State"),     QStringLiteral("Province"),         QStringLiteral("Zip"),
        QStringLiteral("Postal Code"), QStringLiteral("Country"),        QStringLiteral("Phone"),
        QStringLiteral("Phone 2"),   QStringLiteral("Fax"),              QStringLiteral("E-Mail"),
        QStringLiteral("Today's Date"), QStringLiteral("Long Date"),     QStringLiteral("Comment 1"),
        QStringLiteral("Comment 2"),
    };
    return names;
}

const QStringList& mergeOrder() {
    static const QStringList names = {
        QStringLiteral("Full Name"), QStringLiteral("First"),          QStringLiteral("Last"),
        QStringLiteral("Middle"),    QStringLiteral("Prefix"),         QStringLiteral("Title"),
        QStringLiteral("Organization"), QStringLiteral("Street"),      QStringLiteral("Street 2"),
        QStringLiteral("City+State+Zip"), QStringLiteral("City"),      QStringLiteral("State"),
        QStringLiteral("Province"),  QStringLiteral("Zip"),            QStringLiteral("Postal Code"),
        QStringLiteral("Country"),   QStringLiteral("Phone"),          QStringLiteral("Phone 2"),
        QStringLiteral("Fax"),       QStringLiteral("E-Mail"),         QStringLiteral("Today's Date"),
        QStringLiteral("Long Date"), QStringLiteral("Name and Address"), QStringLiteral("Comment 1"),
        QStringLiteral("Comment 2"),
    };
    return names;
}

QString tokenText(const QString& name) { return QLatin1Char('[') + name + QLatin1Char(']'); }

QString fullNameValue(const FieldValue& field) {
    const QString middle = leadingTrimmed(field("MIDDLE"));
    return part(field("PREFIX")) + part(field("FNAME")) + (middle.isEmpty() ? QString() : middle + QStringLiteral(". ")) +
           part(field("LNAME"));
}

QString cityStateZipValue(const FieldValue& field) {
    // One blank between the parts present: an empty state leaves no double blank.
    QStringList parts;
    for (const char* name : {"CITY", "STATE", "ZIP"})
        if (const QString v = bothTrimmed(field(name)); !v.isEmpty()) parts << v;
    return parts.join(kBlank);
}

QString nameAndAddressValue(const FieldValue& field) {
    QString out;
    const auto line = [&out](const QString& text) {
        if (!text.isEmpty()) out += text + kLineEnd;
    };
    line(fullNameValue(field));
    const QString title = field("TITLE");
    const QString org = field("ORG");
    line(!title.isEmpty() && !org.isEmpty() ? title + QStringLiteral(",  ") + org : title + org);
    line(field("STREET"));
    line(field("STREET2"));
    const QString state = field("STATE");
    line(bothTrimmed(field("CITY") + kBlank + (state.isEmpty() ? QString() : state + kBlank) + kBlank + field("ZIP")));
    line(field("COUNTRY"));
    return out;
}

QString todaysDateValue(const QDate& today, const QString& shortPattern) {
    return common::formatDate(today, shortPattern.trimmed().isEmpty() ? QStringLiteral("m/d/yy") : shortPattern);
}

QString longDateValue(const QDate& today) { return common::formatDate(today, QStringLiteral("mmm d, yyyy")); }

QString tokenValue(const QString& name, const FieldValue& field, const TokenContext& context) {
    const auto is = [&name](const char* n) { return name.compare(QLatin1StringView(n), Qt::CaseInsensitive) == 0; };
    if (is("Full Name")) return fullNameValue(field);
    if (is("Name and Address")) return nameAndAddressValue(field);
    if (is("City+State+Zip")) return cityStateZipValue(field);
    if (is("Today's Date")) return todaysDateValue(context.today, context.shortDatePattern);
    if (is("Long Date")) return longDateValue(context.today);
    for (const FieldToken& t : kFieldTokens)
        if (is(t.name)) return field(t.field);
    return {};
}

QVector<std::pair<QString, QString>> tokenValues(const FieldValue& field, const TokenContext& context) {
    QVector<std::pair<QString, QString>> out;
    for (const QString& name : mergeOrder()) out.push_back({name, tokenValue(name, field, context)});
    return out;
}

}  // namespace brindle::letters

namespace brindle::letters {
TokenContext currentTokenContext() { return {QDate::currentDate(), common::userShortDatePattern()}; }
}  // namespace brindle::letters

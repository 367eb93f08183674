#pragma once
// The merge tokens of a letter template ("[Full Name]", "[Street]") and the
// value each stands for in one address record.
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <utility>

namespace brindle::letters {

// The token names in the order the designer's "Insert field" list offers them.
const QStringList& mergeTokenNames();
// The order in which a merge replaces them: each token is searched over the
// whole document after the ones before it were replaced.
const QStringList& mergeOrder();
// "[" + name + "]".
QString tokenText(const QString& name);

// A character field of the current record ("LNAME") as the store returns it
// (trailing blanks removed); empty for a field with no value.
using FieldValue = std::function<QString(const char* field)>;

// "John Q. Smith ": PREFIX, FNAME, MIDDLE with a full stop and LNAME, each
// part that is not empty with its leading blanks removed and one blank after it.
QString fullNameValue(const FieldValue& field);
// CITY, STATE and ZIP with one blank between the parts that are present.
QString cityStateZipValue(const FieldValue& field);
// The address block: name line, title line, the street lines, the city line
// (two blanks before the ZIP) and the country, each ended by CR LF, empty
// lines left out.
QString nameAndAddressValue(const FieldValue& field);

// Today's date in a short date pattern of the program's letters ("m/d/yy"
// when the pattern is empty), and as "mmm d, yyyy".
QString todaysDateValue(const QDate& today, const QString& shortPattern);
QString longDateValue(const QDate& today);

struct TokenContext {
    QDate today = QDate::currentDate();
    QString shortDatePattern;  // the user's, in the program's letters; empty gives "m/d/yy"
};

// The value of one token (names compared ignoring case); empty for a name
// that is no token.
QString tokenValue(const QString& name, const FieldValue& field, const TokenContext& context);
// Every token with its value, in merge order.
QVector<std::pair<QString, QString>> tokenValues(const FieldValue& field, const TokenContext& context);

}  // namespace brindle::letters

namespace brindle::letters {
// Today, with the user's short date pattern.
TokenContext currentTokenContext();
}  // namespace brindle::letters

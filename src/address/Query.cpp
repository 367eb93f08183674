#include "address/Query.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "common/Common.h"

namespace brindle::address {
namespace {

constexpr int kMaxValueLength = 99;

// Upper case for a to z only; other letters keep their case, as the engine's UPPER does.
QString upperAscii(QString s) {
    for (QChar& c : s)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 0x20);
    return s;
}

QString joinParts(const QString& expression, const QString& value, QChar sep, const char* joiner) {
    QStringList conditions;
    for (const QString& part : splitOn(value, sep))
        conditions << QStringLiteral("(") + fieldCondition(expression, part) + QStringLiteral(")");
    return QStringLiteral("(") + conditions.join(QLatin1String(joiner)) + QStringLiteral(")");
}

}  // namespace

const std::array<QueryField, kQueryTextCount>& queryFields() {
    static const std::array<QueryField, kQueryTextCount> fields = {{
        {"LNAME", "Last", "LNAME"},
        {"FNAME", "First", "FNAME"},
        {"TITLE", "Title", "TITLE"},
        {"ORG", "Org", "ORG"},
        {"STREET", "Address 1", "STREET"},
        {"STREET2", "Address 2", "STREET2"},
        {"ZIP", "Zip or Postal ", "ZIP"},
        {"CITY+STATE", "City", "CITY"},
        {"STATE", "State or Prov", "STATE"},
        {"COUNTRY", "Country", "COUNTRY"},
        {"PHONE", "Phone 1", "PHONE"},
        {"PHONE2", "Phone 2", "PHONE2"},
        {"FAX", "Fax", "FAX"},
        {"EMAIL", "E-mail", "EMAIL"},
        {"DATE", "Date", "DATE"},
        {"CODES", "Codes", "CODES"},
        {"USER1", "Comment 1", "USER1"},
        {"USER2", "Comment 2", "USER2"},
    }};
    return fields;
}

QStringList splitOn(const QString& text, QChar separator) { return text.split(separator, Qt::KeepEmptyParts); }

QString fieldCondition(const QString& e, const QString& v) {
    if (v.contains(QLatin1Char(';'))) return joinParts(e, v, QLatin1Char(';'), ".or.");
    if (v.contains(QLatin1Char('+'))) return joinParts(e, v, QLatin1Char('+'), ".and.");
    if (v.contains(QLatin1Char('^'))) return joinParts(e, v, QLatin1Char('^'), ".and..not.");
    QString op = QStringLiteral("=");
    QString value = v;
    if (v.startsWith(QLatin1String(">=")) || v.startsWith(QLatin1String("<="))) {
        op = v.left(2);
        value = v.mid(2, kMaxValueLength);
    } else if (v.startsWith(QLatin1Char('>')) || v.startsWith(QLatin1Char('<')) || v.startsWith(QLatin1Char('$'))) {
        op = v.left(1);
        value = v.mid(1, kMaxValueLength);
    }
    value = upperAscii(value);
    const QString quote = QStringLiteral("\"");
    if (op == QLatin1String("$")) return quote + value + quote + QStringLiteral("$UPPER(") + e + QStringLiteral(")");
    return QStringLiteral("UPPER(") + e + QStringLiteral(")") + op + quote + value + quote;
}

QString buildQueryString(const QueryVars& vars, const QString& tagId) {
    QString q;
    QString joiner;
    for (int i = 0; i < kQueryTextCount; ++i) {
        const QString& text = vars.texts[static_cast<std::size_t>(i)];
        if (common::trimBoth(text).isEmpty()) continue;
        q += joiner + fieldCondition(QString::fromLatin1(queryFields()[static_cast<std::size_t>(i)].expression), text);
        joiner = QStringLiteral(" and ");
    }
    if (vars.taggedOnly) q += joiner + QStringLiteral("(UPPER(TAG)=\"") + tagId + QStringLiteral("\")");
    if (!q.isEmpty() && vars.reverse) q = QStringLiteral("(!(") + q + QStringLiteral("))");
    return q;
}

QString engineFilter(const QString& queryString) {
    return queryString.isEmpty() ? notDeletedCondition() : queryString + QStringLiteral(".and. !ISDEL");
}

bool queryTooLong(const QString& queryString) { return queryString.size() + 12 > kMaxFilterLength; }

void saveFilterTo(const QString& path, const QueryVars& vars) {
    QByteArray out;
    for (const QString& t : vars.texts) out += t.toLocal8Bit() + "\r\n";
    out += vars.taggedOnly ? "T\r\n" : "F\r\n";
    out += vars.reverse ? "T\r\n" : "F\r\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(out) != out.size())
        throw std::runtime_error(("Unable to write " + path).toStdString());
}

QueryVars restoreFilterFrom(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error(("Unable to read " + path).toStdString());
    QStringList lines;
    // At most the 20 lines the format has; a huge stray file is not read whole.
    while (!f.atEnd() && lines.size() < kQueryTextCount + 2) {
        QByteArray line = f.readLine(4096);
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        lines << QString::fromLocal8Bit(line);
    }
    QueryVars v;
    for (int i = 0; i < kQueryTextCount && i < lines.size(); ++i) v.texts[static_cast<std::size_t>(i)] = lines[i];
    v.taggedOnly = lines.size() > kQueryTextCount && lines[kQueryTextCount] == QLatin1String("T");
    v.reverse = lines.size() > kQueryTextCount + 1 && lines[kQueryTextCount + 1] == QLatin1String("T");
    return v;
}

QString filterSaveName(const QString& chosen) {
    const QFileInfo fi(chosen);
    if (fi.suffix().toUpper() == QLatin1String("FLT")) return chosen;
    if (fi.fileName().contains(QLatin1Char('.'))) return {};
    return chosen + QStringLiteral(".FLT");
}

bool memoContains(const QString& memo, const QString& text) {
    return memo.left(kMemoSearchWindow).toUpper().contains(text.toUpper());
}

}  // namespace brindle::address

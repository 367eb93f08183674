#include "address/Query.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <optional>
#include <stdexcept>

#include "address/FieldCatalogue.h"
#include "common/Common.h"
#include "store/Cp1252.h"
#include "store/Expression.h"

namespace brindle::address {
namespace {

constexpr int kMaxValueLength = 99;
// What a filter file reader keeps of a line, and how much of a file it reads.
constexpr qint64 kMaxFilterLineBytes = 4096;
constexpr qint64 kMaxFilterFileBytes = 1 << 20;

// The value as one string literal of the language, in the file's code page,
// folded as the store folds.
std::string literal(const QString& value, const FileText& text) {
    std::optional<std::string> quoted = store::quoteStringLiteral(text.key(value));
    if (!quoted) throw QueryValueError(value);
    return std::move(*quoted);
}

// Whether bytes are UTF-8 text that plain ASCII would not be: at least one
// byte above 127 and no malformed sequence.
bool isUtf8Text(const QByteArray& bytes) {
    bool high = false;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) > 127) high = true;
    if (!high) return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

std::string condition(const std::string& e, const QString& v, const FileText& text);

std::string joinParts(const std::string& e, const QString& value, QChar sep, const char* joiner,
                      const FileText& text) {
    std::string out = "(";
    bool firstPart = true;
    for (const QString& part : splitOn(value, sep)) {
        if (!firstPart) out += joiner;
        firstPart = false;
        out += "(" + condition(e, part, text) + ")";
    }
    return out + ")";
}

// The condition of one field expression (ASCII) and one typed value, in the
// file's bytes.
std::string condition(const std::string& e, const QString& v, const FileText& text) {
    if (v.contains(QLatin1Char(';'))) return joinParts(e, v, QLatin1Char(';'), ".or.", text);
    if (v.contains(QLatin1Char('+'))) return joinParts(e, v, QLatin1Char('+'), ".and.", text);
    if (v.contains(QLatin1Char('^'))) return joinParts(e, v, QLatin1Char('^'), ".and..not.", text);
    std::string op = "=";
    QString value = v;
    if (v.startsWith(QLatin1String(">=")) || v.startsWith(QLatin1String("<="))) {
        op = v.left(2).toStdString();
        value = v.mid(2, kMaxValueLength);
    } else if (v.startsWith(QLatin1Char('>')) || v.startsWith(QLatin1Char('<')) || v.startsWith(QLatin1Char('$'))) {
        op = v.left(1).toStdString();
        value = v.mid(1, kMaxValueLength);
    }
    if (op == "$") return literal(value, text) + "$UPPER(" + e + ")";
    return "UPPER(" + e + ")" + op + literal(value, text);
}

}  // namespace

const std::array<QueryField, kQueryTextCount>& queryFields() {
    // The labels are the captions of the record edits the values sit beside.
    static constexpr auto q = [](const char* expression, const char* field) {
        return QueryField{expression, fieldCaption(field), field};
    };
    static constexpr std::array<QueryField, kQueryTextCount> fields = {{
        q("LNAME", "LNAME"),
        q("FNAME", "FNAME"),
        q("TITLE", "TITLE"),
        q("ORG", "ORG"),
        q("STREET", "STREET"),
        q("STREET2", "STREET2"),
        q("ZIP", "ZIP"),
        q("CITY+STATE", "CITY"),
        q("STATE", "STATE"),
        q("COUNTRY", "COUNTRY"),
        q("PHONE", "PHONE"),
        q("PHONE2", "PHONE2"),
        q("FAX", "FAX"),
        q("EMAIL", "EMAIL"),
        q("DATE", "DATE"),
        q("CODES", "CODES"),
        q("USER1", "USER1"),
        q("USER2", "USER2"),
    }};
    return fields;
}

bool QueryVars::setsFilter() const {
    if (taggedOnly) return true;
    for (const QString& t : texts)
        if (!common::trimBoth(t).isEmpty()) return true;
    return false;
}

std::string storeKey(const QString& typed, const FileText& text) { return text.key(typed); }

QString unquotableValueMessage(const QString& value) {
    return QStringLiteral("A filter value cannot hold all three of the characters \" ' ]:\r\n\r\n") + value +
           QStringLiteral("\r\n\r\nPlease change the value.");
}

QStringList splitOn(const QString& text, QChar separator) { return text.split(separator, Qt::KeepEmptyParts); }

QString fieldCondition(const QString& e, const QString& v, const FileText& text) {
    return text.decode(condition(e.toStdString(), v, text));
}

std::string buildQueryExpression(const QueryVars& vars, const QString& tagId, const FileText& text) {
    std::string q;
    std::string joiner;
    for (int i = 0; i < kQueryTextCount; ++i) {
        const QString& typed = vars.texts[static_cast<std::size_t>(i)];
        if (common::trimBoth(typed).isEmpty()) continue;
        q += joiner + condition(queryFields()[static_cast<std::size_t>(i)].expression, typed, text);
        joiner = " and ";
    }
    if (vars.taggedOnly) q += joiner + "(UPPER(TAG)=" + literal(tagId, text) + ")";
    if (!q.empty() && vars.reverse) q = "(!(" + q + "))";
    return q;
}

QString buildQueryString(const QueryVars& vars, const QString& tagId, const FileText& text) {
    return text.decode(buildQueryExpression(vars, tagId, text));
}

QString engineFilter(const QString& queryString) {
    return queryString.isEmpty() ? notDeletedCondition() : queryString + QStringLiteral(".and. !ISDEL");
}

std::string engineExpression(const std::string& queryExpression) {
    return queryExpression.empty() ? notDeletedCondition().toStdString() : queryExpression + ".and. !ISDEL";
}

bool queryTooLong(const QString& queryString) { return queryString.size() + 12 > kMaxFilterLength; }

bool expressionTooLong(const std::string& queryExpression) { return queryExpression.size() + 12 > kMaxFilterLength; }

void saveFilterTo(const QString& path, const QueryVars& vars) {
    QByteArray out;
    bool windows1252 = true;
    for (const QString& t : vars.texts) {
        const store::EncodedText bytes = store::utf8ToCp1252Counted(t.toStdString());
        windows1252 = windows1252 && bytes.lossless();
        out += QByteArray(bytes.text.data(), static_cast<qsizetype>(bytes.text.size())) + "\r\n";
    }
    // Values Windows-1252 cannot hold, or bytes the reader would take for
    // UTF-8, are written as UTF-8 so they come back as typed.
    if (!windows1252 || isUtf8Text(out)) {
        out = "\xEF\xBB\xBF";
        for (const QString& t : vars.texts) out += t.toUtf8() + "\r\n";
    }
    out += vars.taggedOnly ? "T\r\n" : "F\r\n";
    out += vars.reverse ? "T\r\n" : "F\r\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(out) != out.size())
        throw std::runtime_error(("Unable to write " + path).toStdString());
}

QueryVars restoreFilterFrom(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error(("Unable to read " + path).toStdString());
    // A byte-order mark only says the file is UTF-8; it belongs to no value.
    if (f.peek(3) == "\xEF\xBB\xBF") f.skip(3);
    QList<QByteArray> raw;
    // At most the 20 lines the format has, and of each line its first
    // kMaxFilterLineBytes bytes: the rest of a longer line is passed over, so
    // every line stays one value. A huge stray file is not read whole.
    while (!f.atEnd() && raw.size() < kQueryTextCount + 2 && f.pos() < kMaxFilterFileBytes) {
        QByteArray line = f.readLine(kMaxFilterLineBytes + 1);
        if (!line.endsWith('\n'))
            while (!f.atEnd() && f.pos() < kMaxFilterFileBytes && !f.readLine(kMaxFilterLineBytes + 1).endsWith('\n')) {
            }
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        raw << line;
    }
    // The file's own encoding is decided once, from all of its lines.
    const bool utf8 = isUtf8Text(raw.join('\n'));
    QStringList lines;
    for (const QByteArray& line : raw) {
        if (utf8) {
            // Every character as written, a U+FEFF at the start of a value included.
            QStringDecoder decoder(QStringDecoder::Utf8,
                                   QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
            lines << decoder.decode(line);
        } else {
            lines << common::fromStore(line.toStdString());
        }
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

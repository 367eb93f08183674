#pragma once
// The user's filter: the values typed into the filter window, the xBase
// expression built from them, and the small text files that keep a filter.
#include <QString>
#include <QStringList>
#include <array>
#include <stdexcept>
#include <string>

#include "address/FileText.h"

namespace brindle::address {

constexpr int kQueryTextCount = 18;
// The engine takes filter expressions of at most this many characters.
constexpr int kMaxFilterLength = 255;
// The condition every filter carries: deleted records are never shown.
inline QString notDeletedCondition() { return QStringLiteral("!ISDEL"); }
inline QString tooComplexMessage() { return QStringLiteral("Sorry - filter is too complex.Please simplify it."); }

// One searchable field of the filter: the expression compared and the label
// of the filter window.
struct QueryField {
    const char* expression;  // "LNAME", "CITY+STATE", ...
    const char* label;       // "Last", "City", ...
    const char* field;       // the record edit it sits beside ("CITY"); "DATE" for the date
};
const std::array<QueryField, kQueryTextCount>& queryFields();

// The typed values exactly as typed (not trimmed) and the two flags.
struct QueryVars {
    std::array<QString, kQueryTextCount> texts;
    bool taggedOnly = false;
    bool reverse = false;

    void clear() { *this = QueryVars(); }
    bool operator==(const QueryVars&) const = default;
    // Whether these values make a query: a text that is not only blanks, or the tagged-only flag.
    bool setsFilter() const;
};

// A typed value as the store compares it with the text of a file in this
// code page (FileText::key): letters the file cannot hold spelled as such
// names are stored, encoded, folded to upper case as the store's UPPER() does.
std::string storeKey(const QString& typed, const FileText& text = FileText());

// A typed value that cannot be written as one string literal: it holds all
// three delimiters of the language (", ' and ]).
class QueryValueError : public std::runtime_error {
public:
    explicit QueryValueError(const QString& value)
        : std::runtime_error("value cannot be quoted"), value_(value) {}
    const QString& value() const { return value_; }

private:
    QString value_;
};

// "A filter value cannot hold all three of the characters " ' ]: ..." for a refused value.
QString unquotableValueMessage(const QString& value);

// Every part of `text` between the separators; separators at either end or
// side by side give empty parts.
QStringList splitOn(const QString& text, QChar separator);

// The condition for one field: ";" (or), "+" (and), "^" (and not) split the
// value, loosest first; each part may start with >=, <=, >, < or $. Every
// value becomes one string literal of the language (storeKey in the file's
// code page, quoted by the store's quoting routine), so typed text never
// becomes expression syntax. The result is the condition as text (the bytes
// decoded). Throws QueryValueError for a value that cannot be quoted.
QString fieldCondition(const QString& expression, const QString& value, const FileText& text = FileText());

// The query of the variables as the engine gets it: bytes in the file's code
// page, "" when none is set; `tagId` is the current tag identifier used by
// the tagged-only flag. Throws QueryValueError.
std::string buildQueryExpression(const QueryVars& vars, const QString& tagId, const FileText& text = FileText());
// The same query as text (buildQueryExpression decoded), for showing it.
QString buildQueryString(const QueryVars& vars, const QString& tagId, const FileText& text = FileText());

// The expression given to the engine: query + ".and. !ISDEL", or "!ISDEL".
QString engineFilter(const QString& queryString);
std::string engineExpression(const std::string& queryExpression);
// True when the engine filter of this query is too long (the second counts
// the engine's bytes, which is what matters where a character takes more).
bool queryTooLong(const QString& queryString);
bool expressionTooLong(const std::string& queryExpression);

// Filter files: 18 lines of texts, then "T"/"F" for the two flags, CR LF
// after each. They are Windows-1252 whenever that holds every value as typed
// (and the bytes could not be taken for UTF-8); otherwise UTF-8 behind a
// byte-order mark, so a value typed for a file of another code page (a
// Cyrillic name for a Windows-1251 file) comes back as typed. Throws
// std::runtime_error when the file cannot be written.
void saveFilterTo(const QString& path, const QueryVars& vars);
// Missing lines are empty values and false flags; of a very long line the
// first 4096 bytes are kept. A file that is valid UTF-8 with bytes above 127
// (a byte-order mark aside) is read as UTF-8, any other as Windows-1252.
// Throws std::runtime_error when the file cannot be read.
QueryVars restoreFilterFrom(const QString& path);

// The name a save dialog's answer is stored under: ".FLT" added when the
// name has no extension; empty when it has another extension.
QString filterSaveName(const QString& chosen);

// Whether the first 32767 characters of a memo contain the text, ignoring case.
bool memoContains(const QString& memo, const QString& text);
constexpr int kMemoSearchWindow = 32767;

}  // namespace brindle::address

#pragma once
// The user's filter: the values typed into the filter window, the xBase
// expression built from them, and the small text files that keep a filter.
#include <QString>
#include <QStringList>
#include <array>

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
};

// Every part of `text` between the separators; separators at either end or
// side by side give empty parts.
QStringList splitOn(const QString& text, QChar separator);

// The condition for one field: ";" (or), "+" (and), "^" (and not) split the
// value, loosest first; each part may start with >=, <=, >, < or $.
QString fieldCondition(const QString& expression, const QString& value);

// The query string of the variables ("" when none is set); `tagId` is the
// current tag identifier used by the tagged-only flag.
QString buildQueryString(const QueryVars& vars, const QString& tagId);

// The expression given to the engine: query + ".and. !ISDEL", or "!ISDEL".
QString engineFilter(const QString& queryString);
// True when the engine filter of this query string is too long.
bool queryTooLong(const QString& queryString);

// Filter files: 18 lines of texts, then "T"/"F" for the two flags, CR LF after each.
// Throws std::runtime_error when the file cannot be written.
void saveFilterTo(const QString& path, const QueryVars& vars);
// Missing lines are empty values and false flags. Throws std::runtime_error
// when the file cannot be read.
QueryVars restoreFilterFrom(const QString& path);

// The name a save dialog's answer is stored under: ".FLT" added when the
// name has no extension; empty when it has another extension.
QString filterSaveName(const QString& chosen);

// Whether the first 32767 characters of a memo contain the text, ignoring case.
bool memoContains(const QString& memo, const QString& text);
constexpr int kMemoSearchWindow = 32767;

}  // namespace brindle::address

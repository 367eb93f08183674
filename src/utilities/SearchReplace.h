#pragma once
// "Search and Replace": one field of every record (or of every record the
// filter matches) whose value equals, contains, or is empty for a text is
// rewritten as a whole or in its matching parts. The user's texts are
// compared as they are, never pasted into an expression, so quotes, "$" or
// ".or." in them mean nothing special.
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "utilities/BulkRun.h"

namespace brindle::store {
class Table;
}

namespace brindle::utilities {

enum class FindMode { Equals = 0, Contains = 1 };
enum class ReplaceAction { WholeField = 0, MatchingText = 1 };

struct ReplaceField {
    const char* caption;  // text of the "Search for field:" list
    const char* field;
};
// The eighteen fields of the list, in its order.
const std::array<ReplaceField, 18>& replaceFields();
// The list text of a field ("Last Name" for LNAME); the name itself when unlisted.
QString replaceFieldCaption(std::string_view field);

struct ReplaceOptions {
    std::string field = "LNAME";
    QString find;  // empty: records whose field is empty
    FindMode mode = FindMode::Equals;
    bool caseSensitive = true;
    ReplaceAction action = ReplaceAction::WholeField;
    QString replacement;
    bool matchingFilter = false;  // "Records matching current Filter"
    std::string query;            // the user's filter in the file's bytes
};

// The question before a run, "Find records where field Last Name\r..." as
// the window has always asked it.
QString replaceQuestion(const ReplaceOptions& options);

// Whether a value (the file's bytes, trailing blanks removed) is found. An
// empty `find` finds empty values; without case sensitivity both sides are
// folded as the store's UPPER() folds them.
bool valueMatches(std::string_view value, std::string_view find, FindMode mode, bool caseSensitive);
// Every occurrence of `find` in `value`, left to right, replaced by `with`;
// the search goes on after each replaced occurrence (banana with a to aa is
// baanaanaa).
std::string replaceOccurrences(std::string_view value, std::string_view find, std::string_view with,
                               bool caseSensitive);

// What a run will do: the records that change (their new value differs from
// the old), how many new values are cut to the field's width, or why the
// run cannot go ahead.
struct ReplacePlan {
    std::vector<std::uint32_t> records;
    std::uint64_t cut = 0;
    QString refusal;  // the message when the run is refused
    bool refused() const { return !refusal.isEmpty(); }
};
ReplacePlan planReplace(store::Table& table, const ReplaceOptions& options);

// Rewrites the planned records; the table's filter, order and record are the
// same afterwards. Every record is rewritten once the run has begun (there
// is no cancel: a half-done replace is worse than a slow one).
BulkResult applyReplace(store::Table& table, const ReplaceOptions& options, const ReplacePlan& plan,
                        address::WalkProgress& progress);

// The "Replace " button: refusals, the question with the number of records
// that will change, the run, "Replaced N records" (with any values that
// were cut) and "Replacement done". Nothing when refused or declined.
std::optional<BulkResult> replaceWithConfirmation(store::Table& table, const ReplaceOptions& options,
                                                  common::UserDialogs& dialogs, address::WalkProgress& progress,
    const std::function<void()>& started = {});

// "Replaced 3 records", with a note on values that were cut.
QString replacedMessage(const BulkResult& result, int fieldWidth);

}  // namespace brindle::utilities

#pragma once
// "Convert Case": chosen text fields of the current record, of all records or
// of the records matching the filter, rewritten in upper case, lower case or
// with the first letter of every word capitalised.
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "address/RecordSet.h"
#include "utilities/BulkRun.h"

namespace brindle::store {
class Table;
}

namespace brindle::utilities {

// The radio group's choices, in its order.
enum class CaseRule { Upper = 0, Capitalised = 1, Lower = 2 };

struct ConvertibleField {
    const char* caption;  // check box caption
    const char* field;
};
// The fifteen fields in the order they are processed.
const std::array<ConvertibleField, 15>& convertibleFields();

// A value in the file's bytes under a rule. Letters change by the store's
// Windows-1252 folding table (JOSÉ to José); with `asciiOnly` (files in other
// code pages, whose bytes the table does not describe) only a to z and A to
// Z change. Everything that is not a letter stays. Capitalised: the value in
// lower case, then every letter at the start or right after a blank in upper
// case; nothing else separates words (O'BRIEN-JONES gives O'brien-jones).
std::string convertCase(std::string_view value, CaseRule rule, bool asciiOnly = false);

struct CaseConversionOptions {
    std::vector<std::string> fields;  // in the order of convertibleFields()
    CaseRule rule = CaseRule::Upper;
    // All, FilterMatches or CurrentOnly; the query is the user's filter.
    address::RecordChoice choice = address::RecordChoice::CurrentOnly;
    std::string query;
};

extern const char* const kNoFieldsMessage;         // "No fields checked for conversion"
extern const char* const kConvertQuestion;         // "Convert now? This process cannot be undone.."
extern const char* const kCancelConvertQuestion;   // "Cancel case conversion?"

// Converts the chosen records; a record whose values do not change is not
// rewritten. Stops after the record at which `progress` answers false. The
// table's filter, order and record are the same afterwards.
BulkResult runCaseConversion(store::Table& table, const CaseConversionOptions& options,
                             address::WalkProgress& progress);

// The Convert button: the message when no field is ticked, the question
// (default No), then the run. Nothing when the user stops it.
std::optional<BulkResult> convertWithConfirmation(store::Table& table, const CaseConversionOptions& options,
                                                  common::UserDialogs& dialogs, address::WalkProgress& progress,
    const std::function<void()>& started = {});

}  // namespace brindle::utilities

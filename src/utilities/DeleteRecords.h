#pragma once
// "Delete Records": every record of the file, the records matching the
// user's filter, or the records it does not match. Deleting marks a record
// (ISDEL and the engine's mark); rebuilding the indexes removes it for good.
// "All" empties the file at once.
#include <QString>

#include <optional>
#include <string>

#include "utilities/BulkRun.h"

namespace brindle::store {
class Table;
}

namespace brindle::utilities {

// The radio group's choices, in its order.
enum class DeleteChoice { All = 0, MatchingFilter = 1, NotMatchingFilter = 2 };

struct DeleteOptions {
    DeleteChoice choice = DeleteChoice::All;
    std::string query;  // the user's filter in the file's bytes
};

extern const char* const kRebuildAdvice;  // "For optimum space usage, please select\r\n[Rebuild Indexes] from the File menu"

// The live records the choice deletes (records already deleted are not
// counted again).
std::uint64_t deleteCount(store::Table& table, const DeleteOptions& options);

// Deletes the set. All: the file is emptied (its tags stay, empty); the
// count is the live records it held. The others mark record by record and
// stop after the record at which `progress` answers false. The table's
// filter, order and record are put back afterwards (the first record when
// the old one is gone).
BulkResult runDeleteRecords(store::Table& table, const DeleteOptions& options, address::WalkProgress& progress);

// "Delete Now": "Are you sure?" with the number of records, the run,
// "Deleted N records" and the advice to rebuild the indexes. Nothing when
// declined.
std::optional<BulkResult> deleteWithConfirmation(store::Table& table, const DeleteOptions& options,
                                                 common::UserDialogs& dialogs, address::WalkProgress& progress,
    const std::function<void()>& started = {});

}  // namespace brindle::utilities

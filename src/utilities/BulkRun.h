#pragma once
// What the bulk edits of the utilities menu (case conversion, search and
// replace, deleting sets) share: their result, and the window's hold on a
// run (progress after every record, cancel requests).
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "address/ResultIndex.h"
#include "store/Table.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::utilities {

struct BulkResult {
    std::uint64_t total = 0;    // records in the set when the run began
    std::uint64_t visited = 0;  // records looked at
    std::uint64_t changed = 0;  // records rewritten (or deleted)
    std::uint64_t cut = 0;      // values longer than their field, cut to its width
    bool cancelled = false;
};

// The progress of a run as a window shows it: the percentage after every
// record, and a cancel the user confirmed. `afterRecord` returns false to stop.
class BulkProgress : public address::WalkProgress {
public:
    explicit BulkProgress(std::function<void(int percent)> show = {}) : show_(std::move(show)) {}
    bool afterRecord(int percent, int) override {
        if (show_) show_(percent);
        return !cancelRequested;
    }
    bool cancelRequested = false;

private:
    std::function<void(int)> show_;
};

// Goes to each record in turn and lets `visit` work on it (true: the record
// was rewritten or deleted), counting into `result` and reporting after every
// record; a stop asked for by the progress ends the walk and marks the result
// cancelled when records were left.
template <class Visit>
void walkBulk(store::Table& table, const std::vector<std::uint32_t>& records, address::WalkProgress& progress,
              BulkResult& result, Visit&& visit) {
    for (std::uint32_t recno : records) {
        table.go(recno);
        if (visit()) ++result.changed;
        ++result.visited;
        if (!progress.afterRecord(address::walkPercent(result.visited, result.total), int(result.changed))) {
            result.cancelled = result.visited < result.total;
            break;
        }
    }
}

}  // namespace brindle::utilities

#pragma once
// Rebuilding index files from scratch: the open address file (pack, then its
// 26 tags) and the six system tables.
#include <QString>
#include <functional>

#include "store/Table.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address {

// The bar of an address rebuild. Each tag's build reports 0..100; a report
// above the last one adds the difference to a running total, the last report
// is remembered either way, and the bar is total * 100 / 2100 rounded, full
// from then on once it reaches 100 (so it is full before the 26th tag).
class TagProgressAccumulator {
public:
    int report(int percent);  // returns the bar
    int bar() const { return bar_; }
    int total() const { return total_; }
    void reset();

private:
    int total_ = 0;
    int last_ = 0;
    int bar_ = 0;
};

// The store builds all tags in one pass and reports one percentage for the
// whole build; this splits it into the per-tag reports the bar counts.
class OverallToTagReports {
public:
    OverallToTagReports(int tagCount, std::function<void(int)> tagReport)
        : tagCount_(tagCount), tagReport_(std::move(tagReport)) {}
    void report(int overallPercent);

private:
    int tagCount_;
    std::function<void(int)> tagReport_;
    int tag_ = 0;
    int within_ = 0;
};

// Receives the bar (0..100) and the activity text as a run goes on.
using ReindexObserver = std::function<void(int bar, const QString& activity)>;

// Packs the open address file and builds its 26 tags: the old index file is
// deleted first, flagged records are removed, then the tags are made anew.
// A failure while building tags is reported ("Unable to create index files")
// and leaves the file with whatever tags exist; other failures throw.
void rebuildAddressFile(store::Table& table, common::UserDialogs& dialogs, const ReindexObserver& observer = {});

// Rebuilds the six system tables in sysdata/ in their order. A table that
// cannot be opened, packed or indexed is skipped silently. A damaged index
// file is deleted and made anew. Returns how many tables were rebuilt.
int rebuildSystemTables(const QString& sysdataFolder, common::UserDialogs& dialogs,
                        const ReindexObserver& observer = {});

}  // namespace brindle::address

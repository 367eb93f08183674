#include "utilities/DeleteRecords.h"

#include "address/RecordSet.h"
#include "common/UserDialogs.h"
#include "store/Table.h"

namespace brindle::utilities {

const char* const kRebuildAdvice = "For optimum space usage, please select\r\n[Rebuild Indexes] from the File menu";

namespace {

address::RecordSetSpec specFor(const DeleteOptions& o) {
    address::RecordSetSpec spec;
    spec.recordOrder = true;
    switch (o.choice) {
    case DeleteChoice::All: spec.choice = address::RecordChoice::All; break;
    case DeleteChoice::MatchingFilter:
        spec.choice = address::RecordChoice::FilterMatches;
        spec.query = o.query;
        break;
    case DeleteChoice::NotMatchingFilter:
        spec.choice = address::RecordChoice::NotMatchingFilter;
        spec.query = o.query;
        break;
    }
    return spec;
}

}  // namespace

std::uint64_t deleteCount(store::Table& table, const DeleteOptions& options) {
    address::RecordSet set(table, specFor(options));
    return set.count();
}

BulkResult runDeleteRecords(store::Table& table, const DeleteOptions& options, address::WalkProgress& progress) {
    BulkResult result;
    if (options.choice == DeleteChoice::All) {
        result.total = deleteCount(table, options);
        table.zap();
        result.visited = result.changed = result.total;
        progress.afterRecord(100, int(result.changed));
        return result;
    }
    const bool hasIsdel = table.fieldIndex("ISDEL") >= 0;
    address::RecordSet set(table, specFor(options));
    // Taken first: each deletion takes its record out of the walk.
    const std::vector<std::uint32_t> records = set.records();
    result.total = records.size();
    walkBulk(table, records, progress, result, [&] {
        if (hasIsdel) {
            table.edit();
            table.setLogical("ISDEL", true);
            table.post();
        }
        table.deleteRecord();
        return true;
    });
    return result;
}

std::optional<BulkResult> deleteWithConfirmation(store::Table& table, const DeleteOptions& options,
                                                 common::UserDialogs& dialogs, address::WalkProgress& progress,
    const std::function<void()>& started) {
    const std::uint64_t n = deleteCount(table, options);
    const QString count = n == 1 ? QStringLiteral("1 record will be deleted.")
                                 : QStringLiteral("%1 records will be deleted.").arg(n);
    if (!dialogs.askYesNo(QStringLiteral("Are you sure?\r\n\r\n") + count, QStringLiteral("DELETE")))
        return std::nullopt;
    if (started) started();
    const BulkResult result = runDeleteRecords(table, options, progress);
    dialogs.showInfo(QStringLiteral("Deleted %1 records").arg(result.changed));
    dialogs.showInfo(QString::fromLatin1(kRebuildAdvice));
    return result;
}

}  // namespace brindle::utilities

#pragma once
// The state and ZIP check: which address records have a state (or province)
// and a ZIP (or postal code) that do not fit together, judged against the
// ranges of the state file CSZ.DBF.
#include <QString>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "address/ResultIndex.h"

namespace brindle::store {
class Table;
}

namespace brindle::mailing {

// "_chksz.idx": the result index, made in the address file's folder.
extern const char* const kStateZipIndexName;
// The result index's key: last name, then first name.
extern const char* const kStateZipIndexExpression;

// The ZIP ranges of the state file, by state. A state may have several rows
// (one per range); a ZIP is valid when any of them holds it.
class StateZipRanges {
public:
    // Every row of CSZ.DBF (STATE, LOW_ZIP, HIGH_ZIP) that is not marked deleted.
    static StateZipRanges fromTable(store::Table& csz);
    // A range of a state; all three are the file's bytes. The state is kept
    // trimmed and upper-cased, as the file's STATE tag keys it.
    void add(std::string_view state, std::string_view low, std::string_view high);
    // True when a row of exactly this state (trimmed, letter case as written)
    // has LOW_ZIP <= zip <= HIGH_ZIP in plain byte comparison. A state written
    // in lower case finds no row, as a seek on the upper-cased keys would not.
    bool valid(std::string_view state, std::string_view zip) const;
    std::size_t size() const { return ranges_.size(); }

private:
    std::multimap<std::string, std::pair<std::string, std::string>, std::less<>> ranges_;
};

struct StateZipOptions {
    bool includeBlanks = false;  // also check records with an empty state or ZIP
};

struct StateZipResult {
    std::vector<std::uint32_t> records;  // questionable records, in record order
    std::uint64_t read = 0;              // records walked
    bool cancelled = false;
    int found() const { return static_cast<int>(records.size()); }
};

// Walks the address table in record order through its filter and adds every
// questionable record to `index` (when given). Records flagged ISDEL or
// carrying the deletion mark are never checked. Without includeBlanks a
// record with an empty state or ZIP is skipped. The walk stops after the
// record at which `progress` returns false. Afterwards the table is ordered
// by `index` (record order without one) and on its first record.
StateZipResult runStateZipCheck(store::Table& address, const StateZipRanges& ranges, const StateZipOptions& options,
                                address::WalkProgress& progress, address::ResultIndex* index);

// Why a row of the state file cannot be stored; empty when it can. The
// three values are as the user typed them.
QString cszRowProblem(const QString& state, const QString& lowZip, const QString& highZip);

}  // namespace brindle::mailing

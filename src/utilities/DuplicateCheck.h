#pragma once
// The duplicate check: address records that may be the same person or the
// same address, found by walking the file in name or street order and
// comparing each record with the one before it.
#include <cstdint>
#include <string>
#include <vector>

#include "address/ResultIndex.h"

namespace brindle::store {
class Table;
}

namespace brindle::utilities {

// The radio group's choices, in its order.
enum class DuplicateKind { LastFirst = 0, LastFirstInitial = 1, Street = 2 };

// "_chkdup.idx": the result index, made in the program folder.
extern const char* const kDuplicateIndexName;
constexpr int kMaxStreetLength = 30;

struct DuplicateOptions {
    DuplicateKind kind = DuplicateKind::LastFirst;
    int streetLength = kMaxStreetLength;  // 1 to 30; used by the street kind
};

// The result index's key for the kind ("upper(LNAME-FNAME)" or "upper(STREET)").
std::string duplicateIndexExpression(DuplicateKind kind);
// The tag the walk follows: "NAME" or "STREET".
std::string duplicateWalkTag(DuplicateKind kind);
// The comparison key of a record's values (the file's bytes): last name and
// first name (or its first character) joined without a separator, or the
// first streetLength characters of the street, without trailing blanks and
// folded as UPPER() folds them. Empty when the record takes no part in
// comparisons (no last name, or no street).
std::string duplicateKey(const DuplicateOptions& options, const std::string& lname, const std::string& fname,
                         const std::string& street);

struct DuplicatePair {
    std::uint32_t previous = 0;  // the record before, in walk order
    std::uint32_t current = 0;
};

struct DuplicateResult {
    std::vector<DuplicatePair> pairs;
    std::uint64_t read = 0;
    bool cancelled = false;
    int found() const { return static_cast<int>(pairs.size()); }
};

// Walks the address table in the kind's tag order through its filter; each
// record whose key equals the previous record's adds both to `index` (when
// given). Records flagged ISDEL or carrying the deletion mark are passed over
// and leave the previous key as it was. Stops after the record at which
// `progress` returns false. Afterwards the table is ordered by `index` (or
// left in the walk order) and on its first record. Throws store::StoreError
// when the table has no tag for the walk.
DuplicateResult runDuplicateCheck(store::Table& address, const DuplicateOptions& options,
                                  address::WalkProgress& progress, address::ResultIndex* index);

}  // namespace brindle::utilities

#include "utilities/DuplicateCheck.h"

#include <algorithm>

#include "store/Cp1252.h"
#include "store/StoreError.h"
#include "store/Table.h"

namespace brindle::utilities {

const char* const kDuplicateIndexName = "_chkdup.idx";

std::string duplicateIndexExpression(DuplicateKind kind) {
    return kind == DuplicateKind::Street ? "upper(STREET)" : "upper(LNAME-FNAME)";
}

std::string duplicateWalkTag(DuplicateKind kind) { return kind == DuplicateKind::Street ? "STREET" : "NAME"; }

namespace {

std::string withoutTrailingBlanks(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

}  // namespace

std::string duplicateKey(const DuplicateOptions& options, const std::string& lname, const std::string& fname,
                         const std::string& street) {
    if (options.kind == DuplicateKind::Street) {
        const auto n = static_cast<std::size_t>(std::clamp(options.streetLength, 1, kMaxStreetLength));
        return store::toUpper1252(withoutTrailingBlanks(street.substr(0, std::min(n, street.size()))));
    }
    const std::string last = withoutTrailingBlanks(lname);
    if (last.empty()) return {};
    std::string first = withoutTrailingBlanks(fname);
    if (options.kind == DuplicateKind::LastFirstInitial) first = first.substr(0, 1);
    return store::toUpper1252(last + first);
}

DuplicateResult runDuplicateCheck(store::Table& address, const DuplicateOptions& options,
                                  address::WalkProgress& progress, address::ResultIndex* index) {
    const std::string tag = duplicateWalkTag(options.kind);
    const int walkOrder = address.tagArea(tag);
    if (walkOrder <= 0) throw store::StoreError(address.path() + " has no index tag " + tag);
    const bool hasIsdel = address.fieldIndex("ISDEL") >= 0;
    const bool street = options.kind == DuplicateKind::Street;

    DuplicateResult result;
    address.setOrder(walkOrder);
    const std::uint64_t total = address.filterCount();
    // Nothing equals the starting key: an empty key means "take no part".
    std::string previousKey;
    std::uint32_t previousRec = 0;
    bool ok = address.first();
    while (ok && !address.eof()) {
        const std::uint32_t recno = address.recNo();
        ++result.read;
        const bool removed = address.deleted() || (hasIsdel && address.getLogical("ISDEL"));
        if (!removed) {
            const std::string key =
                street ? duplicateKey(options, {}, {}, address.getRaw("STREET"))
                       : duplicateKey(options, address.getString("LNAME"), address.getString("FNAME"), {});
            if (!key.empty() && previousRec != 0 && key == previousKey) {
                if (index) {
                    index->add(previousRec);
                    index->add(recno);
                }
                result.pairs.push_back({previousRec, recno});
            }
            previousKey = key;
            previousRec = recno;
        }
        const bool goOn = progress.afterRecord(address::walkPercent(result.read, total), result.found());
        // Input handled during the progress call may have moved the table.
        address.setOrder(walkOrder);
        if (!address.go(recno)) break;
        if (!goOn) {
            result.cancelled = true;
            break;
        }
        ok = address.next();
    }
    if (index) index->activate();
    address.first();
    return result;
}

}  // namespace brindle::utilities

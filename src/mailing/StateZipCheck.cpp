#include "mailing/StateZipCheck.h"

#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::mailing {

const char* const kStateZipIndexName = "_chksz.idx";
const char* const kStateZipIndexExpression = "upper(LNAME)+upper(FNAME)";

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0')) s.remove_suffix(1);
    return s;
}

}  // namespace

StateZipRanges StateZipRanges::fromTable(store::Table& csz) {
    StateZipRanges r;
    const int order = csz.order();
    const std::string filter = csz.filter();
    csz.setOrder(0);
    if (!filter.empty()) csz.setFilter("");
    for (bool ok = csz.first(); ok && !csz.eof(); ok = csz.next()) {
        if (csz.deleted()) continue;
        r.add(csz.getString("STATE"), csz.getString("LOW_ZIP"), csz.getString("HIGH_ZIP"));
    }
    if (!filter.empty()) csz.setFilter(filter);
    csz.setOrder(order);
    return r;
}

void StateZipRanges::add(std::string_view state, std::string_view low, std::string_view high) {
    ranges_.emplace(store::toUpper1252(trimmed(state)), std::pair{std::string(trimmed(low)), std::string(trimmed(high))});
}

bool StateZipRanges::valid(std::string_view state, std::string_view zip) const {
    auto [from, to] = ranges_.equal_range(trimmed(state));
    for (auto it = from; it != to; ++it) {
        const auto& [low, high] = it->second;
        if (zip >= low && zip <= high) return true;
    }
    return false;
}

StateZipResult runStateZipCheck(store::Table& address, const StateZipRanges& ranges, const StateZipOptions& options,
                                address::WalkProgress& progress, address::ResultIndex* index) {
    StateZipResult result;
    const bool hasIsdel = address.fieldIndex("ISDEL") >= 0;
    address.setOrder(0);
    const std::uint64_t total = address.filterCount();
    bool ok = address.first();
    while (ok && !address.eof()) {
        const std::uint32_t recno = address.recNo();
        ++result.read;
        const bool removed = address.deleted() || (hasIsdel && address.getLogical("ISDEL"));
        if (!removed) {
            const std::string state = address.getString("STATE");
            const std::string zip = address.getString("ZIP");
            const bool blank = trimmed(state).empty() || trimmed(zip).empty();
            if ((options.includeBlanks || !blank) && !ranges.valid(state, zip)) {
                if (index) index->add(recno);
                result.records.push_back(recno);
            }
        }
        const int percent = address::walkPercent(result.read, total);
        const bool goOn = progress.afterRecord(percent, result.found());
        // Input handled during the progress call may have moved the table.
        address.setOrder(0);
        if (!address.go(recno)) break;
        if (!goOn) {
            result.cancelled = true;
            break;
        }
        ok = address.next();
    }
    if (index) index->activate();
    else address.setOrder(0);
    address.first();
    return result;
}

QString cszRowProblem(const QString& state, const QString& lowZip, const QString& highZip) {
    if (state.trimmed().isEmpty()) return QStringLiteral("Please enter the abbreviation of the state or province.");
    const QString low = lowZip.trimmed(), high = highZip.trimmed();
    // The stored bytes are what the check compares.
    if (!high.isEmpty() && store::utf8ToCp1252(low.toStdString()) > store::utf8ToCp1252(high.toStdString()))
        return QStringLiteral("The starting Zip/Post code %1 sorts after the ending code %2. Please correct the range.")
            .arg(low, high);
    return {};
}

}  // namespace brindle::mailing

#include "address/RecordSet.h"

#include "common/UserDialogs.h"
#include "store/Table.h"

namespace brindle::address {

const char* const kOutOfRangeMessage = "Current record is out of range. Starting with first record";

namespace {

std::string joined(const std::string& condition, bool hasIsdel) {
    if (!hasIsdel) return condition;
    if (condition.empty()) return "!ISDEL";
    return "(" + condition + ") .AND. !ISDEL";
}

}  // namespace

std::string RecordSet::filterFor(const RecordSetSpec& spec, std::uint32_t current, bool hasIsdel) {
    switch (spec.choice) {
    case RecordChoice::All: return joined({}, hasIsdel);
    case RecordChoice::FilterMatches: return joined(spec.query, hasIsdel);
    case RecordChoice::NotMatchingFilter:
        // Without a filter every record matches it, so none is left.
        return spec.query.empty() ? std::string(".F.") : joined(".NOT.(" + spec.query + ")", hasIsdel);
    case RecordChoice::CurrentOnly: return joined("RECNO()=" + std::to_string(current), hasIsdel);
    }
    return {};
}

RecordSet::RecordSet(store::Table& table, RecordSetSpec spec) : table_(table), spec_(std::move(spec)) {
    filter_ = table_.filter();
    order_ = table_.order();
    hadRecord_ = table_.hasRecord() && !table_.appending();
    recno_ = hadRecord_ ? table_.recNo() : 0;
    hideDeleted_ = table_.hideDeleted();
    hasIsdel_ = table_.fieldIndex("ISDEL") >= 0;
    try {
        table_.setHideDeleted(true);
        if (spec_.recordOrder) table_.setOrder(0);
        if (spec_.choice == RecordChoice::CurrentOnly && spec_.currentKeepsFilter) {
            // The table's own filter stays; membership is still tested on the record.
        } else {
            table_.setFilter(filterFor(spec_, recno_, hasIsdel_));
        }
    } catch (...) {
        try {
            table_.setFilter(filter_);
            table_.setOrder(order_);
            table_.setHideDeleted(hideDeleted_);
        } catch (...) {
        }
        throw;
    }
}

RecordSet::~RecordSet() {
    try {
        if (table_.editing() || table_.appending()) table_.cancel();
        table_.setTurboRead(false);
        table_.setHideDeleted(hideDeleted_);
        table_.setOrder(order_);
        table_.setFilter(filter_);
        if (hadRecord_) {
            if (!table_.go(recno_)) table_.first();
        } else {
            table_.first();
        }
    } catch (...) {
        // Putting back is best effort; the error that ended the job matters more.
    }
}

bool RecordSet::contains(std::uint32_t recno) {
    if (recno == 0 || !table_.go(recno)) return false;
    if (table_.deleted()) return false;
    if (hasIsdel_ && table_.getLogical("ISDEL")) return false;
    if (spec_.choice == RecordChoice::CurrentOnly && recno != recno_) return false;
    const std::string& f = table_.filter();
    return f.empty() || table_.evalLogical(f);
}

bool RecordSet::start(common::UserDialogs* dialogs) {
    outOfRange_ = false;
    const bool fromCurrent = spec_.startFromCurrent || spec_.choice == RecordChoice::CurrentOnly;
    if (fromCurrent && hadRecord_) {
        if (contains(recno_)) return true;
        if (spec_.startFromCurrent && spec_.choice != RecordChoice::CurrentOnly) {
            outOfRange_ = true;
            if (dialogs) dialogs->showInfo(QString::fromLatin1(kOutOfRangeMessage));
        }
    }
    if (spec_.choice == RecordChoice::CurrentOnly) {
        // The one record is gone (deleted) or there was none: nothing to do.
        table_.go(table_.recordCount() + 1);
        return false;
    }
    return table_.first() && !table_.eof();
}

bool RecordSet::next() {
    if (spec_.choice == RecordChoice::CurrentOnly) {
        table_.go(table_.recordCount() + 1);
        return false;
    }
    return table_.next() && !table_.eof();
}

std::uint32_t RecordSet::count() {
    if (spec_.choice == RecordChoice::CurrentOnly) return hadRecord_ && contains(recno_) ? 1 : 0;
    return table_.filterCount();
}

std::vector<std::uint32_t> RecordSet::records(common::UserDialogs* dialogs) {
    std::vector<std::uint32_t> out;
    for (bool ok = start(dialogs); ok; ok = next()) out.push_back(table_.recNo());
    return out;
}

}  // namespace brindle::address

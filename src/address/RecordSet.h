#pragma once
// The records a job works on: all live records, the records the user's filter
// matches (or does not match), or only the current record; optionally
// starting from the current record. Deleted records (the engine's mark or
// ISDEL) never belong to a set. While a RecordSet lives the table carries
// the set's filter (and, when asked, record order); the filter, order,
// current record and deleted-record visibility the table had before come
// back when it goes, on every way out.
//
// Label, envelope, letter and report jobs walk the table through it with
// first()/next(); the bulk edits of the utilities take a snapshot of the
// record numbers first, because an edit may move a record out of the filter
// or to another place of the order.
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::address {

enum class RecordChoice {
    All,                // every live record
    FilterMatches,      // the live records the user's filter matches
    NotMatchingFilter,  // the live records it does not match
    CurrentOnly,        // the record that was current
};

struct RecordSetSpec {
    RecordChoice choice = RecordChoice::All;
    // The user's filter as the engine reads it, in the table's bytes
    // (AddressFile::queryExpression()); empty when there is none. Without
    // one, FilterMatches is every live record and NotMatchingFilter none.
    std::string query;
    // Begin at the record that was current instead of the first one.
    bool startFromCurrent = false;
    // CurrentOnly leaves the table's filter as it is instead of narrowing it
    // to the record (the envelope job prints the current record under the
    // main window's filter).
    bool currentKeepsFilter = false;
    // Walk in record order rather than the table's current order.
    bool recordOrder = false;
};

// "Current record is out of range. Starting with first record"
extern const char* const kOutOfRangeMessage;

class RecordSet {
public:
    // Remembers the table's state and gives it the set's filter (and order).
    // Throws store::ExprError when the query does not compile.
    RecordSet(store::Table& table, RecordSetSpec spec);
    ~RecordSet();  // puts the table back; never throws
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // The filter expression the table carries for a set ("" for none).
    static std::string filterFor(const RecordSetSpec& spec, std::uint32_t current, bool hasIsdel);

    // Whether a record belongs to the set, tested on the record itself (the
    // store's go() reaches records the filter hides). Moves to the record.
    bool contains(std::uint32_t recno);
    // Moves to the starting record: the remembered one when starting from
    // the current record and it belongs to the set, else the first one. A
    // remembered record outside the set is told through `dialogs` (when
    // given) with kOutOfRangeMessage, and outOfRange() says so afterwards.
    // False when the set is empty.
    bool start(common::UserDialogs* dialogs = nullptr);
    bool next();  // false at the end of the set
    bool outOfRange() const { return outOfRange_; }
    // The number of records in the set (from its first record, whatever the start).
    std::uint32_t count();
    // The record numbers from the starting record to the end, in walk order.
    std::vector<std::uint32_t> records(common::UserDialogs* dialogs = nullptr);

    std::uint32_t rememberedRecord() const { return recno_; }
    const RecordSetSpec& spec() const { return spec_; }
    store::Table& table() { return table_; }

private:
    store::Table& table_;
    RecordSetSpec spec_;
    std::string filter_;
    int order_ = 0;
    std::uint32_t recno_ = 0;
    bool hadRecord_ = false;
    bool hideDeleted_ = true;
    bool hasIsdel_ = false;
    bool outOfRange_ = false;
};

}  // namespace brindle::address

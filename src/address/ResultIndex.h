#pragma once
// The records a check picks out, kept in a temporary single-tag index file
// that becomes the address table's current order, so that a grid over the
// table shows just those records. The file lives only as long as this
// object: it is closed and deleted on every way out (close, cancel, error),
// and a stale file of the same name that a crash left behind is deleted
// before the new one is made.
#include <cstdint>
#include <string>

namespace brindle::store {
class Table;
}

namespace brindle::address {

class ResultIndex {
public:
    // Creates the empty index at `path` on `expression` and makes it the
    // table's current order. Throws store::StoreError when it cannot be made.
    ResultIndex(store::Table& table, std::string path, const std::string& expression);
    ~ResultIndex();  // release(); never throws
    ResultIndex(const ResultIndex&) = delete;
    ResultIndex& operator=(const ResultIndex&) = delete;

    // Adds a record's key (a record added twice is listed twice).
    void add(std::uint32_t recno);
    // Makes the index the table's current order again.
    void activate();
    int order() const { return order_; }
    const std::string& path() const { return path_; }
    bool open() const { return order_ > 0; }
    // Closes the index (record order when it was current) and deletes its file.
    void release() noexcept;

private:
    store::Table& table_;
    std::string path_;
    int order_ = 0;
};

// What a check's walk reports after every record; the window lets input
// through here. `percent` is how far the walk is, `found` what it has found
// so far. Returning false stops the walk after this record.
class WalkProgress {
public:
    virtual ~WalkProgress() = default;
    virtual bool afterRecord(int percent, int found) = 0;
};

// A progress that never stops the walk.
class NoWalkProgress : public WalkProgress {
public:
    bool afterRecord(int, int) override { return true; }
};

// truncate(done / total x 100): the percentage the check windows show.
int walkPercent(std::uint64_t done, std::uint64_t total);

}  // namespace brindle::address

#pragma once
// ZIP code counts: how many records of the current record set carry each ZIP
// key, and the lines of the "Zip Code Count Report" built from them.
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::store {
class Table;
}

namespace brindle::mailing {

// The key of a ZIP field's stored bytes: its first five characters, with the
// field's trailing blanks dropped; letter case as written.
std::string zipCountKey(std::string_view zipField);
// A regular key: five characters, a digit first, and between "00000" and
// "99999-999" in plain character order.
bool isRegularZipKey(std::string_view key);
// "#,##0": 1234 is "1,234", a million "1,000,000".
QString formatCount(std::uint64_t n);

// One line of the report: a key and its formatted count, or an empty line
// (the two that part the regular keys from the others).
struct ZipCountLine {
    QString key;
    QString count;
    bool isEmpty() const { return key.isEmpty() && count.isEmpty(); }
    // The key left-justified in ten characters (cut to ten), then the count:
    // "12345     1,234".
    QString text() const;
};

// The counting lists: ten lists of regular keys by first digit, the other
// non-empty keys, and the records with an empty key ("BLANK").
class ZipTally {
public:
    void add(std::string_view key);
    std::uint64_t records() const { return records_; }
    std::uint64_t blanks() const { return blank_; }
    // Regular keys by digit and ascending key, two empty lines, the other
    // keys ascending, then "BLANK" when there are such records. `decode`
    // turns a key's bytes into text (the file's code page).
    std::vector<ZipCountLine> lines(const std::function<QString(std::string_view)>& decode) const;

private:
    std::array<std::map<std::string, std::uint64_t>, 10> regular_;
    std::map<std::string, std::uint64_t> other_;
    std::uint64_t blank_ = 0;
    std::uint64_t records_ = 0;
};

// How the count talks to its window: status lines, input after every record
// (false cancels), and the store's fast read mode going on and off.
class ZipCountProgress {
public:
    virtual ~ZipCountProgress() = default;
    virtual void status(const QString& text) = 0;
    virtual bool afterRecord() = 0;
    virtual void fastRead(bool) {}
};

struct ZipCountResult {
    std::vector<ZipCountLine> lines;  // empty when cancelled
    std::uint64_t read = 0;
    bool cancelled = false;
};

// Counts the records of the table's current record set (its filter) in
// record order with fast reading. Fast reading is switched off and the
// table's order and record are put back on every way out, a cancel or an
// error included.
ZipCountResult runZipCount(store::Table& table, ZipCountProgress& progress);

}  // namespace brindle::mailing

#pragma once
// The bulk-mail presort: counts the records of a label job per ZIP key, forms
// 5-digit, 3-digit and ADC groups and writes the print order to the order file
// PRESORT.PSL, which the label printing engine follows.
//
// Order file: one line per entry, each ended by CR LF. A line starting with
// "** " is a group separator whose text goes on a separator label
// ("** 5-digit 12345", "** 3-digit 234", "** ADC ALBANY NY 120", "** Unknown");
// every other line is a ZIP key (1 to 5 characters, in the address file's own
// bytes, upper-cased as the ZIP tag's UPPER() folds them): print every record
// whose first five ZIP characters equal it. Every key of the job occurs once.
#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brindle::store {
class Table;
}

namespace brindle::mailing {

inline constexpr char kOrderFileName[] = "PRESORT.PSL";
// The order file in the program folder.
QString orderFilePath();

// A 5-digit group needs more than this many pieces of one key, a 3-digit
// group more than this many pieces under one prefix; ADC groups have no minimum.
inline constexpr int kGroupThreshold = 9;

// The key of a ZIP field's stored bytes: its first five characters (trailing
// blanks of the field dropped) folded to upper case as UPPER() folds them, so
// that the key is found again through the ZIP tag.
std::string presortKey(std::string_view zipField);
// Whether a record with this key takes part: not empty, a digit first, and
// between "00000" and "99999-999" in plain character order. Empty and foreign
// postal codes (a Canadian code starts with a letter) are left out.
bool takesPart(std::string_view key);
// Whether an order-file line is a group separator.
bool isSeparatorLine(std::string_view line);

struct TallyEntry {
    std::string key;
    int count = 0;
};

// Distinct keys with the number of records of each, in ten lists by first
// digit. Keys are at most five bytes, so they are counted packed into an
// integer; the lists come out sorted by key.
class PresortTally {
public:
    // Counts one record; `key` must take part.
    void add(std::string_view key);
    std::size_t distinctKeys() const { return counts_.size(); }
    std::uint64_t pieces() const { return pieces_; }
    // The ten lists (first digit 0 to 9), each sorted ascending by key.
    std::array<std::vector<TallyEntry>, 10> sortedLists() const;

private:
    std::unordered_map<std::uint64_t, int> counts_;
    std::uint64_t pieces_ = 0;
};

// What the groups hold, for the status and the command line's report.
struct GroupTotals {
    int groups = 0;
    int keys = 0;
    std::uint64_t pieces = 0;
};
struct PresortSummary {
    GroupTotals fiveDigit;
    GroupTotals threeDigit;
    GroupTotals adc;
    GroupTotals unknown;  // groups is 1 when the "** Unknown" line is written
};

// The lines of the order file for a tally: all 5-digit groups, then the
// 3-digit groups, then the ADC groups in table order, then "** Unknown" and
// the keys no group took (keys shorter than three characters among them).
std::vector<std::string> buildOrder(const PresortTally& tally, PresortSummary* summary = nullptr);

// The lines as the file holds them, each ended by CR LF.
QByteArray orderFileBytes(const std::vector<std::string>& lines);
// Writes the order file beside `path` and renames it into place; on failure
// the earlier file stays and `error` says why.
bool writeOrderFile(const QString& path, const std::vector<std::string>& lines, QString* error);

struct OrderLine {
    bool separator = false;
    std::string text;  // the separator's whole text, or the key
};
// Reads order-file bytes: lines ended by CR LF or LF, empty lines skipped.
std::vector<OrderLine> parseOrderFile(const QByteArray& bytes);

// How a presort tells the window what it does and learns of a cancel.
class PresortProgress {
public:
    virtual ~PresortProgress() = default;
    // The status line.
    virtual void status(const QString& text) = 0;
    // Called after every record read; lets the window handle input.
    // `percent` is how far the scan is through the file. False stops the scan.
    virtual bool afterRecord(int percent) = 0;
};

struct PresortResult {
    enum class Outcome { Completed, Cancelled, Failed };
    Outcome outcome = Outcome::Failed;
    std::uint64_t recordsRead = 0;
    std::uint64_t counted = 0;   // records that take part
    std::uint64_t leftOut = 0;   // records without a US ZIP code
    std::size_t distinctKeys = 0;
    std::size_t lines = 0;       // lines written to the order file
    PresortSummary summary;
    QString error;               // Failed: why the file was not written
    bool completed() const { return outcome == Outcome::Completed; }
};

// "3 records without a US ZIP code are left out." (empty for none)
QString leftOutText(std::uint64_t leftOut);

// Runs the presort over the records the table's filter admits, in natural
// order with fast sequential reading, and writes the order file to
// `orderFile`. A cancel writes nothing. The table's order and current record
// are the same afterwards. Errors of the store propagate.
PresortResult runPresort(store::Table& table, const QString& orderFile, PresortProgress& progress);

}  // namespace brindle::mailing

#pragma once
// The common run of every import: records are appended to the address file
// (opened exclusively, its index file deleted first), each value converted to
// the file's code page and fitted to its field, and afterwards the 26 tags
// are built anew. Values that had to be cut or spelled differently are
// counted and named in the final message, never changed silently.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/CsvReader.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::transfer {

// How a long run reports and is stopped. Every member may be empty.
struct RunControl {
    std::function<void(int percent)> progress;
    std::function<void(const QString& text)> status;
    // Asked after every record; true stops the run after that record.
    std::function<bool()> cancelRequested;
};

// Values that were stored, but not as they came.
struct ValueNotes {
    static constexpr int kExamples = 8;
    std::uint64_t cut = 0;       // values longer than their field
    std::uint64_t replaced = 0;  // characters the file cannot hold, stored as their nearest spelling
    std::uint64_t replacedValues = 0;  // values holding such characters
    QStringList cutExamples;
    QStringList replacedExamples;
    bool empty() const { return cut == 0 && replaced == 0; }
    // Paragraphs for the final message; empty when nothing happened.
    QString text(const QString& verb = QStringLiteral("stored")) const;
};

// Puts text into the fields of the record being appended, in the file's
// code page and cut to the field's width, noting each value it had to change.
class RecordWriter {
public:
    RecordWriter(store::Table& table, ValueNotes& notes);
    // Where the values come from, for the notes ("line", 12).
    void setPlace(const char* what, std::uint64_t number) {
        placeWhat_ = what;
        placeNumber_ = number;
    }
    // A character field of the table (index from its schema); empty text leaves it empty.
    void setText(int field, std::string_view utf8);
    void setMemo(int field, std::string_view utf8, bool lengthRule);
    void setLogical(int field, bool value);

    // Text in the table's code page: characters it cannot hold take their
    // nearest spelling (noted). Returns the bytes.
    std::string encode(int field, std::string_view utf8);

private:
    QString place() const;
    QString label(int field) const;

    store::Table& table_;
    ValueNotes& notes_;
    const char* placeWhat_ = "record";
    std::uint64_t placeNumber_ = 0;
};

// The memo length rule: a text whose stored length is a positive multiple of
// 4 gets one blank after its last line.
void applyMemoLengthRule(std::string& stored);

enum class ImportKind { Ascii, Dbf };
enum class ImportOutcome { Complete, Cancelled, ReadError, WriteError };

struct ImportResult {
    ImportKind kind = ImportKind::Ascii;
    ImportOutcome outcome = ImportOutcome::Complete;
    std::uint32_t imported = 0;
    QString error;            // why a read or write failed
    ValueNotes notes;
    bool tagsBuilt = false;
    QString tagError;         // why the tags could not be built
    // The message shown when the copy ends.
    QString message() const;
};

// A source of records.
class ImportSource {
public:
    virtual ~ImportSource() = default;
    // Moves to the next record; false at the end. Throws on a read failure.
    virtual bool next() = 0;
    // Writes the current record's values.
    virtual void fill(RecordWriter& writer) = 0;
    // Share of the source read so far.
    virtual int percent() const = 0;
};

// Appends every record of the source to `target` (an address file open
// exclusively), then rebuilds its 26 tags. A record that fails is not left
// half-made. The tags are built even after an error or a cancel.
ImportResult runImport(store::Table& target, ImportSource& source, ImportKind kind, const RunControl& control);

// ---- comma-separated text ----

// Column (0-based) to address field name.
using ColumnMap = std::vector<std::pair<int, QString>>;

class CsvSource : public ImportSource {
public:
    // `text` must outlive the source.
    CsvSource(const DecodedText& text, char separator, bool headerLine, const store::Table& target,
              const ColumnMap& map);
    bool next() override;
    void fill(RecordWriter& writer) override;
    int percent() const override;

private:
    CsvReader reader_;
    bool skipHeader_;
    std::vector<std::pair<int, int>> columns_;  // column, field index in target
    std::vector<std::string> fields_;
};

// Reads `path` and imports it with the options (separator detected and
// encoding decided when not given). A file that cannot be read gives a
// ReadError result with no record imported.
ImportResult importCsvFile(store::Table& target, const QString& path, const CsvOptions& options,
                           const ColumnMap& map, const RunControl& control);

// The same file identity (device and inode), whatever the spelling.
bool sameFile(const QString& a, const QString& b);

}  // namespace brindle::transfer

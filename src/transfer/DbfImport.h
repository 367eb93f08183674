#pragma once
// Importing from other tables: any DBF with a matching of its fields to the
// address fields, and the address tables of the program's two older
// generations with their fixed mappings. Sources are opened read-only and
// their text is decoded through the code page their header names.
#include <QDate>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/FieldMatching.h"
#include "transfer/ImportRun.h"

namespace brindle::store {
class Table;
}

namespace brindle::transfer {

struct SourceField {
    QString name;
    char type = 'C';
    int width = 0;
};

// An open source table, or the message that refuses it.
struct OpenedSource {
    std::unique_ptr<store::Table> table;
    QString refusal;  // "Unable to open the file <path>", "There are no records in <path>", ...
    std::vector<SourceField> fields;
};
OpenedSource openDbfSource(const QString& path);

// The field kinds the automatic matching proposes: character, logical,
// numeric (N F) and date.
bool autoMatchable(char type);
// Whether a source field may be chosen for an address field: memos only for
// the memo, other fields for every other target.
bool allowedForTarget(char sourceType, const ImportTarget& target);

// The matching window's starting point: each memo to MEMO, each character,
// logical, numeric or date field to the first free address field whose label
// or name equals its name; the first of two same-named fields wins.
FieldMatching proposeDbfMatching(const std::vector<SourceField>& fields);

// A DBF's value as text (UTF-8): characters decoded, numbers without their
// alignment blanks, logicals T or F, dates as YYYYMMDD, memos in full.
std::string sourceText(const store::Table& source, int field);

class DbfSource : public ImportSource {
public:
    // Pairs of (source field index, address field name).
    DbfSource(store::Table& source, const store::Table& target, const std::vector<std::pair<int, QString>>& map);
    bool next() override;
    void fill(RecordWriter& writer) override;
    int percent() const override;

private:
    store::Table& source_;
    std::vector<std::pair<int, int>> fields_;
    bool started_ = false;
    std::uint32_t total_ = 0;
};

// ---- older generations ----

enum class Generation { V1, V2 };
QString generationName(Generation g);  // "1.x", "2.x"
const std::vector<std::string>& requiredFields(Generation g);
// Opens an older address table; refusal names why ("... does not appear to be a Brindle 2.x DBF").
OpenedSource openOlderSource(const QString& path, Generation g);

// A 1.x date as stored (YYYYMMDD): eight digits forming a valid date are
// kept; a date in the short date format (`shortFormat`, the system's when
// empty) is rewritten, two-digit years taken in the hundred years that end
// twenty years after `today`; anything else gives "".
std::string convertV1Date(const QString& value, const QString& shortFormat = {}, QDate today = {});

class OlderSource : public ImportSource {
public:
    OlderSource(store::Table& source, const store::Table& target, Generation g);
    bool next() override;
    void fill(RecordWriter& writer) override;
    int percent() const override;

private:
    struct Copy {
        int from;
        int to;
        enum Kind { Text, Date1x, Logical, Memo } kind;
    };
    store::Table& source_;
    std::vector<Copy> copies_;
    bool started_ = false;
    std::uint32_t total_ = 0;
};

}  // namespace brindle::transfer

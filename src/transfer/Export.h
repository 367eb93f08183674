#pragma once
// Copying the records the main window shows (its filter and order) into a
// new DBF with the address file's structure, or into comma-separated text.
// The new file is written beside its final name and renamed into place, so
// a failure leaves whatever file had that name before.
#include <QString>
#include <cstdint>
#include <vector>

#include "transfer/ImportRun.h"
#include "transfer/TextFile.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::transfer {

enum class ExportFormat { Dbf, Csv };

struct ExportOptions {
    ExportFormat format = ExportFormat::Dbf;
    TextEncoding encoding = TextEncoding::Utf8;  // text only: UTF-8 or Windows-1252
    bool headerLine = false;                     // text only: a first line of field names
    // How many records the source shows, when the caller already knows
    // (the main window keeps its count); 0: the gauge follows the record
    // count instead, which costs nothing to ask.
    std::uint32_t knownCount = 0;
};

// The fields of a text line, in order (20).
const std::vector<const char*>& exportedTextFields();

// The file in the same folder whose name equals `path`'s ignoring case
// (`path` itself first); empty when there is none.
QString existingIgnoringCase(const QString& path);

// The checks of a chosen target: the extension of a DBF, never the open
// address file (by identity or by a name that differs only in case), and
// the overwrite question for an existing file. Returns the path to write (an
// existing file's own spelling), or empty when the copy must not go ahead.
QString acceptExportTarget(const QString& chosen, const QString& openFile, ExportFormat format,
                           common::UserDialogs& dialogs);

struct ExportResult {
    enum Outcome { Complete, Cancelled, Failed };
    Outcome outcome = Complete;
    ExportFormat format = ExportFormat::Dbf;
    QString path;
    std::uint32_t copied = 0;
    QString error;
    ValueNotes notes;
    // The message for the user; empty when a complete copy needs none.
    QString message() const;
};

// Copies the records of `source` under its filter and order, from its first
// record; the current record is the same afterwards. A cancel keeps the
// records copied so far; a failure writes nothing.
ExportResult exportRecords(store::Table& source, const QString& target, const ExportOptions& options,
                           const RunControl& control);

}  // namespace brindle::transfer

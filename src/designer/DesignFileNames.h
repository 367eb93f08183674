#pragma once
// Names of design files in sysdata/: "BIN" + five digits + an extension
// (".L" labels, ".E" envelopes, ".R" reports), and the check that a stored
// name really is one file in that folder before it is opened or removed.
#include <QSet>
#include <QString>
#include <optional>

namespace brindle::store {
class Table;
}

namespace brindle::designer {

// The lowest "BINnnnnn" + extension (BIN00001 to BIN99999) that neither a
// file in `folder` (ignoring case) nor `usedNames` (upper case) holds; none
// when all 99,999 are taken.
std::optional<QString> nextBinaryName(const QString& folder, const QString& extension,
                                      const QSet<QString>& usedNames);
// The same for label designs, with the names every row of the table names.
std::optional<QString> nextLabelBinaryName(const QString& folder, store::Table& table);

// BINARY of every record of the table (deleted ones too), upper case. The
// current record is kept; call it before an edit or append starts.
QSet<QString> namesInTable(store::Table& table, const char* field = "BINARY");

// The path of the design file a stored name stands for, when the name is a
// bare file name that resolves (ignoring case) to a regular file inside
// `folder`; none otherwise (empty, a path, "..", a folder, a missing file, a
// link leading out of the folder).
std::optional<QString> resolveDesignFile(const QString& folder, const QString& storedName);

// True when `name` (trimmed) is a bare file name: not empty, not "." or
// "..", without a folder separator, drive colon or NUL.
bool isBareName(const QString& name);

// Message shown when no design file name is left.
QString noFreeNameMessage(const QString& extension);

}  // namespace brindle::designer

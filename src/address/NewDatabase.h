#pragma once
// Naming a new address file.
#include <QString>

namespace brindle::address {

// "ADD" + the first number 0001..9999 for which folder/ADDnnnn.DBF does not
// exist (letter case ignored); "ADD0001" when all exist.
QString suggestDatabaseName(const QString& folder);
// A letter (A..Z either case) or "_", then letters, digits or "_".
bool isValidDatabaseName(const QString& name);
constexpr int kMaxDatabaseNameLength = 8;
inline QString invalidDatabaseNameText() {
    return QStringLiteral("Invalid name. Must start with A..Z, followed by A..Z,0..9 or \"_\" (underscore)");
}

}  // namespace brindle::address

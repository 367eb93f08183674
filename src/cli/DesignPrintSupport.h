#pragma once
// What the label and envelope print commands share: the address file's
// filter as the user typed it, and the check that the PDF never replaces
// one of the files it is printed from.
#include <QString>
#include <QStringList>
#include <string>

namespace brindle::store {
class Table;
}

namespace brindle::cli {

// Sets `userFilter` (UTF-8, may be empty) on `table`, keeping rows marked in
// ISDEL out. Throws StoreError ("invalid filter ...") when the expression
// cannot be stored in the table's code page or does not compile.
void setAddressFilter(store::Table& table, const std::string& userFilter);

// Throws when `out` names the address file `input`, its index (.cdx), its
// memo (.fpt) or one of `more` (the same file, or the same name in another
// case). `outArg` is --out as given, for the message.
void refuseToOverwrite(const QString& out, const std::string& outArg, const std::string& input,
                       const QStringList& more);

}  // namespace brindle::cli

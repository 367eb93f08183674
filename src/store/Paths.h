#pragma once
// Finding a table's files on a case-sensitive file system: names written by
// programs that ignore case ("ADDRESS.CDX" beside "address.dbf") are found,
// and a table never takes the files of another whose name differs only in case.
#include <string>
#include <vector>

namespace brindle::store {

// Resolves `fileName` inside `folder`, ignoring case when the exact name is missing.
std::string resolvePathIgnoringCase(const std::string& folder, const std::string& fileName);
// The path with its extension replaced (".CDX", ".FPT"), matching an existing
// file's case when one exists; otherwise the extension in the case of the
// original. A file whose name differs from the table's only in letter case
// is taken for the table's own unless another table of that name (ignoring
// case) lies beside it; then only the exact name counts.
std::string siblingPath(const std::string& path, const std::string& upperExtension);
// Every existing file that belongs to the table at `path` with this extension
// (by the rule of siblingPath), exact-case name first.
std::vector<std::string> ownedSiblings(const std::string& path, const std::string& upperExtension);
// Another file beside `path` whose name equals the table's ignoring case
// ("friends.dbf" for "FRIENDS.DBF"); empty when there is none.
std::string caseTwinOf(const std::string& path);

}  // namespace brindle::store

#pragma once
// brindle-db's bulk edits and counts of the utilities menu: case conversion,
// search and replace, deleting sets of records and the ZIP code count, the
// same routines as the program's windows.
#include <string>
#include <vector>

namespace brindle::cli {

int cmdConvertCase(const std::vector<std::string>& args);
int cmdReplace(const std::vector<std::string>& args);
int cmdDeleteSet(const std::vector<std::string>& args);
int cmdZipCount(const std::vector<std::string>& args);

extern const char* const kConvertCaseHelp;
extern const char* const kReplaceHelp;
extern const char* const kDeleteSetHelp;
extern const char* const kZipCountHelp;

}  // namespace brindle::cli

#pragma once
// brindle-db's checks of the utilities menu: the state and ZIP check and the
// duplicate check, the same routines as the program's windows, printing the
// records found and their count.
#include <string>
#include <vector>

namespace brindle::cli {

int cmdStateZip(const std::vector<std::string>& args);
int cmdDuplicates(const std::vector<std::string>& args);

extern const char* const kStateZipHelp;
extern const char* const kDuplicatesHelp;

}  // namespace brindle::cli

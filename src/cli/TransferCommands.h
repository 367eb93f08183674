#pragma once
// brindle-db's imports and exports: the routines of the program's import and
// export windows, run from the shell with a progress bar and a final report.
#include <string>
#include <vector>

namespace brindle::cli {

int cmdImportCsv(const std::vector<std::string>& args);
int cmdImportDbf(const std::vector<std::string>& args);
int cmdImportOlder(const std::vector<std::string>& args);
int cmdExport(const std::vector<std::string>& args);

extern const char* const kImportCsvHelp;
extern const char* const kImportDbfHelp;
extern const char* const kImportOlderHelp;
extern const char* const kExportHelp;

}  // namespace brindle::cli

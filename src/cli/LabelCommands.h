#pragma once
// brindle-db labels: the program's label printing engine from the shell,
// writing a PDF file, with a progress bar and a final report.
#include <string>
#include <vector>

namespace brindle::cli {

int cmdLabels(const std::vector<std::string>& args);
extern const char* const kLabelsHelp;

}  // namespace brindle::cli

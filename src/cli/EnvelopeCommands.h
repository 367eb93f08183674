#pragma once
// brindle-db envelopes: the program's envelope print job from the shell,
// writing a PDF file, with a progress bar and a final report.
#include <string>
#include <vector>

namespace brindle::cli {

int cmdEnvelopes(const std::vector<std::string>& args);
extern const char* const kEnvelopesHelp;

}  // namespace brindle::cli

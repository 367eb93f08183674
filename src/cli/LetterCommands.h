#pragma once
// brindle-db letters: form letters merged with address records and printed
// to a PDF file through the program's letter print job.
#include <string>
#include <vector>

namespace brindle::cli {

int cmdLetters(const std::vector<std::string>& args);
extern const char* const kLettersHelp;

}  // namespace brindle::cli

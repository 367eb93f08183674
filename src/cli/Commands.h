#pragma once
// The subcommands of brindle-db. Each takes the words after its name and
// returns the process exit status: 0 done, 1 the check found problems,
// 2 error (bad usage or a failed operation, reported on stderr).
#include <string>
#include <vector>

namespace brindle::cli {

enum ExitStatus { kExitOk = 0, kExitProblems = 1, kExitError = 2 };

struct Command {
    const char* name;
    const char* summary;  // one line for the overview
    const char* help;     // full text for "<command> --help"
    int (*run)(const std::vector<std::string>& args);
};

const std::vector<Command>& commands();

// Entry point: dispatches argv[1] and turns errors into messages and exit status 2.
int runCli(int argc, char** argv);

}  // namespace brindle::cli

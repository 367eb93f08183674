#pragma once
// Command-line arguments of one subcommand: positional words, options that
// take a value ("--order TAG" or "--order=TAG") and plain switches.
#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace brindle::cli {

// Wrong use of the command line; reported with a hint to --help.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Arguments {
public:
    // Throws UsageError for an unknown option or an option without its value.
    Arguments(const std::vector<std::string>& words, const std::set<std::string>& valueOptions,
              const std::set<std::string>& switches);

    const std::vector<std::string>& positional() const { return positional_; }
    bool has(const std::string& option) const;
    std::string value(const std::string& option, const std::string& fallback = {}) const;
    // Whole non-negative number; UsageError otherwise.
    std::uint64_t number(const std::string& option, std::uint64_t fallback) const;

    // Exactly `count` positional words, else UsageError naming what is missing or extra.
    void expectPositional(std::size_t count, const char* what) const;

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
    std::set<std::string> switches_;
};

}  // namespace brindle::cli

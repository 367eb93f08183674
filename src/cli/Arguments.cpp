#include "Arguments.h"

#include <cstdint>

namespace brindle::cli {

Arguments::Arguments(const std::vector<std::string>& words, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& switches) {
    bool onlyPositional = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (onlyPositional || w.size() < 2 || w[0] != '-') {
            positional_.push_back(w);
            continue;
        }
        if (w == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = w;
        std::string value;
        bool inlineValue = false;
        if (const auto eq = w.find('='); eq != std::string::npos && w.rfind("--", 0) == 0) {
            name = w.substr(0, eq);
            value = w.substr(eq + 1);
            inlineValue = true;
        }
        if (valueOptions.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= words.size()) throw UsageError("option " + name + " needs a value");
                value = words[++i];
            }
            values_[name] = value;
        } else if (switches.count(name) && !inlineValue) {
            switches_.insert(name);
        } else {
            throw UsageError("unknown option " + w);
        }
    }
}

bool Arguments::has(const std::string& option) const {
    return values_.count(option) > 0 || switches_.count(option) > 0;
}

std::string Arguments::value(const std::string& option, const std::string& fallback) const {
    auto it = values_.find(option);
    return it == values_.end() ? fallback : it->second;
}

std::uint64_t Arguments::number(const std::string& option, std::uint64_t fallback) const {
    auto it = values_.find(option);
    if (it == values_.end()) return fallback;
    const std::string& text = it->second;
    if (text.empty() || text.size() > 19) throw UsageError("option " + option + " needs a whole number, not \"" + text + "\"");
    std::uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') throw UsageError("option " + option + " needs a whole number, not \"" + text + "\"");
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return n;
}

void Arguments::expectPositional(std::size_t count, const char* what) const {
    if (positional_.size() < count) throw UsageError(std::string("missing ") + what);
    if (positional_.size() > count) throw UsageError("unexpected argument \"" + positional_[count] + "\"");
}

}  // namespace brindle::cli

// Fuzz target: arbitrary bytes read as a presort order file (PRESORT.PSL).
// Every line read is non-empty and whole, a separator exactly when it starts
// with "** ", and writing the lines back gives a file that reads the same.
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mailing/Presort.h"

using namespace brindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto lines = mailing::parseOrderFile(bytes);
    std::vector<std::string> texts;
    for (const auto& l : lines) {
        if (l.text.empty() || l.text.find('\n') != std::string::npos) std::abort();
        if (l.separator != (l.text.rfind("** ", 0) == 0)) std::abort();
        texts.push_back(l.text);
    }
    const auto again = mailing::parseOrderFile(mailing::orderFileBytes(texts));
    if (again.size() != lines.size()) std::abort();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (again[i].text != lines[i].text || again[i].separator != lines[i].separator) std::abort();
    return 0;
}

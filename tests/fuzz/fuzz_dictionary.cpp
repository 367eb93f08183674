// Fuzz target: arbitrary bytes read as the supplied dictionary (brindl.dct)
// and as the user dictionary (brindlu.dct). What is read is written again
// and must read back the same; user words are never empty and never hold a
// line break.
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "spelling/DictionaryFile.h"

using namespace brindle::spelling;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto main = readMainDictionary(bytes)) {
        if (main->affixes.size() + main->words.size() > bytes.size()) std::abort();
        const auto again = readMainDictionary(buildMainDictionary(*main));
        if (!again || again->affixes != main->affixes || again->words != main->words) std::abort();
    }
    if (const auto words = readUserDictionary(bytes)) {
        for (const QString& w : *words)
            if (w.isEmpty() || w.contains(u'\n')) std::abort();
        const auto again = readUserDictionary(buildUserDictionary(*words));
        if (!again || *again != *words) std::abort();
    }
    return 0;
}

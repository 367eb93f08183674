#include "store/Schema.h"

#include "store/Cp1252.h"

namespace brindle::store {

int Schema::find(std::string_view name) const {
    // Callers nearly always spell names as stored (upper case): a plain
    // comparison first, the case-folding one only when that finds nothing.
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == name) return static_cast<int>(i);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& f = fields[i].name;  // stored in upper case
        if (f.size() != name.size()) continue;
        std::size_t k = 0;
        while (k < f.size() && static_cast<unsigned char>(f[k]) == upper1252(static_cast<unsigned char>(name[k]))) ++k;
        if (k == f.size()) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace brindle::store

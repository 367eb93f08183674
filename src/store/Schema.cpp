#include "store/Schema.h"

#include "store/Cp1252.h"

namespace brindle::store {

int Schema::find(std::string_view name) const {
    const std::string wanted = toUpper1252(name);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == wanted) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace brindle::store

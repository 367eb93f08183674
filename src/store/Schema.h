#pragma once
// Field layout of a table, shared by the table, the expression compiler and
// the index builder.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::store {

struct FieldInfo {
    std::string name;  // upper case, at most 10 characters
    char type = 'C';   // C N F L D M, and I B Y T from foreign tables
    int width = 0;     // bytes in the record
    int decimals = 0;
    int offset = 0;    // byte offset in the record buffer; byte 0 is the deletion flag
};

struct Schema {
    std::vector<FieldInfo> fields;
    int recordLength = 1;  // including the deletion flag byte

    // Index of the field with this name (compared ignoring case), or -1.
    int find(std::string_view name) const;
};

}  // namespace brindle::store

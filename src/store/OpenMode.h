#pragma once
// How a table and its memo and index files are opened.

namespace brindle::store {

// Exclusive: this open alone reads and writes. Shared: other opens (here or
// in other programs) read and write too, under record, header, memo and
// index locks. ReadOnly: reads alongside shared opens.
enum class OpenMode { Exclusive, Shared, ReadOnly };

}  // namespace brindle::store

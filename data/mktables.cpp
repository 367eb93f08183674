// brindle-mktables: turns a text source of data/ into a supplied table.
//   brindle-mktables csz|lbltpl <source.txt> <output.DBF>
// Exits with 1 and a message naming the offending line when the source is unusable.
#include <cstdio>
#include <exception>

#include "TableSource.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s csz|lbltpl <source.txt> <output.DBF>\n", argv[0]);
        return 2;
    }
    const brindle::data::TableLayout* layout = brindle::data::layoutByName(argv[1]);
    if (!layout) {
        std::fprintf(stderr, "%s: unknown table \"%s\" (csz or lbltpl)\n", argv[0], argv[1]);
        return 2;
    }
    try {
        const auto rows = brindle::data::parseSourceFile(*layout, argv[2]);
        brindle::data::writeTable(*layout, rows, argv[3]);
        std::printf("%s: %zu rows\n", argv[3], rows.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    return 0;
}

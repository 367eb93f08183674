// Fuzz target: a sound table whose memo file is replaced by arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "FuzzFiles.h"
#include "store/Table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace brindle::store;
    const std::string dir = brindle::fuzz::scratchDir();
    const std::string path = dir + "/m.dbf";
    static bool made = false;
    if (!made) {
        Table::create(path, {{"NAME", 'C', 8, 0}, {"NOTE", 'M', 10, 0}}, true);
        auto t = Table::open(path);
        for (int i = 0; i < 6; ++i) {
            t->append();
            t->setString("NAME", "n" + std::to_string(i));
            t->setMemo("NOTE", std::string(static_cast<std::size_t>(10 + 70 * i), 'x'));
            t->post();
        }
        t->close();
        std::filesystem::rename(dir + "/m.fpt", dir + "/m.keep");
        made = true;
    }
    brindle::fuzz::writeScratch("m.fpt", data, size);
    try {
        auto t = Table::open(path, OpenMode::ReadOnly);
        for (bool ok = t->first(); ok; ok = t->next()) {
            try {
                (void)t->getMemo("NOTE");
            } catch (const StoreError&) {
            }
        }
        (void)t->check();
    } catch (const StoreError&) {
    }
    return 0;
}

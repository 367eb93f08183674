// Fuzz target: any bytes opened as a table must give a table or a StoreError.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "FuzzFiles.h"
#include "store/Table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace brindle::store;
    const std::string path = brindle::fuzz::writeScratch("f.dbf", data, size);
    std::error_code ec;
    std::filesystem::remove(brindle::fuzz::scratchDir() + "/f.FPT", ec);
    std::filesystem::remove(brindle::fuzz::scratchDir() + "/f.fpt", ec);
    try {
        auto t = Table::open(path, OpenMode::ReadOnly);
        (void)t->info();
        std::uint32_t n = 0;
        for (bool ok = t->first(); ok && n < 2000; ok = t->next(), ++n) {
            for (const auto& f : t->schema().fields) {
                try {
                    (void)t->getString(f.name);
                    (void)t->getNumber(f.name);
                } catch (const StoreError&) {
                }
            }
        }
        (void)t->check();
    } catch (const StoreError&) {
    }
    return 0;
}

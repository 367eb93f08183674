// Opens arbitrary bytes as an index file and reads everything in it: every
// tag walked forwards and backwards, then the structural check. Damage must
// come back as a StoreError, never as a crash, a hang or a bad read. Files
// without our mark are read twice: with character keys, and with binary keys
// (numbers, dates) as other programs write them, trailing zero bytes dropped.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "store/IndexFile.h"

using namespace brindle::store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/fuzz_cdx_XXXXXX";
        const char* d = mkdtemp(tmpl);
        return std::string(d ? d : "/tmp");
    }();
    const std::string path = dir + "/input.cdx";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    for (bool binary : {false, true}) try {
        KeyTypeFn keyType;
        if (binary) keyType = [](const std::string&) -> std::optional<bool> { return false; };
        auto file = IndexFile::open(path, false, keyType);
        for (int t = 0; t < file->tagCount(); ++t) {
            IndexTag* tag = file->tag(t);
            auto c = tag->cursor();
            std::uint64_t forward = 0;
            for (bool ok = c->first(); ok; ok = c->next()) ++forward;
            for (bool ok = c->last(); ok; ok = c->prev()) {
            }
            if (c->first()) {
                const std::string key(c->key());
                c->seek(key.substr(0, key.size() / 2));
            }
            tag->entryCount();
        }
        std::vector<std::string> problems;
        file->verify(problems);
    } catch (const StoreError&) {
    }
    // Changes on top of whatever the file holds must fail cleanly too.
    try {
        auto file = IndexFile::open(path, true, [&](const std::string& e) -> std::optional<bool> {
            return e.empty() || (static_cast<unsigned char>(e[0]) & 1) == 0;
        });
        for (int t = 0; t < file->tagCount(); ++t) {
            IndexTag* tag = file->tag(t);
            const std::size_t kl = std::size_t(tag->info().keyLength);
            for (std::size_t i = 0; i < 64; ++i) {
                std::string key(kl, ' ');
                for (std::size_t k = 0; k < kl && size; ++k) key[k] = char(data[(i * 7 + k) % size]);
                tag->insert(key, std::uint32_t(i + 1));
                if (i % 3 == 0) tag->remove(key, std::uint32_t(i + 1));
            }
        }
        file->flush();
    } catch (const StoreError&) {
    }
    ::unlink(path.c_str());
    return 0;
}

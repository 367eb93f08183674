// Replays every file of a fuzz corpus folder (and every prefix of each, to
// cover truncation) through a fuzz target without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR...\n", argv[0]);
        return 2;
    }
    std::size_t files = 0;
    for (int a = 1; a < argc; ++a) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(argv[a], ec)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            // Truncations at a spread of lengths.
            const std::size_t step = bytes.size() > 4096 ? bytes.size() / 97 : 1;
            for (std::size_t n = 0; n < bytes.size(); n += step) LLVMFuzzerTestOneInput(bytes.data(), n);
            ++files;
        }
        if (ec) {
            std::fprintf(stderr, "cannot read %s: %s\n", argv[a], ec.message().c_str());
            return 2;
        }
    }
    if (files == 0) {
        std::fprintf(stderr, "no corpus files found\n");
        return 1;
    }
    std::printf("replayed %zu corpus files\n", files);
    return 0;
}

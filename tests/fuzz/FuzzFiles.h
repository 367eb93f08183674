#pragma once
// A per-process scratch folder for fuzz targets that must read from files.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace brindle::fuzz {

inline const std::string& scratchDir() {
    static const std::string dir = [] {
        auto p = std::filesystem::temp_directory_path() / ("brindle-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return dir;
}

inline std::string writeScratch(const std::string& name, const void* data, std::size_t size) {
    const std::string path = scratchDir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

}  // namespace brindle::fuzz

#include "address/ResultIndex.h"

#include <filesystem>
#include <system_error>

#include "store/Table.h"

namespace brindle::address {

namespace fs = std::filesystem;

ResultIndex::ResultIndex(store::Table& table, std::string path, const std::string& expression)
    : table_(table), path_(std::move(path)) {
    // A file of this name can only be one a crashed check left behind.
    std::error_code ec;
    fs::remove(path_, ec);
    try {
        order_ = table_.createTempIndex(path_, expression);
    } catch (...) {
        fs::remove(path_, ec);
        throw;
    }
}

ResultIndex::~ResultIndex() { release(); }

void ResultIndex::add(std::uint32_t recno) { table_.keyAdd(recno); }

void ResultIndex::activate() {
    if (order_ > 0) table_.setOrder(order_);
}

void ResultIndex::release() noexcept {
    if (order_ == 0) return;
    order_ = 0;
    try {
        if (table_.isOpen()) table_.closeTempIndex();
    } catch (...) {
    }
    std::error_code ec;
    fs::remove(path_, ec);
}

int walkPercent(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return 0;
    return static_cast<int>(done * 100 / total);
}

}  // namespace brindle::address

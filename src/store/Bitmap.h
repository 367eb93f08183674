#pragma once
// A set of record numbers as a bit vector; bit r stands for record r.
#include <bit>
#include <cstdint>
#include <vector>

namespace brindle::store {

class Bitmap {
public:
    Bitmap() = default;
    explicit Bitmap(std::uint32_t maxRecno, bool allSet = false) { reset(maxRecno, allSet); }

    void reset(std::uint32_t maxRecno, bool allSet) {
        max_ = maxRecno;
        words_.assign((static_cast<std::size_t>(maxRecno) >> 6) + 1, allSet ? ~0ULL : 0ULL);
        if (allSet) trim();
    }
    std::uint32_t maxRecno() const { return max_; }
    // Grows to hold records up to maxRecno; new bits are clear.
    void grow(std::uint32_t maxRecno) {
        if (maxRecno <= max_) return;
        max_ = maxRecno;
        words_.resize((static_cast<std::size_t>(maxRecno) >> 6) + 1, 0ULL);
    }
    bool test(std::uint32_t r) const {
        return r >= 1 && r <= max_ && ((words_[r >> 6] >> (r & 63)) & 1ULL);
    }
    void set(std::uint32_t r, bool on = true) {
        if (r < 1 || r > max_) return;
        if (on) words_[r >> 6] |= 1ULL << (r & 63);
        else words_[r >> 6] &= ~(1ULL << (r & 63));
    }
    void andWith(const Bitmap& o) {
        for (std::size_t i = 0; i < words_.size(); ++i) words_[i] &= i < o.words_.size() ? o.words_[i] : 0ULL;
    }
    void orWith(const Bitmap& o) {
        for (std::size_t i = 0; i < words_.size() && i < o.words_.size(); ++i) words_[i] |= o.words_[i];
        trim();
    }
    void andNot(const Bitmap& o) {
        for (std::size_t i = 0; i < words_.size() && i < o.words_.size(); ++i) words_[i] &= ~o.words_[i];
    }
    void invert() {
        for (auto& w : words_) w = ~w;
        trim();
    }
    std::uint32_t count() const {
        std::uint64_t n = 0;
        for (auto w : words_) n += static_cast<std::uint64_t>(std::popcount(w));
        return static_cast<std::uint32_t>(n);
    }
    // First set bit >= r, or 0 when none.
    std::uint32_t nextSet(std::uint32_t r) const {
        if (r < 1) r = 1;
        if (r > max_) return 0;
        std::size_t w = r >> 6;
        std::uint64_t bits = words_[w] & (~0ULL << (r & 63));
        for (;;) {
            if (bits) {
                const std::uint64_t found = (static_cast<std::uint64_t>(w) << 6) + static_cast<unsigned>(std::countr_zero(bits));
                return found <= max_ ? static_cast<std::uint32_t>(found) : 0;
            }
            if (++w >= words_.size()) return 0;
            bits = words_[w];
        }
    }
    // Last set bit <= r, or 0 when none.
    std::uint32_t prevSet(std::uint32_t r) const {
        if (r > max_) r = max_;
        if (r < 1) return 0;
        std::size_t w = r >> 6;
        const unsigned sh = 63 - (r & 63);
        std::uint64_t bits = (words_[w] << sh) >> sh;
        for (;;) {
            if (bits) {
                const auto found = static_cast<std::uint32_t>((w << 6) + 63 - static_cast<unsigned>(std::countl_zero(bits)));
                return found >= 1 ? found : 0;
            }
            if (w == 0) return 0;
            bits = words_[--w];
        }
    }

private:
    void trim() {
        // Bit 0 and bits above max_ never count.
        words_[0] &= ~1ULL;
        const unsigned top = (max_ & 63) + 1;
        if (top < 64) words_.back() &= (1ULL << top) - 1;
    }
    std::uint32_t max_ = 0;
    std::vector<std::uint64_t> words_{0};
};

}  // namespace brindle::store

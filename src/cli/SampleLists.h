#pragma once
// Word lists behind the synthetic address records (UTF-8 source text).
#include <cstddef>

namespace brindle::sample::lists {

struct City {
    const char* name;
    const char* state;  // postal abbreviation
    const char* zip3;   // a real 3-digit ZIP prefix of that city
};

template <typename T>
struct Span {
    const T* data;
    std::size_t size;
    const T& operator[](std::size_t i) const { return data[i]; }
};

using Words = Span<const char* const>;

Words maleFirstNames();
Words femaleFirstNames();
Words lastNames();
Words streetNames();
Words streetSuffixes();
Words jobTitles();
Words orgWords();
Words orgKinds();
Words comments();
Words memoSentences();
Span<const City> cities();

}  // namespace brindle::sample::lists

#pragma once
// The area distribution centres (ADC) of the bulk-mail presort: each has the
// name printed on its separator label and the three-digit ZIP prefixes it
// serves. No prefix belongs to two centres.
#include <array>
#include <cstdint>
#include <string_view>

namespace brindle::mailing {

struct AdcGroup {
    const char* name;      // separator text after "** ADC "
    const char* prefixes;  // three-digit prefixes separated by single blanks
};

constexpr std::size_t kAdcGroupCount = 96;

// The 96 centres in the order their groups are printed.
const std::array<AdcGroup, kAdcGroupCount>& adcGroups();

// The row whose list holds `prefix` as a whole entry (not merely as a run of
// characters inside the list); -1 when the prefix is not three digits or no
// centre serves it.
int adcGroupOf(std::string_view prefix);

}  // namespace brindle::mailing

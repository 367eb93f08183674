#pragma once
// Text in tables is Windows-1252. These are the one place where it is
// converted to and from UTF-8 and where letter case is folded; the engine's
// keys, the duplicate check and case conversion all use them.
#include <string>
#include <string_view>

namespace brindle::store {

unsigned char upper1252(unsigned char c);
unsigned char lower1252(unsigned char c);
std::string toUpper1252(std::string_view s);
std::string toLower1252(std::string_view s);
void upperInPlace(char* p, std::size_t n);

// Windows-1252 bytes to UTF-8. Undefined bytes (0x81 0x8D 0x8F 0x90 0x9D) map
// to the C1 control of the same number so that a round trip keeps them.
std::string cp1252ToUtf8(std::string_view s);
// UTF-8 to Windows-1252. Characters without a Windows-1252 form become '?';
// malformed UTF-8 bytes are taken as Windows-1252 bytes.
std::string utf8ToCp1252(std::string_view s);

}  // namespace brindle::store

#pragma once
// Text in tables is Windows-1252. These are the one place where it is
// converted to and from UTF-8 and where letter case is folded; the engine's
// keys, the duplicate check and case conversion all use them.
#include <string>
#include <string_view>
#include <vector>

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

// A character of UTF-8 text that Windows-1252 cannot hold.
struct Unrepresentable {
    std::size_t offset = 0;   // byte offset of the character in the UTF-8 input
    std::size_t index = 0;    // its position counted in characters (code points)
    char32_t codePoint = 0;
};

// UTF-8 to Windows-1252, counting what is lost: every character without a
// Windows-1252 form is listed (and written as '?' in `text`); a literal '?'
// in the input is not counted. Malformed UTF-8 bytes are taken as
// Windows-1252 bytes, as utf8ToCp1252 does, and are not counted either.
struct EncodedText {
    std::string text;
    std::vector<Unrepresentable> lost;
    bool lossless() const { return lost.empty(); }
};
using Cp1252Conversion = EncodedText;
EncodedText utf8ToCp1252Counted(std::string_view s);

// The UTF-8 spelling of one code point (for messages naming a lost character).
std::string codePointToUtf8(char32_t cp);
// Decodes the UTF-8 character at s[i] into cp; returns its length in bytes,
// 0 when the byte does not start a well-formed character.
int decodeUtf8At(std::string_view s, std::size_t i, char32_t& cp);

}  // namespace brindle::store

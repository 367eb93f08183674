#pragma once
// The code pages an xBase table's header can name (byte 29, the "language
// driver"), and the conversion of each to and from UTF-8. Our own tables are
// Windows-1252; tables written by DOS, Macintosh or other Windows programs
// are decoded through the code page their header names, so "Müller" written
// by a DOS program reads as "Müller".
#include <string>
#include <string_view>

#include "store/Cp1252.h"

namespace brindle::store {

class TextCodec {
public:
    // The codec a header byte names. An unknown or zero byte, and the few
    // code pages this system cannot convert (see supported()), read as
    // Windows-1252.
    static const TextCodec& forHeaderByte(unsigned char headerByte);
    static const TextCodec& windows1252();

    // The header byte and what it names ("DOS 850", "Windows-1251", ...).
    unsigned char headerByte() const { return headerByte_; }
    const std::string& name() const { return name_; }
    // False when the byte names a code page we cannot convert (it is read as
    // Windows-1252 then) or names none.
    bool supported() const { return supported_; }
    bool isWindows1252() const { return cp1252_; }

    std::string toUtf8(std::string_view bytes) const;
    // UTF-8 to this code page, listing every character it cannot hold
    // (written as '?'); a literal '?' is not counted.
    EncodedText fromUtf8(std::string_view utf8) const;

    struct Impl;
    TextCodec(unsigned char headerByte, std::string name, const char* iconvName);
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

private:
    unsigned char headerByte_ = 0;
    std::string name_;
    bool supported_ = false;
    bool cp1252_ = false;
    Impl* impl_ = nullptr;
};

}  // namespace brindle::store

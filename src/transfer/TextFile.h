#pragma once
// Text files as they come from other programs: UTF-8 with or without a
// byte-order mark, Windows-1252, or UTF-16. The encoding is decided once for
// the whole file, and the text is handed on as UTF-8.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace brindle::transfer {

enum class TextEncoding { Utf8, Windows1252, Utf16LE, Utf16BE };

// "UTF-8", "Windows-1252", "UTF-16LE", "UTF-16BE".
QString encodingName(TextEncoding e);
// Reads the names above, and the spellings "utf8", "cp1252", "windows1252",
// "latin1", "utf16" (any case); nullopt for anything else.
std::optional<TextEncoding> parseEncoding(const QString& name);

struct DecodedText {
    std::string utf8;             // the whole text, byte-order mark removed
    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = false;   // the file began with one
};

// Whether the bytes are well-formed UTF-8 throughout.
bool isValidUtf8(std::string_view bytes);

// Decides the encoding (a byte-order mark first; UTF-16 without one by its
// zero bytes; then UTF-8 when every byte sequence is well-formed, else
// Windows-1252) unless `forced` names one, and converts to UTF-8. Bytes
// that are not UTF-8 in a file forced to UTF-8 are read as Windows-1252.
DecodedText decodeText(std::string_view bytes, std::optional<TextEncoding> forced = std::nullopt);

// Reads a whole file; false with the reason when it cannot be read.
bool readWholeFile(const QString& path, std::string& bytes, QString* error);

}  // namespace brindle::transfer

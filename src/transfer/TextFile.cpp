#include "transfer/TextFile.h"

#include <QFile>
#include <algorithm>
#include <cstring>

#include "store/Cp1252.h"

namespace brindle::transfer {

QString encodingName(TextEncoding e) {
    switch (e) {
    case TextEncoding::Utf8: return QStringLiteral("UTF-8");
    case TextEncoding::Windows1252: return QStringLiteral("Windows-1252");
    case TextEncoding::Utf16LE: return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16BE: return QStringLiteral("UTF-16BE");
    }
    return {};
}

std::optional<TextEncoding> parseEncoding(const QString& name) {
    QString n = name.trimmed().toLower();
    n.remove(QLatin1Char('-'));
    n.remove(QLatin1Char('_'));
    if (n == u"utf8") return TextEncoding::Utf8;
    if (n == u"windows1252" || n == u"cp1252" || n == u"latin1" || n == u"ansi") return TextEncoding::Windows1252;
    if (n == u"utf16le" || n == u"utf16") return TextEncoding::Utf16LE;
    if (n == u"utf16be") return TextEncoding::Utf16BE;
    return std::nullopt;
}

bool isValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        // Runs of ASCII eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= n) break;
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int len = store::decodeUtf8At(s, i, cp);
        if (len <= 0) return false;
        i += static_cast<std::size_t>(len);
    }
    return true;
}

namespace {

// UTF-8 text in which every byte that does not start a well-formed character
// is taken as a Windows-1252 byte.
std::string repairUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int len = store::decodeUtf8At(s, i, cp);
        if (len > 0) {
            out.append(s.substr(i, static_cast<std::size_t>(len)));
            i += static_cast<std::size_t>(len);
        } else {
            out += store::cp1252ToUtf8(s.substr(i, 1));
            ++i;
        }
    }
    return out;
}

std::string utf16ToUtf8(std::string_view s, bool littleEndian) {
    const std::size_t units = s.size() / 2;
    std::u16string u;
    u.resize(units);
    for (std::size_t k = 0; k < units; ++k) {
        const auto a = static_cast<unsigned char>(s[2 * k]);
        const auto b = static_cast<unsigned char>(s[2 * k + 1]);
        u[k] = littleEndian ? static_cast<char16_t>(a | (b << 8)) : static_cast<char16_t>((a << 8) | b);
    }
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())).toStdString();
}

// UTF-16 without a byte-order mark: text of mostly Latin letters has a zero
// byte in every other position.
std::optional<TextEncoding> guessUtf16(std::string_view s) {
    const std::size_t n = std::min<std::size_t>(s.size(), 512) & ~std::size_t(1);
    if (n < 4) return std::nullopt;
    std::size_t evenZeros = 0, oddZeros = 0;
    for (std::size_t i = 0; i < n; i += 2) {
        if (s[i] == 0) ++evenZeros;
        if (s[i + 1] == 0) ++oddZeros;
    }
    // Text files hold no NUL bytes; UTF-16 holds one in every Latin letter.
    const std::size_t pairs = n / 2;
    if (oddZeros * 4 >= pairs && evenZeros == 0) return TextEncoding::Utf16LE;
    if (evenZeros * 4 >= pairs && oddZeros == 0) return TextEncoding::Utf16BE;
    return std::nullopt;
}

}  // namespace

DecodedText decodeText(std::string_view bytes, std::optional<TextEncoding> forced) {
    DecodedText out;
    TextEncoding enc = TextEncoding::Utf8;
    bool validUtf8 = false;
    std::string_view body = bytes;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        enc = TextEncoding::Utf8;
        body = bytes.substr(3);
        out.byteOrderMark = true;
    } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
        enc = TextEncoding::Utf16LE;
        body = bytes.substr(2);
        out.byteOrderMark = true;
    } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
        enc = TextEncoding::Utf16BE;
        body = bytes.substr(2);
        out.byteOrderMark = true;
    } else if (auto utf16 = guessUtf16(bytes)) {
        enc = *utf16;
    } else {
        validUtf8 = isValidUtf8(bytes);
        enc = validUtf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    }
    if (forced && *forced != enc) {
        // A mark that contradicts the user's choice is still not text.
        enc = *forced;
    }
    out.encoding = enc;
    switch (enc) {
    case TextEncoding::Utf8:
        out.utf8 = (validUtf8 || isValidUtf8(body)) ? std::string(body) : repairUtf8(body);
        break;
    case TextEncoding::Windows1252:
        out.utf8 = store::cp1252ToUtf8(body);
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        out.utf8 = utf16ToUtf8(body, enc == TextEncoding::Utf16LE);
        break;
    }
    return out;
}

bool readWholeFile(const QString& path, std::string& bytes, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    // Straight into the string: files of a million lines are read once.
    bytes.resize(static_cast<std::size_t>(std::max<qint64>(f.size(), 0)));
    qint64 done = 0;
    while (done < static_cast<qint64>(bytes.size())) {
        const qint64 n = f.read(bytes.data() + done, static_cast<qint64>(bytes.size()) - done);
        if (n < 0) {
            if (error) *error = f.errorString();
            return false;
        }
        if (n == 0) break;
        done += n;
    }
    bytes.resize(static_cast<std::size_t>(done));
    // A file that grew or has no size (a pipe) is read to its end.
    const QByteArray rest = f.readAll();
    bytes.append(rest.constData(), static_cast<std::size_t>(rest.size()));
    return true;
}

}  // namespace brindle::transfer

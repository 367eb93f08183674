#include "store/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace brindle::store {

namespace {

struct KnownCodePage {
    unsigned char byte;
    const char* name;
    const char* iconv;  // nullptr: not convertible here
};

// Header bytes as xBase programs write them (FoxPro code pages and the dBASE
// language drivers that share the byte).
constexpr KnownCodePage kCodePages[] = {
    {0x01, "DOS 437", "CP437"},
    {0x02, "DOS 850", "CP850"},
    {0x03, "Windows-1252", "CP1252"},
    {0x04, "Macintosh Roman", "MACINTOSH"},
    {0x08, "DOS 865 (Danish)", "CP865"},
    {0x09, "DOS 437 (Dutch)", "CP437"},
    {0x0A, "DOS 850 (Dutch)", "CP850"},
    {0x0B, "DOS 437 (Finnish)", "CP437"},
    {0x0D, "DOS 437 (French)", "CP437"},
    {0x0E, "DOS 850 (French)", "CP850"},
    {0x0F, "DOS 437 (German)", "CP437"},
    {0x10, "DOS 850 (German)", "CP850"},
    {0x11, "DOS 437 (Italian)", "CP437"},
    {0x12, "DOS 850 (Italian)", "CP850"},
    {0x13, "Japanese Shift-JIS (932)", "CP932"},
    {0x14, "DOS 850 (Spanish)", "CP850"},
    {0x15, "DOS 437 (Swedish)", "CP437"},
    {0x16, "DOS 850 (Swedish)", "CP850"},
    {0x17, "DOS 865 (Norwegian)", "CP865"},
    {0x18, "DOS 437 (Spanish)", "CP437"},
    {0x19, "DOS 437 (British)", "CP437"},
    {0x1A, "DOS 850 (British)", "CP850"},
    {0x1B, "DOS 437 (US)", "CP437"},
    {0x1C, "DOS 863 (French Canadian)", "CP863"},
    {0x1D, "DOS 850 (French)", "CP850"},
    {0x1F, "DOS 852 (Czech)", "CP852"},
    {0x22, "DOS 852 (Hungarian)", "CP852"},
    {0x23, "DOS 852 (Polish)", "CP852"},
    {0x24, "DOS 860 (Portuguese)", "CP860"},
    {0x25, "DOS 850 (Portuguese)", "CP850"},
    {0x26, "DOS 866 (Russian)", "CP866"},
    {0x37, "DOS 850 (US)", "CP850"},
    {0x40, "DOS 852 (Romanian)", "CP852"},
    {0x4D, "Chinese GBK (936)", "CP936"},
    {0x4E, "Korean (949)", "CP949"},
    {0x4F, "Chinese Big 5 (950)", "CP950"},
    {0x50, "Thai (874)", "CP874"},
    {0x57, "Windows-1252", "CP1252"},
    {0x58, "Windows-1252 (Western European)", "CP1252"},
    {0x59, "Windows-1252 (Spanish)", "CP1252"},
    {0x64, "DOS 852", "CP852"},
    {0x65, "DOS 866", "CP866"},
    {0x66, "DOS 865", "CP865"},
    {0x67, "DOS 861", "CP861"},
    {0x68, "Kamenicky (Czech) DOS", nullptr},
    {0x69, "Mazovia (Polish) DOS", nullptr},
    {0x6A, "DOS 737 (Greek)", "CP737"},
    {0x6B, "DOS 857 (Turkish)", "CP857"},
    {0x6C, "DOS 863 (French Canadian)", "CP863"},
    {0x78, "Windows-950 (Traditional Chinese)", "CP950"},
    {0x79, "Windows-949 (Korean)", "CP949"},
    {0x7A, "Windows-936 (Simplified Chinese)", "CP936"},
    {0x7B, "Windows-932 (Japanese)", "CP932"},
    {0x7C, "Windows-874 (Thai)", "CP874"},
    {0x7D, "Windows-1255 (Hebrew)", "CP1255"},
    {0x7E, "Windows-1256 (Arabic)", "CP1256"},
    {0x86, "DOS 737 (Greek)", "CP737"},
    {0x87, "DOS 852 (Slovenian)", "CP852"},
    {0x88, "DOS 857 (Turkish)", "CP857"},
    {0x96, "Macintosh Cyrillic", "MAC-CYRILLIC"},
    {0x97, "Macintosh Central European", "MAC-CENTRALEUROPE"},
    {0x98, "Macintosh Greek", nullptr},
    {0xC8, "Windows-1250", "CP1250"},
    {0xC9, "Windows-1251", "CP1251"},
    {0xCA, "Windows-1254", "CP1254"},
    {0xCB, "Windows-1253", "CP1253"},
    {0xCC, "Windows-1257", "CP1257"},
    {0xF0, "UTF-8", "UTF-8"},
};

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // Converts all of `in`; false when any of it cannot be converted.
    bool convert(std::string_view in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.clear();
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buf[256];
        while (left > 0) {
            char* dst = buf;
            std::size_t room = sizeof buf;
            const std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
        }
        char* dst = buf;
        std::size_t room = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &room);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

// Single-byte code pages are converted through tables built once from the
// system's converter; multi-byte ones (the East Asian pages) through the
// converter itself, which is not thread-safe and so sits behind a mutex.
struct TextCodec::Impl {
    bool singleByte = true;
    bool utf8 = false;
    std::array<std::string, 256> decode;               // single-byte: UTF-8 of each byte
    std::unordered_map<char32_t, unsigned char> encode;  // single-byte: code point to byte
    std::mutex mu;
    std::unique_ptr<Iconv> toUtf8;
    std::unique_ptr<Iconv> fromUtf8;
};

TextCodec::TextCodec(unsigned char headerByte, std::string name, const char* iconvName)
    : headerByte_(headerByte), name_(std::move(name)) {
    if (!iconvName) return;  // read as Windows-1252, not supported
    const std::string cs = iconvName;
    if (cs == "CP1252") {
        supported_ = true;
        cp1252_ = true;
        return;
    }
    auto impl = std::make_unique<Impl>();
    if (cs == "UTF-8") {
        impl->utf8 = true;
        supported_ = true;
        impl_ = impl.release();
        return;
    }
    impl->toUtf8 = std::make_unique<Iconv>("UTF-8", iconvName);
    impl->fromUtf8 = std::make_unique<Iconv>(iconvName, "UTF-8");
    if (!impl->toUtf8->ok() || !impl->fromUtf8->ok()) return;
    impl->singleByte = cs != "CP932" && cs != "CP936" && cs != "CP949" && cs != "CP950";
    if (impl->singleByte) {
        std::string out;
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            char32_t cp = static_cast<char32_t>(b);
            if (impl->toUtf8->convert(std::string_view(&byte, 1), out) && !out.empty()) {
                char32_t decoded = 0;
                if (decodeUtf8At(out, 0, decoded) == static_cast<int>(out.size())) cp = decoded;
            }
            // Bytes the code page leaves undefined keep their value as a code
            // point, so that a round trip keeps them.
            impl->decode[static_cast<std::size_t>(b)] = codePointToUtf8(cp);
            impl->encode.emplace(cp, static_cast<unsigned char>(b));
        }
        impl->toUtf8.reset();
        impl->fromUtf8.reset();
    }
    supported_ = true;
    impl_ = impl.release();
}

TextCodec::~TextCodec() { delete impl_; }

const TextCodec& TextCodec::windows1252() { return forHeaderByte(0x03); }

const TextCodec& TextCodec::forHeaderByte(unsigned char headerByte) {
    static std::mutex mu;
    static std::map<unsigned char, std::unique_ptr<TextCodec>> made;
    std::lock_guard lock(mu);
    auto it = made.find(headerByte);
    if (it != made.end()) return *it->second;
    const KnownCodePage* known = nullptr;
    for (const auto& k : kCodePages)
        if (k.byte == headerByte) known = &k;
    std::unique_ptr<TextCodec> codec;
    if (known) {
        codec = std::make_unique<TextCodec>(headerByte, known->name, known->iconv);
        if (!codec->supported()) {
            codec = std::make_unique<TextCodec>(headerByte, std::string(known->name) + ", read as Windows-1252", "CP1252");
            codec->supported_ = false;
        }
    } else {
        codec = std::make_unique<TextCodec>(headerByte, headerByte == 0 ? "not set, read as Windows-1252"
                                                                        : "unknown, read as Windows-1252",
                                            "CP1252");
        codec->supported_ = headerByte == 0;
    }
    return *made.emplace(headerByte, std::move(codec)).first->second;
}

std::string TextCodec::toUtf8(std::string_view bytes) const {
    if (cp1252_ || !impl_) return cp1252ToUtf8(bytes);
    if (impl_->utf8) return std::string(bytes);
    if (impl_->singleByte) {
        std::string out;
        out.reserve(bytes.size() + bytes.size() / 4);
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x80 && impl_->decode[b].size() == 1) out.push_back(c);
            else out += impl_->decode[b];
        }
        return out;
    }
    std::lock_guard lock(impl_->mu);
    std::string out;
    if (impl_->toUtf8->convert(bytes, out)) return out;
    // A cut or garbled double-byte sequence: convert what can be, byte by byte past the damage.
    out.clear();
    std::string piece;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t len = 1;
        bool done = false;
        for (; len <= 2 && i + len <= bytes.size(); ++len) {
            if (impl_->toUtf8->convert(bytes.substr(i, len), piece) && !piece.empty()) {
                out += piece;
                done = true;
                break;
            }
        }
        if (!done) {
            out += "\xEF\xBF\xBD";  // U+FFFD
            len = 1;
        }
        i += len;
    }
    return out;
}

EncodedText TextCodec::fromUtf8(std::string_view utf8) const {
    if (cp1252_ || !impl_) return utf8ToCp1252Counted(utf8);
    EncodedText r;
    if (impl_->utf8) {
        r.text.assign(utf8);
        return r;
    }
    std::size_t i = 0, index = 0;
    std::string piece;
    std::unique_lock<std::mutex> lock(impl_->mu, std::defer_lock);
    if (!impl_->singleByte) lock.lock();
    while (i < utf8.size()) {
        char32_t cp = 0;
        int len = decodeUtf8At(utf8, i, cp);
        if (len == 0) {
            // Malformed UTF-8: the byte is kept as it is, as for Windows-1252.
            r.text.push_back(utf8[i]);
            ++i;
            ++index;
            continue;
        }
        bool ok = false;
        if (impl_->singleByte) {
            auto it = impl_->encode.find(cp);
            if (it != impl_->encode.end()) {
                r.text.push_back(static_cast<char>(it->second));
                ok = true;
            }
        } else if (impl_->fromUtf8->convert(utf8.substr(i, static_cast<std::size_t>(len)), piece)) {
            r.text += piece;
            ok = true;
        }
        if (!ok) {
            r.text.push_back('?');
            r.lost.push_back({i, index, cp});
        }
        i += static_cast<std::size_t>(len);
        ++index;
    }
    return r;
}

}  // namespace brindle::store

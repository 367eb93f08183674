// Windows metafiles: recognised and measured from their headers, drawn by
// converting them to SVG (libwmf for WMF, libemf2svg for EMF) and rendering
// that with QSvgRenderer. The metafile's frame is mapped onto the target, as
// the platform that wrote them plays them.
//
// Both libraries are handed only files whose record chain has been walked
// first: every record lies inside the file and the chain ends with the
// end-of-file record, so truncated files never reach them. What the walk
// cannot see (the contents of each record) they meet in a child process.
#include <QElapsedTimer>
#include <QPainter>
#include <QSvgRenderer>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "pictures/PictureBytes.h"
#include "pictures/PictureFiles.h"

#if defined(__SANITIZE_ADDRESS__)
#define BRINDLE_PICTURES_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRINDLE_PICTURES_ASAN 1
#endif
#endif
#ifndef BRINDLE_PICTURES_ASAN
#define BRINDLE_PICTURES_ASAN 0
#endif

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace brindle::pictures {

namespace {

using namespace detail;

constexpr std::uint32_t kEmfHeaderRecord = 1;
constexpr std::uint32_t kEmfEofRecord = 14;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr qint64 kEmfMinHeader = 88;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr qint64 kPlaceableHeader = 22;
constexpr qint64 kWmfHeader = 18;

bool isEmf(const QByteArray& b) {
    if (!has(b, 0, kEmfMinHeader) || u32(b, 0) != kEmfHeaderRecord || u32(b, 40) != kEmfSignature) return false;
    const qint64 size = u32(b, 4);
    return size >= kEmfMinHeader && size % 4 == 0 && size <= b.size();
}

bool wmfHeaderAt(const QByteArray& b, qint64 at) {
    if (!has(b, at, kWmfHeader)) return false;
    const int type = u16(b, at);
    return (type == 1 || type == 2) && u16(b, at + 2) == kWmfHeader / 2;
}

bool isPlaceable(const QByteArray& b) {
    return has(b, 0, kPlaceableHeader) && u32(b, 0) == kPlaceableKey && wmfHeaderAt(b, kPlaceableHeader);
}

// Every record inside the file, ending with the end-of-file record.
bool emfRecordsValid(const QByteArray& b) {
    qint64 pos = 0;
    while (has(b, pos, 8)) {
        const std::uint32_t type = u32(b, pos);
        const qint64 size = u32(b, pos + 4);
        if (size < 8 || size % 4 != 0 || !has(b, pos, size)) return false;
        if (type == kEmfEofRecord) return true;
        pos += size;
    }
    return false;
}

// `largest` receives the size of the largest record in 16-bit words.
bool wmfRecordsValid(const QByteArray& b, qint64 start, qint64* largest = nullptr) {
    qint64 pos = start + kWmfHeader;
    qint64 most = 0;
    while (has(b, pos, 6)) {
        const qint64 size = qint64(u32(b, pos)) * 2;
        if (size < 6 || !has(b, pos, size)) return false;
        most = std::max(most, size / 2);
        if (u16(b, pos + 4) == 0) {
            if (largest) *largest = most;
            return true;
        }
        pos += size;
    }
    return false;
}

void put32(QByteArray& b, qint64 at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Records that put something on the page; the mapping in effect at the first
// of them is the one the picture was drawn in.
bool drawsOutput(int function) {
    switch (function) {
        case 0x0213: case 0x041B: case 0x061C: case 0x0418: case 0x0817: case 0x0830: case 0x081A:
        case 0x0324: case 0x0325: case 0x0538: case 0x0521: case 0x0A32: case 0x062F: case 0x041F:
        case 0x061D: case 0x0922: case 0x0940: case 0x0B23: case 0x0B41: case 0x0F43: case 0x0D33:
        case 0x0228: case 0x0429: case 0x012A: case 0x012B: case 0x0419: case 0x0548:
            return true;
        default:
            return false;
    }
}

// The window origin and extent a WMF sets before it first draws, and whether
// anything else there changes how logical units map to the page (a mapping
// mode with fixed units, a viewport, scaled or offset extents).
struct WmfWindow {
    bool hasOrg = false, hasExt = false, otherMapping = false;
    int mapMode = 1;
    int orgX = 0, orgY = 0, extX = 0, extY = 0;
};

constexpr int kMmText = 1, kMmIsotropic = 7, kMmAnisotropic = 8;

WmfWindow wmfWindow(const QByteArray& b, qint64 start) {
    WmfWindow w;
    qint64 pos = start + kWmfHeader;
    while (has(b, pos, 6)) {
        const qint64 size = qint64(u32(b, pos)) * 2;
        const int function = u16(b, pos + 4);
        if (size < 6 || !has(b, pos, size) || function == 0 || drawsOutput(function)) break;
        const bool twoParams = size >= 10;  // the parameters come y first, then x
        switch (function) {
            case 0x020B:
                if (twoParams) w.hasOrg = true, w.orgY = s16(b, pos + 6), w.orgX = s16(b, pos + 8);
                break;
            case 0x020C:
                if (twoParams) w.hasExt = true, w.extY = s16(b, pos + 6), w.extX = s16(b, pos + 8);
                break;
            case 0x0103: {
                w.mapMode = size >= 8 ? u16(b, pos + 6) : 0;
                if (w.mapMode != kMmText && w.mapMode != kMmIsotropic && w.mapMode != kMmAnisotropic)
                    w.otherMapping = true;
                break;
            }
            case 0x020D: case 0x020E: case 0x020F: case 0x0211: case 0x0410: case 0x0412:
                w.otherMapping = true;
                break;
            default:
                break;
        }
        pos += size;
    }
    return w;
}

// A natural size in whole pixels; empty when it rounds to nothing or exceeds
// what a picture may be, so that a damaged header cannot make an object take
// an absurd size.
QSize pixels(double w, double h) {
    w = std::abs(w);
    h = std::abs(h);
    if (!(w >= 0.5 && h >= 0.5 && w < kMaxPictureSide + 0.5 && h < kMaxPictureSide + 0.5)) return {};
    return {static_cast<int>(std::lround(w)), static_cast<int>(std::lround(h))};
}

// The natural size from the header, where the header gives one.
QSize headerSize(const QByteArray& b) {
    if (isEmf(b)) {
        // The frame is in hundredths of a millimetre.
        const double w = double(s32(b, 32)) - s32(b, 24), h = double(s32(b, 36)) - s32(b, 28);
        if (w != 0 && h != 0) return pixels(w * 96 / 2540, h * 96 / 2540);
        const double bw = double(s32(b, 16)) - s32(b, 8) + 1, bh = double(s32(b, 20)) - s32(b, 12) + 1;
        if (bw > 0 && bh > 0) return pixels(bw, bh);
        return {};
    }
    if (isPlaceable(b)) {
        const int inch = u16(b, 14);
        const double w = double(s16(b, 10)) - s16(b, 6), h = double(s16(b, 12)) - s16(b, 8);
        if (inch > 0 && w != 0 && h != 0) return pixels(w * 96 / inch, h * 96 / inch);
    }
    return {};
}

// libwmf writes the SVG through this stream into a QByteArray.
int appendText(char* text, void* context) {
    static_cast<QByteArray*>(context)->append(text);
    return 0;
}
int clearText(void* context) {
    static_cast<QByteArray*>(context)->clear();
    return 0;
}

// Keeps libwmf's messages off the terminal.
constexpr unsigned long kWmfFlags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;

// What a conversion gives: the SVG and the rectangle of its coordinates that
// shows the metafile's frame (empty: the SVG's own), and the frame's natural
// size where only the conversion knows it.
struct Svg {
    QByteArray text;
    QRectF viewBox;
    QSize natural;
    QRectF drawn;  // a plain WMF: what it draws, in points from the window origin
};

// The library sizes its buffers from the header's counts, which damaged files
// overstate: its copy of the file gets the counts the record walk found.
Svg wmfToSvg(const QByteArray& b) {
    const qint64 start = isPlaceable(b) ? kPlaceableHeader : 0;
    qint64 largest = 0;
    if (!wmfRecordsValid(b, start, &largest)) return {};
    QByteArray input = b;
    put32(input, start + 6, static_cast<std::uint32_t>((b.size() - start) / 2));
    put32(input, start + 12, static_cast<std::uint32_t>(largest));

    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_svg_function;
    wmfAPI* api = nullptr;
    if (wmf_api_create(&api, kWmfFlags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        return {};
    }
    Svg result;
    QByteArray text;
    wmfStream out{&text, appendText, clearText};
    wmfD_Rect bbox{};
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(input.data()), static_cast<long>(input.size())) ==
            wmf_E_None &&
        wmf_scan(api, 0, &bbox) == wmf_E_None) {
        // libwmf works in points from the window origin; a placeable file's
        // frame is its box, (width / inch) inches wide, whose corner lies
        // (left / inch, top / inch) from the file's window origin (usually
        // the same point). A plain file has no frame: what it draws is shown.
        wmfD_Rect frame = bbox;
        if (start > 0 && u16(b, 14) > 0) {
            const double inch = u16(b, 14);
            const double left = std::min(s16(b, 6), s16(b, 10)), top = std::min(s16(b, 8), s16(b, 12));
            const WmfWindow window = wmfWindow(b, start);
            const double x = (left - window.orgX) * 72 / inch, y = (top - window.orgY) * 72 / inch;
            const double w = std::abs(double(s16(b, 10)) - s16(b, 6)) * 72 / inch;
            const double h = std::abs(double(s16(b, 12)) - s16(b, 8)) * 72 / inch;
            if (w > 0 && h > 0) frame = {{float(x), float(y)}, {float(x + w), float(y + h)}};
        }
        const double fw = double(frame.BR.x) - frame.TL.x, fh = double(frame.BR.y) - frame.TL.y;
        if (fw > 0 && fh > 0 && std::isfinite(fw) && std::isfinite(fh)) {
            wmf_svg_t* device = WMF_SVG_GetData(api);
            device->out = &out;
            device->bbox = frame;
            device->flags |= WMF_SVG_INLINE_IMAGES;
            // A fine grid, so rounding the output size keeps the proportions.
            const double scale = 4096.0 / std::max(fw, fh);
            device->width = std::max(1u, static_cast<unsigned>(std::lround(fw * scale)));
            device->height = std::max(1u, static_cast<unsigned>(std::lround(fh * scale)));
            if (wmf_play(api, 0, &frame) == wmf_E_None) {
                result.text = text;
                result.viewBox = QRectF(0, 0, device->width, device->height);
                result.natural = pixels(fw * 96 / 72, fh * 96 / 72);
                if (start == 0) result.drawn = QRectF(frame.TL.x, frame.TL.y, fw, fh);
            }
            device->out = nullptr;
        }
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return result;
}

Svg emfToSvg(const QByteArray& b) {
    // The library trusts the header's byte count and its description and
    // pixel-format fields; its copy gets the real count and drops fields
    // that point outside the header record.
    QByteArray input = b;
    const qint64 headerBytes = u32(b, 4);
    put32(input, 48, static_cast<std::uint32_t>(b.size()));
    const qint64 chars = u32(b, 60), at = u32(b, 64);
    if (chars != 0 && (at < kEmfMinHeader || at + 2 * chars > headerBytes)) {
        put32(input, 60, 0);
        put32(input, 64, 0);
    }
    if (headerBytes >= 100) {
        const qint64 bytes = u32(b, 88), where = u32(b, 92);
        if (bytes != 0 && (where < kEmfMinHeader || where + bytes > headerBytes)) {
            put32(input, 88, 0);
            put32(input, 92, 0);
        }
    }
    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    char noNamespace[] = "";
    options.nameSpace = noNamespace;
    options.svgDelimiter = true;
    options.emfplus = false;  // draw the plain records that every EMF+ file also carries
    char* text = nullptr;
    size_t length = 0;
    emf2svg(input.data(), static_cast<size_t>(input.size()), &text, &length, &options);
    Svg result;
    if (!text) return result;
    result.text = QByteArray(text, static_cast<qsizetype>(length));
    std::free(text);
    // The output is in reference-device pixels moved by the bounds' corner;
    // the frame of the header is in hundredths of a millimetre.
    const double devW = s32(b, 72), devH = s32(b, 76), mmW = s32(b, 80), mmH = s32(b, 84);
    const double frameW = double(s32(b, 32)) - s32(b, 24), frameH = double(s32(b, 36)) - s32(b, 28);
    if (devW > 0 && devH > 0 && mmW > 0 && mmH > 0 && frameW > 0 && frameH > 0) {
        const double sx = devW / (mmW * 100), sy = devH / (mmH * 100);
        result.viewBox = QRectF(s32(b, 24) * sx - s32(b, 8), s32(b, 28) * sy - s32(b, 12), frameW * sx, frameH * sy);
    }
    return result;
}

// The conversion runs in a child process: the libraries were not written for
// hostile input, and a fault, a runaway loop or a huge allocation on a damaged
// file must cost that one picture, never the program. The child sends the
// view box, the natural size and the SVG through a pipe.
constexpr int kConvertSeconds = 10;
constexpr qint64 kMaxSvgBytes = 64LL * 1024 * 1024;

void writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ::_exit(1);
        p += n;
        left -= n;
    }
}

// `retry` is set when the conversion could not be started at all (no pipe or
// no process to spare), which says nothing about the file.
Svg convertIsolated(const QByteArray& bytes, bool* retry) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        *retry = true;
        return {};
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        *retry = true;
        return {};
    }
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(kConvertSeconds);
#if !BRINDLE_PICTURES_ASAN  // the sanitizer reserves far more address space
        const rlimit memory{1024UL * 1024 * 1024, 1024UL * 1024 * 1024};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        const Svg svg = isEmf(bytes) ? emfToSvg(bytes) : wmfToSvg(bytes);
        if (svg.text.isEmpty()) ::_exit(2);
        QByteArray head;
        for (const QRectF& r : {svg.viewBox, svg.drawn})
            for (double v : {r.x(), r.y(), r.width(), r.height()}) head += QByteArray::number(v, 'g', 17) + ' ';
        head += QByteArray::number(svg.natural.width()) + ' ' + QByteArray::number(svg.natural.height()) + '\n';
        writeAll(fds[1], head);
        writeAll(fds[1], svg.text);
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray received;
    bool complete = false;
    QElapsedTimer clock;
    clock.start();
    char buffer[65536];
    while (clock.elapsed() < kConvertSeconds * 1000 && received.size() <= kMaxSvgBytes) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<qint64>(0, kConvertSeconds * 1000 - clock.elapsed())));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            complete = n == 0;
            break;
        }
        received.append(buffer, n);
    }
    ::close(fds[0]);
    if (!complete) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};

    const qsizetype eol = received.indexOf('\n');
    const QList<QByteArray> head = received.left(eol).split(' ');
    if (eol < 0 || head.size() != 10) return {};
    Svg svg;
    svg.viewBox = QRectF(head[0].toDouble(), head[1].toDouble(), head[2].toDouble(), head[3].toDouble());
    svg.drawn = QRectF(head[4].toDouble(), head[5].toDouble(), head[6].toDouble(), head[7].toDouble());
    svg.natural = QSize(head[8].toInt(), head[9].toInt());
    svg.text = received.mid(eol + 1);
    return svg;
}

struct Converted {
    QByteArray source;
    bool retry = false;  // not converted for want of resources: try again next time
    std::unique_ptr<QSvgRenderer> renderer;  // null when the file cannot be drawn
    QSize natural;
    QRectF drawn;
};

void convert(Converted& c) {
    if (!detail::metafileIntact(c.source)) return;
    const Svg svg = convertIsolated(c.source, &c.retry);
    if (svg.text.isEmpty()) return;
    auto renderer = std::make_unique<QSvgRenderer>(svg.text);
    if (!renderer->isValid()) return;
    if (svg.viewBox.isValid()) renderer->setViewBox(svg.viewBox);
    c.drawn = svg.drawn;
    c.natural = headerSize(c.source);
    if (c.natural.isEmpty()) c.natural = svg.natural;
    if (c.natural.isEmpty()) c.natural = pixels(renderer->viewBoxF().width(), renderer->viewBoxF().height());
    c.renderer = std::move(renderer);
}

std::mutex& cacheMutex() {
    static std::mutex m;
    return m;
}

// The last few metafiles drawn, so repainting does not convert them again.
// Never destroyed: the renderers must not outlive the application object in
// static destruction.
std::deque<Converted>& cache() {
    static auto* c = new std::deque<Converted>;
    return *c;
}

const Converted& converted(const QByteArray& bytes) {
    auto& entries = cache();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->source == bytes && !it->retry) {
            if (it != entries.begin()) {
                Converted hit = std::move(*it);
                entries.erase(it);
                entries.push_front(std::move(hit));
            }
            return entries.front();
        }
    }
    std::erase_if(entries, [&](const Converted& e) { return e.source == bytes; });
    Converted c;
    c.source = bytes;
    convert(c);
    entries.push_front(std::move(c));
    while (entries.size() > 8) entries.pop_back();
    return entries.front();
}

}  // namespace

bool detail::metafileIntact(const QByteArray& bytes) {
    if (isEmf(bytes)) return emfRecordsValid(bytes);
    if (isPlaceable(bytes)) return wmfRecordsValid(bytes, kPlaceableHeader);
    return wmfHeaderAt(bytes, 0) && wmfRecordsValid(bytes, 0);
}

bool isMetafile(const QByteArray& bytes) { return isEmf(bytes) || isPlaceable(bytes) || wmfHeaderAt(bytes, 0); }

QSize metafileSize(const QByteArray& bytes) {
    if (!isMetafile(bytes)) return {};
    if (const QSize s = headerSize(bytes); !s.isEmpty()) return s;
    std::lock_guard lock(cacheMutex());
    return converted(bytes).natural;
}

QByteArray placeableMetafile(const QByteArray& bytes) {
    if (isEmf(bytes) || isPlaceable(bytes) || !wmfHeaderAt(bytes, 0) || !detail::metafileIntact(bytes)) return bytes;
    QSize natural;
    QRectF drawn;
    {
        std::lock_guard lock(cacheMutex());
        const Converted& c = converted(bytes);
        if (!c.renderer) return bytes;
        natural = c.natural;
        drawn = c.drawn;
    }
    if (natural.isEmpty() || !drawn.isValid()) return bytes;

    // The box: the window the file sets up before drawing (the frame other
    // programs play it in), if its proportions are those of the picture; else
    // what the file draws, where logical units are the converter's points
    // (one-to-one units, no viewport).
    const WmfWindow window = wmfWindow(bytes, 0);
    struct Box {
        qint64 left, top, width, height, inch;
    };
    std::optional<Box> box;
    const auto frames = [&](qint64 left, qint64 top, qint64 width, qint64 height) -> std::optional<Box> {
        const auto fits = [](qint64 v) { return v >= -32768 && v <= 32767; };
        if (width < 1 || height < 1 || !fits(left) || !fits(top) || !fits(left + width) || !fits(top + height))
            return {};
        // Units per inch that keep the natural size: the best of the whole
        // numbers next to what each side asks for. Rounding to whole units
        // can cost a pixel; more means the box has other proportions.
        const auto offBy = [&](qint64 inch) {
            const auto side = [inch](qint64 units, int pixels) {
                return std::abs(std::llround(double(units) * 96 / double(inch)) - pixels);
            };
            return std::max(side(width, natural.width()), side(height, natural.height()));
        };
        qint64 inch = 0;
        for (const double ideal : {double(width) * 96 / natural.width(), double(height) * 96 / natural.height()}) {
            for (const double candidate : {std::floor(ideal), std::ceil(ideal)}) {
                const qint64 c = std::clamp<qint64>(static_cast<qint64>(candidate), 1, 65535);
                if (inch == 0 || offBy(c) < offBy(inch)) inch = c;
            }
        }
        if (offBy(inch) > 1) return {};
        return Box{left, top, width, height, inch};
    };
    if (window.hasExt) box = frames(window.orgX, window.orgY, window.extX, window.extY);
    if (!box && window.mapMode == kMmText && !window.otherMapping)
        box = frames(std::llround(drawn.x()) + window.orgX, std::llround(drawn.y()) + window.orgY,
                     std::llround(drawn.width()), std::llround(drawn.height()));
    if (!box) return bytes;

    QByteArray out(kPlaceableHeader, '\0');
    put32(out, 0, kPlaceableKey);
    const auto put16 = [&out](qint64 at, qint64 v) {
        out[at] = char(v & 0xFF);
        out[at + 1] = char((v >> 8) & 0xFF);
    };
    put16(6, box->left);
    put16(8, box->top);
    put16(10, box->left + box->width);
    put16(12, box->top + box->height);
    put16(14, box->inch);
    std::uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= u16(out, i);
    put16(20, sum);
    return out + bytes;
}

bool drawMetafile(QPainter& painter, const QRectF& target, const QByteArray& bytes) {
    if (!isMetafile(bytes)) return false;
    std::lock_guard lock(cacheMutex());
    const Converted& c = converted(bytes);
    if (!c.renderer) return false;
    if (target.isEmpty()) return true;
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    c.renderer->render(&painter, target);
    painter.restore();
    return true;
}

}  // namespace brindle::pictures

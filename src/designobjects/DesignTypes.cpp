#include "designobjects/DesignTypes.h"

#include <QBuffer>
#include <QImageReader>
#include <cfenv>
#include <cmath>

#include "printing/PageCanvas.h"

namespace brindle::designobjects {

int roundHalfEven(double v) {
    // nearbyint follows the current rounding mode, which is to-nearest-even
    // unless someone changed it; do not depend on that.
    const double f = std::floor(v);
    const double diff = v - f;
    double r;
    if (diff > 0.5) r = f + 1;
    else if (diff < 0.5) r = f;
    else r = std::fmod(f, 2.0) == 0.0 ? f : f + 1;
    return static_cast<int>(r);
}

namespace {

struct NamedColor {
    const char* name;
    std::uint32_t value;
};

const NamedColor kColors[] = {
    {"clBlack", 0x000000},  {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000},   {"clPurple", 0x800080}, {"clTeal", 0x808000},  {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF},    {"clLime", 0x00FF00},  {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},   {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clNone", 0x1FFFFFFF},
};

const char* const kSystemColors[] = {
    "clScrollBar",  "clBackground",  "clActiveCaption", "clInactiveCaption", "clMenu",
    "clWindow",     "clWindowFrame", "clMenuText",      "clWindowText",      "clCaptionText",
    "clActiveBorder", "clInactiveBorder", "clAppWorkSpace", "clHighlight",   "clHighlightText",
    "clBtnFace",    "clBtnShadow",   "clGrayText",      "clBtnText",         "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow", "cl3DLight",      "clInfoText",        "clInfoBk",
};
constexpr std::uint32_t kSystemBase = 0x80000000u;

}  // namespace

std::optional<QString> colorName(DesignColor c) {
    const auto u = static_cast<std::uint32_t>(c);
    for (const auto& n : kColors)
        if (n.value == u) return QString::fromLatin1(n.name);
    if (u >= kSystemBase && u < kSystemBase + std::size(kSystemColors))
        return QString::fromLatin1(kSystemColors[u - kSystemBase]);
    return std::nullopt;
}

std::optional<DesignColor> colorFromName(const QString& name) {
    for (const auto& n : kColors)
        if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) return static_cast<DesignColor>(n.value);
    for (std::size_t i = 0; i < std::size(kSystemColors); ++i)
        if (name.compare(QLatin1String(kSystemColors[i]), Qt::CaseInsensitive) == 0)
            return static_cast<DesignColor>(kSystemBase + i);
    return std::nullopt;
}

QColor toQColor(DesignColor c) {
    const auto u = static_cast<std::uint32_t>(c);
    // System colours resolve through the page canvas's one table, so text
    // (drawn here) and pens and brushes (handed to the canvas as stored
    // values) agree on screen and on paper, whatever the desktop's theme.
    if (u >= kSystemBase) return printing::colourFromInt(u);
    if (u == static_cast<std::uint32_t>(clNone)) return QColor(Qt::transparent);
    return QColor(int(u & 0xFF), int((u >> 8) & 0xFF), int((u >> 16) & 0xFF));
}

DesignColor fromQColor(const QColor& c) {
    return static_cast<DesignColor>(std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) |
                                    (std::uint32_t(c.blue()) << 16));
}

const QStringList& penModeNames() {
    static const QStringList n = {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy",
                                  "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen",
                                  "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"};
    return n;
}
const QStringList& penStyleNames() {
    static const QStringList n = {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
                                  "psInsideFrame"};
    return n;
}
const QStringList& brushStyleNames() {
    static const QStringList n = {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                  "bsBDiagonal", "bsCross", "bsDiagCross"};
    return n;
}
const QStringList& fontStyleNames() {
    static const QStringList n = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
    return n;
}
const QStringList& fontPitchNames() {
    static const QStringList n = {"fpDefault", "fpVariable", "fpFixed"};
    return n;
}

namespace {
// a × b / c rounded half away from zero, as the platform's scaling helper does.
int mulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = (2 * std::llabs(p) + c) / (2LL * c);
    return static_cast<int>(p < 0 ? -q : q);
}
}  // namespace

int DesignFont::pointSize() const { return mulDiv(height < 0 ? -height : height, 72, kDesignPpi); }

void DesignFont::setPointSize(int points) { height = -mulDiv(points, kDesignPpi, 72); }

QFont DesignFont::toQFont(float zoom) const {
    QFont f(name);
    int points = pointSize();
    if (zoom != 1.0f) points = static_cast<int>(std::trunc(static_cast<double>(points) * zoom));
    if (points < 1) points = 1;
    // Pixel sizes keep the text independent of the paint device's resolution.
    f.setPixelSize(std::max(1, zoom == 1.0f && height < 0 ? -height : mulDiv(points, kDesignPpi, 72)));
    f.setBold(style & Bold);
    f.setItalic(style & Italic);
    f.setUnderline(style & Underline);
    f.setStrikeOut(style & StrikeOut);
    if (pitch == 2) f.setFixedPitch(true);
    return f;
}

DesignFont DesignFont::fromQFont(const QFont& q, DesignColor color) {
    DesignFont f;
    f.color = color;
    f.name = q.family();
    if (q.pixelSize() > 0) f.height = -q.pixelSize();
    else f.setPointSize(q.pointSize() > 0 ? q.pointSize() : 10);
    f.style = (q.bold() ? Bold : 0) | (q.italic() ? Italic : 0) | (q.underline() ? Underline : 0) |
              (q.strikeOut() ? StrikeOut : 0);
    return f;
}

QImage DesignPicture::toImage() const {
    if (isEmpty()) return {};
    QByteArray bytes = data;
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    const char* format = kind == QLatin1String("TBitmap") ? "bmp" : kind == QLatin1String("TIcon") ? "ico" : nullptr;
    if (!format) return {};
    QImageReader reader(&buf, format);
    // Guard against pictures that claim enormous sizes.
    reader.setAllocationLimit(256);
    return reader.read();
}

DesignPicture DesignPicture::fromImage(const QImage& image) {
    DesignPicture p;
    if (image.isNull()) return p;
    QBuffer buf(&p.data);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, "BMP");
    p.kind = QStringLiteral("TBitmap");
    return p;
}

}  // namespace brindle::designobjects

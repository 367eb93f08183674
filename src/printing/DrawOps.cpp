#include "printing/DrawOps.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace brindle::printing {

namespace {

// Faces that designs name and the metric-compatible faces installed instead.
// fontconfig usually maps them by itself; the substitution covers systems
// where it does not.
void installSubstitutions() {
    static bool done = false;
    if (done) return;
    done = true;
    const std::pair<const char*, const char*> pairs[] = {
        {"Arial", "Liberation Sans"},
        {"Helvetica", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Times", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    const QStringList installed = QFontDatabase::families();
    for (const auto& [alias, target] : pairs) {
        const QString a = QString::fromLatin1(alias), t = QString::fromLatin1(target);
        if (installed.contains(a, Qt::CaseInsensitive) || !installed.contains(t, Qt::CaseInsensitive)) continue;
        QFont probe(a);
        if (QFontInfo(probe).family().compare(t, Qt::CaseInsensitive) != 0) QFont::insertSubstitution(a, t);
    }
}

// Text is measured and drawn at 7200 dpi, where one point is 100 pixels, so
// that every size given to a hundredth of a point is a whole pixel size: font
// engines round pixel sizes, and at any other resolution a 10 point font would
// come out a fraction of a percent too wide or narrow. Other resolutions draw
// the reference-size text through a scaling transform, so measured and drawn
// widths agree on screen, paper and PDF.
constexpr double kReferenceDpi = 7200.0;

const QImage& referenceDevice() {
    static QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dpm = qRound(kReferenceDpi / 0.0254);
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return image;
}

// Fonts and their metrics by spec. Building a QFont, finding its font engine
// and its metrics costs more than measuring a short text, and labels and
// letters use a handful of fonts, so each thread keeps the ones it used. The
// cache lives on the heap and is emptied when the application object goes,
// before Qt's own font caches do.
struct FontEntry {
    FontSpec spec;  // colour ignored
    QFont font;     // makeQFont(spec) at the reference resolution
    QFontMetricsF metrics;
    TextMetrics measures;
};

struct FontCache {
    std::vector<std::unique_ptr<FontEntry>> entries;
};

FontCache*& threadFontCache() {
    thread_local FontCache* cache = nullptr;
    return cache;
}

void dropMainThreadFontCache() {
    FontCache*& cache = threadFontCache();
    delete cache;
    cache = nullptr;
}

const FontEntry& fontEntry(const FontSpec& spec) {
    FontCache*& cache = threadFontCache();
    if (!cache) {
        cache = new FontCache;
        if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
            qAddPostRoutine(dropMainThreadFontCache);
    }
    FontSpec key = spec;
    key.colour = 0;
    for (const auto& e : cache->entries)
        if (e->spec == key) return *e;
    if (cache->entries.size() >= 128) cache->entries.clear();
    QFont font(makeQFont(key), &referenceDevice());
    QFontMetricsF metrics(font, &referenceDevice());
    TextMetrics t;
    t.ascent = metrics.ascent() / kReferenceDpi;
    t.descent = metrics.descent() / kReferenceDpi;
    t.lineHeight = metrics.lineSpacing() / kReferenceDpi;
    cache->entries.push_back(std::make_unique<FontEntry>(FontEntry{key, font, metrics, t}));
    return *cache->entries.back();
}

bool needsShapingWhenPainted(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) return true;
    return false;
}

QPainter::CompositionMode compositionFor(PenMode mode) {
    switch (mode) {
    case PenMode::Not: return QPainter::RasterOp_NotDestination;
    case PenMode::NotCopy: return QPainter::RasterOp_NotSource;
    case PenMode::MaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case PenMode::MaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case PenMode::MergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case PenMode::MergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case PenMode::Merge: return QPainter::RasterOp_SourceOrDestination;
    case PenMode::NotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case PenMode::Mask: return QPainter::RasterOp_SourceAndDestination;
    case PenMode::NotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case PenMode::Xor: return QPainter::RasterOp_SourceXorDestination;
    case PenMode::NotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

QColor modeColour(PenMode mode, quint32 colour) {
    if (mode == PenMode::Black) return Qt::black;
    if (mode == PenMode::White) return Qt::white;
    return colourFromInt(colour);
}

Qt::PenStyle qtPenStyle(PenStyle s) {
    switch (s) {
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Clear: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

Qt::BrushStyle qtBrushStyle(BrushStyle s) {
    switch (s) {
    case BrushStyle::Clear: return Qt::NoBrush;
    case BrushStyle::Horizontal: return Qt::HorPattern;
    case BrushStyle::Vertical: return Qt::VerPattern;
    case BrushStyle::FDiagonal: return Qt::BDiagPattern;  // "\" in device terms: top-left to bottom-right
    case BrushStyle::BDiagonal: return Qt::FDiagPattern;
    case BrushStyle::Cross: return Qt::CrossPattern;
    case BrushStyle::DiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

}  // namespace

QFont makeQFont(const FontSpec& spec) {
    installSubstitutions();
    QFont f(spec.face.isEmpty() ? QStringLiteral("Arial") : spec.face);
    f.setPointSizeF(spec.sizePt > 0 ? spec.sizePt : 1.0);
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    f.setUnderline(spec.underline);
    f.setStrikeOut(spec.strikeOut);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::PreferQuality));
    return f;
}

TextMetrics measureFont(const FontSpec& spec) { return fontEntry(spec).measures; }

double measureText(const FontSpec& spec, const QString& text) {
    return fontEntry(spec).metrics.horizontalAdvance(text) / kReferenceDpi;
}

ShapedText shapeText(const FontSpec& spec, const QString& text) {
    const FontEntry& e = fontEntry(spec);
    ShapedText out;
    if (text.isEmpty()) return out;
    if (needsShapingWhenPainted(text)) {
        out.width = e.metrics.horizontalAdvance(text) / kReferenceDpi;
        return out;
    }
    QTextLayout layout(text, e.font, &referenceDevice());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid()) return out;
    out.width = line.naturalTextWidth() / kReferenceDpi;
    out.glyphs = glyphsFrom(line.glyphRuns(), QPointF(0, line.ascent()));
    return out;
}

std::shared_ptr<const QList<QGlyphRun>> glyphsFrom(QList<QGlyphRun> runs, QPointF baselineOrigin) {
    for (QGlyphRun& run : runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p -= baselineOrigin;
        run.setPositions(positions);
        run.setBoundingRect(QRectF());
        // Underline and strike-out are drawn by paintOp from the font's
        // metrics, in the same place for shaped and laid-out text.
        run.setUnderline(false);
        run.setStrikeOut(false);
        run.setOverline(false);
    }
    return std::make_shared<const QList<QGlyphRun>>(std::move(runs));
}

void paintOp(QPainter& painter, const DrawOp& op, const PaintScale& scale) {
    const double ppi = scale.pixelsPerInch;
    auto pt = [&](const QPointF& p) { return scale.origin + p * ppi; };
    auto rc = [&](const QRectF& r) { return QRectF(pt(r.topLeft()), r.size() * ppi); };
    const bool shape = op.kind == OpKind::Line || op.kind == OpKind::Rectangle || op.kind == OpKind::RoundRect ||
                       op.kind == OpKind::Ellipse;
    if (shape && op.pen.mode == PenMode::Nop) return;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    // Pictures are line art as often as photographs: a PDF keeps them
    // compressed without loss instead of as JPEG.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.setCompositionMode(scale.raster && shape ? compositionFor(op.pen.mode)
                                                     : QPainter::CompositionMode_SourceOver);
    if (shape) {
        // Raster ops look wrong when anti-aliased (edges get mixed twice).
        if (scale.raster && compositionFor(op.pen.mode) != QPainter::CompositionMode_SourceOver)
            painter.setRenderHint(QPainter::Antialiasing, false);
        const double widthPx = std::max(op.penWidth * ppi, scale.raster ? 1.0 : 0.0);
        QPen pen(modeColour(op.pen.mode, op.pen.colour), widthPx, qtPenStyle(op.pen.style), Qt::FlatCap,
                 Qt::MiterJoin);
        painter.setPen(pen);
        if (op.kind == OpKind::Line || op.brush.style == BrushStyle::Clear) {
            painter.setBrush(Qt::NoBrush);
        } else {
            painter.setBrush(QBrush(modeColour(op.pen.mode, op.brush.colour), qtBrushStyle(op.brush.style)));
        }
        QRectF box = rc(op.box);
        if (op.pen.style == PenStyle::InsideFrame && op.pen.style != PenStyle::Clear) {
            const double h = widthPx / 2.0;
            box = box.adjusted(h, h, -h, -h);
        }
        switch (op.kind) {
        case OpKind::Line:
            if (op.p1 == op.p2) break;
            painter.drawLine(pt(op.p1), pt(op.p2));
            break;
        case OpKind::Rectangle:
            painter.drawRect(box);
            break;
        case OpKind::RoundRect:
            // The corner size is the full width and height of the corner ellipse.
            painter.drawRoundedRect(box, std::min(op.corner.width() * ppi / 2.0, box.width() / 2.0),
                                    std::min(op.corner.height() * ppi / 2.0, box.height() / 2.0));
            break;
        case OpKind::Ellipse:
            painter.drawEllipse(box);
            break;
        default:
            break;
        }
    } else {
        switch (op.kind) {
        case OpKind::Fill:
            painter.fillRect(rc(op.box), colourFromInt(op.fillColour));
            break;
        case OpKind::Picture: {
            const QRect bounds = op.picture ? op.picture->boundingRect() : QRect();
            if (bounds.isEmpty()) break;
            const QRectF target = rc(op.box);
            painter.setClipRect(target, Qt::IntersectClip);
            painter.translate(target.topLeft());
            painter.scale(target.width() / bounds.width(), target.height() / bounds.height());
            painter.translate(-bounds.topLeft());
            // QPicture replays scaled by device dpi / its own dpi; the scale
            // above already maps the picture onto the box, so undo that.
            if (const QPaintDevice* dev = painter.device(); dev && dev->logicalDpiX() > 0 && dev->logicalDpiY() > 0)
                painter.scale(double(op.picture->logicalDpiX()) / dev->logicalDpiX(),
                              double(op.picture->logicalDpiY()) / dev->logicalDpiY());
            painter.drawPicture(0, 0, *op.picture);
            break;
        }
        case OpKind::Image:
            painter.drawImage(rc(op.box), op.image);
            break;
        case OpKind::Text: {
            if (op.glyphs) {
                if (op.clipped) painter.setClipRect(rc(op.box), Qt::IntersectClip);
                painter.translate(pt(QPointF(op.p1.x(), op.p1.y() + op.ascent)));
                painter.scale(ppi / kReferenceDpi, ppi / kReferenceDpi);
                painter.setPen(colourFromInt(op.font.colour));
                for (const QGlyphRun& run : *op.glyphs) painter.drawGlyphRun(QPointF(0, 0), run);
                if (op.font.underline || op.font.strikeOut) {
                    const double width = (op.clipped ? measureText(op.font, op.text) : op.box.width()) * kReferenceDpi;
                    const FontEntry& e = fontEntry(op.font);
                    QPen pen(colourFromInt(op.font.colour), std::max(e.metrics.lineWidth(), 1.0));
                    pen.setCapStyle(Qt::FlatCap);
                    painter.setPen(pen);
                    if (op.font.underline) {
                        const double y = std::ceil(e.metrics.underlinePos()) + 0.5;
                        painter.drawLine(QPointF(0, y), QPointF(width, y));
                    }
                    if (op.font.strikeOut) {
                        const double y = -e.metrics.strikeOutPos();
                        painter.drawLine(QPointF(0, y), QPointF(width, y));
                    }
                }
                break;
            }
            QFont f = makeQFont(op.font);
            const int deviceDpi = painter.device() ? painter.device()->logicalDpiY() : 96;
            f.setPointSizeF(std::max(op.font.sizePt, 0.01) * kReferenceDpi / (deviceDpi > 0 ? deviceDpi : 96));
            if (op.clipped) painter.setClipRect(rc(op.box), Qt::IntersectClip);
            painter.translate(pt(QPointF(op.p1.x(), op.p1.y() + op.ascent)));
            painter.scale(ppi / kReferenceDpi, ppi / kReferenceDpi);
            painter.setFont(f);
            painter.setPen(colourFromInt(op.font.colour));
            painter.drawText(QPointF(0, 0), op.text);
            break;
        }
        default:
            break;
        }
    }
    painter.restore();
}

void paintPage(QPainter& painter, const RecordedPage& page, const PaintScale& scale) {
    for (const DrawOp& op : page.ops) paintOp(painter, op, scale);
}

}  // namespace brindle::printing

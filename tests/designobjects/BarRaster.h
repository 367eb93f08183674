#pragma once
// Reading printed barcodes back, shared by the design object and envelope
// tests: the fill boxes a design prints, a PDF page rasterised by pdftoppm,
// the dark runs along a row or down a column of a raster, and Intelligent
// Mail bar states read back from either.
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "designobjects/DesignSurface.h"
#include "designobjects/IntelligentMail.h"
#include "printing/PageRecorder.h"

namespace brindle::bartest {

// The four examples of the published USPS Intelligent Mail barcode standard:
// one tracking code (01 234 567094 987654321) with no routing code, a ZIP,
// a ZIP+4 and a ZIP+4 with delivery point.
struct ImbExample {
    const char* routing;
    const char* bars;
};
inline constexpr ImbExample kUspsImbExamples[] = {
    {"", "ATTFATTDTTADTAATTDTDTATTDAFDDFADFDFTFFFFFTATFAAAATDFFTDAADFTFDTDT"},
    {"01234", "DTTAFADDTTFTDTFTFDTDDADADAFADFATDDFTAAAFDTTADFAAATDFDTDFADDDTDFFT"},
    {"012345678", "ADFTTAFDTTTTFATTADTAAATFTFTATDAAAFDDADATATDTDTTDFDTDATADADTDFFTFA"},
    {"01234567891", "AADTFFDFTDADTAADAATFDTDDAAADDTDTTDAFADADDDTFFFDDTTTADFAAADFTDAADA"},
};
inline constexpr const char* kUspsImbTracking = "01234567094987654321";

inline bool isDark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Dark runs (start, length) along row y of a raster, or down column x.
inline std::vector<std::pair<int, int>> darkRunsOf(const QImage& img, int fixed, bool down) {
    std::vector<std::pair<int, int>> runs;
    const int n = down ? img.height() : img.width();
    int start = -1;
    for (int i = 0; i <= n; ++i) {
        const bool d = i < n && (down ? isDark(img, fixed, i) : isDark(img, i, fixed));
        if (d && start < 0) start = i;
        if (!d && start >= 0) {
            runs.emplace_back(start, i - start);
            start = -1;
        }
    }
    return runs;
}
inline std::vector<std::pair<int, int>> darkRuns(const QImage& img, int y) { return darkRunsOf(img, y, false); }
inline std::vector<std::pair<int, int>> darkRunsDown(const QImage& img, int x) { return darkRunsOf(img, x, true); }

// The boxes (inches from the page's corner) `s` fills when printed at
// `dpi` with the design's corner at (left, top).
inline std::vector<QRectF> printedFills(designobjects::DesignSurface& s, double dpi, double top, double left) {
    printing::PageRecorder rec(dpi);
    s.printObjects(rec, top, left);
    rec.end();
    std::vector<QRectF> boxes;
    for (const auto& page : rec.document().pages)
        for (const auto& op : page.ops)
            if (op.kind == printing::OpKind::Fill) boxes.push_back(op.box);
    return boxes;
}

// The Intelligent Mail states of printed boxes whose tracker's top is at y inches.
inline QString imbStates(const std::vector<QRectF>& boxes, double y) {
    QString out;
    for (const auto& b : boxes) out += designobjects::imb::stateOf(b.top() - y, b.bottom() - y);
    return out;
}

// Page `page` of `pdf` rasterised in grey at `dpi`, the pixel window
// `window` of it; a null image when pdftoppm fails.
inline QImage rasterisePdf(const QString& pdf, int dpi, const QRect& window, const QString& outBase, int page = 1) {
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {"-r", QString::number(dpi), "-gray", "-f", QString::number(page), "-l", QString::number(page), "-x", QString::number(window.x()), "-y",
             QString::number(window.y()), "-W", QString::number(window.width()), "-H",
             QString::number(window.height()), "-singlefile", pdf, outBase});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    return QImage(outBase + QStringLiteral(".pgm"));
}

// The bars of an Intelligent Mail barcode in a raster at `dpi`: found along
// `row` (which every bar crosses), each read down its middle column and
// turned into a state with the tracker's top at `topRow`. `bars` keeps
// each bar's (start, width) in pixels; a bar that breaks in two reads '?'.
struct RasterImb {
    QString states;
    std::vector<std::pair<int, int>> bars;
};
inline RasterImb readImb(const QImage& img, int row, int topRow, double dpi) {
    RasterImb r;
    r.bars = darkRuns(img, row);
    for (const auto& [x, w] : r.bars) {
        const auto runs = darkRunsDown(img, x + w / 2);
        if (runs.size() != 1) {
            r.states += QLatin1Char('?');
            continue;
        }
        const double top = (runs[0].first - topRow) / dpi, bottom = top + runs[0].second / dpi;
        r.states += designobjects::imb::stateOf(top, bottom);
    }
    return r;
}

}  // namespace brindle::bartest

#include "printing/PageCanvas.h"

#include "printing/DrawOps.h"

#include <algorithm>
#include <cmath>

namespace brindle::printing {

namespace {

// Classic fixed values of the system colours, as RGB.
constexpr quint32 kSystemColours[] = {
    0xC0C0C0,  // scroll bar
    0x008080,  // desktop
    0x000080,  // active caption
    0x808080,  // inactive caption
    0xC0C0C0,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application workspace
    0x000080,  // highlight
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3D dark shadow
    0xDFDFDF,  // 3D light
    0x000000,  // info text
    0xFFFFE1,  // info background
};

}  // namespace

QColor colourFromInt(quint32 bgr) {
    if (bgr & 0x80000000u) {
        const quint32 index = bgr & 0xFFu;
        if (index < std::size(kSystemColours)) {
            const quint32 rgb = kSystemColours[index];
            return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
        }
        return Qt::black;
    }
    if (bgr == 0x1FFFFFFFu || bgr == 0x20000000u) return Qt::black;
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

quint32 colourToInt(const QColor& colour) {
    const QColor c = colour.toRgb();
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

PageCanvas::PageCanvas() { resetSection(); }

PageCanvas::~PageCanvas() = default;

QSizeF PageCanvas::pageSize() const {
    return m_orientation == Orientation::Landscape ? m_paper.transposed() : m_paper;
}

void PageCanvas::setPaperSize(const QSizeF& portraitInches) {
    if (portraitInches.width() > 0 && portraitInches.height() > 0) m_paper = portraitInches;
    if (m_sectionFollowsMargins) resetSection();
}

void PageCanvas::setOrientation(Orientation o) {
    m_orientation = o;
    if (m_sectionFollowsMargins) resetSection();
}

QRectF PageCanvas::printableRect() const { return QRectF(QPointF(0, 0), pageSize()); }

double PageCanvas::deviceDpi() const { return 300.0; }

// ---------------------------------------------------------------- state

void PageCanvas::setFont(const QString& face, double sizePt) {
    m_font.face = face;
    m_font.sizePt = sizePt;
}

void PageCanvas::setFont(const FontSpec& font) { m_font = font; }

void PageCanvas::setFontStyle(bool bold, bool italic, bool underline, bool strikeOut) {
    m_font.bold = bold;
    m_font.italic = italic;
    m_font.underline = underline;
    m_font.strikeOut = strikeOut;
}

void PageCanvas::setBold(bool on) { m_font.bold = on; }
void PageCanvas::setItalic(bool on) { m_font.italic = on; }
void PageCanvas::setFontColour(quint32 bgr) { m_font.colour = bgr; }

void PageCanvas::setPen(quint32 colour, PenStyle style, PenMode mode, int width) {
    m_pen = PenSpec{colour, style, mode, width};
}

void PageCanvas::setPen(const PenSpec& pen) { m_pen = pen; }

double PageCanvas::penWidthInches() const {
    const double pixel = 1.0 / deviceDpi();
    if (m_pen.width > 0) return m_pen.width * pixel;
    if (m_pen.width == 0) return pixel;
    return std::max(-double(m_pen.width) / 100.0, pixel);
}

void PageCanvas::setBrush(quint32 colour, BrushStyle style) { m_brush = BrushSpec{colour, style}; }

void PageCanvas::setBrush(const BrushSpec& brush) { m_brush = brush; }

// ---------------------------------------------------------------- output

bool PageCanvas::ensurePage() {
    if (m_aborted || m_ended || m_failed) return false;
    if (!m_started) {
        m_started = true;
        if (!openDevice(pageSize(), m_orientation)) {
            m_failed = true;
            return false;
        }
    }
    while (m_emitted < m_page) {
        if (!beginPage(pageSize(), m_orientation, m_emitted == 0)) {
            m_failed = true;
            return false;
        }
        ++m_emitted;
    }
    return true;
}

void PageCanvas::emitOp(DrawOp&& op) {
    if (!ensurePage()) return;
    paint(op);
}

namespace {
QRectF normalised(double x1, double y1, double x2, double y2) {
    return QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)), QPointF(std::max(x1, x2), std::max(y1, y2)));
}
}  // namespace

void PageCanvas::moveTo(double x, double y) { m_pos = QPointF(x, y); }

void PageCanvas::lineTo(double x, double y) {
    DrawOp op;
    op.kind = OpKind::Line;
    op.p1 = m_pos;
    op.p2 = QPointF(x, y);
    op.pen = m_pen;
    op.penWidth = penWidthInches();
    emitOp(std::move(op));
    m_pos = QPointF(x, y);
}

void PageCanvas::line(double x1, double y1, double x2, double y2) {
    moveTo(x1, y1);
    lineTo(x2, y2);
}

void PageCanvas::rectangle(double x1, double y1, double x2, double y2) {
    DrawOp op;
    op.kind = OpKind::Rectangle;
    op.box = normalised(x1, y1, x2, y2);
    op.pen = m_pen;
    op.penWidth = penWidthInches();
    op.brush = m_brush;
    emitOp(std::move(op));
}

void PageCanvas::roundRect(double x1, double y1, double x2, double y2, double cornerWidth, double cornerHeight) {
    DrawOp op;
    op.kind = OpKind::RoundRect;
    op.box = normalised(x1, y1, x2, y2);
    op.corner = QSizeF(std::abs(cornerWidth), std::abs(cornerHeight));
    op.pen = m_pen;
    op.penWidth = penWidthInches();
    op.brush = m_brush;
    emitOp(std::move(op));
}

void PageCanvas::ellipse(double x1, double y1, double x2, double y2) {
    DrawOp op;
    op.kind = OpKind::Ellipse;
    op.box = normalised(x1, y1, x2, y2);
    op.pen = m_pen;
    op.penWidth = penWidthInches();
    op.brush = m_brush;
    emitOp(std::move(op));
}

void PageCanvas::fillRect(const QRectF& box, quint32 colour) {
    DrawOp op;
    op.kind = OpKind::Fill;
    op.box = box.normalized();
    op.fillColour = colour;
    emitOp(std::move(op));
}

void PageCanvas::drawPicture(const QRectF& box, const QPicture& picture) {
    if (picture.isNull()) return;
    DrawOp op;
    op.kind = OpKind::Picture;
    op.box = box.normalized();
    op.picture = std::make_shared<const QPicture>(picture);
    emitOp(std::move(op));
}

void PageCanvas::drawImage(const QRectF& box, const QImage& image) {
    if (image.isNull()) return;
    DrawOp op;
    op.kind = OpKind::Image;
    op.box = box.normalized();
    op.image = image;
    emitOp(std::move(op));
}

// ---------------------------------------------------------------- text

double PageCanvas::textWidth(const QString& text) const { return measureText(m_font, text); }
double PageCanvas::lineHeight() const { return measureFont(m_font).lineHeight; }
double PageCanvas::ascent() const { return measureFont(m_font).ascent; }

// Text is shaped once, here: its width comes from the same glyphs that every
// back-end then draws.
void PageCanvas::textAt(double x, double y, const QString& text, Align align) {
    if (text.isEmpty()) return;
    ShapedText shaped = shapeText(m_font, text);
    const double width = shaped.width;
    if (align == Align::Right) x -= width;
    else if (align == Align::Centre) x -= width / 2.0;
    const TextMetrics m = measureFont(m_font);
    DrawOp op;
    op.kind = OpKind::Text;
    op.p1 = QPointF(x, y);
    op.box = QRectF(x, y, width, m.lineHeight);
    op.font = m_font;
    op.text = text;
    op.ascent = m.ascent;
    op.glyphs = std::move(shaped.glyphs);
    emitOp(std::move(op));
}

void PageCanvas::glyphText(double x, double y, const QString& text, std::shared_ptr<const QList<QGlyphRun>> glyphs,
                           double width) {
    if (text.isEmpty()) return;
    if (!glyphs) {
        textAt(x, y, text);
        return;
    }
    const TextMetrics m = measureFont(m_font);
    DrawOp op;
    op.kind = OpKind::Text;
    op.p1 = QPointF(x, y);
    op.box = QRectF(x, y, width, m.lineHeight);
    op.font = m_font;
    op.text = text;
    op.ascent = m.ascent;
    op.glyphs = std::move(glyphs);
    emitOp(std::move(op));
}

void PageCanvas::textRect(const QRectF& clip, const QPointF& start, const QString& text) {
    if (text.isEmpty()) return;
    const QRectF box = clip.normalized();
    if (box.isEmpty()) return;
    DrawOp op;
    op.kind = OpKind::Text;
    op.p1 = start;
    op.box = box;
    op.clipped = true;
    op.font = m_font;
    op.text = text;
    op.ascent = ascent();
    op.glyphs = shapeText(m_font, text).glyphs;
    emitOp(std::move(op));
}

// ---------------------------------------------------------------- report layout

void PageCanvas::setMargins(const Margins& m) {
    m_margins = m;
    if (m_sectionFollowsMargins) resetSection();
}

void PageCanvas::setSection(double left, double top, double right, double bottom) {
    m_section = normalised(left, top, right, bottom);
    m_sectionFollowsMargins = false;
}

void PageCanvas::resetSection() {
    const QSizeF page = pageSize();
    m_section = QRectF(QPointF(m_margins.left, m_margins.top),
                       QPointF(page.width() - m_margins.right, page.height() - m_margins.bottom));
    m_sectionFollowsMargins = true;
}

void PageCanvas::gotoXY(double x, double y) { m_pos = QPointF(x, y); }

void PageCanvas::home() {
    m_pos = m_section.topLeft();
    m_column = 0;
}

void PageCanvas::newLine() {
    m_pos = QPointF(m_section.left(), m_pos.y() + lineHeight());
    m_column = 0;
}

int PageCanvas::linesLeft() const {
    const double h = lineHeight();
    if (h <= 0) return 0;
    const double n = (m_section.bottom() - m_pos.y()) / h;
    return n <= 0 ? 0 : int(std::floor(n + 1e-9));
}

void PageCanvas::print(const QString& text) {
    textAt(m_pos.x(), m_pos.y(), text, Align::Left);
    m_pos.rx() += textWidth(text);
}

void PageCanvas::printRight(double x, const QString& text) { textAt(x, m_pos.y(), text, Align::Right); }

void PageCanvas::printCentre(double x, const QString& text) { textAt(x, m_pos.y(), text, Align::Centre); }

void PageCanvas::clearColumns() {
    m_columns.clear();
    m_column = 0;
}

int PageCanvas::addColumn(const ColumnSpec& column) {
    m_columns.push_back(column);
    return int(m_columns.size()) - 1;
}

QRectF PageCanvas::columnRect(int index) const {
    if (index < 0 || index >= columnCount()) return {};
    double left = m_section.left();
    for (int i = 0; i <= index; ++i) {
        const ColumnSpec& c = m_columns[size_t(i)];
        if (c.left >= 0) left = c.left;
        if (i < index) left += c.width;
    }
    return QRectF(left, m_pos.y(), m_columns[size_t(index)].width, lineHeight());
}

void PageCanvas::printColumn(const QString& text, int shadePercent) {
    if (m_columns.empty()) {
        print(text);
        return;
    }
    if (m_column >= columnCount()) m_column = 0;
    const ColumnSpec& c = m_columns[size_t(m_column)];
    const QRectF cell = columnRect(m_column);
    int shade = shadePercent < 0 ? c.shadePercent : shadePercent;
    shade = std::clamp(shade, 0, 100);
    if (shade > 0) {
        const quint32 v = quint32((100 - shade) * 255 / 100);
        fillRect(cell, v | (v << 8) | (v << 16));
    }
    if (!text.isEmpty()) {
        const double margin = c.marginHundredths / 100.0;
        const QRectF inner = cell.adjusted(margin, 0, -margin, 0);
        double x = inner.left();
        if (c.align == Align::Right) x = inner.right() - textWidth(text);
        else if (c.align == Align::Centre) x = inner.center().x() - textWidth(text) / 2.0;
        if (inner.width() > 0) textRect(inner, QPointF(x, cell.top()), text);
    }
    if (c.box.any()) {
        const QPointF keep = m_pos;
        if (c.box.top) line(cell.left(), cell.top(), cell.right(), cell.top());
        if (c.box.bottom) line(cell.left(), cell.bottom(), cell.right(), cell.bottom());
        if (c.box.left) line(cell.left(), cell.top(), cell.left(), cell.bottom());
        if (c.box.right) line(cell.right(), cell.top(), cell.right(), cell.bottom());
        m_pos = keep;
    }
    m_pos.setX(cell.right());
    ++m_column;
}

// ---------------------------------------------------------------- pages and job

void PageCanvas::newPage() {
    if (m_aborted || m_ended) return;
    ++m_page;
    m_pos = m_section.topLeft();
    m_column = 0;
    if (m_newPageHandler) m_newPageHandler(*this);
    statusChanged();
}

void PageCanvas::setNewPageHandler(std::function<void(PageCanvas&)> handler) {
    m_newPageHandler = std::move(handler);
}

void PageCanvas::setStatusPattern(const QString& pattern) {
    m_statusPattern = pattern;
    statusChanged();
}

void PageCanvas::setStatusLine(int index, const QString& text) {
    if (index < 0 || index > 1) return;
    m_statusLines[index] = text;
    statusChanged();
}

QString PageCanvas::statusText() const {
    QString out;
    const QString& p = m_statusPattern;
    for (qsizetype i = 0; i < p.size(); ++i) {
        if (p[i] == u'%' && i + 1 < p.size()) {
            const QChar k = p[i + 1];
            if (k == u'p') {
                out += QString::number(m_page);
                ++i;
                continue;
            }
            if (k == u'0' || k == u'1') {
                out += m_statusLines[k == u'0' ? 0 : 1];
                ++i;
                continue;
            }
        }
        out += p[i];
    }
    return out;
}

void PageCanvas::setStatusHandler(std::function<void(const QString&)> handler) {
    m_statusHandler = std::move(handler);
}

void PageCanvas::statusChanged() {
    if (m_statusHandler) m_statusHandler(statusText());
}

bool PageCanvas::end() {
    if (m_aborted) return false;
    if (m_ended) return !m_failed;
    m_ended = true;
    if (m_started && !m_failed) {
        if (!closeDevice()) m_failed = true;
    } else if (m_started) {
        discardDevice();
    }
    return !m_failed;
}

void PageCanvas::abort() {
    if (m_aborted || m_ended) return;
    m_aborted = true;
    if (m_started) discardDevice();
    if (m_error.isEmpty()) m_error = QStringLiteral("The job was aborted");
}

}  // namespace brindle::printing

// The page canvas: every printed page (labels, envelopes, reports, the ZIP
// count list) is drawn through this one interface, in inches measured from
// the top-left corner of the paper. Three back-ends implement it: the printer
// (QPrinter through CUPS), PDF files (QPdfWriter) and the page recorder that
// keeps each page as a list of drawing operations for the preview window and
// for tests (PageRecorder.h, PrinterCanvas.h).
//
// Every call is turned into one DrawOp (DrawOps.h) in inches; the printer
// and PDF back-ends paint the operations as they come, the recorder stores
// them, and the preview repaints them at its zoom. Printer, PDF and preview
// therefore share one painting routine and cannot drift apart.
//
// Jobs: a canvas is one job. The device is opened when the first operation
// is drawn, so a job that draws nothing prints nothing (no PDF file, no empty
// spooler job). A page that is started but never drawn on is emitted only
// when a later page is drawn; a trailing empty page is never emitted.
// end() finishes the job (each back-end's destructor calls it); abort() throws the job
// away: a PDF file being written is removed, a printer job never reaches
// the spooler. After abort() every drawing call is ignored.
//
// Text measures need the font database, so a QGuiApplication (the offscreen
// platform will do for command-line use) must exist before text is drawn.
//
// Text is placed by its cell's top-left corner: the y of a text call is the
// top of the text line (the font's ascent lies below it), never the baseline.
// That is the convention of the design objects and of the report layouts.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QGlyphRun;
class QImage;
class QPicture;

namespace brindle::printing {

struct DrawOp;  // DrawOps.h

// 0x00BBGGRR colour values, as stored in designs. Values with the high bit set
// (0x80000000 + n) are system colours; they map to fixed classic values so
// that printed output does not depend on the desktop theme. 0x1FFFFFFF (none)
// and 0x20000000 (default) map to black.
QColor colourFromInt(quint32 bgr);
quint32 colourToInt(const QColor& colour);

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };

// How the pen and brush combine with what is already on the page. Raster
// devices (preview) honour every mode; PDF and printers draw Copy for all
// modes other than Nop, which draws nothing.
enum class PenMode { Black, White, Nop, Not, Copy, NotCopy, MergePenNot, MaskPenNot,
                     MergeNotPen, MaskNotPen, Merge, NotMerge, Mask, NotMask, Xor, NotXor };

enum class BrushStyle { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

enum class Align { Left, Right, Centre };

enum class Orientation { Portrait, Landscape };

struct FontSpec {
    QString face = QStringLiteral("Arial");
    double sizePt = 10.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint32 colour = 0;  // 0x00BBGGRR
    bool operator==(const FontSpec&) const = default;
};

// Pen width rule: width > 0 is that many device pixels (at the device's
// resolution; the recorder assumes 300 dpi unless told another resolution);
// width 0 is one device pixel; width -w (w > 0) is w hundredths of an inch,
// but never thinner than one device pixel.
struct PenSpec {
    quint32 colour = 0;
    PenStyle style = PenStyle::Solid;
    PenMode mode = PenMode::Copy;
    int width = 1;
    bool operator==(const PenSpec&) const = default;
};

struct BrushSpec {
    quint32 colour = 0x00FFFFFF;
    BrushStyle style = BrushStyle::Solid;
    bool operator==(const BrushSpec&) const = default;
};

// Which sides of a column cell get a line (drawn with the current pen).
struct BoxLines {
    bool left = false, right = false, top = false, bottom = false;
    bool any() const { return left || right || top || bottom; }
};

// One column ("tab") of a report line.
struct ColumnSpec {
    // Left edge in inches from the paper's left edge; a negative value places
    // the column right after the previous one (the first one at the section's
    // left edge).
    double left = -1.0;
    double width = 1.0;
    Align align = Align::Left;
    int marginHundredths = 0;  // inner margin on both sides, 1/100 inch
    BoxLines box;
    int shadePercent = 0;  // 0 = no shading, 100 = black
};

struct Margins {
    double left = 0, top = 0, right = 0, bottom = 0;
};

class PageCanvas {
public:
    PageCanvas();
    virtual ~PageCanvas();
    PageCanvas(const PageCanvas&) = delete;
    PageCanvas& operator=(const PageCanvas&) = delete;

    // ------------------------------------------------------------ paper
    // Paper size in inches as printed (already turned for landscape).
    QSizeF pageSize() const;
    double pageWidth() const { return pageSize().width(); }
    double pageHeight() const { return pageSize().height(); }
    // Sets the paper in portrait measure; the orientation turns it. Takes
    // effect for the next page that is begun (the current one when nothing
    // has been drawn on it yet).
    void setPaperSize(const QSizeF& portraitInches);
    QSizeF paperSize() const { return m_paper; }
    void setOrientation(Orientation o);
    Orientation orientation() const { return m_orientation; }
    // The part of the paper the device can print on, in inches from the
    // paper's corner (the whole page for PDF files and the recorder).
    virtual QRectF printableRect() const;
    // Device resolution in dots per inch (for pen widths given in pixels).
    virtual double deviceDpi() const;

    // ------------------------------------------------------------ drawing state
    void setFont(const QString& face, double sizePt);
    void setFont(const FontSpec& font);
    void setFontStyle(bool bold, bool italic, bool underline = false, bool strikeOut = false);
    void setBold(bool on);
    void setItalic(bool on);
    void setFontColour(quint32 bgr);
    const FontSpec& font() const { return m_font; }

    void setPen(quint32 colour, PenStyle style = PenStyle::Solid, PenMode mode = PenMode::Copy,
                int width = 1);
    void setPen(const PenSpec& pen);
    const PenSpec& pen() const { return m_pen; }
    // Pen width in inches after the width rule above.
    double penWidthInches() const;

    void setBrush(quint32 colour, BrushStyle style = BrushStyle::Solid);
    void setBrush(const BrushSpec& brush);
    const BrushSpec& brush() const { return m_brush; }

    // ------------------------------------------------------------ shapes
    // The pen position is also the current position used by the text calls.
    void moveTo(double x, double y);
    void lineTo(double x, double y);  // draws with the pen, moves the position
    void line(double x1, double y1, double x2, double y2);
    // Shapes are given by their bounding box; the outline (pen) is centred on
    // the box's edges (inside it for PenStyle::InsideFrame) and the inside is
    // filled with the brush.
    void rectangle(double x1, double y1, double x2, double y2);
    void rectangle(const QRectF& box) { rectangle(box.left(), box.top(), box.right(), box.bottom()); }
    void roundRect(double x1, double y1, double x2, double y2, double cornerWidth, double cornerHeight);
    void ellipse(double x1, double y1, double x2, double y2);
    void ellipse(const QRectF& box) { ellipse(box.left(), box.top(), box.right(), box.bottom()); }
    // A rectangle filled with a colour, without outline (shading).
    void fillRect(const QRectF& box, quint32 colour);

    // ------------------------------------------------------------ pictures
    // The picture's bounding rectangle (vector) or whole image (bitmap) is
    // stretched to fill the box; the picture is clipped to the box. A QPicture's
    // bounding rectangle is that of what was drawn unless set: give it the full
    // area with QPicture::setBoundingRect (for a design object, its Width x
    // Height pixels) so that blank margins keep their place.
    void drawPicture(const QRectF& box, const QPicture& picture);
    void drawImage(const QRectF& box, const QImage& image);

    // ------------------------------------------------------------ text
    // Text with its cell's top-left corner at (x, y) for Align::Left, its right
    // edge at x for Align::Right, centred on x for Align::Centre.
    void textAt(double x, double y, const QString& text, Align align = Align::Left);
    // Text starting (top-left of its cell) at `start`, clipped to `clip`.
    void textRect(const QRectF& clip, const QPointF& start, const QString& text);
    // Text shaped already at the 7200-dpi reference size (by a text layout,
    // or shapeText() in DrawOps.h): `glyphs` are positioned from the
    // baseline's left end, `width` is the text's advance in inches. Placed
    // like textAt() with Align::Left, in the current font's colour; `text` is
    // what the glyphs show. Without glyphs the text is shaped as by textAt().
    void glyphText(double x, double y, const QString& text, std::shared_ptr<const QList<QGlyphRun>> glyphs,
                   double width);
    // Measures in inches in the current font.
    double textWidth(const QString& text) const;
    double lineHeight() const;  // distance from one text line to the next
    double ascent() const;      // top of the cell to the baseline

    // ------------------------------------------------------------ report layout
    void setMargins(const Margins& m);
    const Margins& margins() const { return m_margins; }
    // The section within which lines run, in inches from the paper's corner;
    // resetSection() makes it the page inside the margins.
    void setSection(double left, double top, double right, double bottom);
    void resetSection();
    QRectF section() const { return m_section; }

    double x() const { return m_pos.x(); }
    double y() const { return m_pos.y(); }
    void gotoXY(double x, double y);
    void setX(double x) { gotoXY(x, m_pos.y()); }
    void setY(double y) { gotoXY(m_pos.x(), y); }
    void home();     // section's top-left corner, first column
    void newLine();  // down one line height, back to the section's left edge and first column
    // Whole lines of the current font that still fit between y and the section's bottom.
    int linesLeft() const;

    // Text on the current line: at the current position, right-aligned at x,
    // centred on x. print() moves the position to the end of the text.
    void print(const QString& text);
    void printRight(double x, const QString& text);
    void printCentre(double x, const QString& text);

    void clearColumns();
    int addColumn(const ColumnSpec& column);  // returns its index
    int columnCount() const { return int(m_columns.size()); }
    const ColumnSpec& column(int index) const { return m_columns[size_t(index)]; }
    // The cell of column `index` on the current line (one line height high).
    QRectF columnRect(int index) const;
    // Prints text into the current column's cell on the current line (shade,
    // box lines, alignment, inner margin; text clipped to the cell) and moves
    // to the next column. shadePercent < 0 uses the column's own shading.
    void printColumn(const QString& text, int shadePercent = -1);
    int currentColumn() const { return m_column; }
    void setCurrentColumn(int index) { m_column = index; }

    // ------------------------------------------------------------ pages and job
    // Ends the current page and begins the next; runs the new-page handler and
    // refreshes the status text. Ignored after abort().
    void newPage();
    // Number of the page being drawn, from 1.
    int pageNumber() const { return m_page; }
    // Runs after every newPage() (not for the first page: callers draw their
    // first page's furniture themselves).
    void setNewPageHandler(std::function<void(PageCanvas&)> handler);

    // Status text: "%p" is replaced by the page number, "%0" and "%1" by the
    // two status lines. The handler receives the expanded text whenever it
    // changes (pattern, lines, or a new page).
    void setStatusPattern(const QString& pattern);
    void setStatusLine(int index, const QString& text);
    QString statusText() const;
    void setStatusHandler(std::function<void(const QString&)> handler);

    QString title() const { return m_title; }  // "Brindle" unless set
    void setTitle(const QString& title) { m_title = title; }

    // Number of copies the printer should make (PDF files and the recorder
    // hold the document once).
    void setCopies(int copies) { m_copies = copies < 1 ? 1 : copies; }
    int copies() const { return m_copies; }

    // Finishes the job. Returns false when the device failed (file not
    // writable, printer gone) or the job was aborted; errorString() says why.
    bool end();
    void abort();
    bool aborted() const { return m_aborted; }
    bool ended() const { return m_ended; }
    // True once the device has been opened (something was drawn).
    bool started() const { return m_started; }
    // Pages actually sent to the device so far.
    int pagesEmitted() const { return m_emitted; }
    QString errorString() const { return m_error; }

protected:
    // Back-end hooks. openDevice() is called once, before the first page;
    // beginPage() for every page that is emitted (the first included) with
    // its size in inches; paint() for every drawing operation; closeDevice()
    // at end(); discardDevice() at abort() after the device was opened.
    virtual bool openDevice(const QSizeF& pageInches, Orientation o) = 0;
    virtual bool beginPage(const QSizeF& pageInches, Orientation o, bool first) = 0;
    virtual void paint(const DrawOp& op) = 0;
    virtual bool closeDevice() = 0;
    virtual void discardDevice() = 0;
    void setError(const QString& text) { m_error = text; }

private:
    void emitOp(DrawOp&& op);
    bool ensurePage();
    void statusChanged();
    QFont qfont() const;

    QSizeF m_paper{8.5, 11.0};
    Orientation m_orientation = Orientation::Portrait;
    FontSpec m_font;
    PenSpec m_pen;
    BrushSpec m_brush;
    Margins m_margins;
    QRectF m_section;
    bool m_sectionFollowsMargins = true;  // section tracks paper and margins until set
    QPointF m_pos;
    std::vector<ColumnSpec> m_columns;
    int m_column = 0;
    int m_page = 1;
    int m_emitted = 0;  // pages begun on the device
    int m_copies = 1;
    bool m_started = false;
    bool m_ended = false;
    bool m_aborted = false;
    bool m_failed = false;
    QString m_title = QStringLiteral("Brindle");
    QString m_error;
    QString m_statusPattern;
    QString m_statusLines[2];
    std::function<void(PageCanvas&)> m_newPageHandler;
    std::function<void(const QString&)> m_statusHandler;
};

}  // namespace brindle::printing

#include "printer/PrinterCanvas.h"

#include "printer/Printers.h"
#include "printing/DrawOps.h"
#include "printing/PdfCanvas.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace brindle::printer {

using namespace printing;

// ---------------------------------------------------------------- printer

PrinterCanvas::PrinterCanvas(const QString& printerName)
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    m_printer->setOutputFormat(QPrinter::NativeFormat);
    m_printer->setPrinterName(printerName);
    m_printer->setFullPage(true);
    m_name = printerName;
}

PrinterCanvas::~PrinterCanvas() { end(); }

bool PrinterCanvas::isValid() const {
    if (m_toFile) return m_printer->isValid();
    // Given a name the system does not know, QPrinter quietly takes another
    // queue; a job meant for a printer that is gone must fail instead.
    return m_printer->isValid() && !m_name.isEmpty() && m_printer->printerName() == m_name &&
           !QPrinterInfo::printerInfo(m_name).isNull();
}

void PrinterCanvas::setOutputFile(const QString& path) {
    m_toFile = !path.isEmpty();
    m_printer->setOutputFileName(path);
    m_printer->setFullPage(true);
}

void PrinterCanvas::setOneSided(bool on) {
    m_oneSided = on;
    if (on) m_printer->setDuplex(QPrinter::DuplexNone);
}

QString PrinterCanvas::printerName() const { return m_name; }

double PrinterCanvas::deviceDpi() const { return m_printer->resolution() > 0 ? m_printer->resolution() : 300.0; }

QRectF PrinterCanvas::printableRect() const {
    const QMarginsF m = m_printer->pageLayout().minimumMargins();
    const QPageLayout::Unit unit = m_printer->pageLayout().units();
    double toInch = 1.0;
    switch (unit) {
    case QPageLayout::Millimeter: toInch = 1 / 25.4; break;
    case QPageLayout::Point: toInch = 1 / 72.0; break;
    case QPageLayout::Pica: toInch = 1 / 6.0; break;
    case QPageLayout::Didot: toInch = 0.376 / 25.4; break;
    case QPageLayout::Cicero: toInch = 4.512 / 25.4; break;
    default: break;
    }
    const QSizeF page = pageSize();
    return QRectF(QPointF(m.left() * toInch, m.top() * toInch),
                  QPointF(page.width() - m.right() * toInch, page.height() - m.bottom() * toInch));
}

void PrinterCanvas::setLayout(const QSizeF& pageInches, Orientation o) {
    const QSizeF portrait = o == Orientation::Landscape ? pageInches.transposed() : pageInches;
    m_printer->setPageSize(exactPageSize(portrait));
    m_printer->setPageOrientation(o == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    m_printer->setFullPage(true);
}

bool PrinterCanvas::openDevice(const QSizeF&, Orientation) {
    if (!isValid()) {
        setError(QStringLiteral("The printer is not available"));
        return false;
    }
    return true;
}

bool PrinterCanvas::beginPage(const QSizeF& pageInches, Orientation o, bool) {
    RecordedPage page;
    page.size = pageInches;
    page.orientation = o;
    m_pending.pages.push_back(std::move(page));
    return true;
}

void PrinterCanvas::paint(const DrawOp& op) {
    if (!m_pending.pages.empty()) m_pending.pages.back().ops.push_back(op);
}

bool PrinterCanvas::closeDevice() {
    if (m_pending.pages.empty()) return true;
    m_printer->setDocName(title());
    m_printer->setCreator(QStringLiteral("Brindle"));
    m_printer->setCopyCount(copies());
    if (m_oneSided) m_printer->setDuplex(QPrinter::DuplexNone);
    const RecordedPage& first = m_pending.pages.front();
    setLayout(first.size, first.orientation);
    QPainter painter;
    if (!painter.begin(m_printer.get())) {
        setError(QStringLiteral("Unable to start printing on %1").arg(m_name));
        m_pending.pages.clear();
        return false;
    }
    bool ok = true;
    for (size_t i = 0; i < m_pending.pages.size() && ok; ++i) {
        const RecordedPage& page = m_pending.pages[i];
        if (i > 0) {
            setLayout(page.size, page.orientation);
            ok = m_printer->newPage();
        }
        const double dpi = m_printer->resolution();
        if (ok) paintPage(painter, page, PaintScale{dpi, m_offset * dpi, false});
    }
    ok = painter.end() && ok && m_printer->printerState() != QPrinter::Error;
    if (!ok) setError(QStringLiteral("Unable to finish printing on %1").arg(m_name));
    m_pending.pages.clear();
    return ok;
}

void PrinterCanvas::discardDevice() { m_pending.pages.clear(); }

// ---------------------------------------------------------------- factory

std::unique_ptr<PageCanvas> openPrinterCanvas(const QString& printerName, const QString& pdfPath) {
    if (isPdfPrinter(printerName)) {
        if (pdfPath.isEmpty()) return nullptr;
        return std::make_unique<PdfCanvas>(pdfPath);
    }
    return std::make_unique<PrinterCanvas>(printerName);
}

}  // namespace brindle::printer

#include "printer/CurrentPrinter.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "common/UserDialogs.h"
#include "printer/PrinterCalibration.h"
#include "printer/PrinterCanvas.h"
#include "printer/Printers.h"
#include "printing/PdfCanvas.h"

namespace brindle::printer {

using printing::Orientation;

CurrentPrinter::CurrentPrinter() : CurrentPrinter(defaultPrinterName()) {}

CurrentPrinter::CurrentPrinter(const QString& name) : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    m_name = name.isEmpty() ? pdfPrinterName() : name;
    configure();
}

CurrentPrinter::~CurrentPrinter() = default;

bool CurrentPrinter::isPdf() const { return isPdfPrinter(m_name); }

void CurrentPrinter::configure() {
    if (isPdf()) {
        // The PDF printer takes any paper exactly as asked.
        m_printer->setOutputFormat(QPrinter::PdfFormat);
    } else {
        m_printer->setOutputFormat(QPrinter::NativeFormat);
        m_printer->setPrinterName(m_name);
    }
    m_printer->setFullPage(true);
    m_printer->setPageSize(QPageSize(QPageSize::Letter));
    m_printer->setPageOrientation(QPageLayout::Portrait);
    m_orientation = Orientation::Portrait;
    m_copies = 1;
    m_oneSided = false;
}

bool CurrentPrinter::select(const QString& name) {
    if (!isPdfPrinter(name) && !availablePrinters().contains(name)) return false;
    m_name = isPdfPrinter(name) ? pdfPrinterName() : name;
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    configure();
    return true;
}

void CurrentPrinter::reset() {
    const QString keep = m_pdfPath;
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    configure();
    m_pdfPath = keep;
}

bool CurrentPrinter::requestPaper(int paperCode, const QSizeF& portraitInches) {
    switch (paperCode) {
    case Letter: return m_printer->setPageSize(QPageSize(QPageSize::Letter));
    case A4: return m_printer->setPageSize(QPageSize(QPageSize::A4));
    case A5: return m_printer->setPageSize(QPageSize(QPageSize::A5));
    default:
        if (!(portraitInches.width() > 0 && portraitInches.height() > 0)) return false;
        return m_printer->setPageSize(printing::exactPageSize(portraitInches));
    }
}

void CurrentPrinter::setOrientation(Orientation o) {
    m_orientation = o;
    m_printer->setPageOrientation(o == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

QSizeF CurrentPrinter::paperSize() const { return exactInches(m_printer->pageLayout().pageSize()); }

QSizeF exactInches(const QPageSize& size) {
    const QSizeF d = size.definitionSize();
    // Qt's table of named papers gives inch sizes to two places (Envelope #10:
    // 4.12 in) but whole points exactly (297 pt = 4.125 in); papers in inches
    // come in eighths, which are whole points.
    if (size.id() != QPageSize::Custom && size.definitionUnits() == QPageSize::Inch)
        return QSizeF(size.sizePoints()) / 72.0;
    switch (size.definitionUnits()) {
        case QPageSize::Inch: return d;
        case QPageSize::Millimeter: return d / 25.4;
        case QPageSize::Point: return d / 72.0;
        case QPageSize::Pica: return d / 6.0;
        case QPageSize::Didot: return d * (0.376065 / 25.4);
        case QPageSize::Cicero: return d * (4.51278 / 25.4);
    }
    return size.size(QPageSize::Inch);
}

QSizeF CurrentPrinter::pageSize() const {
    const QSizeF paper = paperSize();
    return m_printer->pageLayout().orientation() == QPageLayout::Landscape ? paper.transposed() : paper;
}

QRectF CurrentPrinter::printableRect() const {
    if (isPdf()) return QRectF(QPointF(0, 0), pageSize());
    QPageLayout layout = m_printer->pageLayout();
    layout.setUnits(QPageLayout::Inch);
    const QMarginsF m = layout.minimumMargins();
    const QSizeF page = pageSize();
    return QRectF(QPointF(m.left(), m.top()), QPointF(page.width() - m.right(), page.height() - m.bottom()));
}

std::unique_ptr<printing::PageCanvas> CurrentPrinter::openJob(common::UserDialogs& dialogs, const QString& title) {
    std::unique_ptr<printing::PageCanvas> canvas;
    if (isPdf()) {
        QString path = m_pdfPath;
        if (path.isEmpty())
            path = dialogs.chooseSaveFile(QStringLiteral("Print to PDF File"), QDir::homePath(),
                                          QStringLiteral("PDF Files|*.pdf"), QStringLiteral("pdf"));
        if (path.isEmpty()) return nullptr;
        canvas = std::make_unique<printing::PdfCanvas>(path);
    } else {
        auto queue = std::make_unique<PrinterCanvas>(m_name);
        queue->setOneSided(m_oneSided);
        const PrinterCalibration calibration =
            m_calibrationFile.isEmpty() ? PrinterCalibration() : PrinterCalibration(m_calibrationFile);
        queue->setOffset(calibration.offset(m_name).inches());
        canvas = std::move(queue);
    }
    // The page size asked of the printer, kept exactly in portrait terms; the
    // orientation turns it.
    canvas->setPaperSize(paperSize());
    canvas->setOrientation(m_orientation);
    canvas->setCopies(m_copies);
    canvas->setTitle(title);
    return canvas;
}

CurrentPrinter::Selection CurrentPrinter::selection() const {
    return Selection{m_name, paperSize(), m_orientation, m_copies, m_oneSided, m_pdfPath};
}

void CurrentPrinter::restore(const Selection& s) {
    if (!select(s.name)) select(defaultPrinterName());
    // A named paper is asked for by name, so a queue picks its own tray size.
    const QPageSize::PageSizeId id = QPageSize::id(s.portraitInches, QPageSize::Inch);
    if (id != QPageSize::Custom) m_printer->setPageSize(QPageSize(id));
    else requestPaper(Custom, s.portraitInches);
    setOrientation(s.orientation);
    m_copies = s.copies;
    m_oneSided = s.oneSided;
    m_pdfPath = s.pdfPath;
}

CurrentPrinter& CurrentPrinter::instance() {
    static CurrentPrinter printer;
    return printer;
}

}  // namespace brindle::printer

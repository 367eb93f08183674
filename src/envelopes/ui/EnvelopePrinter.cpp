#include "envelopes/ui/EnvelopePrinter.h"

#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "common/Common.h"
#include "common/UserDialogs.h"
#include "printer/PrinterCanvas.h"
#include "printer/Printers.h"
#include "printing/PageCanvas.h"

namespace brindle::envelopes::ui {

namespace {

// The platform names paper sources only by kind; these are the names kept.
const QList<QPair<QPrinter::PaperSource, QString>>& sourceNames() {
    static const QList<QPair<QPrinter::PaperSource, QString>> names = {
        {QPrinter::Auto, QStringLiteral("Automatic")},         {QPrinter::OnlyOne, QStringLiteral("Only One")},
        {QPrinter::Lower, QStringLiteral("Lower")},            {QPrinter::Middle, QStringLiteral("Middle")},
        {QPrinter::Manual, QStringLiteral("Manual")},          {QPrinter::Envelope, QStringLiteral("Envelope")},
        {QPrinter::EnvelopeManual, QStringLiteral("Envelope Manual")},
        {QPrinter::Tractor, QStringLiteral("Tractor")},        {QPrinter::SmallFormat, QStringLiteral("Small Format")},
        {QPrinter::LargeFormat, QStringLiteral("Large Format")},
        {QPrinter::LargeCapacity, QStringLiteral("Large Capacity")},
        {QPrinter::Cassette, QStringLiteral("Cassette")},      {QPrinter::FormSource, QStringLiteral("Form Source")},
        {QPrinter::Upper, QStringLiteral("Upper")},
    };
    return names;
}

QString sourceName(QPrinter::PaperSource s) {
    for (const auto& [source, name] : sourceNames())
        if (source == s) return name;
    return QStringLiteral("Automatic");
}

}  // namespace

EnvelopePrinter::EnvelopePrinter() { choose(printer::defaultPrinterName()); }

EnvelopePrinter::~EnvelopePrinter() = default;

void EnvelopePrinter::choose(const QString& name) {
    const bool keep = printer_ != nullptr;
    const QPageLayout layout = keep ? printer_->pageLayout() : QPageLayout();
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (printer::isPdfPrinter(name) || !printer::availablePrinters().contains(name)) {
        name_ = printer::pdfPrinterName();
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setPageSize(QPageSize(QPageSize::Letter));
    } else {
        name_ = name;
        printer_->setPrinterName(name);
    }
    if (keep) printer_->setPageOrientation(layout.orientation());
    printer_->setDocName(QStringLiteral("Brindle"));
}

bool EnvelopePrinter::isPdf() const { return printer::isPdfPrinter(name_); }

void EnvelopePrinter::load(const EnvelopePrinterPrefs& prefs) {
    const QString wanted = common::printerNameOnly(prefs.printer).trimmed();
    if (!wanted.isEmpty() && wanted != name_) {
        for (const QString& n : printer::availablePrinters())
            if (n.compare(wanted, Qt::CaseInsensitive) == 0) choose(n);
    }
    if (!prefs.paper.isEmpty())
        for (const QPageSize& s : supportedSizes())
            if (s.name().compare(prefs.paper, Qt::CaseInsensitive) == 0) printer_->setPageSize(s);
    if (!prefs.bin.isEmpty())
        for (const auto& [source, n] : sourceNames())
            if (n.compare(prefs.bin, Qt::CaseInsensitive) == 0) printer_->setPaperSource(source);
    source_ = prefs.bin;
    if (prefs.landscape) setLandscape(*prefs.landscape);
}

EnvelopePrinterPrefs EnvelopePrinter::prefs() const {
    EnvelopePrinterPrefs p;
    p.printer = name_;
    p.paper = printer_->pageLayout().pageSize().name();
    p.bin = sourceName(printer_->paperSource());
    p.landscape = landscape();
    return p;
}

PrinterFacts EnvelopePrinter::facts() const {
    PrinterFacts f;
    f.printer = name_;
    f.paper = printer_->pageLayout().pageSize().name();
    f.source = sourceName(printer_->paperSource());
    f.landscape = landscape();
    const QRectF full = printer_->pageLayout().fullRect(QPageLayout::Point);
    f.pageWidth = full.width() / 72.0;
    f.pageHeight = full.height() / 72.0;
    return f;
}

bool EnvelopePrinter::landscape() const { return printer_->pageLayout().orientation() == QPageLayout::Landscape; }

void EnvelopePrinter::setLandscape(bool landscape) {
    printer_->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

QList<QPageSize> EnvelopePrinter::supportedSizes() const {
    if (isPdf()) {
        // A PDF file takes any paper.
        QList<QPageSize> all;
        for (int id = 0; id < QPageSize::LastPageSize; ++id)
            all.push_back(QPageSize(static_cast<QPageSize::PageSizeId>(id)));
        return all;
    }
    return QPrinterInfo::printerInfo(name_).supportedPageSizes();
}

bool EnvelopePrinter::useEnvelopePaper(int code) {
    const std::optional<QPageSize> paper = envelopePaperFor(code, supportedSizes());
    if (!paper) return false;
    const bool wasLandscape = landscape();
    printer_->setPageSize(*paper);
    setLandscape(wasLandscape);
    return true;
}

QSizeF EnvelopePrinter::portraitPaper() const {
    // Points are exact for the envelope sizes (Envelope #10 is 297 x 684);
    // the platform rounds inches to two decimals.
    return QSizeF(printer_->pageLayout().pageSize().sizePoints()) / 72.0;
}

QRectF EnvelopePrinter::printableInches() const {
    const QPageLayout layout = printer_->pageLayout();
    const QRectF full = layout.fullRect(QPageLayout::Point);
    const QMarginsF m = layout.margins(QPageLayout::Point);
    return QRectF(m.left() / 72.0, m.top() / 72.0, (full.width() - m.left() - m.right()) / 72.0,
                  (full.height() - m.top() - m.bottom()) / 72.0);
}

double EnvelopePrinter::dpi() const { return isPdf() ? 1200.0 : printer_->resolution(); }

bool EnvelopePrinter::setupDialog(QWidget* parent) {
    QPrintDialog dialog(printer_.get(), parent);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile);
    if (dialog.exec() != QDialog::Accepted) return false;
    name_ = printer_->outputFormat() == QPrinter::PdfFormat || printer_->printerName().isEmpty()
                ? printer::pdfPrinterName()
                : printer_->printerName();
    return true;
}

std::unique_ptr<printing::PageCanvas> EnvelopePrinter::openCanvas(common::UserDialogs& dialogs) {
    QString pdfPath;
    if (isPdf()) {
        pdfPath = dialogs.chooseSaveFile(QStringLiteral("Print Envelopes to a PDF File"), common::dataDir(),
                                         QStringLiteral("PDF files (*.pdf)"), QStringLiteral("pdf"));
        if (pdfPath.isEmpty()) return nullptr;
    }
    std::unique_ptr<printing::PageCanvas> canvas = printer::openPrinterCanvas(name_, pdfPath);
    if (!canvas) return nullptr;
    canvas->setTitle(QStringLiteral("Brindle"));
    canvas->setPaperSize(portraitPaper());
    canvas->setOrientation(landscape() ? printing::Orientation::Landscape : printing::Orientation::Portrait);
    return canvas;
}

}  // namespace brindle::envelopes::ui

#include "envelopes/ui/EnvelopePrinter.h"

#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "common/Common.h"
#include "common/UserDialogs.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "printing/PageCanvas.h"
#include "printing/PdfCanvas.h"

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

// The name of a paper in portrait inches: the platform's name for a known
// size, else its description of the custom size.
QString paperName(const QSizeF& inches) {
    const QPageSize::PageSizeId id = QPageSize::id(inches, QPageSize::Inch, QPageSize::FuzzyMatch);
    return id != QPageSize::Custom ? QPageSize(id).name() : QPageSize(inches, QPageSize::Inch).name();
}

// A paper asked of the current printer by its exact size: points are exact
// for the envelope sizes (Envelope #10 is 297 x 684), while the platform's
// inch table rounds to two decimals.
void requestExact(printer::CurrentPrinter& printer, const QPageSize& paper) {
    printer.requestPaper(printer::CurrentPrinter::Custom, paper.size(QPageSize::Point) / 72.0);
}

}  // namespace

EnvelopePrinter::EnvelopePrinter(printer::CurrentPrinter& printer) : printer_(printer) {}

EnvelopePrinter::~EnvelopePrinter() = default;

QString EnvelopePrinter::name() const { return printer_.name(); }

bool EnvelopePrinter::isPdf() const { return printer_.isPdf(); }

void EnvelopePrinter::load(const EnvelopePrinterPrefs& prefs) {
    const QString wanted = common::printerNameOnly(prefs.printer).trimmed();
    if (!wanted.isEmpty() && wanted.compare(name(), Qt::CaseInsensitive) != 0) {
        for (const QString& n : printer::availablePrinters())
            if (n.compare(wanted, Qt::CaseInsensitive) == 0) {
                // Selecting starts the printer on Letter portrait; keep the
                // orientation the window had.
                const printing::Orientation o = printer_.orientation();
                printer_.select(n);
                printer_.setOrientation(o);
                break;
            }
    }
    if (!prefs.paper.isEmpty())
        for (const QPageSize& s : supportedSizes())
            if (s.name().compare(prefs.paper, Qt::CaseInsensitive) == 0) {
                requestExact(printer_, s);
                break;
            }
    source_ = prefs.bin;
    if (prefs.landscape) setLandscape(*prefs.landscape);
}

EnvelopePrinterPrefs EnvelopePrinter::prefs() const {
    EnvelopePrinterPrefs p;
    p.printer = name();
    p.paper = paperName(printer_.paperSize());
    p.bin = source_.isEmpty() ? QStringLiteral("Automatic") : source_;
    p.landscape = landscape();
    return p;
}

PrinterFacts EnvelopePrinter::facts() const {
    PrinterFacts f;
    f.printer = name();
    f.paper = paperName(printer_.paperSize());
    f.source = source_.isEmpty() ? QStringLiteral("Automatic") : source_;
    f.landscape = landscape();
    const QSizeF page = printer_.pageSize();
    f.pageWidth = page.width();
    f.pageHeight = page.height();
    return f;
}

bool EnvelopePrinter::landscape() const { return printer_.orientation() == printing::Orientation::Landscape; }

void EnvelopePrinter::setLandscape(bool landscape) {
    printer_.setOrientation(landscape ? printing::Orientation::Landscape : printing::Orientation::Portrait);
}

QList<QPageSize> EnvelopePrinter::supportedSizes() const {
    if (isPdf()) {
        // A PDF file takes any paper.
        QList<QPageSize> all;
        for (int id = 0; id < QPageSize::LastPageSize; ++id)
            all.push_back(QPageSize(static_cast<QPageSize::PageSizeId>(id)));
        return all;
    }
    return QPrinterInfo::printerInfo(name()).supportedPageSizes();
}

bool EnvelopePrinter::useEnvelopePaper(int code) {
    const std::optional<QPageSize> paper = envelopePaperFor(code, supportedSizes());
    if (!paper) return false;
    requestExact(printer_, *paper);
    return true;
}

QSizeF EnvelopePrinter::portraitPaper() const {
    // The current printer reports a known paper in the platform's inches,
    // rounded to two decimals (Envelope #10 as 4.12 in); its points are exact.
    const QSizeF inches = printer_.paperSize();
    const QPageSize::PageSizeId id = QPageSize::id(inches, QPageSize::Inch, QPageSize::FuzzyMatch);
    return id != QPageSize::Custom ? QPageSize(id).size(QPageSize::Point) / 72.0 : inches;
}

QRectF EnvelopePrinter::printableInches() const { return printer_.printableRect(); }

double EnvelopePrinter::dpi() const {
    if (isPdf()) return 1200.0;
    QPrinter queue(QPrinter::HighResolution);
    queue.setPrinterName(name());
    return queue.resolution();
}

bool EnvelopePrinter::setupDialog(QWidget* parent) {
    // The dialog edits a printer set up as the current one; what the user
    // confirms goes back to the current printer.
    QPrinter edited(QPrinter::HighResolution);
    if (isPdf()) edited.setOutputFormat(QPrinter::PdfFormat);
    else edited.setPrinterName(name());
    edited.setPageSize(printing::exactPageSize(portraitPaper()));
    edited.setPageOrientation(landscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPrintDialog dialog(&edited, parent);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QString chosen = edited.outputFormat() == QPrinter::PdfFormat || edited.printerName().isEmpty()
                               ? printer::pdfPrinterName()
                               : edited.printerName();
    if (chosen != name()) printer_.select(chosen);
    requestExact(printer_, edited.pageLayout().pageSize());
    setLandscape(edited.pageLayout().orientation() == QPageLayout::Landscape);
    source_ = sourceName(edited.paperSource());
    return true;
}

std::unique_ptr<printing::PageCanvas> EnvelopePrinter::openCanvas(common::UserDialogs& dialogs) {
    // Envelopes are fed one at a time: never on the back of the last one.
    printer_.setOneSided(true);
    printer_.setCopies(1);
    std::unique_ptr<printing::PageCanvas> canvas = printer_.openJob(dialogs, QStringLiteral("Brindle"));
    if (canvas) canvas->setPaperSize(portraitPaper());
    return canvas;
}

}  // namespace brindle::envelopes::ui

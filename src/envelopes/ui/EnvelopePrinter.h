#pragma once
// The envelope side of the program's current printer: the printer, paper,
// source and orientation as the "Envelope Printer" settings keep them, the
// envelope paper asked of it, its setup dialog, and the page canvas a job
// prints on. Every change goes to the current printer, so a job opens its
// canvas there (CurrentPrinter::openJob) and the gateway's PrinterScope
// puts the earlier printer back when the window closes.
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <memory>

#include "envelopes/EnvelopeFeed.h"
#include "envelopes/ui/EnvelopeDialogs.h"

class QWidget;

namespace brindle::printer {
class CurrentPrinter;
}
namespace brindle::printing {
class PageCanvas;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::envelopes::ui {

class EnvelopePrinter {
public:
    explicit EnvelopePrinter(printer::CurrentPrinter& printer);
    ~EnvelopePrinter();

    // Makes the stored printer (its name up to " ON "), paper and source
    // current and sets the stored orientation; names that are not stored or
    // not found leave the printer's own.
    void load(const EnvelopePrinterPrefs& prefs);
    EnvelopePrinterPrefs prefs() const;
    PrinterFacts facts() const;

    QString name() const;
    printer::CurrentPrinter& current() { return printer_; }
    bool isPdf() const;
    bool landscape() const;
    void setLandscape(bool landscape);
    // The paper sizes the printer's queue lists (every size for PDF files).
    QList<QPageSize> supportedSizes() const;
    // Asks for the envelope's own paper when the queue lists it; the paper
    // stays otherwise. True when the envelope paper is now set.
    bool useEnvelopePaper(int code);
    QSizeF portraitPaper() const;     // inches
    QRectF printableInches() const;   // from the paper's corner, as printed
    double dpi() const;

    // The printer setup dialog; true when the user confirmed it.
    bool setupDialog(QWidget* parent);
    // A canvas for a job on this printer with its paper and orientation
    // (title "Brindle"), one-sided, one copy; for the PDF printer without a
    // file set the user names the file. Null when no file was named.
    std::unique_ptr<printing::PageCanvas> openCanvas(common::UserDialogs& dialogs);

private:
    printer::CurrentPrinter& printer_;
    // The paper source kept in the settings; the current printer has none.
    QString source_;
};

}  // namespace brindle::envelopes::ui

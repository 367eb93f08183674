#pragma once
// The printer envelopes go to: its name, paper, source and orientation as
// the "Envelope Printer" settings keep them, the envelope paper asked of it,
// its setup dialog, and the page canvas a job prints on.
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <memory>

#include "envelopes/EnvelopeFeed.h"
#include "envelopes/ui/EnvelopeDialogs.h"

class QPrinter;
class QWidget;

namespace brindle::printing {
class PageCanvas;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::envelopes::ui {

class EnvelopePrinter {
public:
    // The system's default printer with its own paper and orientation.
    EnvelopePrinter();
    ~EnvelopePrinter();

    // Makes the stored printer (its name up to " ON "), paper and source
    // current and sets the stored orientation; names that are not stored or
    // not found leave the printer's own.
    void load(const EnvelopePrinterPrefs& prefs);
    EnvelopePrinterPrefs prefs() const;
    PrinterFacts facts() const;

    QString name() const { return name_; }
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
    // (title "Brindle"); for the PDF printer the user names the file. Null
    // when no file was named.
    std::unique_ptr<printing::PageCanvas> openCanvas(common::UserDialogs& dialogs);

private:
    void choose(const QString& name);

    QString name_;
    QString source_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace brindle::envelopes::ui

// The printer back-end of the page canvas: the system's printers through
// QPrinter (CUPS), and the choice between it and the PDF back-end by printer
// name.
#pragma once

#include "printing/DrawOps.h"
#include "printing/PageCanvas.h"

#include <QString>

#include <memory>

class QPrinter;

namespace brindle::printer {

// Prints on a system printer. Pages are collected as drawing operations and
// handed to the spooler as one job (titled with title(), "Brindle") at end():
// the system's print path spools only when a job is closed and cannot take
// back a job that is open, so this is how abort() can leave no partial job.
// A missing printer is reported when the first page is drawn.
class PrinterCanvas : public printing::PageCanvas {
public:
    explicit PrinterCanvas(const QString& printerName);
    ~PrinterCanvas() override;
    bool isValid() const;  // the printer exists (or the job goes to a file)
    QString printerName() const;
    double deviceDpi() const override;
    QRectF printableRect() const override;
    QPrinter& printer() { return *m_printer; }
    // Label and envelope sheets go through one-sided, whatever the queue's
    // default; otherwise the queue's own setting stands.
    void setOneSided(bool on);
    bool oneSided() const { return m_oneSided; }
    // The printer's calibration (PrinterCalibration.h): everything on the
    // page is moved by this many inches, right and down.
    void setOffset(const QPointF& inches) { m_offset = inches; }
    QPointF offset() const { return m_offset; }
    // Sends the job to this file (the PDF the queue would be handed)
    // instead of the spooler, through the same painting as a queue job.
    void setOutputFile(const QString& path);

protected:
    bool openDevice(const QSizeF& pageInches, printing::Orientation o) override;
    bool beginPage(const QSizeF& pageInches, printing::Orientation o, bool first) override;
    void paint(const printing::DrawOp& op) override;
    bool closeDevice() override;
    void discardDevice() override;

private:
    void setLayout(const QSizeF& pageInches, printing::Orientation o);
    std::unique_ptr<QPrinter> m_printer;
    printing::RecordedDocument m_pending;
    bool m_oneSided = false;
    QString m_name;  // the printer asked for
    QPointF m_offset;
    bool m_toFile = false;
};

// A canvas for the named printer: a PdfCanvas writing pdfPath for the PDF
// printer (pdfPath must then be given), else a PrinterCanvas. Returns null
// when the PDF printer is chosen without a file name.
std::unique_ptr<printing::PageCanvas> openPrinterCanvas(const QString& printerName, const QString& pdfPath = {});

}  // namespace brindle::printer

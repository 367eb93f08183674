// The device back-ends of the page canvas: PDF files (QPdfWriter) and the
// system's printers (QPrinter through CUPS). Both paint each operation at once
// through paintOp() (DrawOps.h) with the paper's top-left corner as origin.
#pragma once

#include "printing/DrawOps.h"
#include "printing/PageCanvas.h"

#include <QPainter>
#include <QString>
#include <QStringList>

#include <memory>

class QPdfWriter;
class QPrinter;
class QSaveFile;

namespace brindle::printing {

// Writes a PDF file. The file appears only when end() succeeds: it is
// written beside its final name and renamed into place, so an empty or
// aborted job leaves no file and an existing file of that name is kept.
class PdfCanvas : public PageCanvas {
public:
    explicit PdfCanvas(QString path);
    ~PdfCanvas() override;
    QString path() const { return m_path; }
    // The resolution the PDF is drawn at: pixel pen widths and snapped bar
    // edges land on the same 1/1200-inch grid as every other position.
    double deviceDpi() const override;

protected:
    bool openDevice(const QSizeF& pageInches, Orientation o) override;
    bool beginPage(const QSizeF& pageInches, Orientation o, bool first) override;
    void paint(const DrawOp& op) override;
    bool closeDevice() override;
    void discardDevice() override;

private:
    void setLayout(const QSizeF& pageInches);
    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
};

// Prints on a system printer. Pages are collected as drawing operations and
// handed to the spooler as one job (titled with title(), "Brindle") at end():
// the system's print path spools only when a job is closed and cannot take
// back a job that is open, so this is how abort() can leave no partial job.
// A missing printer is reported when the first page is drawn.
class PrinterCanvas : public PageCanvas {
public:
    explicit PrinterCanvas(const QString& printerName);
    ~PrinterCanvas() override;
    bool isValid() const;  // the printer exists
    QString printerName() const;
    double deviceDpi() const override;
    QRectF printableRect() const override;
    QPrinter& printer() { return *m_printer; }

protected:
    bool openDevice(const QSizeF& pageInches, Orientation o) override;
    bool beginPage(const QSizeF& pageInches, Orientation o, bool first) override;
    void paint(const DrawOp& op) override;
    bool closeDevice() override;
    void discardDevice() override;

private:
    void setLayout(const QSizeF& pageInches, Orientation o);
    std::unique_ptr<QPrinter> m_printer;
    RecordedDocument m_pending;
};

// The printers a job can go to: the system's printers followed by the
// built-in PDF printer ("PDF file").
QStringList printerNames();
bool isPdfPrinter(const QString& printerName);

// A canvas for the named printer: a PdfCanvas writing pdfPath for the PDF
// printer (pdfPath must then be given), else a PrinterCanvas. Returns null
// when the PDF printer is chosen without a file name.
std::unique_ptr<PageCanvas> openPrinterCanvas(const QString& printerName, const QString& pdfPath = {});

}  // namespace brindle::printing

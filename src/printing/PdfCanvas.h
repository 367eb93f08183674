// The PDF back-end of the page canvas (QPdfWriter). It paints each operation
// at once through paintOp() (DrawOps.h) with the paper's top-left corner as
// origin. Printers have their back-end in printer/PrinterCanvas.h.
#pragma once

#include "printing/PageCanvas.h"

#include <QPageSize>
#include <QPainter>
#include <QString>

#include <memory>

class QPdfWriter;
class QSaveFile;

namespace brindle::printing {

// A page size of exactly these inches, never rounded to a named paper size.
QPageSize exactPageSize(const QSizeF& inches);

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

}  // namespace brindle::printing

#include "printing/PdfCanvas.h"

#include "printing/DrawOps.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

namespace brindle::printing {

namespace {
// Drawing resolution of PDF files; positions are kept to 1/1200 inch.
constexpr int kPdfResolution = 1200;
}  // namespace

QPageSize exactPageSize(const QSizeF& inches) {
    return QPageSize(inches, QPageSize::Inch, QString(), QPageSize::ExactMatch);
}

PdfCanvas::PdfCanvas(QString path) : m_path(std::move(path)) {}

double PdfCanvas::deviceDpi() const { return kPdfResolution; }

PdfCanvas::~PdfCanvas() { end(); }

void PdfCanvas::setLayout(const QSizeF& pageInches) {
    // The page box is the paper as printed; landscape is already turned.
    m_writer->setPageLayout(QPageLayout(exactPageSize(pageInches), QPageLayout::Portrait, QMarginsF()));
}

bool PdfCanvas::openDevice(const QSizeF& pageInches, Orientation) {
    if (m_path.isEmpty()) {
        setError(QStringLiteral("No file name was given for the PDF file"));
        return false;
    }
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        setError(QStringLiteral("Unable to write to %1").arg(m_path));
        m_file.reset();
        return false;
    }
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setResolution(kPdfResolution);
    m_writer->setTitle(title());
    m_writer->setCreator(QStringLiteral("Brindle"));
    setLayout(pageInches);
    if (!m_painter.begin(m_writer.get())) {
        setError(QStringLiteral("Unable to write to %1").arg(m_path));
        m_writer.reset();
        m_file->cancelWriting();
        m_file.reset();
        return false;
    }
    return true;
}

bool PdfCanvas::beginPage(const QSizeF& pageInches, Orientation, bool first) {
    if (first) return true;
    setLayout(pageInches);
    return m_writer->newPage();
}

void PdfCanvas::paint(const DrawOp& op) {
    paintOp(m_painter, op, PaintScale{double(kPdfResolution), QPointF(0, 0), false});
}

bool PdfCanvas::closeDevice() {
    m_painter.end();
    m_writer.reset();
    const bool ok = m_file->commit();
    if (!ok) setError(QStringLiteral("Unable to write to %1").arg(m_path));
    m_file.reset();
    return ok;
}

void PdfCanvas::discardDevice() {
    if (m_painter.isActive()) m_painter.end();
    m_writer.reset();
    if (m_file) {
        m_file->cancelWriting();
        m_file->commit();  // removes the unfinished file; the old one stays
        m_file.reset();
    }
}

}  // namespace brindle::printing

#include "printing/ui/PreviewPage.h"

#include <QCursor>
#include <QImage>
#include <QPaintEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace brindle::printing {

PreviewPage::PreviewPage(QWidget* parent) : QWidget(parent) {
    setCursor(magnifyCursor());
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateSize();
}

void PreviewPage::setPage(const RecordedPage* page, const QSizeF& paperSize) {
    m_page = page;
    m_paper = page ? page->size : paperSize;
    updateSize();
    update();
}

void PreviewPage::setZoomPercent(double percent) {
    m_zoom = percent;
    updateSize();
    update();
}

void PreviewPage::updateSize() {
    const double ppi = pixelsPerInch();
    setFixedSize(int(std::ceil(m_paper.width() * ppi)) + 2 * kPad, int(std::ceil(m_paper.height() * ppi)) + 2 * kPad);
}

QPointF PreviewPage::toWidget(const QPointF& inches) const { return QPointF(kPad, kPad) + inches * pixelsPerInch(); }

QPointF PreviewPage::toInches(const QPointF& widgetPos) const {
    return (widgetPos - QPointF(kPad, kPad)) / pixelsPerInch();
}

void PreviewPage::paintEvent(QPaintEvent* event) {
    // The exposed part is drawn into an image first and the image put on the
    // widget: text inside recorded pictures (design objects) does not show
    // when a picture is replayed straight onto a widget's painter.
    const QRect exposed = event->rect();
    if (exposed.isEmpty()) return;
    const qreal ratio = devicePixelRatioF();
    QImage buffer((QSizeF(exposed.size()) * ratio).toSize(), QImage::Format_RGB32);
    buffer.setDevicePixelRatio(ratio);
    {
        QPainter p(&buffer);
        p.translate(-exposed.topLeft());
        p.fillRect(rect(), palette().color(QPalette::Dark));
        const double ppi = pixelsPerInch();
        const QRectF paper(QPointF(kPad, kPad), m_paper * ppi);
        p.fillRect(paper.translated(3, 3), Qt::darkGray);
        p.fillRect(paper, Qt::white);
        if (m_page) {
            p.setClipRect(paper);
            paintPage(p, *m_page, PaintScale{ppi, QPointF(kPad, kPad), true});
        }
    }
    QPainter(this).drawImage(exposed.topLeft(), buffer);
}

void PreviewPage::mousePressEvent(QMouseEvent* event) {
    emit pressed(toInches(event->position()), event->position().toPoint(), event->button());
    event->accept();
}

QCursor magnifyCursor() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 4));
    p.drawEllipse(QRectF(3, 3, 16, 16));
    p.drawLine(QPointF(17, 17), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QRectF(3, 3, 16, 16));
    p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 17), QPointF(27, 27));
    p.end();
    return QCursor(pm, 11, 11);
}

}  // namespace brindle::printing

// The page area of the preview window: paints one recorded page at a zoom,
// as white paper on the window's grey background, and reports mouse presses
// (position in inches on the paper) for the magnifier.
#pragma once

#include "printing/DrawOps.h"

#include <QWidget>

namespace brindle::printing {

class PreviewPage : public QWidget {
    Q_OBJECT
public:
    // Grey border around the paper, in pixels.
    static constexpr int kPad = 12;
    // Pixels per inch at 100 %: the fixed design resolution.
    static constexpr double kPixelsPerInchAt100 = 96.0;

    explicit PreviewPage(QWidget* parent = nullptr);

    // page may be null (empty document): blank paper of paperSize is shown.
    void setPage(const RecordedPage* page, const QSizeF& paperSize);
    void setZoomPercent(double percent);
    double zoomPercent() const { return m_zoom; }
    double pixelsPerInch() const { return kPixelsPerInchAt100 * m_zoom / 100.0; }
    // Widget coordinates of a point on the paper (inches), and back.
    QPointF toWidget(const QPointF& inches) const;
    QPointF toInches(const QPointF& widgetPos) const;

signals:
    void pressed(QPointF inches, QPoint widgetPos, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void updateSize();
    const RecordedPage* m_page = nullptr;
    QSizeF m_paper{8.5, 11.0};
    double m_zoom = 100.0;
};

// The magnifying-glass cursor of the page area.
QCursor magnifyCursor();

}  // namespace brindle::printing

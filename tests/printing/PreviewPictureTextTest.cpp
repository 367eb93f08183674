// Design objects reach the preview as recorded pictures holding text; the
// preview window must show that text, not only text drawn directly.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPicture>

#include "printing/PageRecorder.h"
#include "printing/ui/PreviewPage.h"
#include "printing/ui/TPreviewForm.h"

using namespace brindle::printing;

namespace {

int darkPixels(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ++n;
    return n;
}

}  // namespace

TEST(PreviewPage, ShowsTextInsideRecordedPictures) {
    QPicture picture;
    {
        QPainter p(&picture);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(20);
        p.setFont(f);
        p.drawText(QPointF(10, 40), QStringLiteral("José Müller"));
    }
    picture.setBoundingRect(QRect(0, 0, 200, 60));
    PageRecorder recorder;
    recorder.setPaperSize(QSizeF(8.5, 11));
    recorder.drawPicture(QRectF(1, 1, 2, 0.6), picture);
    ASSERT_TRUE(recorder.end());

    TPreviewForm form(recorder.takeDocument(), QStringLiteral("Preview"), 100);
    form.resize(900, 700);
    form.show();
    auto* page = form.findChild<PreviewPage*>();
    ASSERT_NE(page, nullptr);
    const QImage shot = page->grab().toImage();
    const double ppi = page->pixelsPerInch();
    const QPoint origin = page->toWidget(QPointF(1, 1)).toPoint();
    const QRect box(origin, QSize(int(2 * ppi), int(0.6 * ppi)));
    EXPECT_GT(darkPixels(shot, box.intersected(shot.rect())), 100);
}

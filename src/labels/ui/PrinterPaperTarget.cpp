#include "labels/ui/PrinterPaperTarget.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

namespace brindle::labels::ui {

QString PrinterPaperTarget::driverName() const { return printer_.printerName(); }

void PrinterPaperTarget::requestPaper(int paperCode, double width, double height) {
    switch (paperCode) {
        case 1: printer_.setPageSize(QPageSize(QPageSize::Letter)); break;
        case 9: printer_.setPageSize(QPageSize(QPageSize::A4)); break;
        case 11: printer_.setPageSize(QPageSize(QPageSize::A5)); break;
        default:
            // A custom size in portrait terms; the orientation is set apart.
            printer_.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Inch, QStringLiteral("Custom"),
                                           QPageSize::ExactMatch));
            break;
    }
}

void PrinterPaperTarget::setLandscape(bool landscape) {
    printer_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

double PrinterPaperTarget::pageWidth() const { return printer_.pageLayout().fullRect(QPageLayout::Inch).width(); }

double PrinterPaperTarget::pageHeight() const { return printer_.pageLayout().fullRect(QPageLayout::Inch).height(); }

}  // namespace brindle::labels::ui

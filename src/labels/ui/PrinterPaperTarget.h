#pragma once
// The paper step before printing labels, on a QPrinter: asks for the paper
// size and orientation and reads back what the printer settled on.
#include "labels/LabelLayout.h"

class QPrinter;

namespace brindle::labels::ui {

class PrinterPaperTarget : public PaperTarget {
public:
    explicit PrinterPaperTarget(QPrinter& printer) : printer_(printer) {}
    // The printer's name: CUPS names no driver apart from it.
    QString driverName() const override;
    void requestPaper(int paperCode, double width, double height) override;
    void setLandscape(bool landscape) override;
    double pageWidth() const override;
    double pageHeight() const override;

private:
    QPrinter& printer_;
};

}  // namespace brindle::labels::ui

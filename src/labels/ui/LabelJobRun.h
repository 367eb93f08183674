#pragma once
// One label print or preview from a label setup on the open address file:
// the design loaded, the paper set on the current printer and checked, the
// job run in TLabelPrinter on the printer (one-sided) or into recorded pages,
// the preview shown afterwards, and the address file's record put back.
// The records are those the file's filter shows, from the first; the job's
// positions, copies and presort come with the request.
#include <QString>

#include "labels/LabelEngine.h"
#include "labels/LabelLayout.h"

class QWidget;

namespace brindle::address {
class AddressFile;
}
namespace brindle::common {
class UserDialogs;
}
namespace brindle::printer {
class CurrentPrinter;
}

namespace brindle::labels::ui {

// The paper step on the program's current printer.
class CurrentPrinterPaperTarget : public PaperTarget {
public:
    explicit CurrentPrinterPaperTarget(printer::CurrentPrinter& printer) : printer_(printer) {}
    QString driverName() const override;
    void requestPaper(int paperCode, double width, double height) override;
    void setLandscape(bool landscape) override;
    double pageWidth() const override;
    double pageHeight() const override;

private:
    printer::CurrentPrinter& printer_;
};

// "Label definition file has been removed from the sysdata directory"
QString designMissingMessage();

struct LabelRunOutcome {
    bool ran = false;      // the status window ran the job
    bool aborted = false;  // the user cancelled it
    LabelResult result;
};

// Runs the job; `designPath` is the setup's design file.
LabelRunOutcome runLabelJob(QWidget* parent, address::AddressFile& file, const QString& designPath, LabelJob job,
                            printer::CurrentPrinter& printer, common::UserDialogs& dialogs);

}  // namespace brindle::labels::ui

#pragma once
// One label print or preview from a label setup on the open address file
// (DoPrint): the design loaded, the job's record set put on the table and
// its starting record found, the bulk-mail presort run when it has not run
// yet for these choices, the paper set on the current printer and checked,
// the job run in TLabelPrinter on the printer (one-sided) or into recorded
// pages, and the preview shown afterwards. The table's filter, order,
// record and exact setting come back on every way out.
#include <QString>

#include <functional>

#include "address/RecordSet.h"
#include "labels/LabelEngine.h"
#include "labels/LabelLayout.h"
#include "printing/DrawOps.h"

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
namespace brindle::store {
class Table;
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
// "Labels will print/preview in the following order: ..."
QString presortOrderMessage();
// Told instead of sending an empty job to the printer.
QString noRecordsMessage();

struct LabelPrintRequest {
    LabelJob job;                   // setup, positions, copies, presort, preview
    address::RecordSetSpec records; // which records, from where
    // The window's "presorted" flag: a completed presort sets it, and a set
    // flag skips the presort (the order file of the last run stands).
    bool* presorted = nullptr;
    // Runs the presort over the records the table's filter admits, writing
    // job.orderFile; true when it completed. Unset: the "Bulk Mail
    // Presorting" window runs it.
    std::function<bool(store::Table&)> runPresort;
    // Shows the preview pages; unset: TPreviewForm "Preview Labels" at page width.
    std::function<void(printing::RecordedDocument)> showPreview;
};

struct LabelRunOutcome {
    bool ran = false;      // the status window ran the job
    bool aborted = false;  // the user cancelled it
    bool previewed = false;
    LabelResult result;
};

// Runs the job; `designPath` is the setup's design file.
LabelRunOutcome DoPrint(QWidget* parent, address::AddressFile& file, const QString& designPath,
                        LabelPrintRequest request, printer::CurrentPrinter& printer, common::UserDialogs& dialogs);

}  // namespace brindle::labels::ui

#include "labels/ui/LabelJobRun.h"

#include <QFileInfo>

#include "address/AddressFile.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "designer/AddressRecordSource.h"
#include "designobjects/DesignSurface.h"
#include "labels/ui/TLabelPrinter.h"
#include "mailing/Presort.h"
#include "mailing/ui/TSortBulkMail.h"
#include "printer/CurrentPrinter.h"
#include "printing/PageRecorder.h"
#include "printing/ui/TPreviewForm.h"
#include "store/Table.h"

namespace brindle::labels::ui {

QString CurrentPrinterPaperTarget::driverName() const { return printer_.driverName(); }

void CurrentPrinterPaperTarget::requestPaper(int paperCode, double width, double height) {
    printer_.requestPaper(paperCode, QSizeF(width, height));
}

void CurrentPrinterPaperTarget::setLandscape(bool landscape) {
    printer_.setOrientation(landscape ? printing::Orientation::Landscape : printing::Orientation::Portrait);
}

double CurrentPrinterPaperTarget::pageWidth() const { return printer_.pageSize().width(); }

double CurrentPrinterPaperTarget::pageHeight() const { return printer_.pageSize().height(); }

QString designMissingMessage() {
    return QStringLiteral("Label definition file has been removed from the sysdata directory");
}

QString presortOrderMessage() {
    return QStringLiteral(
        "Labels will print/preview in the following order:\n  1. 5-Digit presort\n  2. 3-Digit presort\n"
        "  3. ADC presort");
}

QString noRecordsMessage() { return QStringLiteral("There are no records to print."); }

namespace {

// The record store's exact-match setting, put back however the job ends.
class ExactScope {
public:
    explicit ExactScope(store::Table& t) : table_(t), exact_(t.exact()) {}
    ~ExactScope() {
        try {
            table_.setExact(exact_);
        } catch (...) {
        }
    }
    ExactScope(const ExactScope&) = delete;
    ExactScope& operator=(const ExactScope&) = delete;

private:
    store::Table& table_;
    bool exact_;
};

void showPreview(LabelPrintRequest& request, printing::RecordedDocument document, QWidget* parent) {
    if (request.showPreview) {
        request.showPreview(std::move(document));
        return;
    }
    common::ProfileFile settings(common::settingsPath());
    printing::TPreviewForm form(std::move(document), QStringLiteral("Preview Labels"),
                                printing::TPreviewForm::kPageWidth, &settings, parent);
    form.exec();
}

}  // namespace

LabelRunOutcome DoPrint(QWidget* parent, address::AddressFile& file, const QString& designPath,
                        LabelPrintRequest request, printer::CurrentPrinter& printer, common::UserDialogs& dialogs) {
    LabelRunOutcome outcome;
    store::Table* table = file.table();
    if (!table) return outcome;
    if (!QFileInfo(designPath).isFile()) {
        dialogs.showInfo(designMissingMessage());
        return outcome;
    }
    LabelJob& job = request.job;
    // The data objects read the open file through the same record source as
    // the designer's record buttons.
    designer::AddressRecordSource source(file);
    designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
    surface.setClipFilePath(QString());
    surface.setRecordSource(&source);
    const auto loaded = surface.loadFromFile(designPath);
    if (!loaded.ok) {
        dialogs.showInfo(QStringLiteral("The label design \"%1\" could not be read: %2").arg(designPath, loaded.error));
        return outcome;
    }

    // From here on the table's filter, order, record and exact setting are
    // put back when the scopes end, whichever way the job ends.
    ExactScope exact(*table);
    address::RecordSet records(*table, request.records);
    const bool any = records.start(&dialogs);
    const std::uint32_t startRecord = any ? table->recNo() : 0;

    if (job.presort && any) {
        bool done = request.presorted && *request.presorted;
        if (!done) {
            if (job.orderFile.isEmpty()) job.orderFile = mailing::orderFilePath();
            done = request.runPresort ? request.runPresort(*table)
                                      : mailing::ui::DoPresort(*table, dialogs, parent, job.orderFile);
            if (request.presorted) *request.presorted = done;
        }
        if (!done) return outcome;
        if (job.orderFile.isEmpty()) job.orderFile = mailing::orderFilePath();
        const int zipOrder = table->tagArea("ZIP");
        if (zipOrder == 0) {
            dialogs.showInfo(QStringLiteral("The address file has no ZIP index, so the labels cannot follow the "
                                            "presort order. Reindex the file and try again."));
            return outcome;
        }
        // A seek on a ZIP prefix finds the first ZIP that begins with it.
        table->setExact(false);
        table->setOrder(zipOrder);
        dialogs.showInfo(presortOrderMessage());
    }

    if (!any) {
        // Nothing to send: the printer gets no job, not even an empty one,
        // and the preview shows an empty document.
        if (!job.preview) {
            dialogs.showInfo(noRecordsMessage());
        } else {
            outcome.previewed = true;
            showPreview(request, printing::RecordedDocument{}, parent);
        }
        return outcome;
    }

    CurrentPrinterPaperTarget target(printer);
    if (!applyPaperSize(job.setup, target, dialogs)) return outcome;
    // Sheet 2 must never land on the back of sheet 1.
    printer.setOneSided(true);
    printer.setCopies(1);

    std::unique_ptr<printing::PageCanvas> canvas;
    printing::PageRecorder* recorder = nullptr;
    if (job.preview) {
        auto rec = std::make_unique<printing::PageRecorder>();
        rec->setPaperSize(printer.paperSize());
        rec->setOrientation(printer.orientation());
        recorder = rec.get();
        canvas = std::move(rec);
    } else {
        canvas = printer.openJob(dialogs, QStringLiteral("Brindle"));
        if (!canvas) return outcome;  // no file chosen for the PDF printer
    }

    const bool preview = job.preview;
    {
        LabelRecords walk(*table);
        SurfaceLabelDesign design(surface);
        // The engine starts at the record the table stands on (a presorted
        // job follows the order file instead).
        if (!job.presort) table->go(startRecord);
        TLabelPrinter window(std::move(job), design, walk, *canvas, dialogs, parent);
        window.exec();
        outcome.ran = window.finished();
        outcome.aborted = window.aborted();
        outcome.result = window.result();
    }

    if (preview && recorder && outcome.ran && !outcome.aborted && outcome.result.ok()) {
        outcome.previewed = true;
        showPreview(request, recorder->takeDocument(), parent);
    }
    return outcome;
}

}  // namespace brindle::labels::ui

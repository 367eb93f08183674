#include "labels/ui/LabelJobRun.h"

#include <QFileInfo>

#include "address/AddressFile.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "designer/AddressRecordSource.h"
#include "designobjects/DesignSurface.h"
#include "labels/ui/TLabelPrinter.h"
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

LabelRunOutcome runLabelJob(QWidget* parent, address::AddressFile& file, const QString& designPath, LabelJob job,
                            printer::CurrentPrinter& printer, common::UserDialogs& dialogs) {
    LabelRunOutcome outcome;
    store::Table* table = file.table();
    if (!table) return outcome;
    if (!QFileInfo(designPath).isFile()) {
        dialogs.showInfo(designMissingMessage());
        return outcome;
    }
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

    const std::uint32_t remembered = table->recNo();
    const bool preview = job.preview;
    {
        LabelRecords records(*table);
        SurfaceLabelDesign design(surface);
        table->first();
        TLabelPrinter window(std::move(job), design, records, *canvas, dialogs, parent);
        window.exec();
        outcome.ran = window.finished();
        outcome.aborted = window.aborted();
        outcome.result = window.result();
    }
    if (remembered >= 1 && remembered <= table->recordCount()) table->go(remembered);
    else table->first();

    if (preview && recorder && outcome.ran && !outcome.aborted && outcome.result.ok() && recorder->pagesEmitted() > 0) {
        common::ProfileFile settings(common::settingsPath());
        printing::TPreviewForm form(recorder->takeDocument(), QStringLiteral("Preview Labels"), 2, &settings,
                                        parent);
        form.exec();
    }
    return outcome;
}

}  // namespace brindle::labels::ui

// The label printing engine: 10,000 labels on 3 × 10 sheets to PDF, with a
// design of an address block, a POSTNET code and a counter, over an address
// file of generated records. The same job from the shell is timed with
// brindle-db labels (docs/PERFORMANCE.md).
//
// Goal: at most 3 s for the whole job; memory flat in the number of labels
// (pages are written as they are made).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "SampleData.h"
#include "address/BrowseModel.h"
#include "address/FieldCatalogue.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TextLabelKinds.h"
#include "labels/LabelEngine.h"
#include "printing/PdfCanvas.h"
#include "store/Table.h"

using namespace brindle;

namespace {

struct Go : labels::LabelProgress {
    Answer afterLabel() override { return Answer::Go; }
};

void BM_LabelsToPdf(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string db = dir.filePath(QStringLiteral("ADDR.DBF")).toStdString();
    sample::SampleOptions opt;
    opt.records = std::uint64_t(state.range(0));
    sample::writeSampleFile(db, opt);
    auto table = store::Table::open(db, store::OpenMode::ReadOnly);
    table->setFilter("!ISDEL");
    designobjects::TableRecordSource source(
        table.get(), [](const QString& n) { return address::browseColumnTitle(n); },
        [](const QString& n) { return address::isBrowseColumnShown(n); },
        [](const QString& n) { return address::formerFieldLabel(n); });
    designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
    surface.setClipFilePath(QString());
    surface.setRecordSource(&source);
    surface.setSizeInches(2.625, 1.0);
    surface.addObject(new designobjects::TKDMultiLineAddressLabel, QRect(5, 5, 240, 62));
    surface.addObject(new designobjects::TKPostNetBarCode, QRect(5, 70, 240, 20));
    surface.addObject(new designobjects::TKCounterLabel, QRect(210, 5, 40, 16));
    labels::LabelJob job;
    job.setup = labels::newLabelSetup();
    const QString out = dir.filePath(QStringLiteral("labels.pdf"));
    labels::LabelResult r;
    for (auto _ : state) {
        table->first();
        labels::LabelRecords records(*table);
        labels::SurfaceLabelDesign design(surface);
        printing::PdfCanvas pdf(out);
        Go go;
        r = labels::LabelEngine(job, design, records, pdf).run(go);
    }
    struct rusage use {};
    getrusage(RUSAGE_SELF, &use);
    state.counters["labels"] = r.labels;
    state.counters["pages"] = r.pages;
    state.counters["pdf_MB"] = double(QFileInfo(out).size()) / 1e6;
    state.counters["maxrss_MB"] = double(use.ru_maxrss) / 1024;
}
BENCHMARK(BM_LabelsToPdf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

#include "LabelCommands.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "Arguments.h"
#include "Commands.h"
#include "DesignPrintSupport.h"
#include "ProgressBar.h"
#include "address/BrowseModel.h"
#include "address/FieldCatalogue.h"
#include "common/Common.h"
#include "common/UserDialogs.h"
#include "cli/ShellDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/RecordSource.h"
#include "designer/DesignFileNames.h"
#include "labels/LabelEngine.h"
#include "labels/LabelLayout.h"
#include "labels/LabelSetup.h"
#include "mailing/Presort.h"
#include "printing/DrawOps.h"
#include "printing/PdfCanvas.h"
#include "store/Table.h"

namespace brindle::cli {

const char* const kLabelsHelp =
    "Usage: brindle-db labels FILE (--setup DESCRIPTION | --template DESCRIPTION)\n"
    "                         [--design FILE.L] [--filter EXPR] [--order TAG] [--presort]\n"
    "                         [--positions LIST] [--copies N] [--start-record N]\n"
    "                         [--offset X,Y] --out OUT.pdf\n"
    "\n"
    "Prints mailing labels for the records of address file FILE to a PDF file,\n"
    "through the program's label printing engine.\n"
    "\n"
    "  --setup DESCRIPTION     a label setup of sysdata/LABEL.DBF, with its design\n"
    "  --template DESCRIPTION  a stock of the catalogue sysdata/LBLTPL.DBF; without\n"
    "                          --design, each label gets an address block\n"
    "  --design FILE.L         the label design to print instead\n"
    "  --filter EXPR           only records for which EXPR holds (records marked\n"
    "                          deleted are never printed)\n"
    "  --order TAG             print in the order of an index tag\n"
    "  --presort               bulk-mail presort order with group separator labels\n"
    "                          (one label per record)\n"
    "  --positions LIST        label positions of each sheet to use, counted from 1\n"
    "                          row by row, e.g. 1,4-6 (default: all)\n"
    "  --copies N              labels per record, 1 to 99 (default 1)\n"
    "  --start-record N        start at record N when it is one of the records\n"
    "  --offset X,Y            move everything on the page X inches right and Y\n"
    "                          inches down (negative: left, up), at most 1 inch,\n"
    "                          as a printer's calibration would, e.g. 0.05,-0.03\n"
    "  --out OUT.pdf           the PDF file to write\n"
    "\n"
    "The program folder (BRINDLE_HOME) holds sysdata/. On any error nothing is\n"
    "written and the exit status is 2.\n";

namespace {

using store::OpenMode;
using store::Table;

// The paper step on a PDF: it takes any size exactly as asked.
class CanvasPaperTarget : public labels::PaperTarget {
public:
    explicit CanvasPaperTarget(printing::PageCanvas& c) : canvas_(c) {}
    QString driverName() const override { return QStringLiteral("PDF file"); }
    void requestPaper(int code, double w, double h) override {
        switch (code) {
        case 1: canvas_.setPaperSize(QSizeF(8.5, 11.0)); break;
        case 9: canvas_.setPaperSize(QSizeF(210 / 25.4, 297 / 25.4)); break;
        case 11: canvas_.setPaperSize(QSizeF(148 / 25.4, 210 / 25.4)); break;
        default: canvas_.setPaperSize(QSizeF(w, h)); break;
        }
    }
    void setLandscape(bool on) override {
        canvas_.setOrientation(on ? printing::Orientation::Landscape : printing::Orientation::Portrait);
    }
    double pageWidth() const override { return canvas_.pageWidth(); }
    double pageHeight() const override { return canvas_.pageHeight(); }

private:
    printing::PageCanvas& canvas_;
};

class BarProgress : public labels::LabelProgress {
public:
    explicit BarProgress(std::uint64_t total) : total_(total ? total : 1) {}
    Answer afterLabel() override {
        ++done_;
        const int percent = int(std::min<std::uint64_t>(100, done_ * 100 / total_));
        if (percent != last_) {
            last_ = percent;
            if (!bar.update(percent)) return Answer::Cancel;
        }
        return ProgressBar::interrupted() ? Answer::Cancel : Answer::Go;
    }
    ProgressBar bar{"Labels"};

private:
    std::uint64_t total_;
    std::uint64_t done_ = 0;
    int last_ = -1;
};

std::string utf8(const QString& s) { return s.toStdString(); }

// The row of a system table whose description is `wanted` (trimmed; letter
// case counts only when two rows differ in it alone). Rows marked deleted
// (the engine's flag or the DELETED column) do not count.
labels::LabelSetup findRow(Table& t, const std::string& wanted, bool catalogue) {
    const QString want = QString::fromStdString(wanted).trimmed();
    const bool hasDeleted = t.fieldIndex("DELETED") >= 0;
    std::optional<labels::LabelSetup> exact, folded;
    for (bool ok = t.first(); ok && !t.eof(); ok = t.next()) {
        if (t.deleted() || (hasDeleted && t.getLogical("DELETED"))) continue;
        const QString d = QString::fromStdString(t.getText("DESCRIPT")).trimmed();
        if (d == want && !exact) exact = catalogue ? labels::readTemplateRow(t) : labels::readLabelSetup(t);
        else if (!folded && d.compare(want, Qt::CaseInsensitive) == 0)
            folded = catalogue ? labels::readTemplateRow(t) : labels::readLabelSetup(t);
    }
    if (exact) return *exact;
    if (folded) return *folded;
    throw std::runtime_error("no " + std::string(catalogue ? "stock" : "label setup") + " described as \"" + wanted +
                             "\" in " + t.path());
}

// "1,4-6" counted from 1 into the flags of a sheet of `perSheet` positions.
std::array<bool, labels::kMaxPositions> parsePositions(const std::string& list, int perSheet) {
    std::array<bool, labels::kMaxPositions> flags{};
    const QStringList parts = QString::fromStdString(list).split(QLatin1Char(','));
    for (const QString& raw : parts) {
        const QString part = raw.trimmed();
        const QStringList ends = part.split(QLatin1Char('-'));
        bool ok1 = false, ok2 = true;
        const int from = ends.value(0).trimmed().toInt(&ok1);
        const int to = ends.size() == 2 ? ends[1].trimmed().toInt(&ok2) : from;
        if (!ok1 || !ok2 || ends.size() > 2 || from < 1 || to < from)
            throw UsageError("--positions: \"" + part.toStdString() + "\" is not a position or range such as 4-6");
        if (to > perSheet)
            throw UsageError("--positions: position " + std::to_string(to) + " is not on this sheet of " +
                             std::to_string(perSheet) + " labels");
        for (int p = from; p <= to; ++p) flags[size_t(p - 1)] = true;
    }
    return flags;
}

void setOrder(Table& t, const std::string& tag) {
    if (tag.empty()) return;
    const int order = t.tagArea(tag);
    if (order <= 0) throw store::StoreError(t.path() + " has no usable index tag " + tag);
    t.setOrder(order);
}

// A PDF moved as a calibrated printer moves its pages: every operation by
// the same inches, right and down.
class ShiftedPdfCanvas : public printing::PdfCanvas {
public:
    ShiftedPdfCanvas(const QString& path, QPointF inches) : PdfCanvas(path), shift_(inches) {}

protected:
    void paint(const printing::DrawOp& op) override {
        if (shift_.isNull()) return PdfCanvas::paint(op);
        printing::DrawOp moved = op;
        moved.p1 += shift_;
        moved.p2 += shift_;
        moved.box.translate(shift_);
        PdfCanvas::paint(moved);
    }

private:
    QPointF shift_;
};

// "X,Y" in inches, each within an inch either way.
QPointF parseOffset(const std::string& text) {
    const QStringList parts = QString::fromStdString(text).split(QLatin1Char(','));
    bool okX = false, okY = false;
    const double x = parts.size() == 2 ? parts[0].trimmed().toDouble(&okX) : 0;
    const double y = parts.size() == 2 ? parts[1].trimmed().toDouble(&okY) : 0;
    if (!okX || !okY) throw UsageError("--offset: \"" + text + "\" is not two numbers of inches such as 0.05,-0.03");
    if (!(std::abs(x) <= 1.0) || !(std::abs(y) <= 1.0)) throw UsageError("--offset: each offset must lie between -1 and 1 inch");
    return QPointF(x, y);
}

}  // namespace

int cmdLabels(const std::vector<std::string>& words) {
    Arguments args(words,
                   {"--setup", "--template", "--design", "--filter", "--order", "--positions", "--copies",
                    "--start-record", "--offset", "--out"},
                   {"--presort", "--help", "-h"});
    args.expectPositional(1, "FILE");
    if (args.has("--setup") == args.has("--template")) throw UsageError("give either --setup or --template");
    if (!args.has("--out")) throw UsageError("missing --out OUT.pdf");
    const std::string input = args.positional()[0];
    const QString out = QString::fromStdString(args.value("--out"));
    const std::uint64_t copies = args.number("--copies", 1);
    if (copies < 1 || copies > 99) throw UsageError("--copies must lie between 1 and 99");
    const bool presort = args.has("--presort");
    const QPointF offset = args.has("--offset") ? parseOffset(args.value("--offset")) : QPointF();
    if (presort && args.has("--order")) throw UsageError("--presort prints in ZIP order; leave out --order");

    // The PDF replaces what --out names: never the table, its memo or index, or the design.
    refuseToOverwrite(out, args.value("--out"), input,
                      args.has("--design") ? QStringList{QString::fromStdString(args.value("--design"))} : QStringList{});

    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "brindle-db";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ShellDialogs dialogs("labels");

    // The stock and its design.
    const QString sysdata = common::sysdataDir();
    labels::LabelSetup setup;
    QString designPath = QString::fromStdString(args.value("--design"));
    {
        const bool catalogue = args.has("--template");
        auto t = Table::open(utf8(sysdata), catalogue ? "LBLTPL.DBF" : "LABEL.DBF", OpenMode::ReadOnly);
        setup = findRow(*t, args.value(catalogue ? "--template" : "--setup"), catalogue);
        if (!catalogue && designPath.isEmpty()) {
            const auto file = designer::resolveDesignFile(sysdata, setup.binary);
            if (!file) throw std::runtime_error("Label definition file has been removed from the sysdata directory (" +
                                                utf8(setup.binary.isEmpty() ? QStringLiteral("no design file named")
                                                                            : sysdata + setup.binary) +
                                                ")");
            designPath = *file;
        }
    }
    if (const QString problem = labels::storageProblem(setup); !problem.isEmpty())
        throw std::runtime_error("the stock cannot be printed: " + utf8(problem));

    auto table = Table::open(input, OpenMode::ReadOnly);
    table->setTurboRead(true);
    designobjects::TableRecordSource source(
        table.get(), [](const QString& n) { return address::browseColumnTitle(n); },
        [](const QString& n) { return address::isBrowseColumnShown(n); },
        [](const QString& n) { return address::formerFieldLabel(n); });
    designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
    surface.setClipFilePath(QString());
    surface.setRecordSource(&source);
    if (!designPath.isEmpty()) {
        if (!QFileInfo(designPath).isFile()) throw std::runtime_error("design file not found: " + utf8(designPath));
        const auto loaded = surface.loadFromFile(designPath);
        if (!loaded.ok)
            throw std::runtime_error(utf8(designPath) + ": " + utf8(loaded.error) + "; nothing was printed");
    } else {
        // A new label: the address block over the whole label, as the designer starts one.
        surface.setSizeInches(setup.lblWidth, setup.lblHeight);
        surface.setPanelState(designobjects::DesignSurface::psAddressLabel);
        surface.createObjectInRect(QRect(QPoint(5, 5), QPoint(surface.width() - 10, surface.height() - 10)));
        surface.setPanelState(designobjects::DesignSurface::psPointing);
    }

    setAddressFilter(*table, args.value("--filter"));
    setOrder(*table, args.value("--order"));

    labels::LabelJob job;
    job.setup = setup;
    job.copies = int(copies);
    job.presort = presort;
    const int perSheet = labels::positionsPerSheet(setup);
    if (args.has("--positions")) job.positions = parsePositions(args.value("--positions"), perSheet);

    QTemporaryDir scratch;
    if (presort) {
        if (table->fieldIndex("ZIP") < 0) throw store::StoreError(table->path() + " has no ZIP field");
        if (!scratch.isValid()) throw std::runtime_error("cannot make a temporary folder for the presort order");
        job.orderFile = scratch.filePath(QString::fromLatin1(mailing::kOrderFileName));
        class Quiet : public mailing::PresortProgress {
        public:
            void status(const QString&) override {}
            bool afterRecord(int) override { return !ProgressBar::interrupted(); }
        } quiet;
        const auto r = mailing::runPresort(*table, job.orderFile, quiet);
        if (!r.completed())
            throw std::runtime_error(r.outcome == mailing::PresortResult::Outcome::Cancelled
                                         ? std::string("presort cancelled; nothing was printed")
                                         : "presort failed: " + utf8(r.error));
        if (r.leftOut > 0) std::fprintf(stderr, "brindle-db labels: %s\n", utf8(mailing::leftOutText(r.leftOut)).c_str());
        setOrder(*table, "ZIP");
    }

    // Where to start: the first record, or --start-record when it is one of them.
    labels::LabelRecords records(*table);
    table->first();
    if (args.has("--start-record")) {
        const std::uint64_t n = args.number("--start-record", 1);
        if (n < 1 || n > table->recordCount())
            throw UsageError("--start-record must lie between 1 and " + std::to_string(table->recordCount()));
        table->go(std::uint32_t(n));
        if (!records.belongs()) {
            std::fprintf(stderr, "brindle-db labels: Current record is out of range. Starting with first record\n");
            table->first();
        }
    }

    ShiftedPdfCanvas pdf(out, offset);
    CanvasPaperTarget target(pdf);
    labels::applyPaperSize(setup, target, dialogs);
    labels::SurfaceLabelDesign design(surface);
    BarProgress progress(std::uint64_t(table->filterCount()) * (presort ? 1 : copies));
    labels::LabelEngine engine(job, design, records, pdf);
    labels::LabelResult r;
    try {
        r = engine.run(progress);
    } catch (...) {
        pdf.abort();  // a half-made PDF never takes the old file's place
        throw;
    }
    progress.bar.finish();
    switch (r.outcome) {
    case labels::LabelResult::Outcome::Cancelled:
        std::fprintf(stderr, "brindle-db labels: cancelled; nothing was written\n");
        return kExitError;
    case labels::LabelResult::Outcome::Failed:
    case labels::LabelResult::Outcome::Refused:
        std::fprintf(stderr, "brindle-db labels: %s\n", utf8(r.message).c_str());
        return kExitError;
    case labels::LabelResult::Outcome::Stopped:
    case labels::LabelResult::Outcome::Completed: break;
    }
    if (r.labels == 0) {
        std::fprintf(stderr, "brindle-db labels: %s\n",
                     r.message.isEmpty() ? "no records to print; nothing was written" : utf8(r.message).c_str());
        return kExitError;
    }
    std::printf("%d labels for %d records on %d pages", r.labels, r.records, r.pages);
    if (r.separators) std::printf(", %d separator labels", r.separators);
    std::printf(": %s\n", args.value("--out").c_str());
    return kExitOk;
}

}  // namespace brindle::cli

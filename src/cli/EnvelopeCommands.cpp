#include "EnvelopeCommands.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <stdexcept>

#include "Arguments.h"
#include "Commands.h"
#include "DesignPrintSupport.h"
#include "ProgressBar.h"
#include "address/BrowseModel.h"
#include "address/FieldCatalogue.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "cli/ShellDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/RecordSource.h"
#include "envelopes/EnvelopeDesignRules.h"
#include "envelopes/EnvelopeFeed.h"
#include "envelopes/EnvelopeJob.h"
#include "envelopes/EnvelopeSetup.h"
#include "envelopes/EnvelopeSetupList.h"
#include "printing/PdfCanvas.h"
#include "store/Cp1252.h"
#include "store/StoreError.h"
#include "store/Table.h"

namespace brindle::cli {

const char* const kEnvelopesHelp =
    "Usage: brindle-db envelopes FILE (--setup DESCRIPTION | --design FILE.E --size CODE)\n"
    "                            [--filter EXPR] [--record N [--only-current]]\n"
    "                            [--orientation portrait|landscape] [--feed LEFT|CENTRE|RIGHT]\n"
    "                            [--face UP|DOWN] [--clockwise] [--paper letter|envelope]\n"
    "                            --out OUT.pdf\n"
    "\n"
    "Prints one envelope per record of address file FILE to a PDF file, through\n"
    "the program's envelope print job: the design is placed on the page where the\n"
    "feed method puts the envelope.\n"
    "\n"
    "  --setup DESCRIPTION  an envelope setup of sysdata/ENVELOPE.DBF, with its design\n"
    "  --design FILE.E      an envelope design file, printed for --size CODE, one of\n"
    "                       19-23, 27, 28, 30-38 (20 is Envelope #10, 4 1/8 x 9 1/2 in)\n"
    "  --filter EXPR        only records for which EXPR holds (records marked\n"
    "                       deleted are never printed); all records without it\n"
    "  --record N           start at record N when it is one of the records\n"
    "  --only-current       print record N only\n"
    "  --orientation, --feed, --face, --clockwise\n"
    "                       the feed method; each defaults to the program's stored\n"
    "                       setting (section \"Envelope Feed\" of BRINDL.ini)\n"
    "  --paper PAPER        letter (default): envelopes fed on letter-size paper;\n"
    "                       envelope: the page is the envelope itself\n"
    "  --out OUT.pdf        the PDF file to write\n"
    "\n"
    "The program folder (BRINDLE_HOME) holds sysdata/ and BRINDL.ini. On any error\n"
    "nothing is written and the exit status is 2.\n";

namespace {

using store::OpenMode;
using store::Table;

std::string utf8(const QString& s) { return s.toStdString(); }

class BarControl : public envelopes::EnvelopeJobControl {
public:
    explicit BarControl(std::uint64_t total) : total_(total ? total : 1) {}
    bool stopPressed() override {
        ++done_;
        bar.update(int(std::min<std::uint64_t>(100, done_ * 100 / total_)));
        return ProgressBar::interrupted();
    }
    ProgressBar bar{"Envelopes"};

private:
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

// A choice among words, compared ignoring case.
int pick(const Arguments& args, const char* option, std::initializer_list<const char*> words, int fallback) {
    if (!args.has(option)) return fallback;
    const QString v = QString::fromStdString(args.value(option));
    int i = 0;
    for (const char* w : words) {
        if (v.compare(QLatin1StringView(w), Qt::CaseInsensitive) == 0) return i;
        ++i;
    }
    std::string list;
    for (const char* w : words) list += (list.empty() ? "" : ", ") + std::string(w);
    throw UsageError(std::string(option) + " takes one of " + list);
}

}  // namespace

int cmdEnvelopes(const std::vector<std::string>& words) {
    Arguments args(words,
                   {"--setup", "--design", "--size", "--filter", "--record", "--orientation", "--feed", "--face",
                    "--paper", "--out"},
                   {"--only-current", "--clockwise", "--help", "-h"});
    args.expectPositional(1, "FILE");
    if (args.has("--setup") == args.has("--design")) throw UsageError("give either --setup or --design");
    if (args.has("--design") != args.has("--size")) throw UsageError("--design and --size go together");
    if (args.has("--only-current") && !args.has("--record")) throw UsageError("--only-current needs --record N");
    if (!args.has("--out")) throw UsageError("missing --out OUT.pdf");
    const std::string input = args.positional()[0];
    const QString out = QString::fromStdString(args.value("--out"));

    // The feed: the stored settings, changed by the options given.
    const common::ProfileFile settings(common::settingsPath());
    envelopes::EnvelopeFeed feed = envelopes::readEnvelopeFeed(settings);
    feed.orientation = static_cast<envelopes::FeedOrientation>(
        pick(args, "--orientation", {"portrait", "landscape"}, static_cast<int>(feed.orientation)));
    const int position = pick(args, "--feed", {"LEFT", "RIGHT", "CENTRE", "CENTER"}, static_cast<int>(feed.position));
    feed.position = static_cast<envelopes::FeedPosition>(std::min(position, 2));
    feed.facing = static_cast<envelopes::FeedFacing>(pick(args, "--face", {"UP", "DOWN"}, static_cast<int>(feed.facing)));
    if (args.has("--clockwise")) feed.clockwise = true;
    const bool envelopePaper = pick(args, "--paper", {"letter", "envelope"}, 0) == 1;

    // The setup or the design and size.
    const QString sysdata = common::sysdataDir();
    envelopes::EnvelopeSetup setup;
    QString designPath;
    if (args.has("--setup")) {
        auto t = Table::open(utf8(sysdata), "ENVELOPE.DBF", OpenMode::ReadOnly);
        const QString want = QString::fromStdString(args.value("--setup")).trimmed();
        bool found = false;
        for (bool ok = t->first(); ok && !t->eof() && !found; ok = t->next()) {
            if (t->deleted()) continue;
            if (QString::fromStdString(t->getText("DESCRIPT")).trimmed().compare(want, Qt::CaseInsensitive) == 0) {
                setup = envelopes::readEnvelopeSetup(*t);
                found = true;
            }
        }
        if (!found) throw std::runtime_error("no envelope setup described as \"" + args.value("--setup") + "\" in " + t->path());
        const auto file = envelopes::resolveEnvelopeDesign(sysdata, setup.binary);
        if (!file) throw std::runtime_error(utf8(envelopes::designRemovedMessage()) + " (" +
                                            utf8(setup.binary.isEmpty() ? QStringLiteral("no design file named")
                                                                        : sysdata + setup.binary) + ")");
        designPath = *file;
    } else {
        const std::uint64_t code = args.number("--size", 0);
        if (!envelopes::isEnvelopeCode(int(code)))
            throw UsageError("--size " + args.value("--size") + " is not an envelope size code (19-23, 27, 28, 30-38)");
        setup.number = int(code);
        setup.descript = QFileInfo(QString::fromStdString(args.value("--design"))).fileName();
        designPath = QString::fromStdString(args.value("--design"));
        if (!QFileInfo(designPath).isFile()) throw std::runtime_error("design file not found: " + utf8(designPath));
    }

    // The PDF replaces what --out names: never the table, its memo or index, or the design.
    refuseToOverwrite(out, args.value("--out"), input, {designPath});

    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "brindle-db";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ShellDialogs dialogs("envelopes");
    // A code outside the size table prints as Envelope #10, and says so.
    envelopes::useKnownSize(setup, dialogs);

    auto table = Table::open(input, OpenMode::ReadOnly);
    designobjects::TableRecordSource source(
        table.get(), [](const QString& n) { return address::browseColumnTitle(n); },
        [](const QString& n) { return address::isBrowseColumnShown(n); },
        [](const QString& n) { return address::formerFieldLabel(n); });
    designobjects::DesignSurface surface(designobjects::DesignSurface::EnvelopeSurface);
    surface.setClipFilePath(QString());
    surface.setRegisteredClasses(designobjects::DesignSurface::classesFor(designobjects::DesignSurface::EnvelopeSurface));
    surface.setRecordSource(&source);
    const QSize size = envelopes::envelopeSurfaceSize(setup.number);
    surface.setSize(size.width(), size.height());
    const auto loaded = surface.loadFromFile(designPath);
    if (!loaded.ok) throw std::runtime_error(utf8(designPath) + ": " + utf8(loaded.error) + "; nothing was printed");

    setAddressFilter(*table, args.value("--filter"));
    std::uint64_t record = 0;
    if (args.has("--record")) {
        record = args.number("--record", 1);
        if (record < 1 || record > table->recordCount())
            throw UsageError("--record must lie between 1 and " + std::to_string(table->recordCount()));
        table->go(std::uint32_t(record));
    } else {
        table->first();
    }

    printing::PdfCanvas pdf(out);
    pdf.setTitle(QStringLiteral("Brindle"));
    const bool landscape = feed.orientation == envelopes::FeedOrientation::Landscape;
    pdf.setPaperSize(envelopePaper ? QSizeF(envelopes::envelopePageSize(setup.number)->sizePoints()) / 72.0 : QSizeF(8.5, 11.0));
    pdf.setOrientation(landscape ? printing::Orientation::Landscape : printing::Orientation::Portrait);

    const envelopes::WhatToPrint what =
        args.has("--only-current") ? envelopes::WhatToPrint::OnlyCurrent : envelopes::WhatToPrint::MatchingFilter;
    envelopes::EnvelopeJobResult result;
    {
        envelopes::EnvelopeRecords records(*table, what, record > 0, dialogs);
        envelopes::EnvelopeJobSettings job;
        job.envelopeWidth = setup.width();
        job.envelopeHeight = setup.height();
        job.feed = feed;
        BarControl control(what == envelopes::WhatToPrint::OnlyCurrent ? 1 : table->filterCount());
        try {
            result = envelopes::runEnvelopeJob(surface, records, pdf, job, control, dialogs);
        } catch (...) {
            pdf.abort();
            throw;
        }
        control.bar.finish();
    }
    if (result.cancelled) {
        std::fprintf(stderr, "brindle-db envelopes: cancelled; no PDF was written\n");
        return kExitError;
    }
    if (result.envelopes == 0) {
        pdf.abort();
        std::fprintf(stderr, "brindle-db envelopes: no record to print; no PDF was written\n");
        return kExitError;
    }
    if (!pdf.end()) {
        std::fprintf(stderr, "brindle-db envelopes: %s\n", utf8(pdf.errorString()).c_str());
        return kExitError;
    }
    const QPointF at = envelopes::feedOffset(pdf.pageWidth(), pdf.pageHeight(), setup.width(), setup.height(), feed);
    std::printf("%d envelope%s (%s, %.3g x %.3g in) printed to %s\n", result.envelopes, result.envelopes == 1 ? "" : "s",
                utf8(common::envelopeSizeName(setup.number)).c_str(), setup.width(), setup.height(),
                args.value("--out").c_str());
    std::printf("Page %.4g x %.4g in, %s; design at %.4g, %.4g in\n", pdf.pageWidth(), pdf.pageHeight(),
                utf8(envelopes::feedDescription(feed).replace(QStringLiteral("\r\n"), QStringLiteral(", "))).c_str(),
                at.x(), at.y());
    return kExitOk;
}

}  // namespace brindle::cli

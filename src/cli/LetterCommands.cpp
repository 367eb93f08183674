#include "LetterCommands.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "Arguments.h"
#include "Commands.h"
#include "ProgressBar.h"
#include "common/Common.h"
#include "common/UserDialogs.h"
#include "DesignPrintSupport.h"
#include "cli/ShellDialogs.h"
#include "letters/LetterPrintJob.h"
#include "printing/PdfCanvas.h"
#include "richtext/RichDocument.h"
#include "store/CodePage.h"
#include "store/Table.h"

namespace brindle::cli {

const char* const kLettersHelp =
    "Usage: brindle-db letters FILE (--template DESCRIPTION | --template-file X.rtf)\n"
    "                          [--filter EXPR] [--record N [--only-current]] [--copies N]\n"
    "                          --out OUT.pdf\n"
    "\n"
    "Merges a form letter with the records of address file FILE and prints the\n"
    "letters to a PDF file, through the program's letter print job.\n"
    "\n"
    "  --template DESCRIPTION  a letter of sysdata/LETTER.DBF\n"
    "  --template-file X.rtf   an RTF file to use as the letter instead\n"
    "  --filter EXPR           only records for which EXPR holds (records marked\n"
    "                          deleted are never printed)\n"
    "  --record N              start at record N (when it is one of the records)\n"
    "  --only-current          print record N only (with --record)\n"
    "  --copies N              copies of each letter, 1 to 999 (default 1)\n"
    "  --out OUT.pdf           the PDF file to write\n"
    "\n"
    "The program folder (BRINDLE_HOME) holds sysdata/. On any error nothing is\n"
    "written and the exit status is 2.\n";

namespace {

// A bar over the pages to come; Ctrl+C stops the job (nothing is written).
class BarProgress : public letters::LetterProgress {
public:
    explicit BarProgress(int total) : total_(total > 0 ? total : 1) {}
    void status(const QString&) override {
        ++done_;
        const int percent = std::min(100, done_ * 100 / total_);
        if (percent != last_) {
            last_ = percent;
            if (!bar.update(percent)) stop_ = true;
        }
    }
    bool cancelRequested() override { return stop_ || ProgressBar::interrupted(); }
    ProgressBar bar{"Letters"};

private:
    int total_;
    int done_ = 0;
    int last_ = -1;
    bool stop_ = false;
};

// The RTF memo of the LETTER.DBF row described as `wanted` (trimmed; letter
// case counts only when two rows differ in it alone).
QByteArray findLetter(store::Table& t, const std::string& wanted) {
    const QString want = QString::fromStdString(wanted).trimmed();
    std::optional<std::string> exact, folded;
    for (bool ok = t.first(); ok && !t.eof(); ok = t.next()) {
        if (t.deleted()) continue;
        const QString d = QString::fromStdString(t.getText("DESCRIPT")).trimmed();
        if (d == want && !exact) exact = t.getMemo("RTF");
        else if (!folded && d.compare(want, Qt::CaseInsensitive) == 0) folded = t.getMemo("RTF");
    }
    if (!exact && !folded) throw std::runtime_error("no letter described as \"" + wanted + "\" in " + t.path());
    const std::string& memo = exact ? *exact : *folded;
    return QByteArray(memo.data(), qsizetype(memo.size()));
}

// The user's filter in the table's bytes, checked before anything is printed.
std::string tableFilter(store::Table& t, const std::string& userFilter) {
    if (userFilter.empty()) return {};
    const store::EncodedText encoded = t.codec().fromUtf8(userFilter);
    if (!encoded.lossless())
        throw store::StoreError("invalid filter \"" + userFilter + "\": \"" +
                                store::codePointToUtf8(encoded.lost.front().codePoint) +
                                "\" cannot be stored in the table's code page (" + t.codec().name() + ")");
    std::string error;
    if (!t.testExpression(encoded.text, &error)) throw store::StoreError("invalid filter \"" + userFilter + "\": " + error);
    return encoded.text;
}

}  // namespace

int cmdLetters(const std::vector<std::string>& words) {
    Arguments args(words, {"--template", "--template-file", "--filter", "--record", "--copies", "--out"},
                   {"--only-current", "--help", "-h"});
    args.expectPositional(1, "FILE");
    if (args.has("--template") == args.has("--template-file"))
        throw UsageError("give either --template or --template-file");
    if (!args.has("--out")) throw UsageError("missing --out OUT.pdf");
    if (args.has("--only-current") && !args.has("--record")) throw UsageError("--only-current needs --record N");
    const std::uint64_t copies = args.number("--copies", 1);
    if (copies < 1 || copies > 999) throw UsageError("--copies must lie between 1 and 999");
    const std::string input = args.positional()[0];
    const QString out = QString::fromStdString(args.value("--out"));
    refuseToOverwrite(out, args.value("--out"), input,
                      args.has("--template-file") ? QStringList{QString::fromStdString(args.value("--template-file"))}
                                                  : QStringList{});

    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "brindle-db";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ShellDialogs dialogs("letters");

    QByteArray rtf;
    if (args.has("--template-file")) {
        QFile f(QString::fromStdString(args.value("--template-file")));
        if (!f.open(QIODevice::ReadOnly))
            throw std::runtime_error(args.value("--template-file") + ": " + f.errorString().toStdString());
        rtf = f.readAll();
    } else {
        auto t = store::Table::open(common::sysdataDir().toStdString(), "LETTER.DBF", store::OpenMode::ReadOnly);
        rtf = findLetter(*t, args.value("--template"));
    }
    richtext::RichDocument letterTemplate;
    for (const QString& warning : letterTemplate.load(rtf))
        std::fprintf(stderr, "brindle-db letters: %s\n", warning.toLocal8Bit().constData());

    auto table = store::Table::open(input, store::OpenMode::ReadOnly);
    letters::LetterJob job;
    job.copies = int(copies);
    job.context = letters::currentTokenContext();
    job.records.query = tableFilter(*table, args.value("--filter"));
    job.records.choice = args.has("--only-current") ? address::RecordChoice::CurrentOnly
                         : job.records.query.empty() ? address::RecordChoice::All
                                                     : address::RecordChoice::FilterMatches;
    if (args.has("--record")) {
        const std::uint64_t n = args.number("--record", 1);
        if (n < 1 || n > table->recordCount())
            throw UsageError("--record must lie between 1 and " + std::to_string(table->recordCount()));
        table->go(std::uint32_t(n));
        job.records.startFromCurrent = true;
    } else {
        table->first();
    }

    printing::PdfCanvas pdf(out);
    BarProgress progress(int(std::min<std::uint64_t>(table->recordCount() * copies, 1u << 30)));
    const letters::LetterResult r = letters::runLetterJob(letterTemplate, *table, job, pdf, progress, dialogs);
    progress.bar.finish();
    if (r.outcome != letters::LetterResult::Outcome::Completed) {
        QString m = r.message;
        m.replace(QLatin1Char('\n'), QStringLiteral(": "));
        std::fprintf(stderr, "brindle-db letters: %s\n", m.toLocal8Bit().constData());
        return kExitError;
    }
    if (r.pages == 0) {
        std::fprintf(stderr, "brindle-db letters: no records to print; nothing was written\n");
        return kExitError;
    }
    std::printf("%d letters on %d pages: %s\n", r.records * int(copies), r.pages, args.value("--out").c_str());
    return kExitOk;
}

}  // namespace brindle::cli

#include "Commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>

#include <QFileInfo>
#include <QGuiApplication>

#include "Arguments.h"
#include "ProgressBar.h"
#include "SampleData.h"
#include "TransferCommands.h"
#include "CheckCommands.h"
#include "UtilityCommands.h"
#include "EnvelopeCommands.h"
#include "LabelCommands.h"
#include "LetterCommands.h"
#include "address/AddressSchema.h"
#include "address/BrowseModel.h"
#include "address/FieldCatalogue.h"
#include "common/Common.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/RecordSource.h"
#include "mailing/Presort.h"
#include "printing/PdfCanvas.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::cli {
namespace {

using store::OpenMode;
using store::Table;

const std::set<std::string> kHelp = {"--help", "-h"};

bool wantsHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; });
}

std::set<std::string> withHelp(std::set<std::string> switches) {
    switches.insert(kHelp.begin(), kHelp.end());
    return switches;
}

// ---------------------------------------------------------------- output

// Buffered stdout: dumps of a million records write in large blocks.
class Output {
public:
    ~Output() { flush(); }
    void put(std::string_view s) {
        buf_.append(s);
        if (buf_.size() >= (1u << 16)) flush();
    }
    void put(char c) { buf_ += c; }
    void flush() {
        if (!buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), stdout);
        buf_.clear();
        std::fflush(stdout);
    }

private:
    std::string buf_;
};

std::string trimBoth(std::string s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

// A field's value as text in UTF-8: logicals as T/F (empty when unset),
// numbers without their alignment blanks, memos in full.
std::string fieldText(const Table& t, const store::FieldInfo& f) {
    switch (f.type) {
    case 'L': {
        const std::string raw = t.getRaw(f.name);
        const char c = raw.empty() ? ' ' : raw[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return "T";
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return "F";
        return {};
    }
    case 'M':
        return t.codec().toUtf8(t.getMemo(f.name));
    case 'N':
    case 'F':
    case 'I':
    case 'B':
    case 'Y':
        return trimBoth(t.getString(f.name));
    default:
        return t.codec().toUtf8(t.getString(f.name));
    }
}

// RFC 4180: a value holding the delimiter, a quote or a line break is quoted,
// with quotes doubled.
void putCsv(Output& out, const std::string& v) {
    if (v.find_first_of(",\"\r\n") == std::string::npos) {
        out.put(v);
        return;
    }
    out.put('"');
    for (char c : v) {
        if (c == '"') out.put('"');
        out.put(c);
    }
    out.put('"');
}

// Tab-separated values cannot hold tabs or line breaks, so they are written as
// the escapes \t \n \r, and a backslash as \\.
void putTsv(Output& out, const std::string& v) {
    for (char c : v) {
        switch (c) {
        case '\t': out.put("\\t"); break;
        case '\n': out.put("\\n"); break;
        case '\r': out.put("\\r"); break;
        case '\\': out.put("\\\\"); break;
        default: out.put(c);
        }
    }
}

const char* tableTypeName(store::TableType t) {
    switch (t) {
    case store::TableType::FoxPro: return "FoxPro";
    case store::TableType::DBase3: return "dBASE III";
    case store::TableType::DBase4: return "dBASE IV";
    case store::TableType::VisualFoxPro: return "Visual FoxPro";
    }
    return "unknown";
}

std::string hexByte(unsigned char b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", b);
    return buf;
}

// Sets the filter, turning a malformed expression into a message that shows where.
void applyFilter(Table& t, const std::string& expr) {
    if (expr.empty()) return;
    // The filter's text is compared with the table's bytes, so it is written
    // in the table's code page; what that cannot hold could never match.
    const store::EncodedText encoded = t.codec().fromUtf8(expr);
    if (!encoded.lossless()) {
        throw store::StoreError("invalid filter \"" + expr + "\": \"" +
                                store::codePointToUtf8(encoded.lost.front().codePoint) +
                                "\" cannot be stored in the table's code page (" + t.codec().name() + ")");
    }
    try {
        t.setFilter(encoded.text);
    } catch (const store::ExprError& e) {
        throw store::StoreError("invalid filter \"" + expr + "\": " + e.what());
    }
}

void applyOrder(Table& t, const std::string& tag) {
    if (tag.empty()) return;
    const int order = t.tagArea(tag);
    const std::string problem = t.info().indexProblem;
    if (order <= 0 && !problem.empty())
        throw store::StoreError("cannot use tag " + tag + ": the index file cannot be read: " + problem);
    if (order <= 0) {
        std::string known;
        for (const auto& d : t.tags()) known += (known.empty() ? "" : ", ") + d.name;
        throw store::StoreError("no tag named " + tag + " in " + t.path() +
                                (known.empty() ? std::string(" (the table has no index tags)") : " (tags: " + known + ")"));
    }
    t.setOrder(order);
}

// ---------------------------------------------------------------- info

int cmdInfo(const std::vector<std::string>& words) {
    Arguments args(words, {}, withHelp({}));
    args.expectPositional(1, "FILE");
    auto t = Table::open(args.positional()[0], OpenMode::ReadOnly);
    const store::TableInfo info = t->info();
    const store::Schema& schema = t->schema();

    std::printf("File:           %s\n", t->path().c_str());
    std::printf("Table type:     %s (version byte %s)\n", tableTypeName(info.type), hexByte(info.versionByte).c_str());
    std::printf("Code page:      %s (%s)\n", hexByte(info.codePage).c_str(), t->codec().name().c_str());
    if (!info.lastUpdate.empty()) std::printf("Last update:    %s\n", info.lastUpdate.c_str());
    std::printf("Records:        %u\n", info.recordCount);
    std::printf("Header length:  %d\n", info.headerLength);
    std::printf("Record length:  %d\n", info.recordLength);
    std::printf("Memo file:      %s\n", info.hasMemo ? "yes" : "no");
    std::printf("Fields (%zu):\n", schema.fields.size());
    for (const auto& f : schema.fields) {
        std::printf("  %-10s %c %4d %2d\n", f.name.c_str(), f.type, f.width, f.decimals);
    }
    const auto tags = t->tags();
    if (!info.unfinishedWork.empty()) std::printf("Unfinished:     %s\n", info.unfinishedWork.c_str());
    if (!info.indexProblem.empty()) {
        std::printf("Index problem:  %s\n", info.indexProblem.c_str());
    } else if (!t->hasStructuralIndex()) {
        std::printf("Index:          none\n");
    }
    if (!tags.empty()) {
        std::printf("Tags (%zu):\n", tags.size());
        for (const auto& tag : tags) {
            std::string line = tag.expression;
            if (!tag.forExpression.empty()) line += "  FOR " + tag.forExpression;
            if (tag.descending) line += "  DESCENDING";
            std::printf("  %-10s %s\n", tag.name.c_str(), t->codec().toUtf8(line).c_str());
        }
    }
    const auto missing = address::missingAddressFields(*t);
    if (missing.empty()) {
        std::printf("Address file:   yes%s\n", address::hasAllAddressTags(*t) ? "" : " (some of the 26 tags are missing)");
    }
    return kExitOk;
}

// ---------------------------------------------------------------- dump

int cmdDump(const std::vector<std::string>& words) {
    Arguments args(words, {"--order", "--filter", "--format"}, withHelp({}));
    args.expectPositional(1, "FILE");
    const std::string format = args.value("--format", "csv");
    if (format != "csv" && format != "tsv") throw UsageError("unknown format \"" + format + "\" (csv or tsv)");
    const bool csv = format == "csv";

    auto t = Table::open(args.positional()[0], OpenMode::ReadOnly);
    applyOrder(*t, args.value("--order"));
    applyFilter(*t, args.value("--filter"));
    t->setTurboRead(true);

    const auto& fields = t->schema().fields;
    Output out;
    auto putValue = [&](const std::string& v) { csv ? putCsv(out, v) : putTsv(out, v); };
    const char sep = csv ? ',' : '\t';
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out.put(sep);
        putValue(fields[i].name);
    }
    out.put('\n');
    for (bool ok = t->first(); ok && !t->eof(); ok = t->next()) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i) out.put(sep);
            putValue(fieldText(*t, fields[i]));
        }
        out.put('\n');
    }
    return kExitOk;
}

// ---------------------------------------------------------------- count

int cmdCount(const std::vector<std::string>& words) {
    Arguments args(words, {"--filter"}, withHelp({}));
    args.expectPositional(1, "FILE");
    auto t = Table::open(args.positional()[0], OpenMode::ReadOnly);
    applyFilter(*t, args.value("--filter"));
    std::printf("%u\n", t->filterCount());
    return kExitOk;
}

// ---------------------------------------------------------------- check

int cmdCheck(const std::vector<std::string>& words) {
    Arguments args(words, {}, withHelp({}));
    args.expectPositional(1, "FILE");
    auto t = Table::open(args.positional()[0], OpenMode::ReadOnly);
    std::vector<std::string> problems;
    {
        ProgressBar bar("Checking");
        problems = t->check(bar.callback());
    }
    const store::TableInfo info = t->info();
    if (!info.unfinishedWork.empty()) problems.push_back(t->path() + ": " + info.unfinishedWork);
    if (!info.indexProblem.empty()) {
        const bool reported = std::any_of(problems.begin(), problems.end(),
                                          [&](const std::string& p) { return p.find(info.indexProblem) != std::string::npos; });
        if (!reported) problems.push_back("index file not usable: " + info.indexProblem);
    } else if (address::missingAddressFields(*t).empty()) {
        // An address file is only usable with all of its tags.
        for (const auto& tag : address::addressTags()) {
            if (t->tagArea(tag.name) <= 0) problems.push_back("address tag " + tag.name + " is missing");
        }
    }
    if (problems.empty()) {
        std::printf("OK\n");
        return kExitOk;
    }
    for (const auto& p : problems) std::printf("%s\n", p.c_str());
    std::fprintf(stderr, "brindle-db check: %zu problem%s found in %s\n", problems.size(),
                 problems.size() == 1 ? "" : "s", t->path().c_str());
    return kExitProblems;
}

// ---------------------------------------------------------------- reindex

void printMemoDamage(std::FILE* to, const std::vector<store::MemoDamage>& damage) {
    for (const auto& d : damage)
        std::fprintf(to, "  record %u, field %s: %s\n", d.recno, d.field.c_str(), d.problem.c_str());
}

int cmdReindex(const std::vector<std::string>& words) {
    Arguments args(words, {}, withHelp({"--repair"}));
    args.expectPositional(1, "FILE");
    auto t = Table::open(args.positional()[0], OpenMode::Exclusive);
    // Refuse before anything changes: the tags only compile on an address file.
    const auto missing = address::missingAddressFields(*t);
    if (!missing.empty()) {
        std::string list;
        for (const auto& m : missing) list += (list.empty() ? "" : ", ") + m;
        throw store::StoreError(t->path() + " is not an address file (missing fields: " + list + ")");
    }
    // Packing writes the kept records, their memos and the new index beside
    // the table and renames them into place together; until then the old
    // files, index included, stay as they were.
    store::PackOptions options;
    options.tags = address::addressTags();
    options.repairMemos = args.has("--repair");
    store::PackResult result;
    {
        ProgressBar packBar("Packing");
        ProgressBar indexBar("Indexing");
        options.indexProgress = indexBar.callback();
        auto packed = [&packBar](int pct) {
            packBar.update(pct);
            if (pct >= 100) packBar.finish();  // the index bar follows on its own line
            return true;
        };
        try {
            result = t->pack(packed, options);
        } catch (const store::MemoDamageError& e) {
            packBar.finish();
            std::fprintf(stderr, "brindle-db reindex: %zu record%s refer to memo text that cannot be read:\n",
                         e.damage().size(), e.damage().size() == 1 ? "" : "s");
            printMemoDamage(stderr, e.damage());
            std::fprintf(stderr,
                         "Nothing was changed. 'brindle-db reindex --repair %s' clears those memo references\n"
                         "and keeps every other field of the records.\n",
                         args.positional()[0].c_str());
            return kExitError;
        }
    }
    t->close();
    std::printf("%u records (%u deleted records removed), %zu tags\n", result.kept, result.removed,
                address::addressTags().size());
    if (!result.clearedMemos.empty()) {
        std::printf("Memo references cleared in %zu record%s (the text could not be read):\n",
                    result.clearedMemos.size(), result.clearedMemos.size() == 1 ? "" : "s");
        printMemoDamage(stdout, result.clearedMemos);
    }
    return kExitOk;
}

// ---------------------------------------------------------------- create-address

int cmdCreateAddress(const std::vector<std::string>& words) {
    Arguments args(words, {}, withHelp({}));
    args.expectPositional(1, "FILE");
    address::createAddressFile(args.positional()[0], address::FieldLengths::defaults());
    return kExitOk;
}

// ---------------------------------------------------------------- sample

int cmdSample(const std::vector<std::string>& words) {
    Arguments args(words, {"--records", "--seed"}, withHelp({"--overwrite", "--no-tags"}));
    args.expectPositional(1, "FILE");
    if (!args.has("--records")) throw UsageError("missing --records N");
    sample::SampleOptions opt;
    opt.records = args.number("--records", 0);
    if (opt.records > 0xFFFFFFFEull) throw UsageError("--records is larger than a table can hold");
    opt.seed = args.number("--seed", 1);
    opt.overwrite = args.has("--overwrite");
    opt.buildTags = !args.has("--no-tags");

    ProgressBar appendBar("Records");
    ProgressBar tagBar("Indexing");
    opt.appendProgress = [&](int p) {
        appendBar.update(p);
        if (p >= 100) appendBar.finish();
        return true;
    };
    opt.tagProgress = tagBar.callback();
    const auto start = std::chrono::steady_clock::now();
    sample::writeSampleFile(args.positional()[0], opt);
    appendBar.finish();
    tagBar.finish();
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "%llu records written in %.2f s\n", static_cast<unsigned long long>(opt.records), secs);
    return kExitOk;
}

// ---------------------------------------------------------------- render

// Prints one design for one record into a PDF with the design's top-left
// corner at the paper's corner, through the same objects and page canvas as
// the program. Needs fonts and painting, so it runs a GUI application on the
// offscreen platform for this command only.
//
// A run that ends with status 0 has written the PDF (a design that prints
// nothing gives one empty page); any other run leaves every file as it was:
// the PDF is written beside its name and only renamed into place at the end.
int cmdRender(const std::vector<std::string>& words) {
    Arguments args(words, {"--db", "--record", "--out"}, withHelp({}));
    args.expectPositional(1, "DESIGN");
    if (!args.has("--db")) throw UsageError("missing --db FILE");
    if (!args.has("--out")) throw UsageError("missing --out OUT.pdf");
    const QString design = QString::fromStdString(args.positional()[0]);
    if (!QFileInfo(design).isFile()) throw std::runtime_error("design file not found: " + args.positional()[0]);
    const QString out = QString::fromStdString(args.value("--out"));
    // The PDF replaces whatever --out names, so it must not name an input.
    for (const std::string& input : {args.positional()[0], args.value("--db")}) {
        const QFileInfo in(QString::fromStdString(input)), target(out);
        if (target.exists() && in.exists() && target.canonicalFilePath() == in.canonicalFilePath())
            throw std::runtime_error("--out " + args.value("--out") + " would overwrite " + input);
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "brindle-db";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    auto table = Table::open(args.value("--db"), OpenMode::ReadOnly);
    const std::uint64_t record = args.number("--record", 1);
    if (record < 1 || record > table->recordCount())
        throw UsageError("--record must lie between 1 and " + std::to_string(table->recordCount()));
    table->go(static_cast<std::uint32_t>(record));

    // Data objects bind by the address fields' display labels ("Last Name").
    designobjects::TableRecordSource source(
        table.get(), [](const QString& name) { return address::browseColumnTitle(name); },
        [](const QString& name) { return address::isBrowseColumnShown(name); },
        [](const QString& name) { return address::formerFieldLabel(name); });
    designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
    surface.setClipFilePath(QString());
    surface.setRecordSource(&source);
    // Label, envelope and report designs alike: every class a surface may hold.
    QStringList classes;
    for (auto kind : {designobjects::DesignSurface::LabelSurface, designobjects::DesignSurface::EnvelopeSurface,
                      designobjects::DesignSurface::ReportSurface})
        for (const QString& c : designobjects::DesignSurface::classesFor(kind))
            if (!classes.contains(c)) classes << c;
    surface.setRegisteredClasses(classes);
    const auto loaded = surface.loadFromFile(design);
    if (!loaded.ok) {
        // A design read only in part is not printed: say why and what was read.
        const QString read = loaded.objectsRead.isEmpty() ? QStringLiteral("nothing")
                                                          : loaded.objectsRead.join(QStringLiteral(", "));
        std::fprintf(stderr, "brindle-db render: %s: %s\nRead before the error: %s. Nothing was printed.\n",
                     design.toLocal8Bit().constData(), loaded.error.toLocal8Bit().constData(),
                     read.toLocal8Bit().constData());
        return kExitError;
    }
    printing::PdfCanvas pdf(out);
    bool drew = false;
    try {
        surface.setPrinting(true);
        surface.resetCounters();
        surface.refreshData();
        surface.printObjects(pdf, 0.0, 0.0);
        surface.setPrinting(false);
        drew = pdf.started();
        // The canvas opens its file with the first drawing. A pen that draws
        // nothing opens it for a page without marks, so that a design that
        // prints nothing still replaces the file like any other.
        if (!drew) {
            pdf.setPen(0x000000, printing::PenStyle::Solid, printing::PenMode::Nop);
            pdf.line(0.0, 0.0, 0.0, 0.0);
        }
    } catch (...) {
        pdf.abort();  // a half-drawn PDF never takes the old file's place
        throw;
    }
    if (!pdf.end()) {
        std::fprintf(stderr, "brindle-db render: %s\n", pdf.errorString().toLocal8Bit().constData());
        return kExitError;
    }
    if (!drew)
        std::fprintf(stderr, "brindle-db render: the design prints nothing; an empty page was written to %s\n",
                     args.value("--out").c_str());
    else std::fprintf(stderr, "%zu objects printed to %s\n", surface.objects().size(), args.value("--out").c_str());
    return kExitOk;
}

// ---------------------------------------------------------------- presort

// The bulk-mail presort of the label job, over the records the filter admits
// (records flagged ISDEL are left out, as in the program).
int cmdPresort(const std::vector<std::string>& words) {
    Arguments args(words, {"--filter", "--out"}, withHelp({}));
    args.expectPositional(1, "FILE");
    if (!args.has("--out")) throw UsageError("missing --out FILE.PSL");
    const std::string input = args.positional()[0];
    const QString out = QString::fromStdString(args.value("--out"));
    // The order file replaces whatever --out names: never the table or its
    // memo and index files, in any letter case (the store finds those
    // ignoring case, so a new "ADD.CDX" beside "add.cdx" would do harm too).
    {
        const QFileInfo in(QString::fromStdString(input)), target(out);
        if (in.exists()) {
            const QString table = in.canonicalFilePath();
            const QString base = table.left(table.size() - in.suffix().size());
            const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
            const QString t = folder + QLatin1Char('/') + target.fileName();
            for (const QString& name : {table, base + QStringLiteral("cdx"), base + QStringLiteral("fpt")})
                if (t.compare(name, Qt::CaseInsensitive) == 0)
                    throw std::runtime_error("--out " + args.value("--out") + " would overwrite " + input +
                                             " or its memo or index file");
        }
    }

    auto t = Table::open(input, OpenMode::ReadOnly);
    if (t->fieldIndex("ZIP") < 0) throw store::StoreError(t->path() + " has no ZIP field");
    const std::string userFilter = args.value("--filter");
    applyFilter(*t, userFilter);  // checks the user's expression on its own first
    if (t->fieldIndex("ISDEL") >= 0)
        t->setFilter(userFilter.empty() ? std::string("!ISDEL") : "(" + t->filter() + ") .AND. !ISDEL");

    class BarProgress : public mailing::PresortProgress {
    public:
        void status(const QString&) override {}
        // Ctrl+C stops the scan after the current record; nothing is written.
        bool afterRecord(int percent) override {
            if (percent == last_) return !ProgressBar::interrupted();
            last_ = percent;
            return bar.update(percent);
        }
        ProgressBar bar{"Presorting"};

    private:
        int last_ = -1;
    } progress;
    const mailing::PresortResult r = mailing::runPresort(*t, out, progress);
    progress.bar.finish();
    switch (r.outcome) {
    case mailing::PresortResult::Outcome::Cancelled:
        std::fprintf(stderr, "brindle-db presort: cancelled; no order file was written\n");
        return kExitError;
    case mailing::PresortResult::Outcome::Failed:
        std::fprintf(stderr, "brindle-db presort: %s\n", r.error.toLocal8Bit().constData());
        return kExitError;
    case mailing::PresortResult::Outcome::Completed: break;
    }
    const auto row = [](const char* name, const mailing::GroupTotals& g) {
        std::printf("%-9s %8d %8d %10llu\n", name, g.groups, g.keys, static_cast<unsigned long long>(g.pieces));
    };
    std::printf("%-9s %8s %8s %10s\n", "Group", "Groups", "Keys", "Pieces");
    row("5-digit", r.summary.fiveDigit);
    row("3-digit", r.summary.threeDigit);
    row("ADC", r.summary.adc);
    row("Unknown", r.summary.unknown);
    std::printf("Records: %llu read, %llu presorted, %llu left out (no US ZIP code)\n",
                static_cast<unsigned long long>(r.recordsRead), static_cast<unsigned long long>(r.counted),
                static_cast<unsigned long long>(r.leftOut));
    std::printf("Order file: %s (%zu lines)\n", args.value("--out").c_str(), r.lines);
    return kExitOk;
}

// ---------------------------------------------------------------- table of commands

const std::vector<Command> kCommands = {
    {"info", "table type, code page, counts, fields and index tags",
     "Usage: brindle-db info FILE\n"
     "\n"
     "Shows the table type, code page, record count, header and record length,\n"
     "the fields (name, type, width, decimals) and the index tags with their key\n"
     "expressions. When the index file cannot be used, says why.\n",
     cmdInfo},
    {"dump", "records as CSV or TSV (UTF-8)",
     "Usage: brindle-db dump FILE [--order TAG] [--filter EXPR] [--format csv|tsv]\n"
     "\n"
     "Writes a header row of field names, then one row per record, memos included,\n"
     "in UTF-8. Records flagged as deleted are left out.\n"
     "  --order TAG      walk the records in the order of this index tag\n"
     "  --filter EXPR    only records for which the xBase expression is true,\n"
     "                   e.g. 'UPPER(STATE)=\"CA\" .AND. !ISDEL'\n"
     "  --format FORMAT  csv (default; values with commas, quotes or line breaks are\n"
     "                   quoted) or tsv (tabs, line breaks and backslashes escaped\n"
     "                   as \\t \\n \\r \\\\)\n",
     cmdDump},
    {"count", "number of records under a filter",
     "Usage: brindle-db count FILE [--filter EXPR]\n"
     "\n"
     "Prints the number of records the filter admits (all records without one).\n"
     "Records flagged as deleted are not counted.\n",
     cmdCount},
    {"check", "integrity check of table, memo and index files",
     "Usage: brindle-db check FILE\n"
     "\n"
     "Checks the header against the file size, memo references and every index tag\n"
     "(keys recomputed from the records and in order); for an address file also that\n"
     "all 26 tags exist. Prints OK and exits 0 when the file is sound; otherwise\n"
     "prints one line per problem and exits 1.\n",
     cmdCheck},
    {"reindex", "pack and rebuild the 26 tags of an address file",
     "Usage: brindle-db reindex FILE [--repair]\n"
     "\n"
     "Removes records flagged as deleted for good (pack) and builds the 26 address\n"
     "tags anew. The new table, memo and index files are written beside the old\n"
     "ones and replace them only when complete: on any failure the file stays as it\n"
     "was. Shows progress when stderr is a terminal.\n"
     "\n"
     "Records whose memo text cannot be read (a reference past the end of the memo\n"
     "file, an impossible length) are listed and nothing is changed (exit 2).\n"
     "  --repair  clear such memo references instead, keeping every other field of\n"
     "            those records, and list the records that lost their memo\n",
     cmdReindex},
    {"create-address", "create an empty address file with its tags",
     "Usage: brindle-db create-address FILE\n"
     "\n"
     "Creates an address file (23 fields with the default widths, memo file, 26 index\n"
     "tags). Fails when FILE exists.\n",
     cmdCreateAddress},
    {"sample", "create an address file of synthetic records",
     "Usage: brindle-db sample FILE --records N [--seed S] [--overwrite] [--no-tags]\n"
     "\n"
     "Creates an address file of N made-up but realistic records (US names and\n"
     "addresses, phones, e-mails, codes, dates, some comments and memos, about 1%\n"
     "deleted). The same seed (default 1) gives the same records.\n"
     "  --overwrite  replace FILE (and its memo and index files) when it exists\n"
     "  --no-tags    leave the file without its index tags\n",
     cmdSample},
    {"render", "print a label or envelope design for one record to PDF",
     "Usage: brindle-db render DESIGN --db FILE [--record N] --out OUT.pdf\n"
     "\n"
     "Reads a label, envelope or report design file, fills its data objects from\n"
     "record N (default 1) of the address file (fields bound by their display\n"
     "labels, such as \"Last Name\") and prints it to a PDF on letter paper with the design's\n"
     "top-left corner at the paper's corner, as the program prints it.\n",
     cmdRender},
    {"presort", "bulk-mail presort: ZIP groups and the label order file",
     "Usage: brindle-db presort FILE [--filter EXPR] --out FILE.PSL\n"
     "\n"
     "Counts the records per ZIP key (the first five characters of ZIP, upper case)\n"
     "and writes the print order of a presorted label job: 5-digit groups (10 or\n"
     "more pieces of one key), 3-digit groups (10 or more pieces under one prefix),\n"
     "ADC groups, and the keys no group took under \"** Unknown\". Lines end in\n"
     "CR LF; group lines start with \"** \". Records whose ZIP does not start with a\n"
     "digit (empty, foreign codes) are left out and counted. Records flagged ISDEL\n"
     "are left out, as in the program. The file is written beside FILE.PSL and\n"
     "renamed into place. Prints the groups, keys and pieces of each kind.\n"
     "  --filter EXPR  only records for which the xBase expression is true\n",
     cmdPresort},
    {"import-csv", "append the lines of a comma-separated text file", kImportCsvHelp, cmdImportCsv},
    {"import-dbf", "append the records of another DBF table", kImportDbfHelp, cmdImportDbf},
    {"import-older", "append an address table of Brindle 1.x or 2.x", kImportOlderHelp, cmdImportOlder},
    {"export", "copy records to a new DBF or comma-separated text file", kExportHelp, cmdExport},
    {"statezip", "records whose state and ZIP do not fit the state file", kStateZipHelp, cmdStateZip},
    {"duplicates", "possible duplicate records by name or street", kDuplicatesHelp, cmdDuplicates},
    {"convert-case", "upper, lower or capitalised case in chosen fields", kConvertCaseHelp, cmdConvertCase},
    {"replace", "replace a field's value where it equals or contains a text", kReplaceHelp, cmdReplace},
    {"delete-set", "delete all records, or those a filter matches or not", kDeleteSetHelp, cmdDeleteSet},
    {"zipcount", "records per ZIP code, and the ZIP count report as PDF", kZipCountHelp, cmdZipCount},
    {"envelopes", "print envelopes to PDF through the envelope print job", kEnvelopesHelp, cmdEnvelopes},
    {"labels", "print mailing labels to PDF through the label engine", kLabelsHelp, cmdLabels},
    {"letters", "merge a form letter with records and print it to PDF", kLettersHelp, cmdLetters},
};

void printOverview(std::FILE* to) {
    std::fprintf(to,
                 "Usage: brindle-db COMMAND [ARGUMENTS]\n"
                 "\n"
                 "Works on address files (DBF with CDX index and FPT memo) without the window.\n"
                 "\n"
                 "Commands:\n");
    for (const auto& c : kCommands) std::fprintf(to, "  %-15s %s\n", c.name, c.summary);
    std::fprintf(to,
                 "\n"
                 "'brindle-db COMMAND --help' describes a command; 'brindle-db --version' names the version.\n"
                 "Exit status: 0 done, 1 check found problems, 2 error.\n");
}

}  // namespace

const std::vector<Command>& commands() { return kCommands; }

int runCli(int argc, char** argv) {
    std::vector<std::string> words(argv + std::min(argc, 2), argv + argc);
    const std::string name = argc >= 2 ? argv[1] : "";
    if (name.empty()) {
        printOverview(stderr);
        return kExitError;
    }
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(stdout);
        return kExitOk;
    }
    if (name == "--version" || name == "-V") {
        std::printf("brindle-db %s\n", common::versionText().toStdString().c_str());
        return kExitOk;
    }
    const auto it = std::find_if(kCommands.begin(), kCommands.end(), [&](const Command& c) { return name == c.name; });
    if (it == kCommands.end()) {
        std::fprintf(stderr, "brindle-db: unknown command \"%s\"\nTry 'brindle-db --help'.\n", name.c_str());
        return kExitError;
    }
    if (wantsHelp(words)) {
        std::fputs(it->help, stdout);
        return kExitOk;
    }
    try {
        return it->run(words);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "brindle-db %s: %s\nTry 'brindle-db %s --help'.\n", it->name, e.what(), it->name);
    } catch (const store::InUseError& e) {
        std::fprintf(stderr, "brindle-db %s: file in use: %s\n", it->name, e.what());
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "brindle-db %s: %s\n", it->name, e.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "brindle-db %s: out of memory\n", it->name);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brindle-db %s: %s\n", it->name, e.what());
    }
    return kExitError;
}

}  // namespace brindle::cli

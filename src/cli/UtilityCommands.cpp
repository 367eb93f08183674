#include "UtilityCommands.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QString>
#include <cstdio>

#include "Arguments.h"
#include "Commands.h"
#include "ProgressBar.h"
#include "WalkBar.h"
#include "address/RecordSet.h"
#include "mailing/ZipCount.h"
#include "mailing/ZipReport.h"
#include "printing/PdfCanvas.h"
#include "store/StoreError.h"
#include "store/Table.h"
#include "utilities/CaseConversion.h"
#include "utilities/DeleteRecords.h"
#include "utilities/SearchReplace.h"

namespace brindle::cli {

const char* const kConvertCaseHelp =
    "Usage: brindle-db convert-case FILE --fields LIST --to upper|lower|capital [--filter EXPR]\n"
    "\n"
    "Rewrites text fields of the address file FILE in upper case, lower case, or\n"
    "with the first letter of every word capitalised (a word starts after a blank;\n"
    "O'BRIEN-JONES becomes O'brien-jones). Accented letters change too (JOSÉ to\n"
    "José); digits, blanks and punctuation stay.\n"
    "  --fields LIST   comma-separated field names: LNAME FNAME MIDDLE TITLE ORG\n"
    "                  STREET STREET2 CITY STATE ZIP COUNTRY PREFIX USER1 USER2\n"
    "                  CODES, or \"all\"\n"
    "  --filter EXPR   only the records the expression matches\n"
    "Records flagged as deleted are never changed. Ends with the number of records\n"
    "changed.\n";

const char* const kReplaceHelp =
    "Usage: brindle-db replace FILE --field NAME (--equals TEXT | --contains TEXT)\n"
    "                          [--ignore-case] (--whole TEXT | --part TEXT) [--filter EXPR]\n"
    "\n"
    "Finds the records of the address file FILE whose field NAME equals (or\n"
    "contains) TEXT and replaces the whole field (--whole) or every occurrence of\n"
    "the found text (--part). The text is taken literally: quotes and expression\n"
    "words in it mean nothing special. --equals \"\" finds empty fields.\n"
    "  --ignore-case   compare ignoring letter case (accented letters too)\n"
    "  --filter EXPR   only the records the expression matches\n"
    "Records flagged as deleted are never changed. Values that grow past the field's\n"
    "width are cut and counted. Ends with the number of records changed.\n";

const char* const kDeleteSetHelp =
    "Usage: brindle-db delete-set FILE (--all | --matching EXPR | --not-matching EXPR)\n"
    "\n"
    "Deletes records of the address file FILE: --all empties the file (its index\n"
    "tags stay); --matching and --not-matching mark the records the expression\n"
    "matches, or does not match, as deleted ('brindle-db reindex' removes them for\n"
    "good). Records deleted before are not counted again. Ends with the number of\n"
    "records deleted.\n";

const char* const kZipCountHelp =
    "Usage: brindle-db zipcount FILE [--filter EXPR] [--out OUT.pdf]\n"
    "\n"
    "Counts how many records of the address file FILE carry each ZIP code (its first\n"
    "five characters) and prints the report lines: five-character codes starting\n"
    "with a digit in order, two empty lines, the other codes, then BLANK for the\n"
    "records without one. Records flagged as deleted are not counted.\n"
    "  --filter EXPR   only the records the expression matches\n"
    "  --out OUT.pdf   also write the \"Zip Code Count Report\" pages to a PDF file\n"
    "Ends with the number of records counted.\n";

namespace {

// Text from the command line in the table's code page; what it cannot hold
// is an error naming the character.
std::string inTable(const store::Table& t, const std::string& utf8, const char* what) {
    const store::EncodedText encoded = t.codec().fromUtf8(utf8);
    if (!encoded.lossless())
        throw store::StoreError(std::string(what) + " \"" + utf8 + "\": \"" +
                                store::codePointToUtf8(encoded.lost.front().codePoint) +
                                "\" cannot be stored in the table's code page (" + t.codec().name() + ")");
    return encoded.text;
}

// The user's filter as the engine reads it; checked before anything changes.
std::string queryOf(const store::Table& t, const std::string& expr, const char* option) {
    if (expr.empty()) return {};
    const std::string bytes = inTable(t, expr, option);
    std::string error;
    if (!t.testExpression(bytes, &error))
        throw store::StoreError(std::string("invalid ") + option + " \"" + expr + "\": " + error);
    return bytes;
}

std::unique_ptr<store::Table> openForEdit(const std::string& path) {
    auto t = store::Table::open(path, store::OpenMode::Exclusive);
    if (t->fieldIndex("LNAME") < 0 || t->fieldIndex("ISDEL") < 0)
        throw store::StoreError(t->path() + " is not an address file (no LNAME or ISDEL field)");
    return t;
}

int finish(const char* name, WalkBar& progress, const utilities::BulkResult& r, const char* verb) {
    progress.bar.finish();
    if (r.cut > 0)
        std::printf("%llu values longer than the field were cut to its width\n",
                    static_cast<unsigned long long>(r.cut));
    std::printf("%s %llu records\n", verb, static_cast<unsigned long long>(r.changed));
    if (r.cancelled) {
        std::fprintf(stderr, "brindle-db %s: cancelled after %llu of %llu records\n", name,
                     static_cast<unsigned long long>(r.visited), static_cast<unsigned long long>(r.total));
        return kExitError;
    }
    return kExitOk;
}

}  // namespace

int cmdConvertCase(const std::vector<std::string>& words) {
    Arguments args(words, {"--fields", "--to", "--filter"}, {"--help"});
    args.expectPositional(1, "FILE");
    utilities::CaseConversionOptions options;
    const std::string to = args.value("--to");
    if (to == "upper") options.rule = utilities::CaseRule::Upper;
    else if (to == "lower") options.rule = utilities::CaseRule::Lower;
    else if (to == "capital") options.rule = utilities::CaseRule::Capitalised;
    else throw UsageError(to.empty() ? "missing --to upper|lower|capital" : "unknown --to " + to);
    if (!args.has("--fields")) throw UsageError("missing --fields LIST");
    std::string list = args.value("--fields");
    for (char& c : list) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::vector<std::string> asked;
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        std::string name = list.substr(from, comma - from);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        if (!name.empty()) asked.push_back(name);
        from = comma + 1;
    }
    for (const std::string& name : asked) {
        bool known = name == "ALL";
        for (const auto& f : utilities::convertibleFields()) known = known || name == f.field;
        if (!known) throw UsageError("--fields: " + name + " cannot be converted");
    }
    if (asked.empty()) throw UsageError("--fields names no field");
    // Processed in the window's order, whatever order the list has.
    for (const auto& f : utilities::convertibleFields())
        for (const std::string& name : asked)
            if (name == "ALL" || name == f.field) {
                options.fields.emplace_back(f.field);
                break;
            }

    auto t = openForEdit(args.positional()[0]);
    options.query = queryOf(*t, args.value("--filter"), "--filter");
    options.choice = options.query.empty() ? address::RecordChoice::All : address::RecordChoice::FilterMatches;
    WalkBar progress("Converting");
    const utilities::BulkResult r = utilities::runCaseConversion(*t, options, progress);
    return finish("convert-case", progress, r, "Converted");
}

int cmdReplace(const std::vector<std::string>& words) {
    Arguments args(words, {"--field", "--equals", "--contains", "--whole", "--part", "--filter"},
                   {"--ignore-case", "--help"});
    args.expectPositional(1, "FILE");
    if (args.has("--equals") == args.has("--contains")) throw UsageError("give one of --equals TEXT, --contains TEXT");
    if (args.has("--whole") == args.has("--part")) throw UsageError("give one of --whole TEXT, --part TEXT");
    std::string field = args.value("--field");
    for (char& c : field) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool listed = false;
    for (const auto& f : utilities::replaceFields()) listed = listed || field == f.field;
    if (!listed) throw UsageError(field.empty() ? "missing --field NAME" : "--field " + field + " cannot be replaced");

    auto t = openForEdit(args.positional()[0]);
    utilities::ReplaceOptions o;
    o.field = field;
    o.mode = args.has("--equals") ? utilities::FindMode::Equals : utilities::FindMode::Contains;
    o.find = QString::fromStdString(args.value(args.has("--equals") ? "--equals" : "--contains"));
    o.caseSensitive = !args.has("--ignore-case");
    o.action = args.has("--whole") ? utilities::ReplaceAction::WholeField : utilities::ReplaceAction::MatchingText;
    o.replacement = QString::fromStdString(args.value(args.has("--whole") ? "--whole" : "--part"));
    o.query = queryOf(*t, args.value("--filter"), "--filter");
    o.matchingFilter = !o.query.empty();
    const utilities::ReplacePlan plan = utilities::planReplace(*t, o);
    if (plan.refused()) throw store::StoreError(QString(plan.refusal).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).toStdString());
    WalkBar progress("Replacing");
    const utilities::BulkResult r = utilities::applyReplace(*t, o, plan, progress);
    return finish("replace", progress, r, "Replaced");
}

int cmdDeleteSet(const std::vector<std::string>& words) {
    Arguments args(words, {"--matching", "--not-matching"}, {"--all", "--help"});
    args.expectPositional(1, "FILE");
    const int given = int(args.has("--all")) + int(args.has("--matching")) + int(args.has("--not-matching"));
    if (given != 1) throw UsageError("give one of --all, --matching EXPR, --not-matching EXPR");
    auto t = openForEdit(args.positional()[0]);
    utilities::DeleteOptions o;
    if (args.has("--matching")) {
        o.choice = utilities::DeleteChoice::MatchingFilter;
        o.query = queryOf(*t, args.value("--matching"), "--matching");
    } else if (args.has("--not-matching")) {
        o.choice = utilities::DeleteChoice::NotMatchingFilter;
        o.query = queryOf(*t, args.value("--not-matching"), "--not-matching");
    }
    if (o.choice != utilities::DeleteChoice::All && o.query.empty()) throw UsageError("the expression is empty");
    WalkBar progress("Deleting");
    const utilities::BulkResult r = utilities::runDeleteRecords(*t, o, progress);
    return finish("delete-set", progress, r, "Deleted");
}

int cmdZipCount(const std::vector<std::string>& words) {
    Arguments args(words, {"--filter", "--out"}, {"--help"});
    args.expectPositional(1, "FILE");
    const std::string input = args.positional()[0];
    const QString out = QString::fromStdString(args.value("--out"));
    if (args.has("--out")) {
        const QFileInfo in(QString::fromStdString(input)), target(out);
        if (out.isEmpty()) throw UsageError("--out needs a file name");
        if (target.exists() && in.exists() && target.canonicalFilePath() == in.canonicalFilePath())
            throw std::runtime_error("--out " + args.value("--out") + " would overwrite " + input);
    }
    auto t = store::Table::open(input, store::OpenMode::ReadOnly);
    if (t->fieldIndex("ZIP") < 0) throw store::StoreError(t->path() + " has no ZIP field");
    const std::string query = queryOf(*t, args.value("--filter"), "--filter");
    t->setFilter(address::RecordSet::filterFor({address::RecordChoice::FilterMatches, query}, 0,
                                               t->fieldIndex("ISDEL") >= 0));
    class Progress : public mailing::ZipCountProgress {
    public:
        explicit Progress(std::uint32_t total) : total_(total ? total : 1), bar("Counting") {}
        void status(const QString&) override {}
        bool afterRecord() override {
            ++done_;
            const int percent = static_cast<int>(done_ * 100 / total_);
            if (percent == last_) return !ProgressBar::interrupted();
            last_ = percent;
            return bar.update(percent);
        }

    private:
        std::uint64_t total_, done_ = 0;
        int last_ = -1;

    public:
        ProgressBar bar;
    } progress(t->filterCount());
    const mailing::ZipCountResult r = mailing::runZipCount(*t, progress);
    progress.bar.finish();
    if (r.cancelled) {
        std::fprintf(stderr, "brindle-db zipcount: cancelled after %llu records\n",
                     static_cast<unsigned long long>(r.read));
        return kExitError;
    }
    for (const auto& line : r.lines) std::printf("%s\n", line.text().toUtf8().constData());
    std::printf("Counted %llu records\n", static_cast<unsigned long long>(r.read));
    if (args.has("--out")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "brindle-db";
        static char* argv[] = {name, nullptr};
        QGuiApplication app(argc, argv);
        printing::PdfCanvas pdf(out);
        pdf.setTitle(QStringLiteral("Brindle"));
        mailing::printZipReport(pdf, r.lines);
        if (!pdf.end()) {
            std::fprintf(stderr, "brindle-db zipcount: %s\n", pdf.errorString().toLocal8Bit().constData());
            return kExitError;
        }
        const int pages = pdf.pagesEmitted();
        std::printf("Report written to %s (%d %s)\n", out.toLocal8Bit().constData(), pages, pages == 1 ? "page" : "pages");
    }
    return kExitOk;
}

}  // namespace brindle::cli

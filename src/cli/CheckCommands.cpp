#include "CheckCommands.h"

#include <QDir>
#include <QString>
#include <cstdio>

#include "Arguments.h"
#include "Commands.h"
#include "ProgressBar.h"
#include "WalkBar.h"
#include "common/Common.h"
#include "mailing/StateZipCheck.h"
#include "store/StoreError.h"
#include "store/Table.h"
#include "utilities/DuplicateCheck.h"

namespace brindle::cli {

const char* const kStateZipHelp =
    "Usage: brindle-db statezip FILE [--blanks] [--csz CSZ.DBF]\n"
    "\n"
    "Lists the records of the address file FILE whose state (or province) and ZIP\n"
    "(or postal code) do not fit together: the state has no row in the state file,\n"
    "or none of its rows' ranges (LOW_ZIP to HIGH_ZIP, compared as text) holds the\n"
    "ZIP. States are matched exactly as written, so a lower-case abbreviation is\n"
    "reported. Records flagged as deleted are never listed.\n"
    "  --blanks     also check records with an empty state or ZIP\n"
    "  --csz FILE   the state file (default: sysdata/CSZ.DBF of the program)\n"
    "Prints record number, last and first name, state and ZIP of each record found,\n"
    "then the count. Exits 0 when none is found, 1 when some are.\n";

const char* const kDuplicatesHelp =
    "Usage: brindle-db duplicates FILE --kind name|initial|street [--length N]\n"
    "\n"
    "Walks the address file FILE in name order (tag NAME) or street order (tag\n"
    "STREET) and lists every record whose key equals the record before it, ignoring\n"
    "letter case (accented letters too):\n"
    "  --kind name      last name followed by first name\n"
    "  --kind initial   last name followed by the first letter of the first name\n"
    "  --kind street    the first N characters of Address 1\n"
    "  --length N       N for the street kind, 1 to 30 (default 30)\n"
    "Records without a last name (name kinds) or street (street kind) and records\n"
    "flagged as deleted are never listed. Prints both record numbers of each pair\n"
    "with their key fields, then the count. Exits 0 when none is found, 1 when\n"
    "some are.\n";

namespace {

std::unique_ptr<store::Table> openAddress(const std::string& path, std::initializer_list<const char*> fields) {
    auto t = store::Table::open(path, store::OpenMode::ReadOnly);
    for (const char* f : fields)
        if (t->fieldIndex(f) < 0) throw store::StoreError(t->path() + " has no " + f + " field");
    if (t->fieldIndex("ISDEL") >= 0) t->setFilter("!ISDEL");
    return t;
}

std::string text(const store::Table& t, const char* field) { return t.codec().toUtf8(t.getString(field)); }

}  // namespace

int cmdStateZip(const std::vector<std::string>& words) {
    Arguments args(words, {"--csz"}, {"--blanks", "--help"});
    args.expectPositional(1, "FILE");
    const std::string csz =
        args.has("--csz") ? args.value("--csz")
                          : QDir(common::sysdataDir()).filePath(QStringLiteral("CSZ.DBF")).toStdString();
    mailing::StateZipRanges ranges;
    {
        auto table = store::Table::open(csz, store::OpenMode::ReadOnly);
        for (const char* f : {"STATE", "LOW_ZIP", "HIGH_ZIP"})
            if (table->fieldIndex(f) < 0) throw store::StoreError(table->path() + " has no " + f + " field");
        ranges = mailing::StateZipRanges::fromTable(*table);
    }
    auto t = openAddress(args.positional()[0],
                         {"STATE", "ZIP", "LNAME", "FNAME"});
    WalkBar progress("Checking");
    const mailing::StateZipResult r =
        mailing::runStateZipCheck(*t, ranges, {.includeBlanks = args.has("--blanks")}, progress, nullptr);
    progress.bar.finish();
    for (std::uint32_t recno : r.records) {
        t->go(recno);
        std::printf("%8u  %s, %s  state \"%s\"  zip \"%s\"\n", recno, text(*t, "LNAME").c_str(),
                    text(*t, "FNAME").c_str(), text(*t, "STATE").c_str(), text(*t, "ZIP").c_str());
    }
    std::printf("Found %d records with questionable state or zipcodes\n", r.found());
    if (r.cancelled) {
        std::fprintf(stderr, "brindle-db statezip: cancelled after %llu records\n",
                     static_cast<unsigned long long>(r.read));
        return kExitError;
    }
    return r.found() > 0 ? kExitProblems : kExitOk;
}

int cmdDuplicates(const std::vector<std::string>& words) {
    Arguments args(words, {"--kind", "--length"}, {"--help"});
    args.expectPositional(1, "FILE");
    utilities::DuplicateOptions options;
    const std::string kind = args.value("--kind");
    if (kind == "name") options.kind = utilities::DuplicateKind::LastFirst;
    else if (kind == "initial") options.kind = utilities::DuplicateKind::LastFirstInitial;
    else if (kind == "street") options.kind = utilities::DuplicateKind::Street;
    else throw UsageError(kind.empty() ? "missing --kind name|initial|street" : "unknown --kind " + kind);
    const std::uint64_t length = args.number("--length", utilities::kMaxStreetLength);
    if (length < 1 || length > static_cast<std::uint64_t>(utilities::kMaxStreetLength))
        throw UsageError("--length must be 1 to 30");
    if (args.has("--length") && options.kind != utilities::DuplicateKind::Street)
        throw UsageError("--length applies only to --kind street");
    options.streetLength = static_cast<int>(length);

    const bool street = options.kind == utilities::DuplicateKind::Street;
    auto t = openAddress(args.positional()[0], {"LNAME", "FNAME", "STREET"});
    WalkBar progress("Checking");
    const utilities::DuplicateResult r = utilities::runDuplicateCheck(*t, options, progress, nullptr);
    progress.bar.finish();
    const auto describe = [&](std::uint32_t recno) {
        t->go(recno);
        return street ? "\"" + text(*t, "STREET") + "\"" : text(*t, "LNAME") + ", " + text(*t, "FNAME");
    };
    for (const auto& p : r.pairs) {
        const std::string a = describe(p.previous), b = describe(p.current);
        std::printf("%8u  %-40s %8u  %s\n", p.previous, a.c_str(), p.current, b.c_str());
    }
    std::printf("Found %d possible duplicates\n", r.found());
    if (r.cancelled) {
        std::fprintf(stderr, "brindle-db duplicates: cancelled after %llu records\n",
                     static_cast<unsigned long long>(r.read));
        return kExitError;
    }
    return r.found() > 0 ? kExitProblems : kExitOk;
}

}  // namespace brindle::cli

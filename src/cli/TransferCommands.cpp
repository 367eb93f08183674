#include "TransferCommands.h"

#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <optional>

#include "Arguments.h"
#include "Commands.h"
#include "ProgressBar.h"
#include "address/AddressFile.h"
#include "address/AddressSchema.h"
#include "store/Cp1252.h"
#include "store/Table.h"
#include "transfer/DbfImport.h"
#include "transfer/Export.h"
#include "transfer/FieldMatching.h"
#include "transfer/ImportRun.h"

namespace brindle::cli {

const char* const kImportCsvHelp =
    "Usage: brindle-db import-csv FILE SOURCE --map SPEC [--separator C] [--header]\n"
    "                             [--encoding E]\n"
    "\n"
    "Appends one record to the address file FILE for every line of the comma-\n"
    "separated text SOURCE, then builds the 26 tags anew. Quoted values may hold\n"
    "separators, quotes (doubled) and line breaks (stored as blanks).\n"
    "  --map SPEC       which column fills which field: COLUMN=FIELD pairs separated\n"
    "                   by commas; COLUMN is a number from 1 or, with --header, a\n"
    "                   name of the first line; FIELD is a field name or its label:\n"
    "                   --map '1=LNAME,2=FNAME,5=Zip/Postal Code'. With --header,\n"
    "                   'auto' matches columns whose names are field names or labels\n"
    "  --separator C    comma, semicolon or tab (default: judged from the first line)\n"
    "  --header         the first line holds column names and is not imported\n"
    "  --encoding E     utf-8, windows-1252 or utf-16 (default: judged from the\n"
    "                   file; a byte-order mark decides)\n"
    "Values longer than their field and characters the file cannot hold are\n"
    "counted and named in the report.\n";

const char* const kImportDbfHelp =
    "Usage: brindle-db import-dbf FILE SOURCE [--map SPEC]\n"
    "\n"
    "Appends the records of the table SOURCE (dBASE, FoxPro or Visual FoxPro, text\n"
    "decoded through its code page) to the address file FILE, then builds the 26\n"
    "tags anew.\n"
    "  --map SPEC  SOURCEFIELD=FIELD pairs separated by commas (FIELD a field name or\n"
    "              label). Without it, fields are matched by name: memos to MEMO,\n"
    "              character, numeric, logical and date fields to the address field\n"
    "              of the same name or label.\n";

const char* const kImportOlderHelp =
    "Usage: brindle-db import-older FILE SOURCE [--generation 1|2]\n"
    "\n"
    "Appends the records of an address table written by Brindle 1.x or 2.x to the\n"
    "address file FILE with the fixed field mapping of that generation (1.x NOTES go\n"
    "to CODES and its dates are rewritten as YYYYMMDD), then builds the 26 tags anew.\n"
    "The generation is recognised by the table's fields unless given.\n";

const char* const kExportHelp =
    "Usage: brindle-db export FILE OUT (--dbf | --csv [--encoding E] [--header])\n"
    "                         [--filter EXPR] [--order TAG] [--overwrite]\n"
    "\n"
    "Copies the records of the address file FILE into OUT.\n"
    "  --dbf          a new table with the address file's structure (no index)\n"
    "  --csv          comma-separated text: PREFIX FNAME MIDDLE LNAME TITLE ORG STREET\n"
    "                 STREET2 CITY STATE ZIP COUNTRY PHONE PHONE2 EMAIL FAX DATE USER1\n"
    "                 USER2 CODES, every value quoted (quotes doubled), CR LF\n"
    "  --encoding E   utf-8 (default) or windows-1252\n"
    "  --header       a first line of field names\n"
    "  --filter EXPR  only records for which the xBase expression is true\n"
    "  --order TAG    in the order of this index tag\n"
    "  --overwrite    replace OUT when it exists\n";

namespace {

const std::set<std::string> kHelpSwitches = {"--help", "-h"};

std::set<std::string> switchesWith(std::set<std::string> s) {
    s.insert(kHelpSwitches.begin(), kHelpSwitches.end());
    return s;
}

std::vector<std::pair<QString, QString>> parseMap(const std::string& spec) {
    std::vector<std::pair<QString, QString>> out;
    for (const QString& part : QString::fromStdString(spec).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0 || eq == part.size() - 1) throw UsageError("--map: \"" + part.toStdString() + "\" is not SOURCE=FIELD");
        out.emplace_back(part.left(eq).trimmed(), part.mid(eq + 1).trimmed());
    }
    return out;
}

QString targetField(const std::vector<transfer::ImportTarget>& targets, const QString& name) {
    const int r = transfer::findTarget(targets, name);
    if (r < 0) {
        QString known;
        for (const auto& t : targets) known += (known.isEmpty() ? "" : ", ") + t.field;
        throw UsageError("--map: no address field \"" + name.toStdString() + "\" (fields: " + known.toStdString() + ")");
    }
    return targets[static_cast<std::size_t>(r)].field;
}

std::unique_ptr<store::Table> openAddressFile(const std::string& path) {
    auto t = store::Table::open(path, store::OpenMode::Exclusive);
    const auto missing = address::missingAddressFields(*t);
    if (!missing.empty()) {
        std::string list;
        for (const auto& m : missing) list += (list.empty() ? "" : ", ") + m;
        throw store::StoreError(t->path() + " is not an address file (missing fields: " + list + ")");
    }
    return t;
}

// Runs an import with two bars (records, then tags) and prints the report.
int runWithBars(store::Table& target, const std::function<transfer::ImportResult(const transfer::RunControl&)>& run,
                const char* name) {
    auto importBar = std::make_unique<ProgressBar>("Importing");
    std::unique_ptr<ProgressBar> indexBar;
    transfer::RunControl control;
    control.progress = [&](int pct) {
        if (indexBar) indexBar->update(pct);
        else if (importBar) importBar->update(pct);
    };
    control.status = [&](const QString& s) {
        if (s.startsWith(QLatin1String("Rebuilding"))) {
            importBar.reset();
            indexBar = std::make_unique<ProgressBar>("Indexing");
        }
    };
    control.cancelRequested = [] { return ProgressBar::interrupted(); };
    const transfer::ImportResult r = run(control);
    importBar.reset();
    indexBar.reset();
    target.close();
    const std::string message = r.message().replace(QLatin1String("\r\n"), QLatin1String("\n")).toStdString();
    const bool failed = r.outcome == transfer::ImportOutcome::ReadError || r.outcome == transfer::ImportOutcome::WriteError;
    std::fprintf(failed ? stderr : stdout, "%s%s\n", failed ? (std::string("brindle-db ") + name + ": ").c_str() : "",
                 message.c_str());
    std::printf("%u records imported, %llu values cut, %llu characters replaced\n", r.imported,
                static_cast<unsigned long long>(r.notes.cut), static_cast<unsigned long long>(r.notes.replaced));
    if (!r.tagsBuilt) {
        std::fprintf(stderr, "brindle-db %s: Unable to create index files: %s\n", name, r.tagError.toStdString().c_str());
        return kExitError;
    }
    return failed ? kExitError : kExitOk;
}

void refuseSelf(const std::string& file, const std::string& source) {
    if (transfer::sameFile(QString::fromStdString(file), QString::fromStdString(source)))
        throw store::StoreError("cannot import a file to itself");
}

}  // namespace

int cmdImportCsv(const std::vector<std::string>& words) {
    Arguments args(words, {"--map", "--separator", "--encoding"}, switchesWith({"--header"}));
    args.expectPositional(2, "FILE SOURCE");
    const std::string file = args.positional()[0], sourcePath = args.positional()[1];
    if (!args.has("--map")) throw UsageError("--map is required");
    transfer::CsvOptions options;
    options.headerLine = args.has("--header");
    if (args.has("--separator")) {
        options.separator = transfer::parseSeparator(QString::fromStdString(args.value("--separator")));
        if (!options.separator) throw UsageError("--separator: comma, semicolon or tab");
    }
    if (args.has("--encoding")) {
        options.encoding = transfer::parseEncoding(QString::fromStdString(args.value("--encoding")));
        if (!options.encoding) throw UsageError("--encoding: utf-8, windows-1252 or utf-16");
    }
    refuseSelf(file, sourcePath);
    // The columns and their names come from the file's first lines.
    std::string bytes;
    QString error;
    if (!transfer::readWholeFile(QString::fromStdString(sourcePath), bytes, &error))
        throw store::StoreError("cannot read " + sourcePath + ": " + error.toStdString());
    const transfer::CsvSample sample = transfer::sampleCsv(transfer::decodeText(bytes, options.encoding), options);
    bytes.clear();
    const auto targets = transfer::importTargets(transfer::TargetSet::Text);
    transfer::ColumnMap map;
    const std::string spec = args.value("--map");
    if (spec == "auto") {
        if (!options.headerLine) throw UsageError("--map auto needs --header");
        std::vector<QString> names = sample.names;
        transfer::FieldMatching m(targets, names);
        m.matchByName();
        for (const auto& [column, field] : m.pairs()) map.emplace_back(column, field);
        if (map.empty()) throw UsageError("--map auto: no column name is a field name or label");
    } else {
        for (const auto& [src, dst] : parseMap(spec)) {
            bool isNumber = false;
            const int n = src.toInt(&isNumber);
            int column = -1;
            if (isNumber) column = n - 1;
            else if (options.headerLine)
                for (int c = 0; c < sample.columnCount(); ++c)
                    if (sample.names[static_cast<std::size_t>(c)].compare(src, Qt::CaseInsensitive) == 0) column = c;
            if (column < 0) throw UsageError("--map: no column \"" + src.toStdString() + "\"");
            map.emplace_back(column, targetField(targets, dst));
        }
    }
    options.separator = sample.separator;
    options.encoding = sample.encoding;
    auto target = openAddressFile(file);
    std::fprintf(stderr, "%s: %s, separator %s\n", sourcePath.c_str(), transfer::encodingName(sample.encoding).toStdString().c_str(),
                 transfer::separatorName(sample.separator).toStdString().c_str());
    return runWithBars(*target, [&](const transfer::RunControl& c) {
        return transfer::importCsvFile(*target, QString::fromStdString(sourcePath), options, map, c);
    }, "import-csv");
}

int cmdImportDbf(const std::vector<std::string>& words) {
    Arguments args(words, {"--map"}, switchesWith({}));
    args.expectPositional(2, "FILE SOURCE");
    const std::string file = args.positional()[0], sourcePath = args.positional()[1];
    refuseSelf(file, sourcePath);
    transfer::OpenedSource source = transfer::openDbfSource(QString::fromStdString(sourcePath));
    if (!source.table) throw store::StoreError(source.refusal.toStdString());
    std::vector<std::pair<int, QString>> map;
    if (args.has("--map")) {
        const auto targets = transfer::importTargets(transfer::TargetSet::Dbf);
        for (const auto& [src, dst] : parseMap(args.value("--map"))) {
            const int f = source.table->fieldIndex(src.toUpper().toStdString());
            if (f < 0) throw UsageError("--map: the source has no field \"" + src.toStdString() + "\"");
            const QString field = targetField(targets, dst);
            const auto& t = targets[static_cast<std::size_t>(transfer::findTarget(targets, field))];
            if (!transfer::allowedForTarget(source.fields[static_cast<std::size_t>(f)].type, t))
                throw UsageError("--map: " + src.toStdString() + " cannot go to " + field.toStdString() +
                                 " (memos go only to MEMO, and MEMO takes only memos)");
            map.emplace_back(f, field);
        }
    } else {
        map = transfer::proposeDbfMatching(source.fields).pairs();
    }
    if (map.empty()) throw UsageError("no source field matches an address field by name; give --map");
    for (const auto& [f, field] : map)
        std::fprintf(stderr, "  %s -> %s\n", source.fields[static_cast<std::size_t>(f)].name.toStdString().c_str(),
                     field.toStdString().c_str());
    auto target = openAddressFile(file);
    return runWithBars(*target, [&](const transfer::RunControl& c) {
        transfer::DbfSource s(*source.table, *target, map);
        return transfer::runImport(*target, s, transfer::ImportKind::Dbf, c);
    }, "import-dbf");
}

int cmdImportOlder(const std::vector<std::string>& words) {
    Arguments args(words, {"--generation"}, switchesWith({}));
    args.expectPositional(2, "FILE SOURCE");
    const std::string file = args.positional()[0], sourcePath = args.positional()[1];
    refuseSelf(file, sourcePath);
    const QString path = QString::fromStdString(sourcePath);
    std::optional<transfer::Generation> generation;
    const std::string g = args.value("--generation");
    if (g == "1" || g == "1.x") generation = transfer::Generation::V1;
    else if (g == "2" || g == "2.x") generation = transfer::Generation::V2;
    else if (!g.empty()) throw UsageError("--generation: 1 or 2");
    transfer::OpenedSource source;
    if (generation) {
        source = transfer::openOlderSource(path, *generation);
    } else {
        source = transfer::openOlderSource(path, transfer::Generation::V2);
        generation = transfer::Generation::V2;
        if (!source.table && source.refusal.contains(QLatin1String("does not appear"))) {
            source = transfer::openOlderSource(path, transfer::Generation::V1);
            generation = transfer::Generation::V1;
            if (!source.table && source.refusal.contains(QLatin1String("does not appear")))
                throw store::StoreError(sourcePath + " does not appear to be a Brindle 1.x or 2.x DBF");
        }
    }
    if (!source.table) throw store::StoreError(source.refusal.toStdString());
    std::fprintf(stderr, "%s: Brindle %s address table\n", sourcePath.c_str(),
                 transfer::generationName(*generation).toStdString().c_str());
    auto target = openAddressFile(file);
    return runWithBars(*target, [&](const transfer::RunControl& c) {
        transfer::OlderSource s(*source.table, *target, *generation);
        return transfer::runImport(*target, s, transfer::ImportKind::Dbf, c);
    }, "import-older");
}

int cmdExport(const std::vector<std::string>& words) {
    Arguments args(words, {"--encoding", "--filter", "--order"}, switchesWith({"--dbf", "--csv", "--header", "--overwrite"}));
    args.expectPositional(2, "FILE OUT");
    if (args.has("--dbf") == args.has("--csv")) throw UsageError("choose one of --dbf and --csv");
    transfer::ExportOptions options;
    options.format = args.has("--dbf") ? transfer::ExportFormat::Dbf : transfer::ExportFormat::Csv;
    if (args.has("--encoding")) {
        if (options.format == transfer::ExportFormat::Dbf) throw UsageError("--encoding is for --csv");
        const auto e = transfer::parseEncoding(QString::fromStdString(args.value("--encoding")));
        if (!e || (*e != transfer::TextEncoding::Utf8 && *e != transfer::TextEncoding::Windows1252))
            throw UsageError("--encoding: utf-8 or windows-1252");
        options.encoding = *e;
    }
    options.headerLine = args.has("--header");
    const QString file = QString::fromStdString(args.positional()[0]);
    const QString out = QString::fromStdString(args.positional()[1]);
    if (options.format == transfer::ExportFormat::Dbf && QFileInfo(out).suffix().toUpper() != QLatin1String("DBF"))
        throw UsageError("OUT must have a .DBF extension");
    auto t = store::Table::open(file.toStdString(), store::OpenMode::ReadOnly);
    const QString existing = transfer::existingIgnoringCase(out);
    if (transfer::sameFile(out, file) || (!existing.isEmpty() && transfer::sameFile(existing, file)) ||
        QFileInfo(out).absoluteFilePath().compare(QFileInfo(file).absoluteFilePath(), Qt::CaseInsensitive) == 0)
        throw store::StoreError("cannot copy a file to itself");
    if (!existing.isEmpty() && !args.has("--overwrite"))
        throw store::StoreError(existing.toStdString() + " already exists (--overwrite replaces it)");
    if (const std::string tag = args.value("--order"); !tag.empty()) {
        const int order = t->tagArea(tag);
        if (order <= 0) throw store::StoreError("no tag named " + tag + " in " + t->path());
        t->setOrder(order);
    }
    if (const std::string expr = args.value("--filter"); !expr.empty()) {
        const store::EncodedText encoded = t->codec().fromUtf8(expr);
        if (!encoded.lossless()) throw store::StoreError("the filter holds characters the file's code page cannot hold");
        try {
            t->setFilter(encoded.text);
        } catch (const store::ExprError& e) {
            throw store::StoreError("invalid filter \"" + expr + "\": " + e.what());
        }
    }
    transfer::ExportResult r;
    {
        ProgressBar bar("Copying");
        transfer::RunControl control;
        control.progress = [&bar](int pct) { bar.update(pct); };
        control.cancelRequested = [] { return ProgressBar::interrupted(); };
        r = transfer::exportRecords(*t, existing.isEmpty() ? out : existing, options, control);
    }
    const std::string message = r.message().replace(QLatin1String("\r\n"), QLatin1String("\n")).toStdString();
    if (r.outcome == transfer::ExportResult::Failed) {
        std::fprintf(stderr, "brindle-db export: %s\n", message.c_str());
        return kExitError;
    }
    if (!message.empty()) std::printf("%s\n", message.c_str());
    std::printf("%u records written to %s, %llu characters replaced\n", r.copied, r.path.toStdString().c_str(),
                static_cast<unsigned long long>(r.notes.replaced));
    return kExitOk;
}

}  // namespace brindle::cli

// Imports and exports of a large address file: the comma-separated export
// of every record (the twenty fields, UTF-8), the DBF export, and the import
// of that text into a new address file including the build of its 26 tags,
// as `brindle-db export` and `brindle-db import-csv` run them. Beside them,
// the sqlite3 shell's `.import` of the same file into a table without indexes,
// where the sqlite3 program is installed, as a yardstick.
//
// Records: $BRINDLE_BENCH_RECORDS (default 1,000,000), made by the sample
// generator (seed 20240501) in a fresh temporary folder, removed afterwards.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "SampleData.h"
#include "address/AddressSchema.h"
#include "store/Table.h"
#include "transfer/Export.h"
#include "transfer/ImportRun.h"

using namespace brindle;

namespace {

struct Fixture {
    QTemporaryDir dir;
    std::string path;
    QString csv;
    std::uint64_t records = 1000000;
    std::uint32_t exported = 0;  // the records not flagged as deleted
    Fixture() {
        if (const char* e = std::getenv("BRINDLE_BENCH_RECORDS")) records = std::strtoull(e, nullptr, 10);
        path = (dir.path() + QStringLiteral("/ADD0001.DBF")).toStdString();
        csv = dir.path() + QStringLiteral("/ALL.CSV");
        sample::SampleOptions opt;
        opt.records = records;
        opt.seed = 20240501;
        sample::writeSampleFile(path, opt);
        auto t = store::Table::open(path, store::OpenMode::ReadOnly);
        transfer::ExportOptions o;
        o.format = transfer::ExportFormat::Csv;
        exported = transfer::exportRecords(*t, csv, o, {}).copied;
    }
};

Fixture& fx() {
    static Fixture f;
    return f;
}

void BM_ExportCsv(benchmark::State& state) {
    Fixture& f = fx();
    auto t = store::Table::open(f.path, store::OpenMode::ReadOnly);
    transfer::ExportOptions o;
    o.format = transfer::ExportFormat::Csv;
    const QString out = f.dir.path() + QStringLiteral("/OUT.CSV");
    for (auto _ : state) {
        const transfer::ExportResult r = transfer::exportRecords(*t, out, o, {});
        if (r.outcome != transfer::ExportResult::Complete) state.SkipWithError("export failed");
        benchmark::DoNotOptimize(r.copied);
    }
    state.counters["records"] = static_cast<double>(f.exported);
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_ExportDbf(benchmark::State& state) {
    Fixture& f = fx();
    auto t = store::Table::open(f.path, store::OpenMode::ReadOnly);
    transfer::ExportOptions o;
    const QString out = f.dir.path() + QStringLiteral("/OUT.DBF");
    for (auto _ : state) {
        const transfer::ExportResult r = transfer::exportRecords(*t, out, o, {});
        if (r.outcome != transfer::ExportResult::Complete) state.SkipWithError("export failed");
    }
}
BENCHMARK(BM_ExportDbf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The whole import: reading and decoding the file, appending, and the 26 tags.
void BM_ImportCsvWithTags(benchmark::State& state) {
    Fixture& f = fx();
    transfer::ColumnMap map;
    const auto& fields = transfer::exportedTextFields();
    for (std::size_t i = 0; i < fields.size(); ++i) map.emplace_back(static_cast<int>(i), QString::fromLatin1(fields[i]));
    const std::string target = (f.dir.path() + QStringLiteral("/IMPORT.DBF")).toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* ext : {"DBF", "FPT", "CDX"})
            QFile::remove(f.dir.path() + QStringLiteral("/IMPORT.") + QLatin1String(ext));
        address::createAddressFile(target, address::FieldLengths::defaults());
        auto t = store::Table::open(target, store::OpenMode::Exclusive);
        state.ResumeTiming();
        const transfer::ImportResult r = transfer::importCsvFile(*t, f.csv, {}, map, {});
        if (r.imported != f.exported || !r.tagsBuilt) state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportCsvWithTags)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_SqliteShellImport(benchmark::State& state) {
    Fixture& f = fx();
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty()) {
        state.SkipWithError("sqlite3 is not installed");
        return;
    }
    const QString db = f.dir.path() + QStringLiteral("/import.sqlite");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(db);
        state.ResumeTiming();
        QProcess p;
        p.start(shell, {db, QStringLiteral(".mode csv"), QStringLiteral(".import ") + f.csv + QStringLiteral(" addr")});
        p.waitForFinished(-1);
        if (p.exitCode() != 0) state.SkipWithError("sqlite3 .import failed");
    }
}
BENCHMARK(BM_SqliteShellImport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

// The main window's work at the logic level on a large address file: opening
// it, moving to the next record, changing the sort order, applying a typical
// filter and showing the filter status.
//
// Records: $BRINDLE_BENCH_RECORDS (default 1,000,000), made by the sample
// generator (seed 20240501) in a fresh temporary folder, removed afterwards.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "SampleData.h"
#include "address/AddressFile.h"
#include "address/Query.h"
#include "common/ScriptedDialogs.h"

using namespace brindle;

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString path;
    common::ScriptedDialogs dialogs;
    std::unique_ptr<address::AddressFile> file;
    Fixture() {
        std::uint64_t records = 1000000;
        if (const char* e = std::getenv("BRINDLE_BENCH_RECORDS")) records = std::strtoull(e, nullptr, 10);
        path = dir.path() + QStringLiteral("/ADD0001.DBF");
        sample::SampleOptions opt;
        opt.records = records;
        opt.seed = 20240501;
        sample::writeSampleFile(path.toStdString(), opt);
        file = std::make_unique<address::AddressFile>(dialogs, dir.path() + QStringLiteral("/BRINDL.ini"));
        file->setGlobalTagId(QStringLiteral("BENCH"));
        file->openBRWDBF(path);
    }
    void setQuery(int field, const char* text) {
        address::QueryVars v;
        if (field >= 0) v.texts[static_cast<std::size_t>(field)] = QString::fromLatin1(text);
        file->setQueryVars(v);
    }
};

Fixture& fx() {
    static Fixture f;
    return f;
}

void BM_OpenFile(benchmark::State& state) {
    Fixture& f = fx();
    for (auto _ : state) {
        f.file->close();
        f.file->openBRWDBF(f.path);
        benchmark::DoNotOptimize(f.file->filterStatus());
    }
}

void BM_NextRecord(benchmark::State& state) {
    Fixture& f = fx();
    f.setQuery(-1, "");
    f.file->applyQuery();
    f.file->first();
    for (auto _ : state) {
        if (!f.file->next()) f.file->first();
        benchmark::DoNotOptimize(f.file->filterStatus());
        benchmark::DoNotOptimize(f.file->field("LNAME"));
    }
}

void BM_ChangeSortOrder(benchmark::State& state) {
    Fixture& f = fx();
    bool city = false;
    for (auto _ : state) {
        f.file->setOrderTo(city ? QStringLiteral("City") : QStringLiteral("Zip"));
        f.file->first();
        city = !city;
    }
    f.file->setOrderTo(QStringLiteral("Last Name"));
}

void BM_ApplyLastNamePrefix(benchmark::State& state) {
    Fixture& f = fx();
    for (auto _ : state) {
        f.setQuery(0, "jo");
        benchmark::DoNotOptimize(f.file->applyQuery());
        f.file->first();
    }
}

void BM_ApplyCodesContainment(benchmark::State& state) {
    Fixture& f = fx();
    for (auto _ : state) {
        f.setQuery(15, "$A");
        benchmark::DoNotOptimize(f.file->applyQuery());
        f.file->first();
    }
}

void BM_FilterStatusAfterDataChange(benchmark::State& state) {
    Fixture& f = fx();
    f.setQuery(0, "jo");
    f.file->applyQuery();
    for (auto _ : state) {
        f.file->dataChanged();
        benchmark::DoNotOptimize(f.file->filterStatus());
    }
}

void BM_FilterStatusOnRecordMove(benchmark::State& state) {
    Fixture& f = fx();
    f.setQuery(15, "$A");
    f.file->applyQuery();
    f.file->first();
    for (auto _ : state) {
        if (!f.file->next()) f.file->first();
        benchmark::DoNotOptimize(f.file->filterStatus());
    }
}

}  // namespace

BENCHMARK(BM_OpenFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextRecord)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChangeSortOrder)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyLastNamePrefix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyCodesContainment)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterStatusAfterDataChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterStatusOnRecordMove)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fx().file.reset();
    return 0;
}

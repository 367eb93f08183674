// The bulk-mail presort on a large address file: the scan that counts the
// records per ZIP key and the grouping that writes the order file, as
// `brindle-db presort FILE --out FILE.PSL` runs them (records flagged ISDEL
// left out). A second case groups a tally of many thinly spread keys, where
// the 3-digit and ADC passes do most of the work.
//
// Records: $BRINDLE_BENCH_RECORDS (default 1,000,000), made by the sample
// generator (seed 20240501) in a fresh temporary folder, removed afterwards.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "SampleData.h"
#include "mailing/Presort.h"
#include "store/Table.h"

using namespace brindle;

namespace {

struct Fixture {
    QTemporaryDir dir;
    std::string path;
    QString orderFile;
    std::uint64_t records = 1000000;
    Fixture() {
        if (const char* e = std::getenv("BRINDLE_BENCH_RECORDS")) records = std::strtoull(e, nullptr, 10);
        path = (dir.path() + QStringLiteral("/ADD0001.DBF")).toStdString();
        orderFile = dir.path() + QStringLiteral("/PRESORT.PSL");
        sample::SampleOptions opt;
        opt.records = records;
        opt.seed = 20240501;
        sample::writeSampleFile(path, opt);
    }
};

Fixture& fx() {
    static Fixture f;
    return f;
}

class Quiet : public mailing::PresortProgress {
public:
    void status(const QString&) override {}
    bool afterRecord(int) override { return true; }
};

// Open, filter, scan, group and write: the whole command.
void BM_PresortFile(benchmark::State& state) {
    Fixture& f = fx();
    Quiet quiet;
    for (auto _ : state) {
        auto t = store::Table::open(f.path, store::OpenMode::ReadOnly);
        t->setFilter("!ISDEL");
        const mailing::PresortResult r = mailing::runPresort(*t, f.orderFile, quiet);
        if (!r.completed()) state.SkipWithError("presort failed");
        benchmark::DoNotOptimize(r.lines);
    }
    state.counters["records"] = static_cast<double>(f.records);
}
BENCHMARK(BM_PresortFile)->Unit(benchmark::kMillisecond);

// Grouping alone: 200,000 pieces over every 5-digit key, one to three each.
void BM_GroupThinKeys(benchmark::State& state) {
    mailing::PresortTally tally;
    std::uint32_t x = 12345;
    char key[6];
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        std::snprintf(key, sizeof key, "%05u", (x >> 8) % 100000u);
        tally.add(key);
    }
    for (auto _ : state) {
        mailing::PresortSummary summary;
        auto lines = mailing::buildOrder(tally, &summary);
        benchmark::DoNotOptimize(lines.data());
    }
    state.counters["keys"] = static_cast<double>(tally.distinctKeys());
}
BENCHMARK(BM_GroupThinKeys)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

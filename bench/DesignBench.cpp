// Design objects at sizes that once took seconds or minutes: word wrap of a
// very long word in a one-pixel-wide object and of a long memo in a memo
// object, and reading designs of thousands of objects.
//
// Goals: each wrap under 50 ms; 5,000 objects read in under 1 s.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <vector>

#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/TKLabelObjectFiler.h"

using namespace brindle::designobjects;

namespace {

// One record with a memo field; the memo object binds to it by its label.
struct MemoRecord : RecordSource {
    QString memo;
    bool isOpen() const override { return true; }
    std::vector<RecordField> fields() const override {
        RecordField f;
        f.name = QStringLiteral("MEMO");
        f.displayLabel = QStringLiteral("Memo");
        f.isMemo = true;
        return {f};
    }
    QString fieldText(const QString&) const override { return memo; }
};

// About `length` characters of words of 1 to 12 letters, a line break now and then.
QString memoText(int length) {
    QString text;
    text.reserve(length + 16);
    unsigned seed = 20240501;
    while (text.size() < length) {
        seed = seed * 1103515245u + 12345u;
        const int letters = 1 + int((seed >> 16) % 12);
        for (int i = 0; i < letters; ++i) text += QChar(u'a' + char16_t((seed >> (i % 16)) % 26));
        text += (seed >> 8) % 17 == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text.left(length);
}

// A 20,000-character word in a wrapped object one pixel wide: one line per character.
void BM_WrapLongWordOnePixelWide(benchmark::State& state) {
    TKMultiLineLabel label;
    label.setBounds(0, 0, 1, 400);
    label.setWordWrap(true);
    label.setItems({QString(int(state.range(0)), QLatin1Char('W'))});
    for (auto _ : state) {
        label.rewrap();
        benchmark::DoNotOptimize(label.lines().size());
    }
    state.counters["lines"] = double(label.lines().size());
}

// A 54,000-character memo in a 300-pixel memo object, read as for each printed label.
void BM_WrapMemoPerLabel(benchmark::State& state) {
    MemoRecord record;
    record.memo = memoText(int(state.range(0)));
    DesignSurface surface(DesignSurface::LabelSurface);
    surface.setClipFilePath(QString());
    surface.setRecordSource(&record);
    auto* memo = new TKDMultiLineLabel;
    memo->setDataFieldName(QStringLiteral("MEMO"));
    memo->setDataFieldDescript(QStringLiteral("Memo"));
    memo->setWordWrap(true);
    surface.addObject(memo, QRect(0, 0, 300, 200));
    surface.setPrinting(true);
    for (auto _ : state) {
        memo->refreshData();
        benchmark::DoNotOptimize(memo->lines().size());
    }
    state.counters["lines"] = double(memo->lines().size());
}

// A design file of n text objects, read onto a fresh surface.
void BM_LoadObjects(benchmark::State& state) {
    const int n = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BIN00001.L"));
    {
        std::vector<std::unique_ptr<TKPLabel>> labels;
        std::vector<const TKGraphicControl*> stored;
        for (int i = 0; i < n; ++i) {
            labels.push_back(std::make_unique<TKPLabel>());
            labels.back()->setCaption(QStringLiteral("Text %1").arg(i));
            labels.back()->setBounds(i % 300, (i / 300) * 20, 142, 20);
            stored.push_back(labels.back().get());
        }
        TKLabelObjectFiler::writeFile(path, TKLabelObjectFiler::encode(stored));
    }
    for (auto _ : state) {
        DesignSurface surface(DesignSurface::LabelSurface);
        surface.setClipFilePath(QString());
        const auto result = surface.loadFromFile(path);
        if (!result.ok || int(surface.objects().size()) != n) state.SkipWithError("the design did not read back");
        benchmark::DoNotOptimize(surface.objects().size());
    }
}

}  // namespace

BENCHMARK(BM_WrapLongWordOnePixelWide)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WrapMemoPerLabel)->Arg(54000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadObjects)->Arg(2000)->Arg(4000)->Arg(5000)->Unit(benchmark::kMillisecond);

// Fonts need a GUI application; the offscreen platform needs no display.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Letters: one record merged into a one-page letter on the document model
// and laid out again through the run's one paginator, a whole run of 1,000
// records merged, laid out and drawn to one PDF (goal: under 20 s), and the
// letter preview opening on a 10-page letter (goal: first page under 300 ms).
#include <benchmark/benchmark.h>

#include "letters/LetterMerge.h"
#include "letters/LetterPreview.h"
#include "common/ScriptedDialogs.h"
#include "printing/PdfCanvas.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdlib>

using namespace brindle;

namespace {

// A one-page letter: address block, salutation, five paragraphs with tokens.
QByteArray onePageLetter() {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
                     "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\r\n"
                     "\\pard\\f0\\fs20 [Today's Date]\\par\\pard\\sa240 [Name and Address]\\par\r\n"
                     "\\pard\\sa120 Dear {\\b [Full Name]},\\par\r\n";
    for (int p = 0; p < 5; ++p) {
        rtf += "\\pard\\qj\\sa120\\f1\\fs22 As a valued member in [City], [First], ";
        for (int w = 0; w < 6; ++w) rtf += "your {\\i account} with [Organization] shows several entries paid ";
        rtf += "\\par\r\n";
    }
    return rtf + "\\pard Yours sincerely,\\par [Comment 1]}";
}

letters::MergeValues recordValues(int n) {
    const QString name = QStringLiteral("Mr John Q. Smith %1 ").arg(n);
    return {{QStringLiteral("Full Name"), name},
            {QStringLiteral("First"), QStringLiteral("John")},
            {QStringLiteral("Organization"), QStringLiteral("Acme {Widgets} \\ Co")},
            {QStringLiteral("City"), QStringLiteral("Springfield")},
            {QStringLiteral("Today's Date"), QStringLiteral("12/9/2026")},
            {QStringLiteral("Name and Address"), name + QStringLiteral("\r\nAcme\r\n1 Main St\r\nSpringfield IL  62701\r\n")},
            {QStringLiteral("Comment 1"), QStringLiteral("Müller")}};
}

void BM_MergeAndRelayout(benchmark::State& state) {
    richtext::RichDocument templ;
    templ.load(onePageLetter());
    const letters::LetterMerge merge(templ);
    richtext::RichDocument letter;
    richtext::Paginator paginator(letter);
    int record = 0;
    for (auto _ : state) {
        merge.merge(recordValues(++record), letter);
        paginator.relayout();
        benchmark::DoNotOptimize(paginator.pageCount());
    }
}
BENCHMARK(BM_MergeAndRelayout)->Unit(benchmark::kMillisecond);

void BM_Merge1000RecordsToPdf(benchmark::State& state) {
    richtext::RichDocument templ;
    templ.load(onePageLetter());
    const letters::LetterMerge merge(templ);
    richtext::RichDocument letter;
    richtext::Paginator paginator(letter);
    QTemporaryDir dir;
    int pages = 0;
    for (auto _ : state) {
        printing::PdfCanvas pdf(dir.filePath(QStringLiteral("letters.pdf")));
        pages = 0;
        for (int r = 0; r < 1000; ++r) {
            merge.merge(recordValues(r), letter);
            paginator.relayout();
            if (r == 0) paginator.applyPaper(pdf);
            for (int start = 0; start >= 0;) {
                if (pages++ > 0) pdf.newPage();
                start = paginator.drawPage(pdf, start);
            }
        }
        pdf.end();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_Merge1000RecordsToPdf)->Unit(benchmark::kSecond)->Iterations(1);

// A ten-page letter: the one-page letter's opening, then justified
// paragraphs with tokens, in two fonts, some words bold or italic.
QByteArray tenPageLetter() {
    QByteArray rtf = onePageLetter();
    rtf.chop(1);  // the closing brace
    for (int p = 0; p < 68; ++p) {
        rtf += "\\par\\pard\\qj\\sa120\\f1\\fs22 Dear [First], in [City] ";
        for (int w = 0; w < 9; ++w) rtf += "the {\\b statement} for [Organization] lists {\\i several} entries paid ";
    }
    return rtf + "}";
}

// The preview's record: the same values every time.
class BenchRecord : public letters::PreviewRecords {
public:
    letters::MergeValues values() override { return recordValues(7); }
    bool move(letters::RecordMove) override { return false; }
    std::uint32_t recordNumber() override { return 7; }
};

// What the user waits for when the preview opens: the template copied, the
// record merged, the letter laid out, page 1 cut out and drawn on the screen.
void BM_FirstPreviewPage(benchmark::State& state) {
    richtext::RichDocument templ;
    templ.load(tenPageLetter());
    BenchRecord record;
    common::ScriptedDialogs dialogs;
    {
        // The merged letter's pages, as the preview walks them.
        letters::LetterPreview walk(templ, record, dialogs);
        while (walk.nextPage()) {
        }
        state.counters["pages"] = walk.pageNumber();
    }
    for (auto _ : state) {
        letters::LetterPreview preview(templ, record, dialogs);
        preview.setZoom(100);
        QImage screen(preview.viewSize(), QImage::Format_RGB32);
        QPainter painter(&screen);
        preview.paint(painter, QPoint(letters::LetterPreview::kPad, letters::LetterPreview::kPad));
        painter.end();
        benchmark::DoNotOptimize(screen.constBits());
    }
}
BENCHMARK(BM_FirstPreviewPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

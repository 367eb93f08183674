// The rich-text engine at letter sizes: reading, laying out and drawing a
// 10-page letter to PDF (goal: under 150 ms), and the per-record work of a
// merge (copy the template, replace the tokens, lay out again, draw the
// pages), which a 1,000-record merge repeats (goal: 20 s for the whole run,
// measured by the letters benchmark).
#include <benchmark/benchmark.h>

#include "printing/PageRecorder.h"
#include "printing/PdfCanvas.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdlib>

using namespace brindle::richtext;

namespace {

// About ten pages of Letter: a heading, justified and tabbed paragraphs in
// two fonts with bold and italic runs, and merge tokens.
QByteArray tenPageLetter(bool tokensInEveryParagraph = true) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
                     "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\r\n"
                     "\\pard\\qc\\sa240\\b\\fs32 Annual statement\\b0\\par\r\n"
                     "\\pard\\fs20 [Name and Address]\\par\\pard\\sa120 Dear [Full Name],\\par\r\n";
    for (int p = 0; p < 110; ++p) {
        rtf += (p % 2 ? "\\pard\\qj\\sa120\\f1\\fs22 " : "\\pard\\sa120\\f0\\fs20 ");
        rtf += "Paragraph " + QByteArray::number(p) + (tokensInEveryParagraph || p == 0 ? " for [First] in [City]: " : " for you: ");
        for (int w = 0; w < 9; ++w) rtf += "the {\\b account} shows {\\i several} entries w\\'e9re M\\'fcller paid ";
        rtf += "\\par\r\n";
        if (p % 10 == 9) rtf += "\\pard\\tx2880\\tqr\\tx9360 Total\\tab [Zip]\\tab 1,234.56\\par\r\n";
    }
    return rtf + "}";
}

void BM_ReadLayoutDrawPdf(benchmark::State& state) {
    const QByteArray rtf = tenPageLetter();
    QTemporaryDir dir;
    int pages = 0;
    for (auto _ : state) {
        RichDocument doc;
        doc.load(rtf);
        Paginator paginator(doc);
        brindle::printing::PdfCanvas pdf(dir.filePath("letter.pdf"));
        pages = paginator.drawAll(pdf);
        pdf.end();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_ReadLayoutDrawPdf)->Unit(benchmark::kMillisecond);

// The stages of the above, to see where time goes.
void BM_ReadOnly(benchmark::State& state) {
    const QByteArray rtf = tenPageLetter();
    for (auto _ : state) {
        RichDocument doc;
        doc.load(rtf);
    }
}
BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond);

void BM_LayoutOnly(benchmark::State& state) {
    RichDocument doc;
    doc.load(tenPageLetter());
    Paginator paginator(doc);
    for (auto _ : state) {
        doc.document()->markContentsDirty(0, doc.document()->characterCount());
        paginator.relayout();
    }
}
BENCHMARK(BM_LayoutOnly)->Unit(benchmark::kMillisecond);

void BM_DrawToRecorder(benchmark::State& state) {
    RichDocument doc;
    doc.load(tenPageLetter());
    Paginator paginator(doc);
    for (auto _ : state) {
        brindle::printing::PageRecorder recorder;
        paginator.drawAll(recorder);
        recorder.end();
    }
}
BENCHMARK(BM_DrawToRecorder)->Unit(benchmark::kMillisecond);

void BM_DrawToPdf(benchmark::State& state) {
    RichDocument doc;
    doc.load(tenPageLetter());
    Paginator paginator(doc);
    QTemporaryDir dir;
    for (auto _ : state) {
        brindle::printing::PdfCanvas pdf(dir.filePath("letter.pdf"));
        paginator.drawAll(pdf);
        pdf.end();
    }
}
BENCHMARK(BM_DrawToPdf)->Unit(benchmark::kMillisecond);

void BM_MergeOneRecord(benchmark::State& state) {
    RichDocument tmpl;
    tmpl.load(tenPageLetter());
    RichDocument letter;
    letter.copyFrom(tmpl);
    Paginator paginator(letter);  // one paginator for the whole run
    int record = 0;
    for (auto _ : state) {
        letter.copyFrom(tmpl);
        const QString n = QString::number(++record);
        letter.replaceAll("[Full Name]", "Mr John Q. Smith " + n);
        letter.replaceAll("[Name and Address]", "Mr John Q. Smith\r\nAcme\r\n1 Main St\r\nSpringfield IL  62701");
        letter.replaceAll("[First]", "John");
        letter.replaceAll("[City]", "Springfield");
        letter.replaceAll("[Zip]", "62701");
        paginator.relayout();
        brindle::printing::PageRecorder recorder;
        paginator.drawAll(recorder);
        recorder.end();
        benchmark::DoNotOptimize(recorder.pagesEmitted());
    }
}
BENCHMARK(BM_MergeOneRecord)->Unit(benchmark::kMillisecond);

// Labels: many short runs per page through textAt (shaped once, drawn from
// the same glyphs), 30 labels of four lines on each of 10 pages, to PDF.
void BM_LabelTextToPdf(benchmark::State& state) {
    QTemporaryDir dir;
    for (auto _ : state) {
        brindle::printing::PdfCanvas pdf(dir.filePath("labels.pdf"));
        pdf.setFont("Arial", 10);
        int n = 0;
        for (int page = 0; page < 10; ++page) {
            if (page) pdf.newPage();
            for (int label = 0; label < 30; ++label, ++n) {
                const double x = 0.2 + (label % 3) * 2.75, y = 0.5 + (label / 3) * 1.0;
                pdf.textAt(x, y, "Mr John Q. Smith " + QString::number(n));
                pdf.textAt(x, y + 0.17, "Acme Widgets M\u00fcller");
                pdf.textAt(x, y + 0.34, QString::number(100 + n) + " Main Street");
                pdf.textAt(x, y + 0.51, "Springfield IL  " + QString::number(62701 + n));
            }
        }
        pdf.end();
    }
}
BENCHMARK(BM_LabelTextToPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Fuzz target: arbitrary bytes read as an RTF document, then written out,
// read back and paginated, so every path from outside bytes to a drawn page
// is exercised.
#include <QGuiApplication>
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "printing/PageRecorder.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

using namespace brindle::richtext;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QGuiApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz_rtf";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    RichDocument doc;
    doc.load(bytes);
    const QByteArray again = doc.toRtf();
    RichDocument second;
    second.load(again);
    // Pages are laid out only for moderate inputs: layout time grows with the text.
    if (size < 64 * 1024) {
        Paginator pages(second);
        brindle::printing::PageRecorder recorder;
        pages.drawAll(recorder);
        recorder.end();
    }
    return 0;
}

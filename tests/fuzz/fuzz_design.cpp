// Fuzz target: arbitrary bytes read as a design file onto a label surface
// and as a three-surface report file; whatever was read is written back,
// painted and printed.
#include <QGuiApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzFiles.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "printing/PageRecorder.h"

using namespace brindle::designobjects;

namespace {
void ensureApp() {
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz_design";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ensureApp();
    const QString path = QString::fromStdString(brindle::fuzz::writeScratch("d.L", data, size));
    {
        DesignSurface s;
        s.setClipFilePath(QString());
        s.setSize(300, 150);
        const auto result = s.loadFromFile(path);
        (void)result;
        (void)TKLabelObjectFiler::encode({s.objects().begin(), s.objects().end()});
        if (s.objects().size() < 50) {
            (void)s.render();
            // Printing draws text into vector pictures, which store the font as read.
            brindle::printing::PageRecorder page;
            s.setPrinting(true);
            s.refreshData();
            s.printObjects(page, 0, 0);
            s.setPrinting(false);
        }
    }
    {
        DesignSurface a(DesignSurface::DataSurface), b(DesignSurface::DataSurface), c(DesignSurface::DataSurface);
        for (auto* s : {&a, &b, &c}) s->setClipFilePath(QString());
        try {
            TKLabelObjectFiler().loadSurfaces(nullptr, a, b, c, path, [](DesignReader& r) {
                while (r.peekByte() != vaNull) (void)r.readValue();
            });
        } catch (const DesignFileError&) {
        }
    }
    return 0;
}

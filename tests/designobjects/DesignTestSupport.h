#pragma once
// Helpers for the design object tests: a private program folder (surfaces
// delete the clip file there when they go), byte builders for expected file
// contents, a test object class that carries one property of every kind, a
// surface with scripted dialogs, waiting for modal windows, and printing a
// design with brindle-db render.
#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

#include "BarRaster.h"
#include "ScriptedDesignDialogs.h"
#include "designobjects/DesignRegistry.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/TKGraphicControl.h"
#include "printing/DrawOps.h"
#include "store/Table.h"

namespace brindle::designobjects::test {

class ProgramDirEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("BRINDLE_HOME", dir_->path().toUtf8());
    }
    void TearDown() override { dir_.reset(); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

// Short string: length byte and text.
inline QByteArray sstr(const char* s) {
    QByteArray b(s);
    b.prepend(char(b.size()));
    return b;
}

inline QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

using bartest::darkRuns;
using bartest::darkRunsDown;
using bartest::isDark;

// Dark pixels of everything `s` prints, rasterised at 96 pixels per inch on a
// 400 x 200 page, counted from row `fromRow` down.
int darkPixelsPrinted(DesignSurface& s, int fromRow = 0);

// A label surface whose dialogs answer from `dialogs`, counting design changes.
struct ScriptedSurface {
    ScriptedDesignDialogs dialogs;
    DesignSurface s{DesignSurface::LabelSurface};
    int changed = 0;
    explicit ScriptedSurface(QSize size = {400, 300});
    // Places `o` at `r`; changes are counted from there on.
    template <class T>
    T* add(T* o, QRect r) {
        s.addObject(o, r);
        changed = 0;
        return o;
    }
};

// What `o` prints with the design's corner at (left, top) inches: the
// operations of the one page (none when it prints nothing).
std::vector<printing::DrawOp> printedOps(TKGraphicControl& o, double top = 0, double left = 0);
// The bytes `surface` saves as a design file.
QByteArray savedBytes(DesignSurface& surface);

// Lets events run until `done` holds or `ms` have passed; whether it holds.
bool waitFor(const std::function<bool()>& done, int ms = 5000);

// Runs `script` on the modal window of type W as soon as it is open; a window
// that never opens fails the test instead of hanging it.
template <class W>
void whenOpen(std::function<void(W*)> script) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, script] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            script(w);
        } else if (++*tries > 300) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "the window did not open";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
        }
    });
    timer->start(10);
}

// With BRINDLE_DIALOG_SHOTS naming a folder, keeps a picture of `w` there as
// `name`.png to be looked at.
void keepShot(QWidget* w, const QString& name);

// Runs a program to its end; what it wrote to its output and error streams.
QString runProgram(const QString& program, const QStringList& args, int* exitCode = nullptr);
// The first of `tools` that is not installed; empty when all are.
QString missingTool(const QStringList& tools);
// A new address table at `path` with one record, filled in by `fill`.
void createOneRecordTable(const QString& path, const std::vector<store::FieldDef>& fields,
                          const std::function<void(store::Table&)>& fill);
// Prints `design` for the record of `db` into `pdf` with brindle-db render:
// empty when it worked, else what the program said. BRINDLE_KEEP_RENDER=FILE
// keeps a copy of the PDF as FILE.
QString renderDesign(const QString& design, const QString& db, const QString& pdf);

// One property of every kind the file format knows.
class TKTestThing : public TKGraphicControl {
    Q_OBJECT
public:
    QString designClass() const override { return QStringLiteral("TKTestThing"); }
    int count = 7;
    DesignColor tint = clWhite;
    int mode = 0;
    bool flag = false;
    int styles = 0;
    QString note;
    DesignFont font;
    DesignPen pen;
    DesignBrush brush;
    QStringList items;
    DesignPicture picture;
    int refreshed = 0;
    int loadedCalls = 0;
    void refreshData() override { ++refreshed; }
    void loaded() override { ++loadedCalls; }

    static void registerClass();
};

}  // namespace brindle::designobjects::test

#include "DesignTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

#include "printing/PageRecorder.h"

namespace brindle::designobjects::test {

namespace {
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new ProgramDirEnvironment);
}

void TKTestThing::registerClass() {
    using T = TKTestThing;
    PropertyList props = {
        makeProperty<T>("Count", PropKind::Integer, 7, [](const T& o) { return qint64(o.count); },
                        [](T& o, const PropValue& v) { o.count = int(intOf(v)); }),
        makeProperty<T>("Tint", PropKind::Color, clWhite, [](const T& o) { return qint64(o.tint); },
                        [](T& o, const PropValue& v) { o.tint = DesignColor(intOf(v)); }),
        makeProperty<T>("Mode", PropKind::Enum, 0, [](const T& o) { return qint64(o.mode); },
                        [](T& o, const PropValue& v) { o.mode = int(intOf(v)); }, {"tmOne", "tmTwo", "tmThree"}),
        makeProperty<T>("Flag", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.flag); },
                        [](T& o, const PropValue& v) { o.flag = intOf(v) != 0; }),
        makeProperty<T>("Styles", PropKind::Set, 0, [](const T& o) { return qint64(o.styles); },
                        [](T& o, const PropValue& v) { o.styles = int(intOf(v)); }, {"fsBold", "fsItalic", "fsUnderline"}),
        makeProperty<T>("Note", PropKind::Text, std::nullopt, [](const T& o) { return o.note; },
                        [](T& o, const PropValue& v) { o.note = textOf(v); }),
        makeProperty<T>("Font", PropKind::Font, std::nullopt, [](const T& o) { return o.font; },
                        [](T& o, const PropValue& v) { o.font = std::get<DesignFont>(v); }),
        makeProperty<T>("Pen", PropKind::Pen, std::nullopt, [](const T& o) { return o.pen; },
                        [](T& o, const PropValue& v) { o.pen = std::get<DesignPen>(v); }),
        makeProperty<T>("Brush", PropKind::Brush, std::nullopt, [](const T& o) { return o.brush; },
                        [](T& o, const PropValue& v) { o.brush = std::get<DesignBrush>(v); }),
        makeProperty<T>("Items", PropKind::StringList, std::nullopt, [](const T& o) { return o.items; },
                        [](T& o, const PropValue& v) { o.items = std::get<QStringList>(v); }),
        makeProperty<T>("Picture", PropKind::Picture, std::nullopt, [](const T& o) { return o.picture; },
                        [](T& o, const PropValue& v) { o.picture = std::get<DesignPicture>(v); }),
    };
    registerStandardClasses();
    DesignRegistry::instance().registerClass(QStringLiteral("TKTestThing"), QStringLiteral("TKGraphicControl"),
                                             [] { return new TKTestThing; }, std::move(props));
}


int darkPixelsPrinted(DesignSurface& s, int fromRow) {
    printing::PageRecorder rec;
    s.printObjects(rec, 0, 0);
    rec.end();
    if (rec.document().pageCount() == 0) return 0;
    QImage img(400, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        printing::paintPage(p, rec.document().pages[0], printing::PaintScale{});
    }
    int dark = 0;
    for (int y = std::max(fromRow, 0); y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (isDark(img, x, y)) ++dark;
    return dark;
}

ScriptedSurface::ScriptedSurface(QSize size) {
    s.setClipFilePath(QString());
    s.setDesignDialogs(&dialogs);
    s.setSize(size.width(), size.height());
    QObject::connect(&s, &DesignSurface::labelChanged, [this] { ++changed; });
}

std::vector<printing::DrawOp> printedOps(TKGraphicControl& o, double top, double left) {
    printing::PageRecorder rec;
    o.printAt(rec, top, left);
    const auto& pages = rec.document().pages;
    return pages.empty() ? std::vector<printing::DrawOp>{} : pages.front().ops;
}

QByteArray savedBytes(DesignSurface& surface) {
    QTemporaryDir dir;
    const QString path = dir.filePath("d.L");
    EXPECT_TRUE(surface.saveToFile(path));
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void keepShot(QWidget* w, const QString& name) {
    const QString folder = qEnvironmentVariable("BRINDLE_DIALOG_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QApplication::processEvents();  // pending layout, such as scroll bars
    w->grab().save(QDir(folder).filePath(name + ".png"));
}

QString runProgram(const QString& program, const QStringList& args, int* exitCode) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
}

QString missingTool(const QStringList& tools) {
    for (const QString& t : tools)
        if (QStandardPaths::findExecutable(t).isEmpty()) return t;
    return {};
}

void createOneRecordTable(const QString& path, const std::vector<store::FieldDef>& fields,
                          const std::function<void(store::Table&)>& fill) {
    store::Table::create(path.toStdString(), fields);
    auto t = store::Table::open(path.toStdString());
    t->append();
    fill(*t);
    t->post();
}

QString renderDesign(const QString& design, const QString& db, const QString& pdf) {
#ifndef BRINDLE_DB_EXE
    (void)design, (void)db, (void)pdf;
    return QStringLiteral("brindle-db not built");
#else
    int code = 0;
    const QString out = runProgram(BRINDLE_DB_EXE, {"render", design, "--db", db, "--out", pdf}, &code);
    if (code != 0) return out.isEmpty() ? QStringLiteral("brindle-db render failed") : out;
    if (const QString keep = qEnvironmentVariable("BRINDLE_KEEP_RENDER"); !keep.isEmpty()) {
        QFile::remove(keep);
        QFile::copy(pdf, keep);
    }
    return {};
#endif
}

}  // namespace brindle::designobjects::test

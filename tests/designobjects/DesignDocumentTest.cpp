// A design document on its own: what a print job sees (objects at zoom 1.0,
// loading, printing, stored bytes), and what an editor's zoom may never
// change in it.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "designobjects/DesignDocument.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/RecordSource.h"
#include "designobjects/Shapes.h"
#include "designobjects/TextLabelKinds.h"
#include <QPainter>

#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"

namespace brindle::designobjects {
namespace {

class OneRecord : public RecordSource {
public:
    bool isOpen() const override { return true; }
    std::vector<RecordField> fields() const override { return {{"CITY", "City", true, false, true, 1, {}}}; }
    QString fieldText(const QString& f) const override { return f == "CITY" ? QString::fromUtf8("Москва") : QString(); }
};

// What a design prints, rasterised at 96 pixels per inch.
QImage printedPage(DesignDocument& d) {
    printing::PageRecorder rec;
    d.printObjects(rec, 0.5, 0.25);
    rec.end();
    QImage img(480, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    if (rec.document().pageCount() > 0) {
        QPainter p(&img);
        printing::paintPage(p, rec.document().pages[0], printing::PaintScale{});
    }
    return img;
}

TEST(DesignDocument, LoadsAndPrintsWhatAZoomedEditorSavedExactlyAsTheEditorPrintsIt) {
    QTemporaryDir dir;
    DesignSurface editor;
    editor.setClipFilePath(QString());
    editor.setSizeInches(4.0, 2.0);
    editor.setZoom(1.5f);
    auto* text = new TKPLabel;
    editor.addObject(text, QRect(30, 45, 90, 30));  // shown at 1.5: (20, 30, 60, 20) in the design
    text->setCaption(QString::fromUtf8("Müller, José"));
    editor.addObject(new TKLabelShapes, QRect(150, 150, 75, 45));
    auto* code = new TKPostNetBarCode;
    editor.addObject(code, QRect(15, 200, 405, 24));
    EXPECT_EQ(code->designBounds().size(), QSize(270, 16));  // a symbol keeps its size
    EXPECT_EQ(text->designBounds(), QRect(20, 30, 60, 20));
    const QString path = dir.filePath("BIN00001.L");
    ASSERT_TRUE(editor.saveToFile(path));
    EXPECT_EQ(editor.zoom(), 1.5f);

    DesignDocument doc;
    ASSERT_TRUE(doc.loadFromFile(path).ok);
    ASSERT_EQ(doc.objects().size(), 3u);
    EXPECT_EQ(doc.objects()[0]->bounds(), QRect(20, 30, 60, 20));  // no view: shown = design
    EXPECT_EQ(doc.objects()[2]->bounds().size(), QSize(270, 16));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(doc.objects()[i]->designBounds(), editor.objects()[i]->designBounds()) << i;
    const QImage fromDoc = printedPage(doc);
    const QImage fromEditor = printedPage(editor);
    EXPECT_EQ(fromDoc, fromEditor);

    // Loading into an editor shown at 1.5 shows the design scaled, and
    // changes nothing of it.
    DesignSurface again;
    again.setClipFilePath(QString());
    again.setZoom(1.5f);
    ASSERT_TRUE(again.loadFromFile(path).ok);
    EXPECT_EQ(again.objects()[0]->bounds(), QRect(30, 45, 90, 30));
    EXPECT_EQ(again.storedBytes(), doc.storedBytes());
}

TEST(DesignDocument, DataObjectsOnABareDocumentReadItsRecordSource) {
    DesignDocument doc;
    OneRecord records;
    doc.setRecordSource(&records);
    auto* field = new TKPDLabel;
    doc.adoptObject(field);
    field->setDesignBounds(QRect(0, 0, 80, 17));
    field->setDataFieldDescript("City");
    doc.refreshData();
    EXPECT_EQ(field->caption(), QString::fromUtf8("Москва"));
    EXPECT_EQ(field->surface(), nullptr);
    EXPECT_EQ(field->document(), &doc);
}

// Design files hold Windows-1252. Text they cannot hold stops the save with
// what and where, leaving the file as it was; copies in memory (clone, undo)
// keep every character.
TEST(DesignDocument, TextTheFileCannotHoldIsNeverReplacedSilently) {
    QTemporaryDir dir;
    test::ScriptedSurface ss;
    ss.s.setClipFilePath(QString());
    auto* text = ss.add(new TKPLabel, QRect(10, 10, 80, 20));
    text->setCaption(QString::fromUtf8("Müller"));
    const QString path = dir.filePath("BIN00002.L");
    ASSERT_TRUE(ss.s.saveToFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    f.close();
    EXPECT_TRUE(good.contains("M\xFCller"));

    for (const char* caption : {"Wałęsa", "Москва"}) {
        text->setCaption(QString::fromUtf8(caption));
        EXPECT_FALSE(ss.s.saveToFile(path)) << caption;
        EXPECT_TRUE(ss.s.lastError().contains(text->objectName() + " (TKPLabel), Caption: "));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), good);
        f.close();
    }
    EXPECT_TRUE(ss.s.lastError().contains(QString::fromUtf8("М о с к в а")));

    auto* copy = qobject_cast<TKPLabel*>(ss.s.clone(text));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->caption(), QString::fromUtf8("Москва"));
    const QByteArray snap = ss.s.snapshotBytes();
    ss.s.replaceObjects(snap);
    ASSERT_EQ(ss.s.objects().size(), 2u);
    EXPECT_EQ(qobject_cast<TKPLabel*>(ss.s.objects()[1])->caption(), QString::fromUtf8("Москва"));
}

TEST(DesignDocument, ClampAndDeleteOutsideWorkOnDesignBoundsAtAnyZoom) {
    for (float zoom : {1.0f, 0.7f, 1.5f}) {
        DesignSurface s;
        s.setClipFilePath(QString());
        s.setDesignSize(QSize(192, 96));
        s.setZoom(zoom);
        auto* far = new TKLabelShapes;
        s.adoptObject(far);
        far->setDesignBounds(QRect(300, 200, 20, 20));
        far->setZoom(zoom);
        auto* edge = new TKLabelShapes;
        s.adoptObject(edge);
        edge->setDesignBounds(QRect(172, 86, 5, 5));  // Top height − 10, Left width − 20: both stay
        edge->setZoom(zoom);
        s.clampObjects();
        EXPECT_EQ(far->designBounds(), QRect(172, 86, 20, 20)) << zoom;
        EXPECT_EQ(edge->designBounds(), QRect(172, 86, 5, 5)) << zoom;
        edge->setDesignBounds(QRect(172, 87, 5, 5));
        s.deleteOutsideObjects();
        ASSERT_EQ(s.objects().size(), 1u) << zoom;
        EXPECT_EQ(s.objects()[0], far);
    }
}

}  // namespace
}  // namespace brindle::designobjects

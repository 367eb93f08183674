// The design file encoding: exact bytes, every value kind, damage handling
// and the reading rules (names, case, defaults, paste offsets, cloning).
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/TKLabelObjectFiler.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& b) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(b);
}

// The fixed text object of the format's example, named Special1.
QByteArray exampleObjectBytes() {
    QByteArray b = "TPF0" + sstr("TKPLabel") + sstr("Special1");
    b += sstr("Left") + hex("020A") + sstr("Top") + hex("0214") + sstr("Width") + hex("038E00") + sstr("Height") +
         hex("0221") + sstr("Locked") + hex("08") + sstr("Unselectable") + hex("08");
    b += sstr("Caption") + hex("06") + sstr("Hi");
    b += sstr("Font.Color") + hex("07") + sstr("clBlack") + sstr("Font.Height") + hex("02F3") + sstr("Font.Name") +
         hex("06") + sstr("Arial") + sstr("Font.Style") + hex("0B00");
    b += sstr("Transparent") + hex("09") + sstr("BackColor") + hex("07") + sstr("clWhite") + sstr("BorderStyle") +
         hex("07") + sstr("bsNone");
    b += hex("0000");
    return b;
}

class DesignFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TKTestThing::registerClass();
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    DesignSurface* labelSurface() {
        auto* s = new DesignSurface(DesignSurface::LabelSurface, &owner);
        s->setClipFilePath(QString());
        s->setOwner(&owner);
        s->setSize(384, 96);
        return s;
    }
    DesignSurface* dataSurface() {
        auto* s = new DesignSurface(DesignSurface::DataSurface, &owner);
        s->setClipFilePath(QString());
        s->setOwner(&owner);
        s->setSize(384, 96);
        return s;
    }
    TKPLabel* addLabel(DesignSurface& s, const QString& caption, QRect r) {
        auto* l = new TKPLabel;
        l->setCaption(caption);
        s.addObject(l, r);
        return l;
    }
    QTemporaryDir dir;
    QObject owner;
};

TEST_F(DesignFileTest, ExampleObjectHasTheDocumentedBytesAndReadsBack) {
    auto* s = labelSurface();
    auto* l = addLabel(*s, "Hi", QRect(10, 20, 142, 33));
    ASSERT_EQ(l->objectName(), "Special1");
    ASSERT_TRUE(s->saveToFile(path("ex.L")));
    EXPECT_EQ(readAll(path("ex.L")).toHex(), (hex("01") + exampleObjectBytes() + hex("00")).toHex());

    auto* t = labelSurface();
    const auto r = t->loadFromFile(path("ex.L"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(t->objects().size(), 1u);
    auto* back = qobject_cast<TKPLabel*>(t->objects()[0]);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->bounds(), QRect(10, 20, 142, 33));
    EXPECT_EQ(back->caption(), "Hi");
    EXPECT_EQ(back->font(), DesignFont());
    EXPECT_EQ(back->font().pointSize(), 10);
    EXPECT_TRUE(back->transparent());
}

TEST_F(DesignFileTest, EmptyDesignIsTwoBytesAndLoadsEmpty) {
    auto* s = labelSurface();
    ASSERT_TRUE(s->saveToFile(path("e.L")));
    EXPECT_EQ(readAll(path("e.L")), hex("0100"));
    auto* t = labelSurface();
    EXPECT_TRUE(t->loadFromFile(path("e.L")).ok);
    EXPECT_TRUE(t->objects().empty());
    // A missing file reads nothing and is no error.
    EXPECT_TRUE(t->loadFromFile(path("missing.L")).ok);
}

TEST_F(DesignFileTest, IntegersUseTheSmallestTagAndTextTheLongTagBeyond255Bytes) {
    DesignWriter w;
    for (qint64 v : {-5LL, 127LL, -128LL, 128LL, 142LL, -32768LL, 32768LL, -40000LL}) w.writeInteger(v);
    EXPECT_EQ(w.bytes().toHex().toStdString(), "02fb027f0280038000038e000300800400800000" "04c063ffff");

    auto* s = labelSurface();
    const QString longText(300, QLatin1Char('x'));
    addLabel(*s, longText, QRect(-5, 0, 142, 33));
    const QByteArray bytes = TKLabelObjectFiler::encode({s->objects()[0]});
    EXPECT_TRUE(bytes.contains(sstr("Left") + hex("02FB")));
    EXPECT_TRUE(bytes.contains(sstr("Caption") + hex("0C2C010000") + longText.toLatin1()));
    ASSERT_TRUE(s->saveToFile(path("long.L")));
    auto* t = labelSurface();
    ASSERT_TRUE(t->loadFromFile(path("long.L")).ok);
    EXPECT_EQ(qobject_cast<TKPLabel*>(t->objects()[0])->caption(), longText);
}

TEST_F(DesignFileTest, EveryValueKindRoundTripsWithDefaultsOmitted) {
    auto* s = dataSurface();
    auto* a = new TKTestThing;
    s->addObject(a, QRect(1, 2, 30, 40));
    // All at their defaults: only the common entries and the font are written.
    QByteArray plain = TKLabelObjectFiler::encode({a});
    EXPECT_FALSE(plain.contains("Count"));
    EXPECT_FALSE(plain.contains("Pen."));
    EXPECT_FALSE(plain.contains("Brush."));
    EXPECT_FALSE(plain.contains("Items"));
    EXPECT_FALSE(plain.contains("Picture"));
    EXPECT_FALSE(plain.contains("Font.Pitch"));
    EXPECT_TRUE(plain.contains(sstr("Flag") + hex("08")));

    a->count = 70000;
    a->tint = 0x123456;
    a->mode = 2;
    a->flag = true;
    a->styles = 5;
    a->note = QString::fromUtf8("caf\u00e9");
    a->font.name = "Times New Roman";
    a->font.height = -16;
    a->font.style = DesignFont::Bold | DesignFont::Italic;
    a->font.pitch = 2;
    a->font.color = DesignColor(0x8000000F);  // clBtnFace
    a->pen = {DesignColor(0x0000FF), 14, 2, 3};
    a->brush = {clGray, 1};
    a->items = {"one", "", QString(400, 'y')};
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(Qt::red);
    a->picture = DesignPicture::fromImage(img);
    QByteArray icon = QByteArray("\x00\x00\x01\x00", 4) + QByteArray(30, 'i');
    auto* b = new TKTestThing;
    s->addObject(b, QRect(5, 5, 20, 20));
    b->picture = {"TIcon", icon};
    auto* c = new TKTestThing;
    s->addObject(c, QRect(6, 6, 20, 20));
    c->picture = {"TMetafile", QByteArray(" EMF and more", 13)};

    const QByteArray bytes = TKLabelObjectFiler::encode({a, b, c});
    EXPECT_TRUE(bytes.contains(sstr("Count") + hex("0470110100")));
    EXPECT_TRUE(bytes.contains(sstr("Tint") + hex("0456341200")));
    EXPECT_TRUE(bytes.contains(sstr("Mode") + hex("07") + sstr("tmThree")));
    EXPECT_TRUE(bytes.contains(sstr("Styles") + hex("0B") + sstr("fsBold") + sstr("fsUnderline") + hex("00")));
    EXPECT_TRUE(bytes.contains(sstr("Note") + hex("0604") + QByteArray("caf\xe9")));
    EXPECT_TRUE(bytes.contains(sstr("Font.Color") + hex("07") + sstr("clBtnFace")));
    EXPECT_TRUE(bytes.contains(sstr("Font.Pitch") + hex("07") + sstr("fpFixed")));
    EXPECT_TRUE(bytes.contains(sstr("Pen.Color") + hex("07") + sstr("clRed") + sstr("Pen.Mode") + hex("07") +
                               sstr("pmXor") + sstr("Pen.Style") + hex("07") + sstr("psDot") + sstr("Pen.Width") +
                               hex("0203")));
    EXPECT_TRUE(bytes.contains(sstr("Brush.Color") + hex("07") + sstr("clGray") + sstr("Brush.Style") + hex("07") +
                               sstr("bsClear")));
    EXPECT_TRUE(bytes.contains(sstr("Items.Strings") + hex("010603") + "one" + hex("06000C90010000")));
    EXPECT_TRUE(bytes.contains(sstr("Picture.Data") + hex("0A")));
    EXPECT_TRUE(bytes.contains(sstr("TBitmap")));
    EXPECT_TRUE(bytes.contains(sstr("TIcon") + icon));
    EXPECT_TRUE(bytes.contains(sstr("TMetafile") + hex("11000000") + " EMF and more"));

    auto* t = dataSurface();
    DesignReader r(bytes);
    TKLabelObjectFiler().readObjectList(r, nullptr, *t);
    ASSERT_EQ(t->objects().size(), 3u);
    auto* x = static_cast<TKTestThing*>(t->objects()[0]);
    EXPECT_EQ(x->count, 70000);
    EXPECT_EQ(x->tint, 0x123456);
    EXPECT_EQ(x->mode, 2);
    EXPECT_TRUE(x->flag);
    EXPECT_EQ(x->styles, 5);
    EXPECT_EQ(x->note, a->note);
    EXPECT_EQ(x->font, a->font);
    EXPECT_EQ(x->pen, a->pen);
    EXPECT_EQ(x->brush, a->brush);
    EXPECT_EQ(x->items, a->items);
    EXPECT_EQ(x->picture, a->picture);
    EXPECT_EQ(x->picture.toImage().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(static_cast<TKTestThing*>(t->objects()[1])->picture, b->picture);
    EXPECT_EQ(static_cast<TKTestThing*>(t->objects()[2])->picture, c->picture);
    EXPECT_EQ(x->loadedCalls, 1);
    // The writer's bytes are reproduced exactly by a second round (names aside).
    for (int i = 0; i < 3; ++i) t->objects()[size_t(i)]->setObjectName(s->objects()[size_t(i)]->objectName());
    EXPECT_EQ(TKLabelObjectFiler::encode({t->objects()[0], t->objects()[1], t->objects()[2]}), bytes);
}

TEST_F(DesignFileTest, ReaderAcceptsAnyOrderAnyCaseAndIntegersForColours) {
    QByteArray obj = "TPF0" + sstr("tkplabel") + sstr("Whatever") + sstr("Caption") + hex("06") + sstr("Yo") +
                     sstr("BackColor") + hex("04FF000000") + sstr("Top") + hex("0205") + sstr("Alignment") + hex("07") +
                     sstr("TACENTER") + hex("0000");
    writeAll(path("any.L"), hex("01") + obj + hex("00"));
    auto* s = labelSurface();
    ASSERT_TRUE(s->loadFromFile(path("any.L")).ok);
    auto* l = qobject_cast<TKPLabel*>(s->objects().at(0));
    EXPECT_EQ(l->caption(), "Yo");
    EXPECT_EQ(l->backColor(), 0xFF);
    EXPECT_EQ(l->top(), 5);
    EXPECT_EQ(l->alignment(), TKBaseLabel::taCenter);
}

TEST_F(DesignFileTest, ObjectsGetFreshComponentNamesWhateverTheFileHolds) {
    QObject existing(&owner);
    existing.setObjectName("Component0");
    auto* src = labelSurface();
    addLabel(*src, "a", QRect(0, 0, 50, 20))->setObjectName("Component7");
    addLabel(*src, "b", QRect(0, 30, 50, 20))->setObjectName("Special3");
    ASSERT_TRUE(src->saveToFile(path("n.L")));
    auto* t = labelSurface();
    const auto r = t->loadFromFile(path("n.L"));
    ASSERT_EQ(t->objects().size(), 2u);
    EXPECT_EQ(t->objects()[0]->objectName(), "Component1");
    EXPECT_EQ(t->objects()[1]->objectName(), "Component2");
    EXPECT_EQ(r.objectsRead, QStringList({"Component1 (TKPLabel)", "Component2 (TKPLabel)"}));
}

TEST_F(DesignFileTest, ManyObjectsTakeTheFreeNumbersUpTo1000) {
    QObject taken(&owner);
    taken.setObjectName("Component2");
    QObject other(&owner);
    other.setObjectName("Component004");  // not the name "Component4"
    std::vector<std::unique_ptr<TKPLabel>> labels;
    std::vector<const TKGraphicControl*> stored;
    for (int i = 0; i < 1003; ++i) {
        labels.push_back(std::make_unique<TKPLabel>());
        labels.back()->setBounds(i % 300, i % 90, 40, 20);
        labels.back()->setObjectName("Component0");  // whatever the file says
        stored.push_back(labels.back().get());
    }
    writeAll(path("many.L"), TKLabelObjectFiler::encode(stored));
    auto* t = labelSurface();
    ASSERT_TRUE(t->loadFromFile(path("many.L")).ok);
    ASSERT_EQ(t->objects().size(), 1003u);
    QStringList names;
    for (const auto* o : t->objects()) names << o->objectName();
    EXPECT_EQ(names.mid(0, 5), QStringList({"Component0", "Component1", "Component3", "Component4", "Component5"}));
    EXPECT_EQ(names[999], "Component1000");
    // Past the last number the objects stay unnamed.
    EXPECT_EQ(names.mid(1000), QStringList({"", "", ""}));
    EXPECT_EQ(t->objects()[1002]->bounds(), QRect(1002 % 300, 1002 % 90, 40, 20));
}

TEST_F(DesignFileTest, EmptiedCaptionStaysEmptyAfterLoading) {
    auto* s = labelSurface();
    auto* l = addLabel(*s, "x", QRect(0, 0, 50, 20));
    l->setCaption(QString());
    l->setAlignment(TKBaseLabel::taCenter);
    ASSERT_TRUE(s->saveToFile(path("c.L")));
    auto* t = labelSurface();
    ASSERT_TRUE(t->loadFromFile(path("c.L")).ok);
    auto* back = qobject_cast<TKPLabel*>(t->objects()[0]);
    EXPECT_EQ(back->caption(), QString());
    EXPECT_EQ(back->alignment(), TKBaseLabel::taCenter);
    EXPECT_EQ(TKPLabel().caption(), "Text");  // new objects still start with their text
}

TEST_F(DesignFileTest, ErrorsStopReadingKeepEarlierObjectsAndNameTheProblem) {
    const QByteArray good = exampleObjectBytes();
    struct Case {
        QByteArray file;
        QString message;
        size_t kept = 1;
    };
    const QByteArray obj2 = "TPF0" + sstr("TKPLabel") + sstr("x");
    const std::vector<Case> cases = {
        {hex("02") + good + hex("00"), "Invalid stream format", 0},
        {hex("01") + good + "TPF1" + good.mid(4) + hex("00"), "Invalid stream format"},
        {hex("01") + good + "TPF0" + sstr("TKNothing") + sstr("x") + hex("0000") + hex("00"), "Class TKNothing not found"},
        {hex("01") + good + "TPF0" + sstr("TKTestThing") + sstr("x") + hex("0000") + hex("00"), "Class TKTestThing not found"},
        {hex("01") + good + obj2 + sstr("Colour") + hex("0201") + hex("000000"), "Property does not exist"},
        {hex("01") + good + obj2 + sstr("Font") + hex("0201") + hex("000000"), "Property does not exist"},
        {hex("01") + good + obj2 + sstr("Caption") + hex("0201") + hex("000000"), "Invalid property value"},
        {hex("01") + good + obj2 + sstr("Left") + hex("06") + sstr("1") + hex("000000"), "Invalid property value"},
        {hex("01") + good + obj2 + sstr("Alignment") + hex("07") + sstr("taNowhere") + hex("000000"), "Invalid property value"},
        {hex("01") + good + obj2 + sstr("BackColor") + hex("07") + sstr("clPlaid") + hex("000000"), "Invalid property value"},
        {hex("01") + good + obj2 + sstr("Caption") + hex("0CFFFFFF7F") + "abc", "Stream read error"},
        {hex("01") + good + obj2 + sstr("Caption") + hex("0C") + QByteArray::fromHex("10000000"), "Stream read error"},
        {hex("01") + good + obj2 + hex("0001") + hex("00"), "Invalid stream format"},
    };
    for (const auto& c : cases) {
        writeAll(path("bad.L"), c.file);
        auto* t = labelSurface();
        const auto r = t->loadFromFile(path("bad.L"));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.message);
        ASSERT_EQ(t->objects().size(), c.kept) << c.message.toStdString();
        EXPECT_TRUE(t->lastError().startsWith(c.message));
        if (c.kept == 1) {
            EXPECT_EQ(qobject_cast<TKPLabel*>(t->objects()[0])->caption(), "Hi");
            EXPECT_TRUE(t->lastError().contains("Component0 (TKPLabel)"));
        }
        delete t;
    }
}

TEST_F(DesignFileTest, EveryPrefixOfAValidFileFailsCleanly) {
    auto* s = labelSurface();
    addLabel(*s, "Hi", QRect(10, 20, 142, 33));
    addLabel(*s, QString(300, 'z'), QRect(10, 60, 142, 33));
    const QByteArray full = TKLabelObjectFiler::encode({s->objects()[0], s->objects()[1]});
    const qsizetype firstEnd = 1 + exampleObjectBytes().size();
    for (qsizetype n = 0; n < full.size(); ++n) {
        const QByteArray part = full.left(n);
        auto* t = dataSurface();
        DesignReader r(part);
        try {
            TKLabelObjectFiler().readObjectList(r, nullptr, *t);
            ADD_FAILURE() << "prefix " << n << " read without error";
        } catch (const DesignFileError& e) {
            EXPECT_EQ(e.message(), "Stream read error") << n;
        }
        EXPECT_EQ(t->objects().size(), n == full.size() - 1 ? 2u : n >= firstEnd ? 1u : 0u) << n;
        delete t;
    }
}

TEST_F(DesignFileTest, GenericValuesAreBoundedInDepthAndSize) {
    // A list nested far deeper than any design.
    QByteArray deep(100, char(vaList));
    deep += QByteArray(100, char(vaNull));
    DesignReader r1(deep);
    EXPECT_THROW(r1.readValue(), DesignFileError);
    // A binary count beyond the end is refused before anything is allocated.
    DesignReader r2(hex("0AFFFFFFFF00"));
    try {
        r2.readValue();
        FAIL();
    } catch (const DesignFileError& e) {
        EXPECT_EQ(e.message(), "Stream read error");
    }
    // Unknown tags.
    DesignReader r3(hex("0D"));
    EXPECT_THROW(r3.readValue(), DesignFileError);
    // A picture whose inner count overruns its binary value.
    QByteArray pic = sstr("TBitmap") + hex("10000000") + "BM";
    QByteArray obj = "TPF0" + sstr("TKTestThing") + sstr("x") + sstr("Picture.Data") + hex("0A");
    DesignWriter w;
    w.writeInt32Raw(qint32(pic.size()));
    obj += w.bytes() + pic + hex("0000");
    auto* t = dataSurface();
    DesignReader r4(hex("01") + obj + hex("00"));
    EXPECT_THROW(TKLabelObjectFiler().readObjectList(r4, nullptr, *t), DesignFileError);
    EXPECT_TRUE(t->objects().empty());
}

TEST_F(DesignFileTest, PasteLandsFifteenPixelsOffAndCloneCopies) {
    auto* s = labelSurface();
    addLabel(*s, "p", QRect(10, 20, 60, 20));
    addLabel(*s, "q", QRect(100, 40, 60, 20));
    const QString clip = path("Clipbrd.tmp");
    TKLabelObjectFiler().saveSelection({s->objects()[1], s->objects()[0]}, clip);
    TKLabelObjectFiler().pasteObjects(nullptr, *s, clip);
    TKLabelObjectFiler().pasteObjects(nullptr, *s, clip);
    ASSERT_EQ(s->objects().size(), 6u);
    EXPECT_EQ(s->objects()[2]->bounds(), QRect(115, 55, 60, 20));
    EXPECT_EQ(s->objects()[3]->bounds(), QRect(25, 35, 60, 20));
    EXPECT_EQ(s->objects()[4]->bounds(), s->objects()[2]->bounds());
    // Nothing selected: nothing written.
    TKLabelObjectFiler().saveSelection({}, path("none.tmp"));
    EXPECT_FALSE(QFile::exists(path("none.tmp")));

    TKLabelObjectFiler().cloneObject(*s->objects()[0], nullptr, *s);
    auto* copy = qobject_cast<TKPLabel*>(s->objects().back());
    EXPECT_EQ(copy->caption(), "p");
    EXPECT_EQ(copy->bounds(), QRect(10, 20, 60, 20));
    EXPECT_NE(copy->objectName(), s->objects()[0]->objectName());

    // The clip file goes with the surface.
    auto* holder = labelSurface();
    holder->setClipFilePath(clip);
    delete holder;
    EXPECT_FALSE(QFile::exists(clip));
}

TEST_F(DesignFileTest, ReportFilesHoldThreeListsAndTheCallersValues) {
    auto* a = labelSurface();
    auto* b = labelSurface();
    auto* c = labelSurface();
    addLabel(*a, "head", QRect(0, 0, 50, 20));
    addLabel(*c, "foot", QRect(0, 0, 50, 20));
    addLabel(*c, "foot2", QRect(0, 30, 50, 20));
    TKLabelObjectFiler().saveSurfaces(*a, *b, *c, path("r.R"), [](DesignWriter& w) {
        w.writeInteger(1440);
        w.writeString("Courier New");
        w.writeBoolean(true);
    });
    const QByteArray bytes = readAll(path("r.R"));
    EXPECT_TRUE(bytes.contains(hex("0100") + hex("01") + "TPF0"));  // the empty middle list
    EXPECT_TRUE(bytes.endsWith(hex("0103A005") + hex("060B") + "Courier New" + hex("0900")));

    auto* x = labelSurface();
    auto* y = labelSurface();
    auto* z = labelSurface();
    std::vector<DesignValue> values;
    TKLabelObjectFiler().loadSurfaces(nullptr, *x, *y, *z, path("r.R"), [&](DesignReader& r) {
        while (r.peekByte() != vaNull) values.push_back(r.readValue());
    });
    EXPECT_EQ(x->objects().size(), 1u);
    EXPECT_EQ(y->objects().size(), 0u);
    EXPECT_EQ(z->objects().size(), 2u);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].integer, 1440);
    EXPECT_EQ(values[1].text, "Courier New");
    EXPECT_EQ(values[2].type, DesignValue::Boolean);
}

}  // namespace

// brindle-db render end to end: a saved design and an address file give a PDF
// whose text poppler finds where the design put it; a run either writes its
// PDF or fails and leaves every file as it was.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/TKBaseLabel.h"
#include "store/Table.h"

using namespace brindle::designobjects;

namespace {

TEST(RenderCommandTest, PrintsTheDesignToPdfAtThePaperOrigin) {
#ifndef BRINDLE_DB_EXE
    GTEST_SKIP() << "brindle-db not built";
#else
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext missing";
    QTemporaryDir dir;
    const QString db = dir.filePath("add.dbf");
    brindle::store::Table::create(db.toStdString(), {{"LNAME", 'C', 20, 0}, {"ZIP", 'C', 10, 0}});
    {
        auto t = brindle::store::Table::open(db.toStdString());
        for (const char* n : {"Smith", "Jones"}) {
            t->append();
            t->setString("LNAME", n);
            t->post();
        }
    }
    const QString design = dir.filePath("BIN00001.L");
    {
        DesignSurface s;
        s.setClipFilePath(QString());
        s.setSizeInches(4, 1.5);
        auto* l = new TKPLabel;
        l->setCaption("Hello");
        s.addObject(l, QRect(96, 48, 142, 33));  // one inch in, half an inch down
        ASSERT_TRUE(s.saveToFile(design));
    }
    const QString pdf = dir.filePath("out.pdf");
    QProcess p;
    p.start(BRINDLE_DB_EXE, {"render", design, "--db", db, "--record", "2", "--out", pdf});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    ASSERT_TRUE(QFile::exists(pdf));

    QProcess text;
    text.start("pdftotext", {"-bbox", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString html = QString::fromUtf8(text.readAllStandardOutput());
    const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">Hello</word>)re");
    const auto m = word.match(html);
    ASSERT_TRUE(m.hasMatch()) << html.toStdString();
    // In points from the top-left corner: the text cell starts at (72, 36);
    // the glyph box lies a little inside it.
    EXPECT_NEAR(m.captured(1).toDouble(), 72.0, 2.0);
    EXPECT_GE(m.captured(2).toDouble(), 35.5);
    EXPECT_LE(m.captured(2).toDouble(), 40.0);
    EXPECT_LE(m.captured(4).toDouble(), 36.0 + 33 * 0.75) << html.toStdString();
    QProcess info;
    info.start("pdfinfo", {pdf});
    info.waitForFinished(60000);
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput()).contains("612 x 792"));

    // Bad input is an error, not a crash or an empty file.
    QFile bad(dir.filePath("bad.L"));
    bad.open(QIODevice::WriteOnly);
    bad.write("\x01TPF0\x08TKPLabel", 14);
    bad.close();
    p.start(BRINDLE_DB_EXE, {"render", bad.fileName(), "--db", db, "--out", dir.filePath("bad.pdf")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("Stream read error"));
    EXPECT_FALSE(QFile::exists(dir.filePath("bad.pdf")));
#endif
}

TEST(RenderCommandTest, EveryRunWritesItsPdfOrFailsLeavingTheFilesAsTheyWere) {
#ifndef BRINDLE_DB_EXE
    GTEST_SKIP() << "brindle-db not built";
#else
    using brindle::designobjects::test::createOneRecordTable;
    using brindle::designobjects::test::runProgram;
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty()) GTEST_SKIP() << "pdfinfo missing";
    QTemporaryDir dir;
    const QString db = dir.filePath("add.dbf");
    createOneRecordTable(db, {{"LNAME", 'C', 20, 0}, {"ZIP", 'C', 10, 0}}, [](brindle::store::Table& t) {
        t.setString("LNAME", "Smith");
        t.setString("ZIP", "1234 5");  // no ZIP a barcode can carry
    });
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    const auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QString pdf = dir.filePath("out.pdf");
    const QByteArray old("an older file the caller had");
    const auto render = [&](const QString& design, const QString& out, int* code) {
        write(pdf, old);
        return runProgram(BRINDLE_DB_EXE, {"render", design, "--db", db, "--out", out}, code);
    };
    const auto pages = [](const QString& file) {
        const QString info = runProgram("pdfinfo", {file});
        const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };

    // Designs that print nothing still write their page, without marks.
    const QString empty = dir.filePath("empty.L");
    write(empty, QByteArray::fromHex("0100"));
    const QString barcodeOnly = dir.filePath("barcode.L");
    {
        DesignSurface s;
        s.setClipFilePath(QString());
        auto* pn = new TKPostNetBarCode;
        pn->setZipCodeField("ZIP");
        s.addObject(pn, QRect(10, 10, 270, 16));
        ASSERT_TRUE(s.saveToFile(barcodeOnly));
    }
    for (const QString& design : {empty, barcodeOnly}) {
        int code = -1;
        const QString said = render(design, pdf, &code);
        EXPECT_EQ(code, 0) << said.toStdString();
        EXPECT_TRUE(read(pdf).startsWith("%PDF")) << design.toStdString();
        EXPECT_EQ(pages(pdf), 1) << design.toStdString();
        EXPECT_TRUE(said.contains("prints nothing")) << said.toStdString();
    }

    // A design read only in part: an error that says what was read, and the
    // old file stays.
    const QString hello = dir.filePath("hello.L"), damaged = dir.filePath("damaged.L");
    {
        DesignSurface s;
        s.setClipFilePath(QString());
        auto* l = new TKPLabel;
        l->setCaption("Hello");
        s.addObject(l, QRect(10, 10, 142, 33));
        ASSERT_TRUE(s.saveToFile(hello));
        QByteArray bytes = read(hello);
        bytes.chop(1);  // the end of the list
        write(damaged, bytes + "TPF0" + QByteArray(1, char(8)) + "TKPL");  // a class name cut short
    }
    int code = -1;
    QString said = render(damaged, pdf, &code);
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(read(pdf) == old);
    EXPECT_TRUE(said.contains("Stream read error")) << said.toStdString();
    EXPECT_TRUE(said.contains("Component0 (TKPLabel)")) << said.toStdString();
    EXPECT_FALSE(said.contains("sav", Qt::CaseInsensitive)) << said.toStdString();
    EXPECT_FALSE(QFile::exists(damaged + ".bak"));

    // A PDF that cannot be written is an error with its reason.
    said = render(empty, dir.filePath("no/such/folder/out.pdf"), &code);
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(said.contains("no/such/folder/out.pdf")) << said.toStdString();

    // The PDF never goes over the design or the address file it reads.
    const QByteArray designBytes = read(hello), dbBytes = read(db);
    for (const QString& input : {hello, db}) {
        said = render(hello, input, &code);
        EXPECT_EQ(code, 2) << input.toStdString();
        EXPECT_TRUE(said.contains("would overwrite")) << said.toStdString();
    }
    EXPECT_TRUE(read(hello) == designBytes);
    EXPECT_TRUE(read(db) == dbBytes);
#endif
}

}  // namespace

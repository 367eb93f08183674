// brindle-db render end to end: a saved design and an address file give a PDF
// whose text poppler finds where the design put it.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "designobjects/DesignSurface.h"
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

}  // namespace

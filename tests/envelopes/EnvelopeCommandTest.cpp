// brindle-db envelopes end to end: the PDF it writes, read back with
// poppler's tools (page size, where the words are, how many pages, the
// Intelligent Mail barcode's bars at 1000 dpi).
#include <QProcess>
#include <QStandardPaths>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "EnvelopeTestSupport.h"
#include "address/AddressTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "common/SystemTables.h"
#include "designobjects/BarRaster.h"
#include "designobjects/IntelligentMail.h"
#include "envelopes/EnvelopeSetup.h"
#include "store/Table.h"

using namespace brindle;

namespace {

struct CliRun {
    int status = -1;
    QString out, err;
};

CliRun run(const addrtest::ProgramHome& home, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRINDLE_HOME"), home.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BRINDLE_DB_EXE), QStringList{QStringLiteral("envelopes")} + args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QString tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// xMin and yMin (points) of the first word of pdftotext -bbox output that equals `word`.
QPointF wordAt(const QString& pdf, const QString& word) {
    const QString html = tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const QRegularExpression re(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>") +
                                QRegularExpression::escape(word) + QStringLiteral("</word>"));
    const auto m = re.match(html);
    return m.hasMatch() ? QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QPointF(-1, -1);
}

}  // namespace

TEST(EnvelopesCommand, PrintsEachRecordAtTheFeedOffsetToPdf) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) GTEST_SKIP() << "poppler-utils missing";
    addrtest::ProgramHome home;
    const QString db = home.data(QStringLiteral("ADD0001.DBF"));
    addrtest::makeFile(db, {{{"LNAME", "Müller"}}, {{"LNAME", "José"}}, {{"LNAME", "Ødegård"}}});
    const QString design = home.path(QStringLiteral("sysdata/BIN00001.E"));
    envtest::writeDesign(design);
    const QString pdf = home.path(QStringLiteral("env.pdf"));

    CliRun r = run(home, {db, QStringLiteral("--design"), design, QStringLiteral("--size"), QStringLiteral("20"),
                       QStringLiteral("--orientation"), QStringLiteral("landscape"), QStringLiteral("--feed"),
                       QStringLiteral("CENTRE"), QStringLiteral("--face"), QStringLiteral("UP"), QStringLiteral("--out"), pdf});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("3 envelopes"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("design at 1.5, 2.188"))) << r.out.toStdString();
    const QString info = tool(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("792 x 612 pts"))) << info.toStdString();
    // The design's (1 in, 0.5 in) at 1.5 in, 2.1875 in: the word starts at 2.5 in (180 pt).
    const QPointF at = wordAt(pdf, QString::fromUtf8("Müller"));
    EXPECT_NEAR(at.x(), 180, 2);
    EXPECT_NEAR(at.y(), 2.6875 * 72, 4);
    if (const QString shots = qEnvironmentVariable("BRINDLE_DIALOG_SHOTS"); !shots.isEmpty())
        QFile::copy(pdf, shots + QStringLiteral("/envelopes.pdf"));

    // One record only, on the envelope's own paper: no offset at all.
    r = run(home, {db, QStringLiteral("--design"), design, QStringLiteral("--size"), QStringLiteral("20"),
                   QStringLiteral("--record"), QStringLiteral("2"), QStringLiteral("--only-current"),
                   QStringLiteral("--paper"), QStringLiteral("envelope"), QStringLiteral("--orientation"),
                   QStringLiteral("landscape"), QStringLiteral("--out"), pdf});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString one = tool(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(one.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b")))) << one.toStdString();
    EXPECT_TRUE(one.contains(QStringLiteral("684 x 297 pts"))) << one.toStdString();
    EXPECT_NEAR(wordAt(pdf, QString::fromUtf8("José")).x(), 72, 2);

    // A stored setup; one whose size code is unknown prints as #10 and says so.
    {
        common::ScriptedDialogs dialogs;
        auto table = common::openEnvelopeTable(dialogs);
        ASSERT_TRUE(table);
        for (const auto& [name, code] : {std::pair{"Business", 20}, std::pair{"Odd", 99}}) {
            table->append();
            ASSERT_TRUE(envelopes::writeEnvelopeSetup(
                *table, {QString::fromLatin1(name), code, QStringLiteral("bin00001.e")}, dialogs));
            table->post();
        }
    }
    r = run(home, {db, QStringLiteral("--setup"), QStringLiteral("odd"), QStringLiteral("--face"), QStringLiteral("DOWN"),
                   QStringLiteral("--feed"), QStringLiteral("LEFT"), QStringLiteral("--out"), pdf});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("size code 99"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("design at 1.5, 4.375"))) << r.out.toStdString();

    // Bad input leaves the PDF as it was and exits 2.
    const QByteArray before = [&] { QFile f(pdf); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    r = run(home, {db, QStringLiteral("--design"), design, QStringLiteral("--size"), QStringLiteral("24"),
                   QStringLiteral("--out"), pdf});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not an envelope size code")));
    r = run(home, {db, QStringLiteral("--setup"), QStringLiteral("Nothing"), QStringLiteral("--out"), pdf});
    EXPECT_EQ(r.status, 2);
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST(EnvelopesCommand, IntelligentMailBarcodeDecodesFromThePrintedPage) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) GTEST_SKIP() << "poppler-utils missing";
    addrtest::ProgramHome home;
    const QString db = home.data(QStringLiteral("ADD0001.DBF"));
    // Around the record with the example's routing code, two whose ZIP is
    // not well formed: their envelopes carry no bars.
    addrtest::makeFile(db, {{{"LNAME", "José"}, {"STREET", "12 Oak Ave"}, {"ZIP", "1234"}},
                            {{"LNAME", "Müller"}, {"STREET", "491 MAIN ST"}, {"ZIP", "01234-5678"}},
                            {{"LNAME", "Ødegård"}, {"STREET", "7 Elm St"}, {"ZIP", "ABCDE"}}});
    // The USPS example's tracking code on a #10 envelope, one inch in and
    // half an inch down; ZIP+4 with delivery point 91 from the street.
    const QString design = home.path(QStringLiteral("sysdata/BIN00001.E"));
    {
        designobjects::DesignSurface surface(designobjects::DesignSurface::EnvelopeSurface);
        surface.setClipFilePath(QString());
        surface.setSize(912, 396);
        auto* imb = new designobjects::TKIMBarCode;
        imb->setTracking({"01", "234", "567094"});
        imb->setStartingSerial(987654321);
        imb->setZipCodeField(QStringLiteral("ZIP"));
        imb->setAddressField(QStringLiteral("STREET"));
        surface.addObject(imb, QRect(96, 48, 282, 14));
        ASSERT_TRUE(surface.saveToFile(design)) << surface.lastError().toStdString();
    }
    const QString pdf = home.path(QStringLiteral("imb.pdf"));
    const CliRun r = run(home, {db, QStringLiteral("--design"), design, QStringLiteral("--size"), QStringLiteral("20"),
                                QStringLiteral("--paper"), QStringLiteral("envelope"), QStringLiteral("--orientation"),
                                QStringLiteral("landscape"), QStringLiteral("--out"), pdf});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // The blank envelope before the barcode keeps its page, so the stack
    // stays in step; the one at the end sends nothing and is not counted.
    EXPECT_TRUE(r.out.contains(QStringLiteral("2 envelopes"))) << r.out.toStdString();
    EXPECT_TRUE(tool(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\b"))));

    // The window from (0.9 in, 0.45 in): the tracker's top is row 50 and
    // its middle (0.5725 in) row 122, which every bar crosses.
    const auto page = [&](int n) {
        return bartest::rasterisePdf(pdf, 1000, QRect(900, 450, 3200, 250), home.path(QStringLiteral("page%1").arg(n)), n);
    };
    const QImage blank = page(1), bars = page(2);
    ASSERT_FALSE(blank.isNull());
    EXPECT_TRUE(bartest::darkRuns(blank, 122).empty());
    ASSERT_FALSE(bars.isNull());
    const bartest::RasterImb read = bartest::readImb(bars, 122, 50, 1000.0);
    ASSERT_EQ(read.bars.size(), 65u);
    EXPECT_EQ(read.states, QString::fromLatin1(bartest::kUspsImbExamples[3].bars));
    EXPECT_NEAR(read.bars.front().first + 900, 1000, 3);  // one inch from the envelope's edge
    EXPECT_NEAR((read.bars.back().first - read.bars.front().first) / 64.0, 1000 / 22.0, 0.2);  // pitch
}

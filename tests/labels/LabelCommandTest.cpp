// brindle-db labels end to end: a stock catalogue written by python3-dbf,
// address files with accented names, the PDF read back by pdfinfo and
// pdftotext -bbox (pages, and each label's text inside its label), and the
// failures that must leave no file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "LabelTestSupport.h"
#include "address/AddressSchema.h"
#include "address/FieldLengthSettings.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "labels/LabelSetup.h"
#include "store/Table.h"

using namespace brindle;

namespace {

struct CmdRun {
    int status = -1;
    QString out, err;
};

struct Word {
    int page;
    double x, y;  // inches
    QString text;
};

class LabelCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        QDir(home_.path()).mkpath(QStringLiteral("sysdata"));
        QString error;
        if (!labeltest::writeCatalogueWithPython(sysdata(), &error)) GTEST_SKIP() << "python3-dbf: " << error.toStdString();
        if (QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("command -v pdftotext && command -v pdfinfo")}) != 0)
            GTEST_SKIP() << "poppler-utils are not installed";
    }
    QString sysdata() const { return home_.filePath(QStringLiteral("sysdata")); }
    QString file(const QString& name) const { return home_.filePath(name); }

    // Records named `names` with the ZIP codes `zips` (cycled).
    QString addressFile(const QStringList& names, const QStringList& zips = {"62701"}) {
        const QString path = file(QStringLiteral("ADDR.DBF"));
        address::createAddressFile(path.toStdString(), address::builtInFieldLengths());
        auto t = store::Table::open(path.toStdString(), store::OpenMode::Exclusive);
        for (int i = 0; i < names.size(); ++i) {
            t->append();
            t->setString("LNAME", t->codec().fromUtf8(names[i].toStdString()).text);
            t->setString("FNAME", "Ann");
            t->setString("STREET", "1 Main St");
            t->setString("CITY", "Springfield");
            t->setString("STATE", "IL");
            t->setString("ZIP", zips[i % zips.size()].toStdString());
            t->setLogical("ISDEL", false);
            t->post();
        }
        return path;
    }

    CmdRun labels(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BRINDLE_HOME"), home_.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(BRINDLE_DB_EXE), QStringList{QStringLiteral("labels")} + args);
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    static int pages(const QString& pdf) {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {pdf});
        p.waitForFinished(30000);
        const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(p.readAllStandardOutput()));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    static std::vector<Word> words(const QString& pdf) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        p.waitForFinished(30000);
        std::vector<Word> out;
        int page = -1;
        static const QRegularExpression tag(
            QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
        for (auto it = tag.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
            const auto m = it.next();
            if (m.captured(0).startsWith(QStringLiteral("<page"))) ++page;
            else out.push_back({page, m.captured(1).toDouble() / 72, m.captured(2).toDouble() / 72, m.captured(3)});
        }
        return out;
    }

    QTemporaryDir home_;
};

labels::LabelSetup avery5160() {
    labels::LabelSetup s = labels::newLabelSetup();
    s.horizPitch = 2.75f;
    s.vertPitch = 1.0f;
    return s;
}

// Each name word lies inside the label of its position (pages, positions and
// origins as the sheet geometry gives them).
void expectInLabels(const std::vector<Word>& ws, const labels::LabelSetup& s, const std::vector<int>& positionOf,
                    const QStringList& names) {
    const int perSheet = s.nbrAcross * s.nbrDown;
    int seen = 0;
    for (const Word& w : ws) {
        const int i = names.indexOf(w.text);
        if (i < 0) continue;
        ++seen;
        const int slot = positionOf[size_t(i)];
        const auto o = labels::labelOrigin(s, slot % perSheet);
        EXPECT_EQ(w.page, slot / perSheet) << w.text.toStdString();
        EXPECT_GE(w.x, o.x) << w.text.toStdString();
        EXPECT_LT(w.x, o.x + s.lblWidth) << w.text.toStdString();
        EXPECT_GE(w.y, o.y) << w.text.toStdString();
        EXPECT_LT(w.y, o.y + s.lblHeight) << w.text.toStdString();
    }
    EXPECT_EQ(seen, names.size());
}

// A catalogue stock with the new-label design: 31 records on 3 × 10 make
// two pages, record 31 at the first label of page 2; accented names come
// through; chosen positions and copies are kept across pages.
TEST_F(LabelCommandTest, CatalogueStockToPdf) {
    QStringList names;
    for (int i = 1; i <= 31; ++i) names << QStringLiteral("Name%1").arg(i, 2, 10, QLatin1Char('0'));
    names[3] = QStringLiteral("Müller");
    names[4] = QStringLiteral("José");
    const QString db = addressFile(names);
    const QString out = file(QStringLiteral("labels.pdf"));
    CmdRun r = labels({db, QStringLiteral("--template"), QStringLiteral("Avery 5160  Address"), QStringLiteral("--out"), out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("31 labels for 31 records on 2 pages"))) << r.out.toStdString();
    EXPECT_EQ(pages(out), 2);
    std::vector<int> where(31);
    for (int i = 0; i < 31; ++i) where[size_t(i)] = i;
    expectInLabels(words(out), avery5160(), where, names);

    // Positions 2 and 4 of each sheet, two copies each: 62 labels, 31 pages.
    r = labels({db, QStringLiteral("--template"), QStringLiteral("avery 5160  address"), QStringLiteral("--positions"),
                QStringLiteral("2,4"), QStringLiteral("--copies"), QStringLiteral("2"), QStringLiteral("--out"), out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(pages(out), 31);
    const auto ws = words(out);
    for (const Word& w : ws) {
        if (!names.contains(w.text)) continue;
        const int i = int(names.indexOf(w.text));
        EXPECT_EQ(w.page, i) << w.text.toStdString();  // one record a sheet
        const auto o1 = labels::labelOrigin(avery5160(), 1), o3 = labels::labelOrigin(avery5160(), 3);
        EXPECT_TRUE((w.x >= o1.x && w.x < o1.x + 2.625 && w.y < o1.y + 1) || (w.x >= o3.x && w.x < o3.x + 2.625 && w.y >= o3.y))
            << w.text.toStdString();
    }
}

// --offset moves every label as a calibrated printer would: each word of
// the PDF lies exactly the offset away from where the plain run put it.
TEST_F(LabelCommandTest, OffsetMovesThePdf) {
    const QStringList names{QStringLiteral("Müller"), QStringLiteral("José"), QStringLiteral("Zoë")};
    const QString db = addressFile(names);
    const QString tpl = QStringLiteral("Avery 5160  Address");
    const QString plain = file(QStringLiteral("plain.pdf")), moved = file(QStringLiteral("moved.pdf"));
    ASSERT_EQ(labels({db, QStringLiteral("--template"), tpl, QStringLiteral("--out"), plain}).status, 0);
    const CmdRun r = labels({db, QStringLiteral("--template"), tpl, QStringLiteral("--offset"),
                             QStringLiteral("0.25,-0.1"), QStringLiteral("--out"), moved});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const auto before = words(plain), after = words(moved);
    ASSERT_EQ(before.size(), after.size());
    int named = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].text, before[i].text);
        EXPECT_NEAR(after[i].x - before[i].x, 0.25, 0.01) << before[i].text.toStdString();
        EXPECT_NEAR(after[i].y - before[i].y, -0.10, 0.01) << before[i].text.toStdString();
        named += names.contains(before[i].text);
    }
    EXPECT_EQ(named, names.size());
}

// A user's label setup prints its own design; presort order brings the
// separator labels; --start-record starts there only when the record belongs.
TEST_F(LabelCommandTest, SetupDesignPresortAndStartRecord) {
    const QString db = addressFile({"Alpha", "Beta", "Gamma", "Delta"}, {"62704", "12345", "62704", "K1A 0B6"});
    labeltest::Sysdata rows;  // LABEL.DBF with our fields, then moved into place
    labels::LabelSetup setup = avery5160();
    setup.descript = QStringLiteral("Club mailing");
    setup.binary = QStringLiteral("BIN00001.L");
    {
        designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
        surface.setSizeInches(setup.lblWidth, setup.lblHeight);
        surface.addObject(new designobjects::TKDMultiLineAddressLabel, QRect(5, 5, 230, 80));
        ASSERT_TRUE(surface.saveToFile(sysdata() + QStringLiteral("/BIN00001.L")));
    }
    rows.addRow(setup);
    for (const char* ext : {"DBF", "CDX"})
        ASSERT_TRUE(QFile::copy(rows.file(QStringLiteral("LABEL.") + ext), sysdata() + QStringLiteral("/LABEL.") + ext));

    const QString out = file(QStringLiteral("club.pdf"));
    CmdRun r = labels({db, QStringLiteral("--setup"), QStringLiteral("Club mailing"), QStringLiteral("--presort"),
                    QStringLiteral("--copies"), QStringLiteral("3"), QStringLiteral("--out"), out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Words in label order (pdftotext reads line by line across the sheet).
    std::vector<std::pair<int, QString>> bySlot;
    for (const Word& w : words(out)) {
        if (!QStringList{"Alpha", "Beta", "Gamma", "Delta", "**"}.contains(w.text)) continue;
        const int row = int((w.y - setup.topMarg) / setup.vertPitch), col = int((w.x - setup.leftMarg) / setup.horizPitch);
        bySlot.emplace_back(w.page * 1000 + row * setup.nbrAcross + col, w.text);
    }
    std::stable_sort(bySlot.begin(), bySlot.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList order;
    for (const auto& [slot, text] : bySlot) order << text;
    // Groups open with a separator label; one label a record whatever
    // --copies says, a key's records together; the Canadian code is left out.
    const QString seq = order.join(QLatin1Char(' '));
    EXPECT_TRUE(seq.startsWith(QStringLiteral("** "))) << seq.toStdString();
    EXPECT_TRUE(seq.contains(QStringLiteral("Alpha Gamma"))) << seq.toStdString();
    EXPECT_EQ(order.count(QStringLiteral("Beta")), 1);
    EXPECT_EQ(order.count(QStringLiteral("Alpha")), 1);
    EXPECT_FALSE(order.contains(QStringLiteral("Delta")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("without a US ZIP code"))) << r.err.toStdString();

    r = labels({db, QStringLiteral("--setup"), QStringLiteral("Club mailing"), QStringLiteral("--start-record"),
                QStringLiteral("3"), QStringLiteral("--out"), out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("2 labels for 2 records"))) << r.out.toStdString();
    r = labels({db, QStringLiteral("--setup"), QStringLiteral("Club mailing"), QStringLiteral("--filter"),
                QStringLiteral("LNAME = \"Beta\""), QStringLiteral("--start-record"), QStringLiteral("3"),
                QStringLiteral("--out"), out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Current record is out of range. Starting with first record")));
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("1 labels for 1 records"))) << r.out.toStdString();
}

// Every failure: status 2, a message, and no output file (an existing one stays as it was).
TEST_F(LabelCommandTest, FailuresLeaveNoFile) {
    const QString db = addressFile({"Alpha", "Beta"}, {"K1A 0B6"});
    const QString out = file(QStringLiteral("out.pdf"));
    const QString tpl = QStringLiteral("Avery 5160  Address");
    struct Case {
        QStringList args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{QStringLiteral("--template"), QStringLiteral("No such stock")}, "no stock described as"},
        {{QStringLiteral("--setup"), tpl}, "LABEL.DBF"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--positions"), QStringLiteral("31")}, "not on this sheet of 30"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--copies"), QStringLiteral("0")}, "--copies"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--filter"), QStringLiteral("LNAME = ")}, "invalid filter"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--filter"), QStringLiteral("LNAME = \"Zed\"")}, "no records to print"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--presort")}, "none of the chosen records has a US ZIP code"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--design"), QStringLiteral("/nonexistent/BIN1.L")}, "design file not found"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--offset"), QStringLiteral("1.5,0")}, "between -1 and 1 inch"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--offset"), QStringLiteral("0.05")}, "--offset"},
        {{QStringLiteral("--template"), tpl, QStringLiteral("--offset"), QStringLiteral("nan,0")}, "--offset"},
    };
    for (const Case& c : cases) {
        const CmdRun r = labels(QStringList{db} + c.args + QStringList{QStringLiteral("--out"), out});
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << c.message;
    }
    // An unwritable target leaves the file that was there.
    const QString locked = file(QStringLiteral("ro"));
    QDir().mkpath(locked);
    QFile old(locked + QStringLiteral("/old.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const CmdRun r = labels({db, QStringLiteral("--template"), tpl, QStringLiteral("--out"), locked + QStringLiteral("/old.pdf")});
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (::geteuid() != 0) {
        EXPECT_EQ(r.status, 2) << r.err.toStdString();
        QFile back(locked + QStringLiteral("/old.pdf"));
        ASSERT_TRUE(back.open(QIODevice::ReadOnly));
        EXPECT_EQ(back.readAll(), QByteArray("old"));
    }
    // --out naming the address file itself is refused before anything is touched.
    const CmdRun self = labels({db, QStringLiteral("--template"), tpl, QStringLiteral("--out"), file(QStringLiteral("addr.dbf"))});
    EXPECT_EQ(self.status, 2);
    EXPECT_TRUE(self.err.contains(QStringLiteral("would overwrite")));
}

}  // namespace

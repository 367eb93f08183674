// The import and export windows, offscreen: what they show for a real-looking
// file, the matching by menu, the refusals, and a whole import from a click.
// With TRANSFER_SHOTS set to a folder, each window is also saved there as PNG.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>

#include "TransferTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "transfer/ui/ImportWindows.h"
#include "transfer/ui/MatchWindows.h"
#include "transfer/ui/TCopyOut.h"

using namespace brindle;
using namespace brindle::transfer;
using namespace brindle::transfer::ui;
using transfertest::Scratch;

namespace {

void shoot(QWidget& w, const char* name) {
    const QByteArray dir = qgetenv("TRANSFER_SHOTS");
    w.show();
    QApplication::processEvents();
    if (!dir.isEmpty()) w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) + ".png");
}

const QByteArray kContacts =
    "Surname;First name;Company;Street;City;Postcode;Country;E-mail\r\n"
    "M\xC3\xBCller;J\xC3\xBCrgen;M\xC3\xBCller & S\xC3\xB6hne GmbH;Hauptstra\xC3\x9F" "e 12;K\xC3\xB6ln;50667;Germany;jm@example.de\r\n"
    "Garc\xC3\xAD" "a;Jos\xC3\xA9;\"Taller \"\"El Sol\"\"; S.L.\";Calle Mayor 3;Sevilla;41001;Spain;jose@example.es\r\n"
    "Wa\xC5\x82\xC4\x99sa;Lech;;ul. D\xC5\x82uga 1;Gda\xC5\x84sk;80-001;Poland;\r\n"
    "O'Brien;Siobhan;Acme Ltd;\"1 Quay St\nSuite 4\";Dublin;D02;Ireland;sob@example.ie\r\n";

}  // namespace

TEST(Windows, AsciiImportShowsTheFileAndMatchesByMenu) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    transfertest::writeBytes(s.path("contacts.csv"), kContacts);
    common::ScriptedDialogs d;
    TAsciiImport w(*t, d);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ASCII File Import"));
    EXPECT_EQ(w.pathLabel()->text(), QStringLiteral("(none)"));
    EXPECT_FALSE(w.matchButton()->isEnabled());
    w.useFile(s.path("contacts.csv"));
    EXPECT_EQ(w.pathLabel()->text(), s.path("contacts.csv"));
    EXPECT_EQ(w.separatorBox()->currentText(), QStringLiteral("Semicolon"));
    EXPECT_EQ(w.encodingBox()->currentText(), QStringLiteral("UTF-8"));
    EXPECT_TRUE(w.matchButton()->isEnabled());
    EXPECT_FALSE(w.importButton()->isEnabled());
    EXPECT_FALSE(w.headerBox()->isChecked());
    w.headerBox()->setChecked(true);  // names from the first line; matched where they are labels
    EXPECT_EQ(w.session().sample().rows.size(), 4u);
    EXPECT_TRUE(w.importButton()->isEnabled());  // "Country" and "E-mail" are labels
    shoot(w, "TAsciiImport");

    TAsciiMatch m(w.session().sample(), QStringLiteral("contacts.csv"), w.session().matching(), &w);
    EXPECT_EQ(m.windowTitle(), QStringLiteral("ASCII File Import Match Fields"));
    EXPECT_EQ(m.matchGrid()->horizontalHeaderItem(1)->text(), QStringLiteral("Import from Field (in contacts.csv)"));
    EXPECT_EQ(m.sourceGrid()->horizontalHeaderItem(0)->text(), QStringLiteral("Surname"));
    EXPECT_EQ(m.sourceGrid()->item(1, 2)->text(), QStringLiteral("Taller \"El Sol\"; S.L."));
    EXPECT_EQ(m.sourceGrid()->item(3, 3)->text(), QStringLiteral("1 Quay St Suite 4"));
    const auto rowOf = [&](const char* label) {
        for (int r = 0; r < m.matchGrid()->rowCount(); ++r)
            if (m.matchGrid()->item(r, 0)->text() == QLatin1String(label)) return r;
        return -1;
    };
    EXPECT_EQ(m.matchGrid()->item(rowOf("Country"), 1)->text(), QStringLiteral("Country"));
    for (const auto& [label, source] : {std::pair{"Last Name", 0}, std::pair{"First Name", 1},
                                        std::pair{"Organization", 2}, std::pair{"Address 1", 3},
                                        std::pair{"City", 4}, std::pair{"Zip/Postal Code", 5}}) {
        m.matchGrid()->setCurrentCell(rowOf(label), 1);
        m.chooseForCurrentRow(source);
    }
    // The menu offers "(none)" and every column, the current one checked.
    m.matchGrid()->setCurrentCell(rowOf("City"), 1);
    QMenu* menu = m.fieldMenu(rowOf("City"));
    ASSERT_EQ(menu->actions().size(), 9);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("(none)"));
    EXPECT_TRUE(menu->actions()[5]->isChecked());
    // Choosing City's column for State moves it.
    m.matchGrid()->setCurrentCell(rowOf("State"), 1);
    m.chooseForCurrentRow(4);
    EXPECT_EQ(m.matchGrid()->item(rowOf("City"), 1)->text(), QString());
    m.matchGrid()->setCurrentCell(rowOf("City"), 1);
    m.chooseForCurrentRow(4);
    m.matchGrid()->setCurrentCell(rowOf("Last Name"), 1);
    shoot(m, "TAsciiMatch");
    w.session().setMatching(m.matching());
    m.close();

    w.importButton()->setEnabled(true);
    w.importClicked();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    ASSERT_EQ(t->recordCount(), 4u);
    t->go(2);
    EXPECT_EQ(t->codec().toUtf8(t->getString("ORG")), "Taller \"El Sol\"; S.L.");
    ASSERT_FALSE(d.infos().isEmpty());
    EXPECT_TRUE(d.infos().first().startsWith(QStringLiteral("Import complete. Imported 4 records.")));
    EXPECT_TRUE(d.infos().first().contains(QStringLiteral("\"Wałęsa\" as \"Walesa\""))) << d.infos().first().toStdString();
    EXPECT_TRUE(t->check().empty());
}

TEST(Windows, AsciiImportRefusesAOneLineFile) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    transfertest::writeBytes(s.path("one.csv"), "only,one,line\r\n");
    common::ScriptedDialogs d;
    TAsciiImport w(*t, d);
    w.useFile(s.path("one.csv"));
    EXPECT_EQ(d.infos(), QStringList{QStringLiteral("Unable to import from this file")});
    EXPECT_EQ(w.pathLabel()->text(), QStringLiteral("(none)"));
    EXPECT_FALSE(w.matchButton()->isEnabled());
}

TEST(Windows, DbfImportAndOlderImportRefuseTheAddressFile) {
    if (!transfertest::pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 lacks python3-dbf";
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    transfertest::runPython(
        s,
        QStringLiteral("import dbf, sys\n"
                       "t = dbf.Table(sys.argv[1], 'LASTNAME C(20); org C(30); CITY C(20); ZIP N(5,0); NOTES M', "
                       "dbf_type='db3', codepage='cp850')\n"
                       "t.open(dbf.READ_WRITE)\n"
                       "t.append(('M\\u00fcller', 'Acme', 'K\\u00f6ln', 50667, 'Met at the fair'))\n"
                       "t.append(('Garc\\u00eda', 'Sol S.L.', 'Sevilla', 41001, ''))\n"
                       "t.close()\n"),
        {s.path("LEGACY.DBF")});
    common::ScriptedDialogs d;
    TDBFImport w(*t, s.path("ADDR.DBF"), d);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("DBF File Import"));
    w.useFile(s.path("addr.dbf"));
    EXPECT_EQ(d.infos().last(), QStringLiteral("Cannot import a file to itself"));
    w.useFile(s.path("LEGACY.DBF"));
    EXPECT_TRUE(w.matchButton()->isEnabled());
    EXPECT_FALSE(w.importButton()->isEnabled());
    shoot(w, "TDBFImport");
    TDBFMatch m(*w.session().source(), w.session().fields(), QStringLiteral("LEGACY.DBF"),
                w.session().matchingForWindow(), &w);
    EXPECT_EQ(m.sourceGrid()->item(0, 0)->text(), QStringLiteral("Müller"));
    EXPECT_EQ(m.sourceGrid()->rowCount(), 2);
    int memoRow = -1, orgRow = -1;
    for (int r = 0; r < m.matchGrid()->rowCount(); ++r) {
        if (m.matchGrid()->item(r, 0)->text() == QLatin1String("MEMO")) memoRow = r;
        if (m.matchGrid()->item(r, 0)->text() == QLatin1String("Organization")) orgRow = r;
    }
    EXPECT_EQ(m.matchGrid()->item(orgRow, 1)->text(), QStringLiteral("ORG"));
    EXPECT_EQ(m.matchGrid()->item(memoRow, 1)->text(), QStringLiteral("NOTES"));
    // The memo row offers only memos; other rows everything but memos.
    EXPECT_EQ(m.fieldMenu(memoRow)->actions().size(), 2);
    EXPECT_EQ(m.fieldMenu(orgRow)->actions().size(), 5);
    m.matchGrid()->setCurrentCell(0, 1);
    m.chooseForCurrentRow(0);  // LASTNAME by hand
    shoot(m, "TDBFMatch");
    w.session().setMatching(m.matching());
    m.close();
    w.importClicked();
    ASSERT_EQ(t->recordCount(), 2u);
    t->go(1);
    EXPECT_EQ(t->codec().toUtf8(t->getString("LNAME")), "M\xC3\xBCller");
    EXPECT_EQ(t->getMemo("MEMO"), "Met at the fair");

    common::ScriptedDialogs d2;
    TImportOlder older(*t, s.path("ADDR.DBF"), Generation::V1, d2);
    EXPECT_EQ(older.windowTitle(), QStringLiteral("Import Brindle 1.x DBF"));
    older.useFile(s.path("ADDR.DBF"));
    older.useFile(s.path("LEGACY.DBF"));
    EXPECT_EQ(d2.infos(), (QStringList{QStringLiteral("Cannot import a file to itself"),
                                       s.path("LEGACY.DBF") + QStringLiteral(" does not appear to be a Brindle 1.x DBF")}));
    EXPECT_FALSE(older.importButton()->isEnabled());
    shoot(older, "TImportOlder");
}

TEST(Windows, CopyOutChecksTheTargetAndCopies) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    for (const char* name : {"Zeta", "Alpha"}) {
        t->append();
        t->setString("LNAME", name);
        t->post();
    }
    t->setOrder(t->tagArea("LNAME"));
    common::ScriptedDialogs d;
    TCopyOut w(*t, s.path("ADDR.DBF"), s.dir.path(), d);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Copy Records Out"));
    EXPECT_TRUE(w.dbfChoice()->isChecked());
    EXPECT_FALSE(w.encodingBox()->isEnabled());
    shoot(w, "TCopyOut");
    w.copyTo(s.path("MYFILE.TXT"));
    EXPECT_EQ(d.infos().last(), QStringLiteral("Must have a .DBF extension"));
    EXPECT_FALSE(w.copyingLabel()->isVisible());
    w.textChoice()->setChecked(true);
    EXPECT_TRUE(w.encodingBox()->isEnabled());
    w.encodingBox()->setCurrentIndex(1);
    w.copyTo(s.path("list.csv"));
    EXPECT_EQ(w.result().copied, 2u);
    EXPECT_EQ(w.copyingLabel()->text(), QStringLiteral("Copying to ") + s.path("list.csv"));
    EXPECT_TRUE(transfertest::readBytes(s.path("list.csv")).startsWith("\"\",\"\",\"\",\"Alpha\""));
}

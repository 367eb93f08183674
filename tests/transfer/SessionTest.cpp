// The import windows' flow without widgets: what choosing a file does to the
// matching, the proposals kept between visits, and the files refused.
#include <gtest/gtest.h>

#include <unistd.h>

#include "TransferTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "transfer/ImportSessions.h"

using namespace brindle;
using namespace brindle::transfer;
using transfertest::Scratch;

namespace {

void makeSource(const Scratch& s, const QString& name) {
    store::Table::create(s.file(name), {{"LNAME", 'C', 20, 0}, {"CITY", 'C', 20, 0}, {"AGE", 'N', 3, 0}});
    auto t = store::Table::open(s.file(name), store::OpenMode::Exclusive);
    t->append();
    t->setString("LNAME", "Lee");
    t->setString("CITY", "Oslo");
    t->setNumber("AGE", 42);
    t->post();
}

}  // namespace

TEST(Sessions, DbfMatchingIsProposedOnceAndForgottenWithTheFile) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    makeSource(s, "SRC.DBF");
    common::ScriptedDialogs d;
    DbfImportSession session(*t, s.path("ADDR.DBF"), d);
    ASSERT_TRUE(session.chooseFile(s.path("SRC.DBF")));
    EXPECT_FALSE(session.canImport());  // nothing is imported before the user saw the matching
    FieldMatching m = session.matchingForWindow();
    EXPECT_EQ(m.pairs().size(), 2u);  // LNAME and CITY by name; AGE has no namesake
    m.clearAll();
    m.choose(0, 2);
    session.setMatching(m);
    EXPECT_TRUE(session.canImport());
    EXPECT_EQ(session.matchingForWindow().pairs(), m.pairs());  // the user's choice, not the proposal again
    const ImportResult r = session.run({});
    EXPECT_EQ(r.imported, 1u);
    t->go(1);
    EXPECT_EQ(t->getString("LNAME"), "42");
    EXPECT_EQ(t->getString("CITY"), "");
    EXPECT_EQ(d.infos().last(), QStringLiteral("Import complete. Imported 1 records."));

    ASSERT_TRUE(session.chooseFile(s.path("SRC.DBF")));
    EXPECT_FALSE(session.canImport());
    EXPECT_EQ(session.matchingForWindow().pairs().size(), 2u);
    EXPECT_FALSE(session.chooseFile(QString()));
    EXPECT_FALSE(session.hasFile());
}

TEST(Sessions, TheAddressFileIsNeverASourceWhateverTheSpelling) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    ASSERT_EQ(::link(s.file("ADDR.DBF").c_str(), s.file("HARD.DBF").c_str()), 0);
    common::ScriptedDialogs d;
    OlderImportSession older(*t, s.path("ADDR.DBF"), Generation::V2, d);
    EXPECT_EQ(older.caption(), QStringLiteral("Import Brindle 2.x DBF"));
    for (const char* name : {"ADDR.DBF", "addr.dbf", "HARD.DBF"}) EXPECT_FALSE(older.chooseFile(s.path(name)));
    DbfImportSession dbf(*t, s.path("ADDR.DBF"), d);
    EXPECT_FALSE(dbf.chooseFile(s.path("HARD.DBF")));
    EXPECT_EQ(d.infos(), QStringList(4, QStringLiteral("Cannot import a file to itself")));
}

TEST(Sessions, TextOptionsResampleAndRematch) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    const QString text = QStringLiteral("City\tLast Name\r\nKöln\tMüller\r\nКиїв\tШевченко\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    transfertest::writeBytes(s.path("utf16.txt"), bytes);
    common::ScriptedDialogs d;
    AsciiImportSession session(*t, d);
    ASSERT_TRUE(session.chooseFile(s.path("utf16.txt")));
    EXPECT_EQ(session.sample().encoding, TextEncoding::Utf16LE);
    EXPECT_EQ(session.sample().separator, '\t');
    EXPECT_FALSE(session.canImport());
    session.resample('\t', true, std::nullopt);
    EXPECT_TRUE(session.canImport());
    EXPECT_EQ(session.matching().pairs(), (std::vector<std::pair<int, QString>>{{0, "CITY"}, {1, "LNAME"}}));
    session.resample(',', true, std::nullopt);  // one column named by the whole line
    EXPECT_FALSE(session.canImport());
    session.resample('\t', true, std::nullopt);
    const ImportResult r = session.run({});
    EXPECT_EQ(r.imported, 2u);
    EXPECT_EQ(r.notes.replaced, 12u);  // Київ and Шевченко
    t->go(1);
    EXPECT_EQ(t->codec().toUtf8(t->getString("LNAME")), "M\xC3\xBCller");
}

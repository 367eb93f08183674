// Importing tables written by another xBase tool (python3-dbf): dBASE III
// with DBT memos, FoxPro with FPT, Visual FoxPro with its binary types, a DOS
// code page; and the address tables of the two older generations.
#include <gtest/gtest.h>

#include "TransferTestSupport.h"
#include "transfer/DbfImport.h"

using namespace brindle;
using namespace brindle::transfer;
using transfertest::Scratch;

namespace {

std::string field(store::Table& t, std::uint32_t recno, const char* name) {
    t.go(recno);
    return t.codec().toUtf8(t.getString(name));
}

// Writes a table with python3-dbf: `spec` its field list, `type` db3/fp/vfp,
// `rows` a Python list literal of tuples.
void pythonTable(const Scratch& s, const QString& file, const QString& spec, const QString& type,
                 const QString& codepage, const QString& rows) {
    transfertest::runPython(
        s, QStringLiteral("import dbf, datetime, sys\n"
                          "t = dbf.Table(sys.argv[1], sys.argv[2], dbf_type=sys.argv[3], codepage=sys.argv[4])\n"
                          "t.open(dbf.READ_WRITE)\n"
                          "for r in %1:\n"
                          "    t.append(r)\n"
                          "t.close()\n")
               .arg(rows),
        {s.path(file), spec, type, codepage});
}

ImportResult importMatched(store::Table& target, const OpenedSource& src) {
    const FieldMatching m = proposeDbfMatching(src.fields);
    DbfSource source(*src.table, target, m.pairs());
    return runImport(target, source, ImportKind::Dbf, {});
}

}  // namespace

TEST(DbfMatching, ProposalsFollowNamesTypesAndTheFirstComer) {
    const std::vector<SourceField> fields = {{"LASTNAME", 'C', 20}, {"org", 'C', 30},   {"Last Name", 'C', 20},
                                             {"LNAME", 'C', 20},    {"NOTES", 'M', 10}, {"ZIP", 'N', 5},
                                             {"city", 'I', 4},      {"MEMO2", 'M', 10}};
    const FieldMatching m = proposeDbfMatching(fields);
    const auto rowOf = [&](const char* name) {
        for (int r = 0; r < m.rowCount(); ++r)
            if (m.target(r).field == QLatin1String(name)) return r;
        return -1;
    };
    EXPECT_EQ(m.rowOf(0), -1);                 // LASTNAME is no field's name or label
    EXPECT_EQ(m.rowOf(1), rowOf("ORG"));
    EXPECT_EQ(m.rowOf(2), rowOf("LNAME"));     // by label, and first
    EXPECT_EQ(m.rowOf(3), -1);                 // LNAME came second
    EXPECT_EQ(m.rowOf(4), rowOf("MEMO"));
    EXPECT_EQ(m.rowOf(5), rowOf("ZIP"));       // numbers are proposed
    EXPECT_EQ(m.rowOf(6), -1);                 // integers only by hand
    EXPECT_EQ(m.rowOf(7), -1);                 // MEMO already taken
    const ImportTarget& memo = m.target(rowOf("MEMO"));
    EXPECT_TRUE(allowedForTarget('M', memo));
    EXPECT_FALSE(allowedForTarget('C', memo));
    EXPECT_FALSE(allowedForTarget('M', m.target(rowOf("ORG"))));
    EXPECT_TRUE(allowedForTarget('N', m.target(rowOf("ORG"))));
}

TEST(DbfImport, TablesOfOtherToolsArriveDecoded) {
    if (!transfertest::pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 lacks python3-dbf";
    Scratch s;
    pythonTable(s, "D3.DBF", "LNAME C(20); ORG C(30); ZIP N(5,0); MEMO M; BORN D; OK L", "db3", "cp1252",
                "[('M\\u00fcller', 'Acme, \"Inc\"', 12345, 'a memo of dBASE', datetime.date(1976,7,4), True)]");
    pythonTable(s, "FP.DBF", "LNAME C(20); NOTES M", "fp", "cp850",
                "[('Jos\\u00e9 \\u00c7a', 'FoxPro memo \\u00e9')]");
    pythonTable(s, "VF.DBF", "LNAME C(20); COUNT I; PRICE Y; RATE B; SEEN T", "vfp", "cp1252",
                "[('Visual', 42, 3.5, 2.25, datetime.datetime(2020,1,2,3,4,5))]");
    auto t = transfertest::newAddressFile(s);

    OpenedSource d3 = openDbfSource(s.path("D3.DBF"));
    ASSERT_TRUE(d3.table) << d3.refusal.toStdString();
    ImportResult r = importMatched(*t, d3);
    EXPECT_EQ(r.message(), QStringLiteral("Import complete. Imported 1 records."));
    EXPECT_EQ(field(*t, 1, "LNAME"), "M\xC3\xBCller");
    EXPECT_EQ(field(*t, 1, "ORG"), "Acme, \"Inc\"");
    EXPECT_EQ(field(*t, 1, "ZIP"), "12345");
    t->go(1);
    EXPECT_EQ(t->getMemo("MEMO"), "a memo of dBASE");

    OpenedSource fp = openDbfSource(s.path("FP.DBF"));
    ASSERT_TRUE(fp.table);
    r = importMatched(*t, fp);  // NOTES is a memo: it goes to MEMO
    EXPECT_EQ(r.imported, 1u);
    EXPECT_EQ(field(*t, 2, "LNAME"), "Jos\xC3\xA9 \xC3\x87" "a");
    t->go(2);
    EXPECT_EQ(t->codec().toUtf8(t->getMemo("MEMO")), "FoxPro memo \xC3\xA9");

    // The binary types of Visual FoxPro are chosen by hand and arrive as text.
    OpenedSource vf = openDbfSource(s.path("VF.DBF"));
    ASSERT_TRUE(vf.table);
    DbfSource src(*vf.table, *t, {{0, "LNAME"}, {1, "ZIP"}, {2, "USER1"}, {3, "USER2"}, {4, "CODES"}});
    r = runImport(*t, src, ImportKind::Dbf, {});
    EXPECT_EQ(r.imported, 1u);
    EXPECT_EQ(field(*t, 3, "ZIP"), "42");
    EXPECT_EQ(field(*t, 3, "USER1"), "3.5000");
    EXPECT_EQ(field(*t, 3, "USER2"), "2.25");
    EXPECT_EQ(field(*t, 3, "CODES"), "20200102 03:04:05");
    EXPECT_TRUE(t->check().empty());
}

TEST(DbfImport, SourcesThatCannotBeUsedAreRefusedWithTheirMessages) {
    if (!transfertest::pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 lacks python3-dbf";
    Scratch s;
    pythonTable(s, "EMPTY.DBF", "LNAME C(20)", "db3", "cp1252", "[]");
    EXPECT_EQ(openDbfSource(s.path("EMPTY.DBF")).refusal, QStringLiteral("There are no records in ") + s.path("EMPTY.DBF"));
    transfertest::writeBytes(s.path("JUNK.DBF"), "not a table at all");
    EXPECT_EQ(openDbfSource(s.path("JUNK.DBF")).refusal, QStringLiteral("Unable to open the file ") + s.path("JUNK.DBF"));
}

TEST(OlderImport, V1DatesFollowTheirRules) {
    const QDate today(2026, 12, 9);
    EXPECT_EQ(convertV1Date("19760704", "MM/dd/yy", today), "19760704");
    EXPECT_EQ(convertV1Date("19760231", "MM/dd/yy", today), "");
    EXPECT_EQ(convertV1Date("07/04/76", "MM/dd/yy", today), "19760704");
    EXPECT_EQ(convertV1Date("07/04/1976", "MM/dd/yyyy", today), "19760704");
    EXPECT_EQ(convertV1Date("01/02/05", "MM/dd/yy", today), "20050102");
    EXPECT_EQ(convertV1Date("01/02/46", "MM/dd/yy", today), "20460102");
    EXPECT_EQ(convertV1Date("01/02/47", "MM/dd/yy", today), "19470102");
    EXPECT_EQ(convertV1Date("04.07.1976", "dd.MM.yyyy", today), "19760704");
    EXPECT_EQ(convertV1Date("next week", "MM/dd/yy", today), "");
    EXPECT_EQ(convertV1Date("  ", "MM/dd/yy", today), "");
}

TEST(OlderImport, BothGenerationsCopyByTheirMappings) {
    if (!transfertest::pythonHasDbf()) GTEST_SKIP() << "/usr/bin/python3 lacks python3-dbf";
    Scratch s;
    const QString v1 =
        "LNAME C(20); FNAME C(20); MIDDLE C(1); TITLE C(20); ORG C(30); STREET C(30); CITY C(20); STATE C(2); "
        "ZIP C(10); COUNTRY C(20); PHONE C(20); EMAIL C(40); FAX C(20); NOTES C(30); PREFIX C(10); CARRIER C(4); "
        "DATE C(10); MEMO M";
    pythonTable(s, "OLD1.DBF", v1, "db3", "cp437",
                "[('Adams','Ann','B','Dr','Org','1 Main','Town','CA','90210','USA','555','a@b.c','556','vip','Ms',"
                "'C001','19760704','12345678'), "
                "('Baker','Bo','','','','','','','','','','','','','','','not a date',''), "
                "('Clark','Cy','','','','','','','','','','','','','','','XX/YY/ZZ','')]");
    auto t = transfertest::newAddressFile(s);
    OpenedSource src = openOlderSource(s.path("OLD1.DBF"), Generation::V1);
    ASSERT_TRUE(src.table) << src.refusal.toStdString();
    OlderSource older(*src.table, *t, Generation::V1);
    ImportResult r = runImport(*t, older, ImportKind::Dbf, {});
    EXPECT_EQ(r.imported, 3u);
    EXPECT_EQ(field(*t, 1, "CODES"), "vip");
    EXPECT_EQ(field(*t, 1, "DATE"), "19760704");
    EXPECT_EQ(field(*t, 1, "PREFIX"), "Ms");
    t->go(1);
    EXPECT_EQ(t->getMemo("MEMO"), "12345678 ");  // a length of 8 gets a blank
    EXPECT_EQ(field(*t, 2, "DATE"), "");
    EXPECT_EQ(field(*t, 3, "DATE"), "");

    const QString v2 =
        "LNAME C(20); FNAME C(20); MIDDLE C(1); TITLE C(20); ORG C(30); STREET C(30); STREET2 C(30); CITY C(20); "
        "STATE C(2); ZIP C(10); COUNTRY C(20); PHONE C(20); PHONE2 C(20); EMAIL C(40); FAX C(20); CODES C(20); "
        "PREFIX C(10); DATE C(8); USER1 C(20); USER2 C(20); ISDEL L; MEMO M";
    pythonTable(s, "NOTAG.DBF", v2, "fp", "cp1252", "[tuple(['x'] * 20 + [False, ''])]");
    pythonTable(s, "OLD2.DBF", v2 + "; TAG C(8)", "fp", "cp1252",
                "[('Davis','Di','','','','','Suite 2','','','','','','777','','','c1','','20010203','u1','u2',"
                "True,'memo','TAGGED')]");
    EXPECT_EQ(openOlderSource(s.path("NOTAG.DBF"), Generation::V2).refusal,
              s.path("NOTAG.DBF") + QStringLiteral(" does not appear to be a Brindle 2.x DBF"));
    OpenedSource two = openOlderSource(s.path("OLD2.DBF"), Generation::V2);
    ASSERT_TRUE(two.table) << two.refusal.toStdString();
    EXPECT_FALSE(openOlderSource(s.path("OLD2.DBF"), Generation::V1).table);
    OlderSource src2(*two.table, *t, Generation::V2);
    r = runImport(*t, src2, ImportKind::Dbf, {});
    EXPECT_EQ(r.imported, 1u);
    EXPECT_EQ(field(*t, 4, "STREET2"), "Suite 2");
    EXPECT_EQ(field(*t, 4, "PHONE2"), "777");
    EXPECT_EQ(field(*t, 4, "DATE"), "20010203");
    EXPECT_EQ(field(*t, 4, "TAG"), "");
    t->go(4);
    EXPECT_TRUE(t->getLogical("ISDEL"));
    EXPECT_TRUE(t->check().empty());
}

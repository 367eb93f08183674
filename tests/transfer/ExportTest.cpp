// Exporting: which records, in which order, how values are written, the
// checks on the target, and reading the text back in.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <unistd.h>

#include <stdexcept>

#include "TransferTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "store/Cp1252.h"
#include "transfer/Export.h"
#include "transfer/ImportRun.h"

using namespace brindle;
using namespace brindle::transfer;
using transfertest::Scratch;

namespace {

struct Person {
    const char* last;
    const char* state;
};

// Ten records; three in CA.
void fillTen(store::Table& t) {
    const Person people[] = {{"Kim", "CA"}, {"Abe", "NY"}, {"Zed", "CA"}, {"Bo", "TX"},  {"Cy", "NY"},
                             {"Ann", "CA"}, {"Di", "WA"},  {"Ed", "OR"},  {"Flo", "NV"}, {"Gus", "AZ"}};
    for (const Person& p : people) {
        t.append();
        t.setString("LNAME", p.last);
        t.setString("STATE", p.state);
        t.post();
    }
}

std::vector<std::string> lastNames(store::Table& t) {
    std::vector<std::string> out;
    for (bool ok = t.first(); ok && !t.eof(); ok = t.next()) out.push_back(t.getString("LNAME"));
    return out;
}

}  // namespace

TEST(Export, BothFormatsCopyTheFilteredRecordsInOrder) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    fillTen(*t);
    t->setOrder(t->tagArea("LNAME"));
    t->setFilter("STATE = \"CA\"");
    t->go(3);
    ExportOptions o;
    ExportResult r = exportRecords(*t, s.path("OUT.DBF"), o, {});
    EXPECT_EQ(r.outcome, ExportResult::Complete);
    EXPECT_EQ(r.copied, 3u);
    EXPECT_EQ(t->recNo(), 3u);
    o.format = ExportFormat::Csv;
    r = exportRecords(*t, s.path("out.csv"), o, {});
    EXPECT_EQ(r.copied, 3u);
    EXPECT_EQ(t->recNo(), 3u);

    auto copy = store::Table::open(s.file("OUT.DBF"), store::OpenMode::ReadOnly);
    EXPECT_FALSE(copy->hasStructuralIndex());
    EXPECT_EQ(lastNames(*copy), (std::vector<std::string>{"Ann", "Kim", "Zed"}));
    EXPECT_EQ(copy->fieldDefs().size(), t->fieldDefs().size());
    const QByteArray text = transfertest::readBytes(s.path("out.csv"));
    EXPECT_EQ(text,
              "\"\",\"\",\"\",\"Ann\",\"\",\"\",\"\",\"\",\"\",\"CA\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
              "\"\",\"\",\"\",\"Kim\",\"\",\"\",\"\",\"\",\"\",\"CA\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
              "\"\",\"\",\"\",\"Zed\",\"\",\"\",\"\",\"\",\"\",\"CA\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");
}

TEST(Export, TextReadsBackByteForByteInBothEncodings) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    const auto& fields = exportedTextFields();
    // Every exported field filled to its width with commas, quotes and accents.
    for (int rec = 0; rec < 3; ++rec) {
        t->append();
        for (const char* f : fields) {
            const int width = t->schema().fields[static_cast<std::size_t>(t->fieldIndex(f))].width;
            std::string v = store::utf8ToCp1252(rec == 0 ? "Acme, \"Inc\" M\xC3\xBCller Jos\xC3\xA9 \xE2\x82\xAC"
                                                         : (rec == 1 ? "\"" : std::string(f) + ";x"));
            v = v.substr(0, static_cast<std::size_t>(width));
            t->setString(f, v);
        }
        t->post();
    }
    for (TextEncoding enc : {TextEncoding::Utf8, TextEncoding::Windows1252}) {
        SCOPED_TRACE(encodingName(enc).toStdString());
        ExportOptions o;
        o.format = ExportFormat::Csv;
        o.encoding = enc;
        o.headerLine = true;
        ASSERT_EQ(exportRecords(*t, s.path("round.csv"), o, {}).copied, 3u);
        const QByteArray bytes = transfertest::readBytes(s.path("round.csv"));
        EXPECT_EQ(bytes.contains("M\xC3\xBCller"), enc == TextEncoding::Utf8);
        Scratch other;
        auto back = transfertest::newAddressFile(other);
        ColumnMap map;
        for (std::size_t i = 0; i < fields.size(); ++i) map.emplace_back(static_cast<int>(i), QString::fromLatin1(fields[i]));
        CsvOptions io;
        io.headerLine = true;
        const ImportResult r = importCsvFile(*back, s.path("round.csv"), io, map, {});
        ASSERT_EQ(r.imported, 3u);
        EXPECT_TRUE(r.notes.empty());
        for (std::uint32_t rec = 1; rec <= 3; ++rec) {
            t->go(rec);
            back->go(rec);
            for (const char* f : fields) EXPECT_EQ(back->getRaw(f), t->getRaw(f)) << f << " of record " << rec;
        }
    }
}

TEST(Export, DbfCopyAppliesTheMemoRuleAndReplacesAStaleIndex) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    t->append();
    t->setString("LNAME", "Memo");
    t->setMemo("MEMO", "12345678");
    t->setLogical("ISDEL", false);
    t->setString("TAG", "ABCDEFGH");
    t->post();
    transfertest::writeBytes(s.path("copy.cdx"), "stale");
    ExportOptions o;
    ASSERT_EQ(exportRecords(*t, s.path("copy.dbf"), o, {}).outcome, ExportResult::Complete);
    EXPECT_FALSE(QFileInfo::exists(s.path("copy.cdx")));
    auto copy = store::Table::open(s.file("copy.dbf"), store::OpenMode::ReadOnly);
    copy->first();
    EXPECT_EQ(copy->getMemo("MEMO"), "12345678 ");
    EXPECT_EQ(copy->getString("TAG"), "");
    // Nothing is left beside it.
    EXPECT_EQ(QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".part")).size(), 0);
}

TEST(Export, TargetChecks) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    const QString open = s.path("ADDR.DBF");
    common::ScriptedDialogs d;
    EXPECT_TRUE(acceptExportTarget(s.path("MYFILE.TXT"), open, ExportFormat::Dbf, d).isEmpty());
    EXPECT_EQ(d.infos().last(), QStringLiteral("Must have a .DBF extension"));
    // The open file under another spelling or through a link.
    EXPECT_TRUE(acceptExportTarget(s.path("addr.dbf"), open, ExportFormat::Dbf, d).isEmpty());
    EXPECT_EQ(d.infos().last(), QStringLiteral("Cannot copy a file to itself!"));
    ASSERT_EQ(::symlink(open.toLocal8Bit().constData(), s.path("LINK.DBF").toLocal8Bit().constData()), 0);
    EXPECT_TRUE(acceptExportTarget(s.path("LINK.DBF"), open, ExportFormat::Dbf, d).isEmpty());
    EXPECT_EQ(d.infos().size(), 3);

    // An existing file, whatever its case, is replaced only on Yes.
    transfertest::writeBytes(s.path("old.csv"), "keep me");
    d.answers.enqueue(false);
    EXPECT_TRUE(acceptExportTarget(s.path("OLD.CSV"), open, ExportFormat::Csv, d).isEmpty());
    EXPECT_EQ(d.shown.last().text, s.path("old.csv") + QStringLiteral(" already exists.\r\nDo you want to overwrite it?"));
    EXPECT_EQ(d.shown.last().caption, QStringLiteral("Warning!"));
    EXPECT_EQ(d.shown.last().kind, common::ScriptedDialogs::Kind::YesNoDefaultNo);
    EXPECT_EQ(transfertest::readBytes(s.path("old.csv")), "keep me");
    d.answers.enqueue(true);
    EXPECT_EQ(acceptExportTarget(s.path("OLD.CSV"), open, ExportFormat::Csv, d), s.path("old.csv"));
    EXPECT_EQ(acceptExportTarget(s.path("new.csv"), open, ExportFormat::Csv, d), s.path("new.csv"));
}

TEST(Export, AFailedCopyLeavesTheOldFile) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    fillTen(*t);
    for (ExportFormat format : {ExportFormat::Dbf, ExportFormat::Csv}) {
        const QString target = s.path(format == ExportFormat::Dbf ? "OUT.DBF" : "OUT.CSV");
        transfertest::writeBytes(target, "old contents");
        ExportOptions o;
        o.format = format;
        RunControl c;
        int records = 0;
        c.progress = [&](int) {
            if (++records == 5) throw store::StoreError("No space left on device");
        };
        const ExportResult r = exportRecords(*t, target, o, c);
        EXPECT_EQ(r.outcome, ExportResult::Failed);
        EXPECT_TRUE(r.message().startsWith(format == ExportFormat::Dbf ? QStringLiteral("There was an error copying")
                                                                       : QStringLiteral("Error copying - possibly Disk Full")));
        EXPECT_TRUE(r.message().contains(QStringLiteral("No space left on device")));
        EXPECT_EQ(transfertest::readBytes(target), "old contents");
        EXPECT_EQ(QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);  // ADDR.DBF/FPT/CDX, target
        QFile::remove(target);
    }
}

TEST(Export, CommandLineImportsAndExports) {
    Scratch s;
    const auto run = [&](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(BRINDLE_DB_EXE), args);
        p.waitForFinished(60000);
        return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
    };
    ASSERT_EQ(run({"create-address", s.path("A.DBF")}).first, 0);
    transfertest::writeBytes(s.path("in.csv"), "Last Name;City\r\nM\xC3\xBCller;\"K\xC3\xB6ln; Rhein\"\r\nWa\xC5\x82\xC4\x99sa;Gda\xC5\x84sk\r\n");
    auto [status, out] = run({"import-csv", s.path("A.DBF"), s.path("in.csv"), "--map", "auto", "--header"});
    EXPECT_EQ(status, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("2 records imported, 0 values cut, 3 characters replaced"))) << out.toStdString();
    std::tie(status, out) = run({"export", s.path("A.DBF"), s.path("out.csv"), "--csv", "--order", "LNAME"});
    EXPECT_EQ(status, 0) << out.toStdString();
    EXPECT_TRUE(transfertest::readBytes(s.path("out.csv")).startsWith("\"\",\"\",\"\",\"M\xC3\xBCller\""));
    std::tie(status, out) = run({"export", s.path("A.DBF"), s.path("out.csv"), "--csv"});
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(out.contains(QStringLiteral("already exists")));
    std::tie(status, out) = run({"export", s.path("A.DBF"), s.path("a.dbf"), "--dbf"});
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(out.contains(QStringLiteral("itself")));
    std::tie(status, out) = run({"import-dbf", s.path("A.DBF"), s.path("A.DBF")});
    EXPECT_EQ(status, 2);
}

TEST(Export, CancelKeepsTheRecordsCopiedSoFar) {
    Scratch s;
    auto t = transfertest::newAddressFile(s);
    fillTen(*t);
    for (ExportFormat format : {ExportFormat::Dbf, ExportFormat::Csv}) {
        const QString target = s.path(format == ExportFormat::Dbf ? "PART.DBF" : "part.csv");
        ExportOptions o;
        o.format = format;
        RunControl c;
        int asked = 0;
        c.cancelRequested = [&] { return ++asked == 3; };
        const ExportResult r = exportRecords(*t, target, o, c);
        EXPECT_EQ(r.outcome, ExportResult::Cancelled);
        EXPECT_EQ(r.copied, 3u);
        EXPECT_EQ(r.message(), QStringLiteral("Copy cancelled after 3 records. They were written to ") + target +
                                   QStringLiteral("."));
        if (format == ExportFormat::Dbf) {
            auto copy = store::Table::open(target.toStdString(), store::OpenMode::ReadOnly);
            EXPECT_EQ(copy->recordCount(), 3u);
        } else {
            EXPECT_EQ(transfertest::readBytes(target).count("\r\n"), 3);
        }
    }
}

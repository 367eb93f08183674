// ZIP code counts: the counting lists and report lines, the count over a
// file, the report pages on the recorder, the status window's job, and
// brindle-db zipcount on a table another program wrote.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "address/AddressSchema.h"
#include "cli/CliTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "mailing/ZipCount.h"
#include "mailing/ZipCountSession.h"
#include "mailing/ZipReport.h"
#include "printing/PageRecorder.h"
#include "store/Cp1252.h"
#include "store/Table.h"

using namespace brindle;
using namespace brindle::mailing;

namespace {

QStringList texts(const std::vector<ZipCountLine>& lines) {
    QStringList out;
    for (const auto& l : lines) out << l.text();
    return out;
}

QString same(std::string_view key) { return QString::fromLatin1(key.data(), qsizetype(key.size())); }

TEST(ZipTally, RegularKeysByDigitThenTwoEmptyLinesThenOthersThenBlank) {
    ZipTally tally;
    for (const char* zip : {"12345-6789", "12345", "02134", "1234", "K1A 0B6", "", "", "99999", "12345 ",
                            "abcde", "5800a"})
        tally.add(zipCountKey(zip));
    EXPECT_EQ(texts(tally.lines(same)),
              (QStringList{"02134     1", "12345     3", "5800a     1", "99999     1", "", "", "1234      1",
                           "K1A 0     1", "abcde     1", "BLANK     2"}));
    EXPECT_TRUE(isRegularZipKey("00000"));
    EXPECT_FALSE(isRegularZipKey("1234"));
    EXPECT_FALSE(isRegularZipKey("a1234"));
    for (const auto& [n, text] : std::vector<std::pair<std::uint64_t, QString>>{
             {0, "0"}, {999, "999"}, {1234, "1,234"}, {1000000, "1,000,000"}, {12345678, "12,345,678"}})
        EXPECT_EQ(formatCount(n), text);
}

// Records whose ZIP codes are given; the first `isdel` of them flagged ISDEL.
std::string zipFile(const QTemporaryDir& dir, const std::vector<std::string>& zips, std::size_t isdel = 0) {
    const std::string path = dir.filePath(QStringLiteral("José.dbf")).toStdString();
    address::createAddressFile(path, address::FieldLengths::defaults());
    auto t = store::Table::open(path);
    for (std::size_t i = 0; i < zips.size(); ++i) {
        t->append();
        t->setString("ZIP", zips[i]);
        t->setLogical("ISDEL", i < isdel);
        t->post();
    }
    return path;
}

class Recording : public ZipCountProgress {
public:
    void status(const QString& text) override { statuses << text; }
    bool afterRecord() override {
        if (++records == throwAt) throw std::runtime_error("disk gone");
        return records != stopAt;
    }
    void fastRead(bool on) override { modes.push_back(on); }
    QStringList statuses;
    std::vector<bool> modes;
    int records = 0, stopAt = -1, throwAt = -1;
};

TEST(ZipCountRun, CountsTheFilteredSetAndSwitchesFastReadOffOnEveryWayOut) {
    QTemporaryDir dir;
    std::vector<std::string> zips(250, "62701");
    zips[0] = "99999";  // ISDEL: not counted
    zips[7] = "";
    auto t = store::Table::open(zipFile(dir, zips, 1));
    t->setFilter("!ISDEL");
    t->setOrder(t->tagArea("ZIP"));
    t->go(42);
    {
        Recording p;
        const ZipCountResult r = runZipCount(*t, p);
        EXPECT_EQ(texts(r.lines), (QStringList{"62701     248", "", "", "BLANK     1"}));
        EXPECT_EQ(p.statuses, (QStringList{"Reading database records...", "Reading record 100", "Reading record 200",
                                           "Sorting Zip Codes..."}));
        EXPECT_EQ(p.modes, (std::vector<bool>{true, false}));
    }
    // Cancelled, and ended by an error: fast read goes off all the same.
    Recording cancelled;
    cancelled.stopAt = 10;
    EXPECT_TRUE(runZipCount(*t, cancelled).cancelled);
    EXPECT_EQ(cancelled.modes, (std::vector<bool>{true, false}));
    Recording failing;
    failing.throwAt = 5;
    EXPECT_THROW(runZipCount(*t, failing), std::runtime_error);
    EXPECT_EQ(failing.modes, (std::vector<bool>{true, false}));
    EXPECT_EQ(t->order(), t->tagArea("ZIP"));
    EXPECT_EQ(t->recNo(), 42u);
}

TEST(ZipCountSessionFlow, CancelAsksAndClosesFinishBeepsAndKeepsTheLines) {
    QTemporaryDir dir;
    auto t = store::Table::open(zipFile(dir, {"12345", "12345-6789", "1234"}));
    common::ScriptedDialogs dialogs;
    ZipCountSession session(*t, dialogs);
    EXPECT_EQ(session.heading(), kZipCountHeading);
    dialogs.answers.enqueue(true);
    EXPECT_FALSE(session.count({}, [&] { session.cancelPressed(); }));
    EXPECT_TRUE(session.closeWanted());
    EXPECT_FALSE(session.counted());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].caption, "CANCEL");
    EXPECT_EQ(dialogs.shown[0].text, "Cancel Count?");

    ZipCountSession again(*t, dialogs);
    EXPECT_TRUE(again.count({}, {}));
    EXPECT_EQ(dialogs.shown.back().kind, common::ScriptedDialogs::Kind::Beep);
    EXPECT_EQ(again.heading(), kZipCountFinished);
    EXPECT_EQ(texts(again.lines()), (QStringList{"12345     2", "", "", "1234      1"}));
}

// ---------------------------------------------------------------- the pages

struct TextAt {
    QString text;
    QPointF at;
};
std::vector<TextAt> textsOf(const printing::RecordedPage& page) {
    std::vector<TextAt> out;
    for (const auto& op : page.ops)
        if (op.kind == printing::OpKind::Text) out.push_back({op.text, op.p1});
    return out;
}
std::vector<QRectF> fillsOf(const printing::RecordedPage& page) {
    std::vector<QRectF> out;
    for (const auto& op : page.ops)
        if (op.kind == printing::OpKind::Fill) out.push_back(op.box);
    return out;
}

TEST(ZipReportPages, ColumnsThenPagesShadedOddRowsAndWholeCounts) {
    std::vector<ZipCountLine> lines;
    lines.push_back({QStringLiteral("10001"), formatCount(1000000)});
    for (int i = 1; i < 300; ++i) lines.push_back({QStringLiteral("%1").arg(10001 + i), formatCount(i)});
    printing::PageRecorder rec;
    ASSERT_TRUE(printZipReport(rec, lines));
    rec.end();
    const auto& doc = rec.document();
    const double h = printing::measureFont({}).lineHeight;
    const int perColumn = int(9.0 / h);
    ASSERT_GT(300, 4 * perColumn) << "the lines must run onto a second page";
    ASSERT_EQ(doc.pageCount(), 2);
    for (int p = 0; p < 2; ++p) {
        const auto t = textsOf(doc.pages[size_t(p)]);
        const auto has = [&](const QString& s) {
            return std::any_of(t.begin(), t.end(), [&](const TextAt& x) { return x.text == s; });
        };
        EXPECT_TRUE(has(QStringLiteral("Zip Code Count Report")));
        EXPECT_TRUE(has(QStringLiteral("Page %1").arg(p + 1)));
    }
    const auto first = textsOf(doc.pages[0]);
    // The million is drawn whole, right-justified at the end of the second cell.
    const auto million = std::find_if(first.begin(), first.end(), [](const TextAt& x) { return x.text == "1,000,000"; });
    ASSERT_NE(million, first.end());
    EXPECT_NEAR(million->at.x() + printing::measureText({}, million->text), 0.5 + 1.25, 1e-6);
    // The row after the last of column 1 starts column 2 at the top.
    const QString topOfSecond = QStringLiteral("%1").arg(10001 + perColumn);
    const auto second = std::find_if(first.begin(), first.end(), [&](const TextAt& x) { return x.text == topOfSecond; });
    ASSERT_NE(second, first.end());
    EXPECT_NEAR(second->at.y(), 1.0, 1e-9);
    EXPECT_NEAR(second->at.x(), 0.5 + 1.875 + zipreport::kKeyIndent, 1e-9);
    // Shading: rows 1, 3, 5 ... of every column, the column's whole width.
    const auto fills = fillsOf(doc.pages[0]);
    EXPECT_EQ(int(fills.size()), 4 * ((perColumn + 1) / 2));
    for (const QRectF& f : fills) {
        const int row = int(std::lround((f.top() - 1.0) / h));
        EXPECT_EQ(row % 2, 0);
        EXPECT_NEAR(f.width(), 1.875, 1e-9);
    }
}

TEST(ZipReportStatus, PrintCancelPreviewStopAndCompletion) {
    common::ScriptedDialogs dialogs;
    std::vector<ZipCountLine> lines(400, {QStringLiteral("12345"), QStringLiteral("1")});
    {
        // Print, Cancel pressed and confirmed: aborted, the window closes by itself.
        ZipReportJob job(ZipReportJob::Mode::Print, dialogs);
        EXPECT_EQ(job.caption(), "Print Status");
        printing::PageRecorder rec;
        int rows = 0;
        dialogs.answers.enqueue(true);
        QString during;
        EXPECT_TRUE(job.run(rec, lines, [&] {
            if (++rows == 3) {
                during = job.buttonCaption() + "|" + job.statusText();
                job.buttonPressed();
            }
        }));
        EXPECT_EQ(during, "Cancel|Printing Page 1\r\r");
        EXPECT_EQ(dialogs.shown.back().text, "Cancel Printing?");
        EXPECT_EQ(job.statusText(), "\rPrint Canceled!");
        EXPECT_EQ(job.buttonCaption(), "Ok");
        EXPECT_TRUE(job.closeWanted());
        EXPECT_FALSE(job.previewReady());
    }
    {
        // Preview stopped on page 2: not aborted, the pages so far are previewed.
        ZipReportJob job(ZipReportJob::Mode::Preview, dialogs);
        printing::PageRecorder rec;
        EXPECT_FALSE(job.run(rec, lines, [&] {
            if (rec.pageNumber() == 2) job.buttonPressed();
        }));
        EXPECT_EQ(job.statusText(), "\rPreview Stopped at page 2!");
        EXPECT_TRUE(job.previewReady());
        EXPECT_TRUE(job.closeWanted());
        EXPECT_EQ(rec.document().pageCount(), 2);
    }
    {
        // Completed: the window stays until Ok.
        ZipReportJob job(ZipReportJob::Mode::Print, dialogs);
        printing::PageRecorder rec;
        EXPECT_FALSE(job.run(rec, lines, {}));
        EXPECT_EQ(job.statusText(), "\rPrint Completed!");
        EXPECT_FALSE(job.closeWanted());
        job.buttonPressed();
        EXPECT_TRUE(job.closeWanted());
    }
}

// ---------------------------------------------------------------- brindle-db

const char* kWriter = R"(
import sys, dbf
t = dbf.Table(sys.argv[1], 'lname C(20); zip C(10); isdel L; memo M', dbf_type='fp', codepage='cp1252')
t.open(dbf.READ_WRITE)
for z in ['12345', '12345-6789', '1234', '', 'K1A 0B6', '02134']:
    t.append(('M\u00fcller', z, False, ''))
t.append(('Gone', '99999', True, ''))
t.append(('Erased', '88888', False, ''))
dbf.delete(t[-1])
t.close()
)";

TEST(ZipCountCommand, PrintsTheLinesAndWritesThePdfForATableAnotherProgramWrote) {
    clitest::ScratchDir dir;
    if (clitest::runProgram("/usr/bin/python3", {"-c", "import dbf"}, dir).status != 0)
        GTEST_SKIP() << "/usr/bin/python3 cannot import dbf (python3-dbf)";
    const std::filesystem::path folder = dir.path() / "Wałęsa Почта";
    std::filesystem::create_directories(folder);
    const std::string table = (folder / "José.dbf").string();
    const auto made = clitest::runProgram("/usr/bin/python3", {"-c", kWriter, table}, dir);
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string pdf = (folder / "Müller.pdf").string();
    const auto r = clitest::runProgram(BRINDLE_DB_EXE, {"zipcount", table, "--out", pdf}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "02134     1\n12345     2\n\n\n1234      1\nK1A 0     1\nBLANK     1\nCounted 6 records\n"
                     "Report written to " + pdf + " (1 page)\n");
    EXPECT_EQ(clitest::readFile(pdf).substr(0, 5), "%PDF-");
    const auto f = clitest::runProgram(BRINDLE_DB_EXE, {"zipcount", table, "--filter", "ZIP=\"123\""}, dir);
    EXPECT_EQ(f.out, "12345     2\n\n\n1234      1\nCounted 3 records\n");
    const auto bad = clitest::runProgram(BRINDLE_DB_EXE, {"zipcount", table, "--filter", "ZIP=="}, dir);
    EXPECT_EQ(bad.status, 2);
}

}  // namespace

// The letter print job: which records, how many pages, what reaches the PDF
// and where, and how a failing device or a cancel ends the job.
#include "letters/LetterPrintJob.h"

#include "LetterTestSupport.h"
#include "address/AddressTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "letters/ui/TLetterPrint.h"
#include "printing/ui/TPreviewForm.h"
#include "printing/PageRecorder.h"
#include "printing/PdfCanvas.h"
#include "richtext/RichDocument.h"
#include "store/Table.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace brindle;
using address::RecordChoice;
using letters::LetterResult;

namespace {

// Two pages (a page break before the second paragraph), tokens on both.
const QByteArray kTwoPages =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
    "\\paperw12240\\paperh15840\\margl1440\\margr2160\\margt1440\\margb1440\n"
    "\\pard\\plain\\f0\\fs22 Dear [Full Name], \\u321?\\u243?d\\u378? greets [City].\\par\n"
    "\\pard\\pagebb\\plain\\f0\\fs22 Page two for [Last] of [Organization].}";

class Progress : public letters::LetterProgress {
public:
    void status(const QString& text) override { lines << text; }
    bool cancelRequested() override { return int(lines.size()) == cancelAfter; }
    QStringList lines;
    int cancelAfter = -1;
};

class LetterPrintJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        addrtest::makeFile(path, {{{"LNAME", "Müller"}, {"FNAME", "Anna"}, {"CITY", "Köln"}},
                                  {{"LNAME", "José"}, {"FNAME", "Luis"}, {"CITY", "Málaga"}},
                                  {{"LNAME", "Gone"}, {"FNAME", "Deleted"}, {"CITY", "Nowhere"}},
                                  {{"LNAME", "Smith"}, {"FNAME", "John"}, {"CITY", "Springfield"}}});
        table = store::Table::open(path.toStdString());
        table->go(3);
        table->edit();
        table->setLogical("ISDEL", true);
        table->post();
        templ.load(kTwoPages);
    }
    LetterResult run(printing::PageCanvas& canvas, RecordChoice choice, int copies, std::uint32_t current = 1,
                     bool fromCurrent = false, std::string query = {}) {
        table->go(current);
        progress.lines.clear();
        letters::LetterJob job;
        job.records.choice = choice;
        job.records.query = std::move(query);
        job.records.startFromCurrent = fromCurrent;
        job.copies = copies;
        return letters::runLetterJob(templ, *table, job, canvas, progress, dialogs);
    }
    addrtest::ProgramHome home;
    QString path = home.data(QStringLiteral("ADD0001.DBF"));
    std::unique_ptr<store::Table> table;
    richtext::RichDocument templ;
    common::ScriptedDialogs dialogs;
    Progress progress;
};

QString pdfText(const QString& pdf, const QStringList& extra = {}) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), QStringList(extra) << pdf << QStringLiteral("-"));
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

// Pages = records x copies x template pages; deleted records never count;
// the table's filter and record are put back.
TEST_F(LetterPrintJobTest, PageCountsFollowRecordsAndCopies) {
    struct Case {
        RecordChoice choice;
        int copies;
        std::uint32_t current;
        bool fromCurrent;
        std::string query;
        int pages, records;
    } cases[] = {
        {RecordChoice::All, 2, 1, false, {}, 12, 3},
        {RecordChoice::CurrentOnly, 3, 2, false, {}, 6, 1},
        {RecordChoice::All, 1, 2, true, {}, 4, 2},                  // from José on, the deleted one skipped
        {RecordChoice::FilterMatches, 1, 1, false, "CITY = \"Spr\"", 2, 1},
    };
    for (const Case& c : cases) {
        printing::PageRecorder recorder;
        progress.lines.clear();
        const LetterResult r = run(recorder, c.choice, c.copies, c.current, c.fromCurrent, c.query);
        EXPECT_EQ(r.outcome, LetterResult::Outcome::Completed) << r.message.toStdString();
        EXPECT_EQ(r.message, QStringLiteral("Letter Print Completed!"));
        EXPECT_EQ(recorder.document().pageCount(), c.pages) << c.copies;
        EXPECT_EQ(r.pages, c.pages);
        EXPECT_EQ(r.records, c.records);
        EXPECT_EQ(progress.lines.value(progress.lines.size() - 1), letters::printingPageText(c.pages));
        EXPECT_EQ(table->recNo(), c.current);
        EXPECT_EQ(table->filter(), std::string());
    }
}

// The whole run to PDF, read back by poppler: the live records' letters and
// no other, every word inside the margins (1 inch, right 1.5 inches).
TEST_F(LetterPrintJobTest, PdfHoldsLiveRecordsInsideTheMargins) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext missing";
    const QString pdf = home.path(QStringLiteral("letters.pdf"));
    {
        printing::PdfCanvas canvas(pdf);
        ASSERT_EQ(run(canvas, RecordChoice::All, 1).outcome, LetterResult::Outcome::Completed);
    }
    if (const char* shot = std::getenv("BRINDLE_SCREENSHOT_DIR")) QFile::copy(pdf, QString::fromLocal8Bit(shot) + "/letters.pdf");
    const QString text = pdfText(pdf);
    for (const char* s : {"Dear Anna Müller , Łódź greets Köln.", "Dear Luis José , Łódź greets Málaga.",
                          "Page two for Smith of ."})
        EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Gone")));
    EXPECT_EQ(text.count(QChar(u'\f')), 6);

    const QString boxes = pdfText(pdf, {QStringLiteral("-bbox")});
    const QRegularExpression word(QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""));
    int words = 0;
    for (auto it = word.globalMatch(boxes); it.hasNext(); ++words) {
        const auto m = it.next();
        EXPECT_GE(m.captured(1).toDouble(), 72 - 0.5);
        EXPECT_GE(m.captured(2).toDouble(), 72 - 0.5);
        EXPECT_LE(m.captured(3).toDouble(), 612 - 108 + 0.5);
        EXPECT_LE(m.captured(4).toDouble(), 792 - 72 + 0.5);
    }
    EXPECT_GT(words, 30);
}

// A device that cannot be written ends the job as failed, with its error.
TEST_F(LetterPrintJobTest, FailingDeviceReportsFailure) {
    printing::PdfCanvas canvas(home.path(QStringLiteral("no/such/folder/letters.pdf")));
    const LetterResult r = run(canvas, RecordChoice::All, 1);
    EXPECT_EQ(r.outcome, LetterResult::Outcome::Failed);
    EXPECT_TRUE(r.message.startsWith(QStringLiteral("Letter Print Failed!\n"))) << r.message.toStdString();
    EXPECT_GT(r.message.size(), 22);
    EXPECT_LE(r.pages, 1);  // stopped at the first page, not run to the end
}

// Cancel is looked at after every page; No goes on, Yes aborts and leaves no file.
TEST_F(LetterPrintJobTest, CancelAskedAfterEveryPage) {
    const QString pdf = home.path(QStringLiteral("cancelled.pdf"));
    {
        progress.cancelAfter = 1;
        dialogs.answers.enqueue(false);
        printing::PageRecorder recorder;
        EXPECT_EQ(run(recorder, RecordChoice::All, 1).pages, 6);
    }
    progress.cancelAfter = 3;
    dialogs.answers.enqueue(true);
    printing::PdfCanvas canvas(pdf);
    const LetterResult r = run(canvas, RecordChoice::All, 1);
    EXPECT_EQ(r.outcome, LetterResult::Outcome::Cancelled);
    EXPECT_EQ(r.message, QStringLiteral("Letter Print Canceled!"));
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(dialogs.texts(common::ScriptedDialogs::Kind::YesNo).count(QStringLiteral("Cancel print job?")), 2);
    EXPECT_FALSE(QFile::exists(pdf));
}

#ifdef BRINDLE_DB_EXE
// brindle-db letters end to end: a letter of a LETTER.DBF that python3-dbf
// wrote, or an RTF file; pages counted by poppler; a failing device exits 2.
TEST_F(LetterPrintJobTest, BrindleDbLetters) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext missing";
    table.reset();
    QString error;
    if (!writeLetterTableWithPython(home.path(QStringLiteral("sysdata")), {{QStringLiteral("Welcome"), QString::fromLatin1(kTwoPages)}},
                                    &error))
        GTEST_SKIP() << "python3-dbf: " << error.toStdString();
    QFile rtf(home.path(QStringLiteral("welcome.rtf")));
    ASSERT_TRUE(rtf.open(QIODevice::WriteOnly) && rtf.write(kTwoPages) == kTwoPages.size());
    rtf.close();
    const QString out = home.path(QStringLiteral("out.pdf"));
    struct Case {
        QStringList args;
        int exit, pages;
        const char* stderrHas;
    } cases[] = {
        {{QStringLiteral("--template"), QStringLiteral("welcome"), QStringLiteral("--copies"), QStringLiteral("2")}, 0, 12, ""},
        {{QStringLiteral("--template-file"), rtf.fileName(), QStringLiteral("--record"), QStringLiteral("2"),
          QStringLiteral("--only-current"), QStringLiteral("--copies"), QStringLiteral("3")}, 0, 6, ""},
        {{QStringLiteral("--template-file"), rtf.fileName(), QStringLiteral("--filter"), QStringLiteral("CITY = \"Spr\"")}, 0, 2, ""},
        {{QStringLiteral("--template"), QStringLiteral("Nothing")}, 2, -1, "no letter described as"},
    };
    for (const Case& c : cases) {
        QFile::remove(out);
        QProcess p;
        p.start(QStringLiteral(BRINDLE_DB_EXE), QStringList{QStringLiteral("letters"), path} << c.args << QStringLiteral("--out") << out);
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), c.exit) << c.args.join(' ').toStdString() << "\n" << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromLatin1(c.stderrHas))) << err.toStdString();
        if (c.pages > 0) EXPECT_EQ(pdfText(out).count(QChar(u'\f')), c.pages) << c.args.join(' ').toStdString();
        else EXPECT_FALSE(QFile::exists(out));
    }
}
#endif

// The status window runs the job once shown: the line ends on the outcome
// and Cancel becomes OK. The recorded pages are what the preview shows.
TEST_F(LetterPrintJobTest, StatusWindowAndPreviewShowTheJob) {
    printing::PageRecorder recorder;
    letters::LetterJob job;
    job.records.choice = RecordChoice::All;
    table->go(1);
    letters::ui::TLetterPrint window(templ, *table, job, recorder, dialogs);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Print Status Screen"));
    EXPECT_EQ(window.button()->text(), QStringLiteral("Cancel"));
    window.show();
    window.runJob();
    EXPECT_EQ(window.result().pages, 6);
    EXPECT_EQ(window.messageLine()->text(), QStringLiteral("Letter Print Completed!"));
    EXPECT_EQ(window.button()->text(), QStringLiteral("OK"));
    addrtest::keepShot(&window, QStringLiteral("letter-print-status"));

    printing::TPreviewForm preview(recorder.takeDocument(), QStringLiteral("Preview Letters"),
                                   printing::TPreviewForm::kPageWidth);
    preview.resize(700, 800);
    preview.show();
    EXPECT_EQ(preview.pageCount(), 6);
    addrtest::keepShot(&preview, QStringLiteral("letter-preview"));
}

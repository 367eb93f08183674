// The label printing engine on the page recorder: where every label lands,
// positions, copies, new sheets, presort order with separator labels, which
// records belong to the job, cancel, stop and failing devices; and the PDF
// of a job against its recorded pages, read back by pdftotext.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <map>

#include "address/AddressSchema.h"
#include "address/FieldLengthSettings.h"
#include "labels/LabelEngine.h"
#include "mailing/Presort.h"
#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"
#include "printing/PdfCanvas.h"
#include "store/Table.h"

using namespace brindle;
using labels::LabelEngine;
using labels::LabelJob;
using labels::LabelProgress;
using labels::LabelRecords;
using labels::LabelResult;
using printing::PageRecorder;

namespace {

// Prints "LNAME #counter" at the label's corner, so a page says which record
// went where and what the counter stood at.
class TextDesign : public labels::LabelDesign {
public:
    explicit TextDesign(store::Table& t) : table_(t) {}
    void refreshData() override { name_ = QString::fromStdString(table_.getText("LNAME")); }
    void printObjects(printing::PageCanvas& page, double top, double left) override {
        page.textAt(left, top, QStringLiteral("%1 #%2").arg(name_).arg(counter_));
    }
    void advanceCounters() override { ++counter_; }
    void resetCounters() override { counter_ = 1; }

private:
    store::Table& table_;
    QString name_;
    int counter_ = 1;
};

// Answers Go, or `answer` after label `at`; counts the labels.
struct ScriptedProgress : LabelProgress {
    int labels = 0;
    int at = -1;
    Answer answer = Answer::Go;
    std::function<void()> onAnswer;
    Answer afterLabel() override {
        if (++labels != at) return Answer::Go;
        if (onAnswer) onAnswer();
        return answer;
    }
};

struct Placed {
    int page;
    QPointF at;
    QString text;
};

std::vector<Placed> textsOf(const printing::RecordedDocument& doc) {
    std::vector<Placed> out;
    for (int p = 0; p < doc.pageCount(); ++p)
        for (const auto& op : doc.pages[size_t(p)].ops)
            if (op.kind == printing::OpKind::Text) out.push_back({p, op.p1, op.text});
    return out;
}

labels::LabelSetup sheet(int across, int down, double midX = 0, double midY = 0) {
    labels::LabelSetup s = labels::newLabelSetup();
    s.nbrAcross = across;
    s.nbrDown = down;
    s.midExtraX = midX;
    s.midExtraY = midY;
    return s;
}

// An address file of records "R01".. with the given ZIP codes (cycled),
// ISDEL false, in the program's schema with its 26 tags.
class AddressFixture : public ::testing::Test {
protected:
    void make(int count, const std::vector<std::string>& zips = {"62701"}) {
        path_ = dir_.filePath("ADDR.DBF").toStdString();
        address::createAddressFile(path_, address::builtInFieldLengths());
        table_ = store::Table::open(path_, store::OpenMode::Exclusive);
        for (int i = 1; i <= count; ++i) {
            table_->append();
            table_->setString("LNAME", QStringLiteral("R%1").arg(i, 2, 10, QLatin1Char('0')).toStdString());
            table_->setString("ZIP", zips[size_t(i - 1) % zips.size()]);
            table_->setLogical("ISDEL", false);
            table_->post();
        }
        table_->setOrder(0);
        table_->setFilter("!ISDEL");
        table_->first();
    }
    LabelResult run(LabelJob job, printing::PageCanvas& canvas, LabelProgress* progress = nullptr) {
        ScriptedProgress go;
        records_ = std::make_unique<LabelRecords>(*table_);
        TextDesign design(*table_);
        LabelEngine engine(std::move(job), design, *records_, canvas);
        return engine.run(progress ? *progress : go);
    }
    QString writeOrder(const std::vector<std::string>& lines) {
        const QString p = dir_.filePath(QStringLiteral("PRESORT.PSL"));
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(mailing::orderFileBytes(lines));
        return p;
    }

    QTemporaryDir dir_;
    std::string path_;
    std::unique_ptr<store::Table> table_;
    std::unique_ptr<LabelRecords> records_;
};

using LabelEngineTest = AddressFixture;

// 31 records on sheets of 3 × 10: two pages, record 31 alone at position 0
// of page 2; every origin is the sheet geometry rule's, with or without
// middle gaps.
TEST_F(LabelEngineTest, RecordsFillSheetsRowByRowAtTheGeometryRulesOrigins) {
    make(31);
    for (const auto& s : {sheet(3, 10), sheet(3, 10, 0.25, 0.125), sheet(4, 8, 0.25, 0)}) {
        table_->first();
        LabelJob job;
        job.setup = s;
        PageRecorder rec;
        const LabelResult r = run(job, rec);
        ASSERT_EQ(r.outcome, LabelResult::Outcome::Completed);
        EXPECT_EQ(r.labels, 31);
        const int perSheet = s.nbrAcross * s.nbrDown;
        EXPECT_EQ(rec.document().pageCount(), (31 + perSheet - 1) / perSheet);
        const auto placed = textsOf(rec.document());
        ASSERT_EQ(placed.size(), 31u);
        for (int i = 0; i < 31; ++i) {
            const auto o = labels::labelOrigin(s, i % perSheet);
            EXPECT_EQ(placed[size_t(i)].page, i / perSheet);
            EXPECT_NEAR(placed[size_t(i)].at.x(), o.x, 0.001) << i;
            EXPECT_NEAR(placed[size_t(i)].at.y(), o.y, 0.001) << i;
            EXPECT_TRUE(placed[size_t(i)].text.startsWith(QStringLiteral("R%1 ").arg(i + 1, 2, 10, QLatin1Char('0'))));
        }
    }
    // The 3 × 10 sheet: record 31 opens page 2 at the first position.
    EXPECT_NEAR(labels::labelOrigin(sheet(3, 10), 0).x, 0.188, 1e-6);
}

// Deselected positions stay blank on every sheet; copies repeat a record on
// the next chosen positions, across sheet breaks; a counter counts every copy.
TEST_F(LabelEngineTest, MaskAndCopiesAcrossSheets) {
    make(10);
    LabelJob job;
    job.setup = sheet(3, 2);
    job.positions.fill(false);
    for (int p : {1, 3, 5}) job.positions[size_t(p)] = true;
    job.copies = 2;
    PageRecorder rec;
    const LabelResult r = run(job, rec);
    ASSERT_EQ(r.outcome, LabelResult::Outcome::Completed);
    EXPECT_EQ(r.labels, 20);
    EXPECT_EQ(r.records, 10);
    const auto placed = textsOf(rec.document());
    ASSERT_EQ(placed.size(), 20u);
    EXPECT_EQ(rec.document().pageCount(), 7);  // 3 labels a sheet, 20 labels
    for (size_t i = 0; i < placed.size(); ++i) {
        const int position = std::array{1, 3, 5}[i % 3];
        const auto o = labels::labelOrigin(job.setup, position);
        EXPECT_EQ(placed[i].page, int(i / 3));
        EXPECT_NEAR(placed[i].at.x(), o.x, 0.001);
        EXPECT_NEAR(placed[i].at.y(), o.y, 0.001);
        // Record 1 twice, record 2 twice (its second copy on sheet 2), ...
        EXPECT_EQ(placed[i].text, QStringLiteral("R%1 #%2").arg(int(i / 2) + 1, 2, 10, QLatin1Char('0')).arg(i + 1));
    }
}

// Jobs the loop could never finish, or that would read past the 200 flags,
// are refused with a message and draw nothing.
TEST_F(LabelEngineTest, ImpossibleSheetsAndMasksAreRefused) {
    make(3);
    struct Case {
        labels::LabelSetup setup;
        std::vector<int> positions;  // empty: all
        const char* message;
    };
    const std::vector<Case> cases = {
        {sheet(3, 10), {150}, "None of the chosen label positions lies on this sheet of 30 labels"},
        {sheet(3, 10), {-1}, "None of the chosen label positions"},
        {sheet(0, 10), {}, "# across and # down must be at least 1"},
        {sheet(3, 0), {}, "# across and # down must be at least 1"},
        {sheet(15, 15), {}, "A sheet can hold at most 200 labels (this layout has 225)"},
    };
    for (const Case& c : cases) {
        LabelJob job;
        job.setup = c.setup;
        if (!c.positions.empty()) {
            job.positions.fill(false);
            for (int p : c.positions)
                if (p >= 0) job.positions[size_t(p)] = true;
        }
        PageRecorder rec;
        const LabelResult r = run(job, rec);
        EXPECT_EQ(r.outcome, LabelResult::Outcome::Refused) << c.message;
        EXPECT_TRUE(r.message.startsWith(QString::fromUtf8(c.message))) << r.message.toStdString();
        EXPECT_FALSE(rec.started());
        EXPECT_EQ(labels::endStatusPattern(r, false), QStringLiteral("\r") + r.message);
    }
}

// Cancel answered Yes ends the loop at once: no further record is read and
// the device throws the job away. Stop keeps the pages made so far.
TEST_F(LabelEngineTest, CancelReadsNothingMoreAndStopKeepsThePages) {
    make(40);
    {
        LabelJob job;
        job.setup = sheet(3, 10);
        PageRecorder rec;
        ScriptedProgress p;
        p.at = 32;
        p.answer = LabelProgress::Answer::Cancel;
        std::uint64_t readsAtCancel = 0;
        p.onAnswer = [&] { readsAtCancel = records_->reads(); };
        const LabelResult r = run(job, rec, &p);
        EXPECT_EQ(r.outcome, LabelResult::Outcome::Cancelled);
        EXPECT_EQ(r.labels, 32);
        EXPECT_EQ(records_->reads(), readsAtCancel);
        EXPECT_TRUE(rec.aborted());
        EXPECT_EQ(rec.document().pageCount(), 0);
        EXPECT_EQ(labels::endStatusPattern(r, false), QStringLiteral("\rLabel Print Canceled!"));
        EXPECT_EQ(labels::endStatusPattern(r, true), QStringLiteral("\rLabel Preview Canceled!"));
    }
    {
        table_->first();
        LabelJob job;
        job.setup = sheet(3, 10);
        job.preview = true;
        PageRecorder rec;
        ScriptedProgress p;
        p.at = 31;
        p.answer = LabelProgress::Answer::Stop;
        const LabelResult r = run(job, rec, &p);
        EXPECT_EQ(r.outcome, LabelResult::Outcome::Stopped);
        EXPECT_EQ(r.pages, 2);
        EXPECT_EQ(rec.document().pageCount(), 2);
        EXPECT_EQ(textsOf(rec.document()).size(), 31u);
        EXPECT_EQ(labels::endStatusPattern(r, true), QStringLiteral("\rPreview Stopped at page %p!"));
    }
}

// A device that fails at the end makes the job a failure with its reason,
// never a completed print; and no file is left.
TEST_F(LabelEngineTest, DeviceFailureAtTheEndIsReported) {
    make(4);
    const QString target = dir_.filePath(QStringLiteral("missing-folder/out.pdf"));
    printing::PdfCanvas pdf(target);
    LabelJob job;
    job.setup = sheet(3, 10);
    const LabelResult r = run(job, pdf);
    EXPECT_EQ(r.outcome, LabelResult::Outcome::Failed);
    EXPECT_FALSE(r.message.isEmpty());
    const QString status = labels::endStatusPattern(r, false);
    EXPECT_FALSE(status.contains(QStringLiteral("Completed")));
    EXPECT_TRUE(status.startsWith(QStringLiteral("\rLabel Print Failed!\r")));
    EXPECT_FALSE(QFile::exists(target));
    // A completed print says so; a completed preview closes its window.
    LabelResult done;
    EXPECT_EQ(labels::endStatusPattern(done, false), QStringLiteral("\rLabel Print Completed!"));
    EXPECT_EQ(labels::endStatusPattern(done, true), QString());
}

// Whether a record belongs is tested, not assumed from where the table
// stands: a job started on a record that go() reached although ISDEL, the
// engine's flag or the filter hide it skips that record.
TEST_F(LabelEngineTest, HiddenRecordsNeverPrintWhereverTheTableStands) {
    make(6);
    table_->setFilter("");
    table_->go(2);
    table_->edit();
    table_->setLogical("ISDEL", true);
    table_->post();
    table_->go(3);
    table_->deleteRecord();
    table_->setFilter("LNAME <> \"R05\"");
    for (std::uint32_t start : {2u, 3u, 5u}) {
        table_->go(start);  // reaches the hidden record
        LabelJob job;
        job.setup = sheet(3, 10);
        PageRecorder rec;
        ASSERT_EQ(run(job, rec).outcome, LabelResult::Outcome::Completed);
        QStringList names;
        for (const auto& p : textsOf(rec.document())) names << p.text.section(QLatin1Char(' '), 0, 0);
        const QStringList expected = start == 5 ? QStringList{"R06"} : QStringList{"R04", "R06"};
        EXPECT_EQ(names, expected) << start;
    }
}

// Presort: separator labels in Arial 8 at their place, each key's records
// that the filter admits (matched by prefix, so ZIP+4 codes come along),
// keys without a record skipped, one label per record whatever the copies,
// and the counter not moved on by separators.
TEST_F(LabelEngineTest, PresortOrderWithSeparatorLabels) {
    make(9, {"12345", "12077-1234", "62701", "12345", "12077", "99999", "12345", "12077", "12345"});
    table_->setFilter("!ISDEL .AND. LNAME <> \"R07\"");
    table_->setOrder(table_->tagArea("ZIP"));
    table_->first();
    LabelJob job;
    job.setup = sheet(3, 10);
    job.presort = true;
    job.copies = 3;
    job.orderFile = writeOrder({"** 5-digit 12345", "12345", "55555", "** ADC ALBANY NY 120", "12077", "** Unknown",
                                "62701"});
    PageRecorder rec;
    const LabelResult r = run(job, rec);
    ASSERT_EQ(r.outcome, LabelResult::Outcome::Completed) << r.message.toStdString();
    QStringList texts;
    for (const auto& p : textsOf(rec.document())) texts << p.text;
    // Within a key the ZIP tag's order: "12077" before "12077-1234".
    EXPECT_EQ(texts.join(QLatin1Char('|')).toStdString(),
              "** 5-digit 12345|R01 #1|R04 #2|R09 #3|** ADC ALBANY NY 120|R05 #4|R08 #5|R02 #6|** Unknown|R03 #7");
    EXPECT_EQ(r.labels, 7);
    EXPECT_EQ(r.separators, 3);
    // The separator's text starts 0.15 inch in and a third of the pitch down,
    // clipped to its label, in Arial 8.
    const auto& ops = rec.document().pages[0].ops;
    const auto sep = std::find_if(ops.begin(), ops.end(), [](const printing::DrawOp& op) {
        return op.kind == printing::OpKind::Text && op.text.startsWith(QStringLiteral("** ADC"));
    });
    ASSERT_NE(sep, ops.end());
    const auto o = labels::labelOrigin(job.setup, 4);
    EXPECT_NEAR(sep->p1.x(), o.x + 0.15, 0.001);
    EXPECT_NEAR(sep->p1.y(), o.y + job.setup.vertPitch / 3, 0.001);
    EXPECT_TRUE(sep->clipped);
    EXPECT_NEAR(sep->box.width(), job.setup.horizPitch, 0.001);
    EXPECT_EQ(sep->font.face, QStringLiteral("Arial"));
    EXPECT_EQ(sep->font.sizePt, 8.0);
}

// A presort whose order file is missing stops with its name; one that is
// empty (no record had a US ZIP code) prints nothing and says why.
TEST_F(LabelEngineTest, PresortWithoutOrderOrWithoutZipCodes) {
    make(3, {"K1A 0B6"});
    table_->setOrder(table_->tagArea("ZIP"));
    LabelJob job;
    job.setup = sheet(3, 10);
    job.presort = true;
    job.orderFile = dir_.filePath(QStringLiteral("NONE.PSL"));
    PageRecorder rec;
    LabelResult r = run(job, rec);
    EXPECT_EQ(r.outcome, LabelResult::Outcome::Refused);
    EXPECT_EQ(r.message, QStringLiteral("Cannot open file ") + job.orderFile);

    job.orderFile = writeOrder({});
    PageRecorder rec2;
    r = run(job, rec2);
    EXPECT_EQ(r.outcome, LabelResult::Outcome::Completed);
    EXPECT_EQ(r.labels, 0);
    EXPECT_FALSE(rec2.started());
    EXPECT_EQ(r.message, labels::nothingPresortedMessage());
    EXPECT_EQ(labels::endStatusPattern(r, false), QStringLiteral("\r") + labels::nothingPresortedMessage());
}

// The PDF of a job holds what the recorder holds: the same pages, and every
// label's text where the recorded page put it (read back by pdftotext).
TEST_F(LabelEngineTest, PdfMatchesTheRecordedPages) {
    if (QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("command -v pdftotext >/dev/null")}) != 0)
        GTEST_SKIP() << "pdftotext is not installed";
    make(35);
    LabelJob job;
    job.setup = sheet(3, 10, 0.25);
    PageRecorder rec;
    ASSERT_EQ(run(job, rec).outcome, LabelResult::Outcome::Completed);
    table_->first();
    const QString pdfPath = dir_.filePath(QStringLiteral("job.pdf"));
    {
        printing::PdfCanvas pdf(pdfPath);
        ASSERT_EQ(run(job, pdf).outcome, LabelResult::Outcome::Completed);
    }
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdfPath, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(html.count(QStringLiteral("<page ")), rec.document().pageCount());
    // Word "Rnn" at xMin (points); pages in order.
    std::map<QString, std::pair<int, double>> words;
    int page = -1;
    static const QRegularExpression tag(QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>(R[0-9]+)</word>"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) ++page;
        else words[m.captured(3)] = {page, m.captured(1).toDouble() / 72.0};
    }
    const auto placed = textsOf(rec.document());
    ASSERT_EQ(words.size(), placed.size());
    for (const auto& pl : placed) {
        const QString name = pl.text.section(QLatin1Char(' '), 0, 0);
        ASSERT_TRUE(words.count(name)) << name.toStdString();
        EXPECT_EQ(words[name].first, pl.page);
        EXPECT_NEAR(words[name].second, pl.at.x(), 0.02) << name.toStdString();
    }
}

}  // namespace

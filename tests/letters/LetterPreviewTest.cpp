// The letter preview: zoom steps and their limits, the page geometry, the
// page stack against the print job's pages, record moves, and the window
// (buttons, Ctrl+wheel, Page Down, what is painted where).
#include "letters/LetterPreview.h"

#include "LetterTestSupport.h"
#include "address/AddressFile.h"
#include "address/AddressTestSupport.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"
#include "letters/LetterPrintJob.h"
#include "letters/ui/TBRLetters.h"
#include "letters/ui/TRTFPreviewForm.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "printing/PageRecorder.h"
#include "richtext/RichDocument.h"
#include "store/Table.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

using namespace brindle;
using letters::LetterPreview;
using letters::RecordMove;

namespace {

// Three pages: a forced break before the second paragraph and a long third
// paragraph that runs over onto page 3. Right margin 1.5 inches.
QByteArray threePages() {
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                     "\\paperw12240\\paperh15840\\margl1440\\margr2160\\margt1440\\margb1440\n"
                     "\\pard\\plain\\f0\\fs22 Dear [Full Name] of [City].\\par\n"
                     "\\pard\\pagebb\\plain\\f0\\fs22 Second page for [Full Name].\\par\n"
                     "\\pard\\plain\\f0\\fs22 ";
    for (int i = 0; i < 700; ++i) rtf += "words flowing on ";
    return rtf + "end.}";
}

// Records in a list: the preview's record moves without an address file.
class ListRecords : public letters::PreviewRecords {
public:
    explicit ListRecords(std::vector<QStringList> rows) : rows_(std::move(rows)) {}
    letters::MergeValues values() override {
        return {{QStringLiteral("Full Name"), rows_[at_][0]}, {QStringLiteral("City"), rows_[at_][1]}};
    }
    bool move(RecordMove where) override {
        const size_t before = at_;
        switch (where) {
        case RecordMove::First: at_ = 0; break;
        case RecordMove::Prior: at_ = at_ > 0 ? at_ - 1 : 0; break;
        case RecordMove::Next: at_ = std::min(at_ + 1, rows_.size() - 1); break;
        case RecordMove::Last: at_ = rows_.size() - 1; break;
        }
        return at_ != before;
    }
    std::uint32_t recordNumber() override { return std::uint32_t(at_ + 1); }
    size_t at_ = 0;

private:
    std::vector<QStringList> rows_;
};

QString pageText(const printing::RecordedPage* page) {
    QString text;
    if (page)
        for (const printing::DrawOp& op : page->ops)
            if (op.kind == printing::OpKind::Text) text += op.text;
    return text;
}

class LetterPreviewTest : public ::testing::Test {
protected:
    void SetUp() override { templ.load(threePages()); }
    richtext::RichDocument templ;
    common::ScriptedDialogs dialogs;
    ListRecords records{{{QString::fromUtf8("José Müller"), QString::fromUtf8("Köln")},
                         {QString::fromUtf8("Lech Wałęsa"), QString::fromUtf8("Gdańsk")},
                         {QString::fromUtf8("Иван Петров"), QString::fromUtf8("Москва")}}};
};

}  // namespace

// Each step is allowed only from inside the limits: zoom in below 150 %,
// zoom out above 50 %, rounded half to even.
TEST(LetterPreviewZoom, StepsAreGatedByTheLimits) {
    struct Case {
        int from, in, out;
    } cases[] = {
        {140, 175, 105}, {175, 175, 131}, {150, 150, 112}, {149, 186, 112}, {100, 125, 75},
        {60, 75, 45},    {45, 56, 45},    {50, 62, 50},    {51, 64, 38},    {10, 12, 10},  // 12.5 → 12
        {58, 72, 44},                                                                      // 43.5 → 44
        {54, 68, 40},                                                                      // 67.5 → 68, 40.5 → 40
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LetterPreview::zoomedIn(c.from), c.in) << c.from;
        EXPECT_EQ(LetterPreview::zoomedOut(c.from), c.out) << c.from;
    }
}

// The page, the text box and the fits in pixels at 96 per inch: Letter is
// 816 x 1056 at 100 %; margins are converted, then scaled and truncated.
TEST_F(LetterPreviewTest, GeometryFollowsZoomAndMargins) {
    LetterPreview preview(templ, records, dialogs);
    EXPECT_EQ(preview.pagePixelsAt100(), QSize(816, 1056));
    struct Case {
        int zoom;
        QSize page;
        QRect box;
    } cases[] = {
        {100, {816, 1056}, {96, 96, 816 - 96 - 144, 1056 - 192}},
        {45, {367, 475}, {43, 43, 367 - 43 - 64, 475 - 86}},  // 367.2, 475.2; 43.2; 64.8
        {175, {1428, 1848}, {168, 168, 1428 - 168 - 252, 1848 - 336}},
    };
    for (const Case& c : cases) {
        preview.setZoom(c.zoom);
        EXPECT_EQ(preview.pageSize(), c.page) << c.zoom;
        EXPECT_EQ(preview.textBox(), c.box) << c.zoom;
    }
    preview.fitPageWidth(612);
    EXPECT_EQ(preview.zoom(), 75);
    preview.fitWholePage({2000, 528});  // the height decides
    EXPECT_EQ(preview.zoom(), 50);
    preview.fitWholePage({408, 2000});  // the width decides: the whole page still shows
    EXPECT_EQ(preview.zoom(), 50);
    preview.fitPageWidth(0);
    EXPECT_EQ(preview.zoom(), 1);  // never zero or less
}

// Paging walks exactly the pages the print job prints for the record, with
// the same text on each; previous on page 1 and next on the last page do
// nothing; a record move returns to page 1 of the new record's letter.
TEST_F(LetterPreviewTest, PagesAgreeWithThePrintJobAndRecordsRestart) {
    addrtest::ProgramHome home;
    const QString path = home.data(QStringLiteral("ADD0001.DBF"));
    addrtest::makeFile(path, {{{"LNAME", "Müller"}, {"FNAME", "José"}, {"CITY", "Köln"}}});
    auto table = store::Table::open(path.toStdString());
    table->go(1);
    printing::PageRecorder printed;
    class Quiet : public letters::LetterProgress {
        void status(const QString&) override {}
        bool cancelRequested() override { return false; }
    } progress;
    letters::LetterJob job;
    const letters::LetterResult r = letters::runLetterJob(templ, *table, job, printed, progress, dialogs);
    ASSERT_EQ(r.outcome, letters::LetterResult::Outcome::Completed);
    ASSERT_GE(r.pages, 3);  // the long paragraph runs over at least one page break

    // The preview merges the same record's values as the job did.
    class TableRecord : public ListRecords {
    public:
        TableRecord(store::Table& t, ListRecords& others) : ListRecords(others), table(t) {}
        letters::MergeValues values() override {
            return at_ == 0 ? letters::recordValues(table, {}) : ListRecords::values();
        }
        store::Table& table;
    } mixed(*table, records);
    LetterPreview preview(templ, mixed, dialogs);
    EXPECT_EQ(preview.caption(), QStringLiteral("Preview Letters"));
    EXPECT_FALSE(preview.priorPage());
    EXPECT_EQ(preview.pageNumber(), 1);
    int pages = 1;
    do {
        EXPECT_EQ(pageText(preview.page()), pageText(&printed.document().pages[size_t(pages - 1)])) << pages;
        EXPECT_EQ(preview.caption(), pages == 1 ? QStringLiteral("Preview Letters")
                                                : QStringLiteral("Preview Letters Page ") + QString::number(pages));
    } while (preview.nextPage() && ++pages < 10);
    EXPECT_EQ(pages, r.pages);
    EXPECT_FALSE(preview.hasNextPage());
    EXPECT_EQ(preview.pageNumber(), r.pages);
    while (preview.pageNumber() > 2) EXPECT_TRUE(preview.priorPage());
    EXPECT_TRUE(pageText(preview.page()).startsWith(QString::fromUtf8("Second page for José Müller .")));

    EXPECT_TRUE(preview.moveRecord(RecordMove::Last));
    EXPECT_EQ(preview.pageNumber(), 1);
    EXPECT_FALSE(preview.hasPriorPage());
    EXPECT_EQ(preview.recordText(), QString::fromUtf8("Record 3: Иван Петров"));
    EXPECT_TRUE(pageText(preview.page()).contains(QString::fromUtf8("Dear Иван Петров of Москва.")));
    EXPECT_FALSE(preview.moveRecord(RecordMove::Next));  // already the last
    EXPECT_TRUE(preview.moveRecord(RecordMove::Prior));
    EXPECT_TRUE(pageText(preview.page()).contains(QString::fromUtf8("Dear Lech Wałęsa of Gdańsk.")));
    EXPECT_TRUE(dialogs.shown.empty());
}

// A record that cannot be read shows the drawing error on blank paper; the
// preview goes on with the next record.
TEST_F(LetterPreviewTest, UnreadableRecordShowsTheDrawingError) {
    class Failing : public ListRecords {
    public:
        explicit Failing(const ListRecords& r) : ListRecords(r) {}
        letters::MergeValues values() override {
            if (at_ == 0) throw std::runtime_error("read error");
            return ListRecords::values();
        }
    } failing(records);
    LetterPreview preview(templ, failing, dialogs);
    EXPECT_EQ(dialogs.infos(), QStringList{QStringLiteral("There was an error drawing the preview")});
    EXPECT_TRUE(preview.drawingFailed());
    EXPECT_EQ(preview.page(), nullptr);
    EXPECT_FALSE(preview.hasNextPage());
    EXPECT_TRUE(preview.moveRecord(RecordMove::Next));
    EXPECT_FALSE(preview.drawingFailed());
    EXPECT_TRUE(pageText(preview.page()).contains(QString::fromUtf8("Dear Lech Wałęsa of Gdańsk.")));
}

// The main window's file: record moves skip deleted records and leave the
// file on the record shown.
TEST(LetterPreviewRecords, MovesTheAddressFilesCurrentRecord) {
    addrtest::ProgramHome home;
    const QString path = home.data(QStringLiteral("ADD0001.DBF"));
    addrtest::makeFile(path, {{{"LNAME", "Baker"}, {"FNAME", "Bob"}, {"CITY", "Zurich"}},
                              {{"LNAME", "Gone"}, {"FNAME", "Deleted"}, {"CITY", "Nowhere"}},
                              {{"LNAME", "Müller"}, {"FNAME", "José"}, {"CITY", "Köln"}}});
    {
        auto t = store::Table::open(path.toStdString());
        t->go(2);
        t->edit();
        t->setLogical("ISDEL", true);
        t->post();
    }
    common::ScriptedDialogs dialogs;
    address::AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(path));
    file.first();
    richtext::RichDocument templ;
    templ.load("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Dear [First] of [City].}");
    letters::AddressFileRecords records(file, letters::currentTokenContext());
    LetterPreview preview(templ, records, dialogs);
    const std::uint32_t first = file.recNo();
    EXPECT_TRUE(preview.moveRecord(RecordMove::Next));
    EXPECT_NE(file.recNo(), 2u);
    EXPECT_EQ(preview.recordNumber(), file.recNo());
    const QString shown = pageText(preview.page());
    EXPECT_EQ(shown, QString::fromUtf8("Dear José of Köln."));
    EXPECT_TRUE(preview.moveRecord(RecordMove::First));
    EXPECT_EQ(file.recNo(), first);
    EXPECT_NE(pageText(preview.page()), shown);
}

// The window: opening at page width, paging, Ctrl+wheel and clicks zoom by
// the steps, Page Down at the bottom turns the page, and text is painted
// inside the text box only.
TEST_F(LetterPreviewTest, WindowPagesZoomsAndPaintsInsideTheMargins) {
    letters::ui::TRTFPreviewForm form(templ, records, dialogs);
    form.resize(700, 760);
    form.show();
    QApplication::processEvents();
    LetterPreview& p = form.preview();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Preview Letters"));
    EXPECT_GT(p.zoom(), 50);
    EXPECT_LT(p.zoom(), 100);
    EXPECT_FALSE(form.button(QStringLiteral("priorPageButton"))->isEnabled());

    // Ink of the painted page: dark pixels only inside the text box.
    const QImage shot = form.pageView()->grab().toImage();
    const QRect box = p.textBox().translated(LetterPreview::kPad, LetterPreview::kPad);
    const QRect page(QPoint(LetterPreview::kPad, LetterPreview::kPad), p.pageSize());
    int ink = 0, outside = 0;
    for (int y = page.top(); y <= page.bottom(); ++y)
        for (int x = page.left(); x <= page.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 128) {
                ++ink;
                if (!box.adjusted(-1, -1, 1, 1).contains(x, y)) ++outside;
            }
    EXPECT_GT(ink, 100);
    EXPECT_EQ(outside, 0);
    addrtest::keepShot(&form, QStringLiteral("letter-rtf-preview"));

    form.button(QStringLiteral("nextPageButton"))->click();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Preview Letters Page 2"));
    form.button(QStringLiteral("lastRecordButton"))->click();
    EXPECT_EQ(p.pageNumber(), 1);
    EXPECT_TRUE(form.recordLine()->text().startsWith(QString::fromUtf8("Record 3: Иван Петров")));

    p.setZoom(140);
    QWidget* viewport = form.scrollArea()->viewport();
    QWheelEvent up(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &up);
    EXPECT_EQ(p.zoom(), 175);
    QApplication::sendEvent(viewport, &up);
    EXPECT_EQ(p.zoom(), 175);
    EXPECT_FALSE(form.button(QStringLiteral("zoomInButton"))->isEnabled());
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(100, 100), form.pageView()->mapToGlobal(QPointF(100, 100)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(form.pageView(), &right);
    EXPECT_EQ(p.zoom(), 131);
    EXPECT_EQ(form.pageView()->size(), p.viewSize());

    // Page Down scrolls to the bottom of page 1, then turns to page 2 at its top.
    QScrollBar* v = form.scrollArea()->verticalScrollBar();
    ASSERT_GT(v->maximum(), 0);
    const auto press = [&](int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(form.scrollArea(), &e);
    };
    for (int i = 0; i < 40 && p.pageNumber() == 1; ++i) press(Qt::Key_PageDown);
    EXPECT_EQ(p.pageNumber(), 2);
    EXPECT_EQ(v->value(), 0);
    press(Qt::Key_PageUp);
    EXPECT_EQ(p.pageNumber(), 1);
    EXPECT_EQ(v->value(), v->maximum());
}

// "Printer Setup" offers the system's printers and the PDF printer; the one
// chosen becomes the job's printer and is named under "Printer".
TEST(LettersPrinterSetup, ChoosesThePrinter) {
    addrtest::ProgramHome home;
    common::ScriptedDialogs dialogs;
    auto table = letters::LetterList::openLetterTable(dialogs);
    ASSERT_TRUE(table);
    common::ProfileFile settings(home.settings());
    letters::ui::TBRLetters window(*table, dialogs, settings, false);
    printer::CurrentPrinter printer(printer::pdfPrinterName());
    window.setPrinter(&printer);
    printer.setCopies(5);  // a fresh selection has one copy
    QPushButton* setup = window.button(QStringLiteral("Printer Setup"));
    ASSERT_TRUE(setup);
    EXPECT_TRUE(setup->isEnabled());
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!chooser) return;
        offered = chooser->comboBoxItems();
        chooser->setTextValue(printer::pdfPrinterName());
        chooser->accept();
    });
    setup->click();
    EXPECT_EQ(offered, printer::availablePrinters());
    EXPECT_TRUE(offered.contains(QStringLiteral("PDF file")));
    EXPECT_EQ(printer.name(), QStringLiteral("PDF file"));
    EXPECT_EQ(printer.copies(), 1);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("printerName"))->text(), QStringLiteral("PDF file"));
}

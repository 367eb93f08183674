// The envelope windows offscreen: "Envelope Size", "Paper Feed Method",
// "Envelope Print" and "Print Envelope" with a preview run through it.
// With BRINDLE_DIALOG_SHOTS naming a folder, each window leaves a picture there.
#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QLabel>
#include <QPainter>
#include <QPageSize>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "EnvelopeTestSupport.h"
#include "address/AddressTestSupport.h"
#include "address/ui/TAddressMain.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"
#include "envelopes/ui/EnvelopeCommands.h"
#include "envelopes/ui/EnvelopeDialogs.h"
#include "envelopes/ui/EnvelopePrinter.h"
#include "envelopes/ui/TBREnvelopes.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "printing/ui/TPreviewForm.h"
#include "store/Table.h"

using namespace brindle;
using namespace brindle::envelopes;
using namespace brindle::envelopes::ui;

TEST(EnvelopeDialogs, SizeListSelectsTheCodeAndReturnsTheChoice) {
    TChooseEnvelopeLayout dl(27);
    EXPECT_EQ(dl.windowTitle(), "Envelope Size");
    ASSERT_EQ(dl.list()->count(), 16);
    EXPECT_EQ(dl.list()->currentItem()->text(), "Envelope DL 110 x 220 mm");
    EXPECT_EQ(dl.chosenCode(), 27);
    dl.list()->setCurrentRow(14);
    EXPECT_EQ(dl.chosenCode(), 37);
    dl.list()->clearSelection();
    EXPECT_EQ(dl.chosenCode(), 27);  // nothing selected: the code given
    addrtest::keepShot(&dl, QStringLiteral("envelope-size"));
    TChooseEnvelopeLayout unknown(24);
    EXPECT_EQ(unknown.chosenCode(), 19);
}

TEST(EnvelopeDialogs, FeedMethodTakesEachChoiceAtOnce) {
    TEnvelopeFeed d(EnvelopeFeed{});
    d.show();
    EXPECT_EQ(d.windowTitle(), "Paper Feed Method");
    EXPECT_TRUE(d.radio(QStringLiteral("Landscape"))->isChecked());
    EXPECT_TRUE(d.radio(QStringLiteral("Center"))->isChecked());
    EXPECT_TRUE(d.clockwise()->isVisible());
    d.radio(QStringLiteral("Portrait"))->click();
    EXPECT_FALSE(d.clockwise()->isVisible());  // rotation means nothing in portrait
    d.radio(QStringLiteral("Left"))->click();
    d.radio(QStringLiteral("Up"))->click();
    EXPECT_EQ(d.feed(), (EnvelopeFeed{FeedOrientation::Portrait, FeedFacing::Up, FeedPosition::Left, false}));
    EXPECT_EQ(d.picture()->feed(), d.feed());
    d.radio(QStringLiteral("Landscape"))->click();
    d.clockwise()->click();
    EXPECT_TRUE(d.clockwise()->isVisible());
    EXPECT_TRUE(d.feed().clockwise);
    addrtest::keepShot(&d, QStringLiteral("paper-feed-method"));
}

TEST(EnvelopeDialogs, PrePrintWarnsUntilThePrinterIsOnTheEnvelope) {
    PrinterFacts letter{QStringLiteral("Office"), QStringLiteral("Letter"), QStringLiteral("Automatic"), false, 8.5, 11};
    PrinterFacts envelope{QStringLiteral("Office"), QStringLiteral("Envelope #10"), QStringLiteral("Manual"), true, 9.5,
                          4.125};
    int setups = 0;
    TEnvelopePrePrint d(letter, EnvelopeFeed{}, 20,
                        [&] {
                            ++setups;
                            return envelope;
                        },
                        {});
    d.show();
    EXPECT_EQ(d.windowTitle(), "Envelope Print");
    EXPECT_EQ(d.shown(QStringLiteral("Paper:")), "Letter");
    EXPECT_EQ(d.shown(QStringLiteral("Orientation:")), "Portrait");
    EXPECT_TRUE(d.warning()->isVisible());
    EXPECT_EQ(d.warning()->text(), pageSizeWarning());
    addrtest::keepShot(&d, QStringLiteral("envelope-print"));
    d.findChild<QPushButton*>(QStringLiteral("Printer Setup"))->click();
    EXPECT_EQ(setups, 1);
    EXPECT_FALSE(d.warning()->isVisible());
    EXPECT_EQ(d.shown(QStringLiteral("Orientation:")), "Landscape");
    EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("feedDescription"))->text(),
              "Position: Center\nOrientation : Landscape\nFacing Down");
}

namespace {

struct PrintWindow {
    addrtest::OpenFile open{std::vector<addrtest::Fields>{
        {{"LNAME", "Smith"}, {"FNAME", "Ann"}, {"ORG", "Фабрика"}, {"CITY", "Boston"}},
        {{"LNAME", "Петров"}, {"FNAME", "Олег"}, {"CITY", "Киев"}},
        {{"LNAME", "Иванов"}, {"FNAME", "Пётр"}, {"CITY", "Москва"}}},
        address::FieldLengths::defaults(), addrtest::kWindows1251};
    std::unique_ptr<store::Table> table;
    std::unique_ptr<TBREnvelopes> window;
    printing::RecordedDocument previewed;
    int previews = 0;

    explicit PrintWindow(bool withRow = true) {
        table = EnvelopeSetupList::openEnvelopeTable(open.dialogs);
        EXPECT_TRUE(table);
        if (withRow) {
            envtest::writeDesign(open.home.path(QStringLiteral("sysdata/BIN00001.E")));
            table->append();
            EXPECT_TRUE(writeEnvelopeSetup(*table, {QStringLiteral("Business #10"), 20, QStringLiteral("BIN00001.E")},
                                           open.dialogs));
            table->post();
            table->first();
        }
        window = std::make_unique<TBREnvelopes>(*table, open.home.path(QStringLiteral("sysdata")), open.home.settings(),
                                                open.dialogs);
        window->setAddressFile(&open.file);
        window->prePrint = [](EnvelopeFeed&, int) { return true; };
        window->showPreview = [this](printing::RecordedDocument d) {
            ++previews;
            previewed = std::move(d);
        };
        window->show();
    }
};

}  // namespace

TEST(PrintEnvelope, EmptyListLeavesOnlyOkNewAndHelp) {
    PrintWindow w(false);
    for (const char* name : {"Modify", "Delete", "Clone", "Print", "Preview"})
        EXPECT_FALSE(w.window->button(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_TRUE(w.window->button(QStringLiteral("Ok"))->isEnabled());
    EXPECT_TRUE(w.window->button(QStringLiteral("New"))->isEnabled());
}

TEST(PrintEnvelope, MiniatureRecordNavigatorAndPreviewOfTheChosenRecords) {
    PrintWindow w;
    TBREnvelopes& win = *w.window;
    EXPECT_EQ(win.windowTitle(), "Print Envelope");
    EXPECT_TRUE(win.button(QStringLiteral("Print"))->isEnabled());
    EXPECT_TRUE(win.whatToPrint(WhatToPrint::OnlyCurrent)->isChecked());
    EXPECT_EQ(win.recordText(QStringLiteral("Last")), QStringLiteral("Smith"));
    EXPECT_EQ(win.recordText(QStringLiteral("Org")), QString::fromUtf8("Фабрика"));
    // The miniature is the #10 envelope at 30 %, showing the record's name.
    const QPixmap mini = win.miniature()->pixmap();
    EXPECT_NEAR(mini.width(), 274, 1);
    EXPECT_NEAR(mini.height(), 119, 1);
    const QImage img = mini.toImage();
    int inked = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) inked += qGray(img.pixel(x, y)) < 200;
    EXPECT_GT(inked, 5);
    win.button(QStringLiteral("lastRecord"))->click();
    EXPECT_EQ(win.recordText(QStringLiteral("City")), w.open.file.field("CITY"));
    EXPECT_NE(win.recordText(QStringLiteral("City")), QStringLiteral("Boston"));
    addrtest::keepShot(&win, QStringLiteral("print-envelope"));

    // Only the current record: one page, whatever "Start from current record" says.
    win.startFromCurrent()->setChecked(true);
    win.doPrint(true);
    ASSERT_EQ(w.previews, 1);
    ASSERT_EQ(w.previewed.pageCount(), 1);
    const std::uint32_t last = w.open.file.recNo();
    win.whatToPrint(WhatToPrint::AllRecords)->setChecked(true);
    win.startFromCurrent()->setChecked(false);
    win.doPrint(true);
    ASSERT_EQ(w.previews, 2);
    EXPECT_EQ(w.previewed.pageCount(), 3);
    // Each page: the printable area outlined, then the design's one object.
    for (const auto& page : w.previewed.pages) {
        ASSERT_EQ(page.ops.size(), 2u);
        EXPECT_EQ(page.ops[0].pen.style, printing::PenStyle::Dot);
        EXPECT_EQ(page.ops[1].kind, printing::OpKind::Picture);
    }
    EXPECT_EQ(w.open.file.recNo(), last);  // the record is put back
    // The feed went to the settings file.
    EXPECT_TRUE(common::ProfileFile(w.open.home.settings()).hasKey(QStringLiteral("Envelope Feed"),
                                                                   QStringLiteral("Orientation")));
    if (!qEnvironmentVariable("BRINDLE_DIALOG_SHOTS").isEmpty()) {
        printing::TPreviewForm preview(w.previewed, QStringLiteral("Preview Envelope"), printing::TPreviewForm::kWholePage);
        preview.resize(900, 700);
        preview.show();
        addrtest::keepShot(&preview, QStringLiteral("preview-envelope"));
        QImage page(912, 396, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter p(&page);
            printing::paintPage(p, w.previewed.pages[0], printing::PaintScale{96, QPointF(0, 0), true});
        }
        page.save(qEnvironmentVariable("BRINDLE_DIALOG_SHOTS") + QStringLiteral("/preview-page-raster.png"));
    }
}

TEST(PrintEnvelope, PrintsOnTheCurrentPrinterOnTheEnvelopesOwnPaper) {
    PrintWindow w;
    printer::CurrentPrinter current(printer::pdfPrinterName());
    const QString out = w.open.home.path(QStringLiteral("envelope.pdf"));
    current.setPdfPath(out);
    w.window->setPrinter(current);
    w.window->doPrint(false);
    ASSERT_EQ(w.window->lastJob().envelopes, 1) << w.open.dialogs.infos().join(";").toStdString();
    // The job asked the current printer for Envelope #10, one-sided, and
    // the file it wrote has that page exactly (4.125 x 9.5 in, not the
    // platform's rounded 4.12), turned as the feed says.
    EXPECT_EQ(QPageSize::id(current.paperSize(), QPageSize::Inch, QPageSize::FuzzyMatch), QPageSize::Envelope10);
    EXPECT_DOUBLE_EQ(w.window->printer().portraitPaper().width(), 4.125);
    EXPECT_TRUE(current.oneSided());
    QFile pdf(out);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    const qsizetype box = bytes.indexOf("/MediaBox [");
    ASSERT_GE(box, 0);
    const QList<QByteArray> n = bytes.mid(box + 11, 60).split(']').front().simplified().split(' ');
    ASSERT_EQ(n.size(), 4);
    const QSizeF page(n[2].toDouble(), n[3].toDouble());
    EXPECT_EQ(page, w.window->printer().landscape() ? QSizeF(684, 297) : QSizeF(297, 684));
}

TEST(PrintEnvelope, MissingDesignIsReportedAndNothingPrints) {
    PrintWindow w;
    QFile::remove(w.open.home.path(QStringLiteral("sysdata/BIN00001.E")));
    w.window->doPrint(true);
    EXPECT_EQ(w.previews, 0);
    EXPECT_EQ(w.open.dialogs.infos().back(), designRemovedMessage());
}

TEST(PrintEnvelope, EnvelopesButtonOpensTheWindowOnTheProgramsTables) {
    addrtest::ProgramHome home;
    addrtest::makeAddressFile(home.data("ADD0001.DBF"), {{"Baker", "Bob", "Zurich"}, {"Żak", "José", "Łódź"}});
    common::ScriptedDialogs dialogs;
    commands::CommandRegistry rows = commands::mainWindowCommands();
    attachEnvelopeCommands(rows);
    address::ui::TAddressMain w(dialogs, std::move(rows));
    w.setGettingStartedAllowed(false);
    w.firstActivation();
    QPushButton* envelopes = w.button(QStringLiteral("envelopes"));
    ASSERT_TRUE(envelopes);
    ASSERT_TRUE(envelopes->isEnabled());
    w.file().last();
    const std::uint32_t before = w.file().recNo();
    printer::CurrentPrinter& current = printer::CurrentPrinter::instance();
    const printer::CurrentPrinter::Selection printerBefore = current.selection();

    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* s = qobject_cast<TBREnvelopes*>(QApplication::activeModalWidget());
        if (!s) return;
        seen << s->windowTitle() << QString::number(s->grid()->rowCount()) << s->recordText(QStringLiteral("Last"));
        s->button(QStringLiteral("firstRecord"))->click();  // moves the file; put back on the way out
        // The window works on the program's current printer; what it sets
        // there is put back when it closes.
        if (&s->printer().current() != &current) seen << QStringLiteral("another printer");
        s->printer().useEnvelopePaper(20);
        s->printer().setLandscape(!s->printer().landscape());
        s->accept();
    });
    QTimer::singleShot(5000, [] {
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    envelopes->click();
    EXPECT_EQ(seen, (QStringList{"Print Envelope", "0", w.file().field("LNAME")})) << dialogs.infos().join(";").toStdString();
    EXPECT_EQ(w.file().recNo(), before);
    EXPECT_TRUE(QFile::exists(home.path(QStringLiteral("sysdata/ENVELOPE.DBF"))));
    EXPECT_EQ(current.name(), printerBefore.name);
    EXPECT_EQ(current.paperSize(), printerBefore.portraitInches);
    EXPECT_EQ(current.orientation(), printerBefore.orientation);
}

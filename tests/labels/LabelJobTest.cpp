// The label print job: the choices of "Print Labels" and their rules, the
// "Labels Print" position picture and mask, and DoPrint from the window on
// the open address file: which records, which positions, how many labels,
// the presort's life, and the table put back on every way out.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "LabelTestSupport.h"
#include "address/AddressTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "labels/LabelJobOptions.h"
#include "labels/ui/TLabelSetupScreen.h"
#include "labels/ui/LabelPositionPicker.h"
#include "mailing/Presort.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "store/Table.h"

using namespace brindle;
using labels::WhatToPrint;

namespace {

// ---------------------------------------------------------------- choices

TEST(LabelJobOptions, RulesClearPresortedAndGovernPresort) {
    labels::LabelJobOptions noFilter(false);
    EXPECT_EQ(noFilter.what(), WhatToPrint::All);
    EXPECT_FALSE(noFilter.filterChoiceEnabled());
    noFilter.setWhat(WhatToPrint::FilterMatches);  // not offered without a filter
    EXPECT_EQ(noFilter.what(), WhatToPrint::All);

    labels::LabelJobOptions o(true);
    EXPECT_EQ(o.what(), WhatToPrint::FilterMatches);
    o.setPresort(true);
    struct Step {
        std::function<void()> act;
        bool presort, presortEnabled;
    };
    const Step steps[] = {
        {[&] { o.setWhat(WhatToPrint::All); }, true, true},            // a tick already there stays
        {[&] { o.setStartFromCurrent(true); }, true, true},
        {[&] { o.setWhat(WhatToPrint::CurrentOnly); }, false, false},  // unticked and disabled
        {[&] { o.setWhat(WhatToPrint::FilterMatches); }, false, true},
    };
    for (const Step& s : steps) {
        o.setPresorted(true);
        s.act();
        EXPECT_FALSE(o.presorted());
        EXPECT_EQ(o.presort(), s.presort);
        EXPECT_EQ(o.presortEnabled(), s.presortEnabled);
    }
    o.setWhat(WhatToPrint::CurrentOnly);
    o.setPresort(true);
    EXPECT_FALSE(o.presort());
    o.setWhat(WhatToPrint::All);
    o.setPresorted(true);
    o.setPresort(false);  // the presort box alone keeps the order file of the last run
    EXPECT_TRUE(o.presorted());
    o.setWhat(WhatToPrint::FilterMatches);

    const auto spec = o.recordSpec("LNAME='A'");
    EXPECT_EQ(spec.choice, address::RecordChoice::FilterMatches);
    EXPECT_EQ(spec.query, "LNAME='A'");
    EXPECT_TRUE(spec.startFromCurrent);
}

TEST(LabelJobOptions, MaskNeverPassesTheSheetOrTwoHundred) {
    labels::LabelSetup s = labels::newLabelSetup();
    labels::PositionMask m;
    m.fill(true);
    s.nbrAcross = 15;  // 225 positions: more than a sheet may have
    s.nbrDown = 15;
    labels::setSheetPositions(m, s, false);  // writes 200 flags, not 225
    EXPECT_FALSE(labels::anySheetPosition(m, s));
    s.nbrAcross = 3;
    s.nbrDown = 10;
    m.fill(false);
    m[30] = true;  // beyond the sheet: does not count and is kept
    EXPECT_FALSE(labels::anySheetPosition(m, s));
    labels::setSheetPositions(m, s, true);
    EXPECT_TRUE(m[29] && m[30] && !m[31]);
    labels::setSheetPositions(m, s, false);
    EXPECT_TRUE(m[30]);
    EXPECT_EQ(labels::clampCopies(0), 1);
    EXPECT_EQ(labels::clampCopies(150), 99);
}

TEST(SheetPicture, LabelsSitWhereTheSheetGeometryPutsThem) {
    labels::LabelSetup plain = labels::newLabelSetup();
    labels::LabelSetup gap = plain;  // a middle gap moves the right half
    gap.nbrAcross = 4;
    gap.horizPitch = 2.0F;
    gap.lblWidth = 1.8F;
    gap.midExtraX = 0.5;
    gap.midExtraY = 0.25;
    labels::LabelSetup wide = plain;
    wide.sheetWidth = 14.0F;
    wide.sheetDepth = 17.0F;
    for (const auto& [setup, dpi] : {std::pair{plain, 96.0}, std::pair{gap, 96.0}, std::pair{wide, 120.0}}) {
        const labels::SheetPicture pic(setup, dpi);
        const double s = 0.2 * dpi;
        EXPECT_EQ(pic.sheet(), QRect(QPoint(10, 10), QPoint(10 + int(setup.sheetWidth * s), 10 + int(setup.sheetDepth * s))));
        for (int i = 0; i < labels::positionsPerSheet(setup); ++i) {
            const labels::LabelOrigin o = labels::labelOrigin(setup, i);
            const QRect r = pic.label(i);
            EXPECT_EQ(r, QRect(int(o.x * s) + 10, int(o.y * s) + 10, int(setup.lblWidth * s), int(setup.lblHeight * s)));
            EXPECT_EQ(pic.positionAt(r.center()), i);
        }
        EXPECT_EQ(pic.positionAt(QPoint(2, 2)), -1);
        EXPECT_EQ(pic.area().width(), std::max(int(8.5 * s), int(setup.sheetWidth * s)) + 20);
    }
    const labels::SheetPicture g(gap, 96);
    // The gap widens the step into the right half only.
    EXPECT_GT(g.label(2).left() - g.label(1).left(), g.label(1).left() - g.label(0).left() + 5);
}

// ---------------------------------------------------------------- the job from the window

void pressOn(QWidget* w, QPoint at) {
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

struct Job {
    addrtest::OpenFile open;
    labeltest::Sysdata sys;
    QTemporaryDir out;
    printer::PrinterScope keep{printer::CurrentPrinter::instance()};
    std::unique_ptr<labels::ui::TLabelSetupScreen> w;
    std::vector<printing::RecordedDocument> previews;
    int presortRuns = 0;
    bool presortAnswer = true;
    std::function<void(labels::ui::TSelectSpecificLabels&)> pick;
    bool pickOk = true;

    explicit Job(int records) : open(people(records)) {
        EXPECT_TRUE(sys.addClubSetup());  // 3 across, 10 down
        auto& current = printer::CurrentPrinter::instance();
        EXPECT_TRUE(current.select(printer::pdfPrinterName()));
        current.setPdfPath(out.filePath(QStringLiteral("labels.pdf")));
        w = std::make_unique<labels::ui::TLabelSetupScreen>(sys.labels(), sys.path(), open.dialogs);
        w->setAddressFile(&open.file);
        open.file.table()->setOrder(0);  // record order: "from current" counts are plain
        w->setPositionPicker([this](labels::ui::TSelectSpecificLabels& p) {
            if (pick) pick(p);
            if (!pickOk) return false;
            p.okClicked();
            return p.result() == QDialog::Accepted;
        });
        w->setRequestHook([this](labels::ui::LabelPrintRequest& r) {
            r.runPresort = [this](store::Table& t) {
                ++presortRuns;
                if (!presortAnswer) return false;
                QString error;
                return mailing::writeOrderFile(mailing::orderFilePath(), {"** 5-digit 10001", "10001"}, &error);
                (void)t;
            };
            r.showPreview = [this](printing::RecordedDocument d) { previews.push_back(std::move(d)); };
        });
    }
    static std::vector<addrtest::Fields> people(int n) {
        const char* names[] = {"Müller", "José", "Ødegård", "Smith"};
        std::vector<addrtest::Fields> v;
        for (int i = 0; i < n; ++i) v.push_back({{"LNAME", names[i % 4]}, {"FNAME", "N"}, {"ZIP", "10001"}});
        return v;
    }
    store::Table& table() { return *open.file.table(); }
    // Label corners of each page of the last preview, as positions of the sheet.
    std::vector<std::vector<int>> positions() const {
        std::vector<std::vector<int>> pages;
        if (previews.empty()) return pages;
        for (const auto& page : previews.back().pages) {
            std::vector<int> at;
            for (const auto& op : page.ops) {
                if (op.kind != printing::OpKind::Picture) continue;
                const int column = int(std::lround((op.box.left() - 5 / 96.0 - 0.188) / 2.765));
                const int row = int(std::lround((op.box.top() - 5 / 96.0 - 0.5) / 1.01));
                at.push_back(row * 3 + column);
            }
            pages.push_back(at);
        }
        return pages;
    }
    int labelCount() const {
        int n = 0;
        for (const auto& p : positions()) n += int(p.size());
        return n;
    }
    void preview() { w->printLabels(true); }
};

std::vector<int> range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i < to; ++i) v.push_back(i);
    return v;
}

TEST(LabelJob, PositionMaskAndCopiesReachEveryPage) {
    Job j(30);
    // The first three positions clicked off: blank on every page.
    j.pick = [](labels::ui::TSelectSpecificLabels& p) {
        for (int i = 0; i < 3; ++i) pressOn(p.picture(), p.picture()->picture().label(i).center());
        addrtest::keepShot(&p, QStringLiteral("labels-print"));
    };
    addrtest::keepShot(j.w.get(), QStringLiteral("print-labels"));
    j.preview();
    auto pages = j.positions();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0], range(3, 30));
    EXPECT_EQ(pages[1], range(3, 6));
    // The mask stays with the window; three copies of each of 10 records fill 30 chosen places.
    j.pick = [](labels::ui::TSelectSpecificLabels& p) {
        EXPECT_FALSE(p.positions()[0]);
        p.allButton()->click();
        p.copiesBox()->setValue(3);
    };
    j.w->whatButton(WhatToPrint::All)->click();
    j.table().go(21);
    j.w->startFromCurrentBox()->click();  // records 21 to 30
    j.preview();
    pages = j.positions();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], range(0, 30));
    EXPECT_EQ(j.w->options()->copies, 3);
    // None, then Ok: refused with the message, nothing printed.
    j.pick = [](labels::ui::TSelectSpecificLabels& p) { p.noneButton()->click(); };
    const auto before = j.previews.size();
    j.preview();
    EXPECT_EQ(j.previews.size(), before);
    EXPECT_TRUE(j.open.dialogs.infos().contains(labels::ui::noPositionMessage()));
}

TEST(LabelJob, WhichRecordsAndWhereToStart) {
    struct Case {
        const char* name;
        bool filter;  // LNAME >= "M": Müller, Ødegård, Smith of the first four
        WhatToPrint what;
        bool fromCurrent;
        std::uint32_t current;
        int labels;
        bool outOfRange;
    };
    const Case cases[] = {
        {"all", false, WhatToPrint::All, false, 3, 4, false},
        {"all from current", false, WhatToPrint::All, true, 3, 2, false},
        {"filter", true, WhatToPrint::FilterMatches, false, 2, 3, false},
        {"filter from current outside it", true, WhatToPrint::FilterMatches, true, 2, 3, true},
        {"filter from current inside it", true, WhatToPrint::FilterMatches, true, 3, 2, false},
        {"all with a filter set", true, WhatToPrint::All, false, 1, 4, false},
        {"only current", false, WhatToPrint::CurrentOnly, false, 2, 1, false},
        {"only current from current", true, WhatToPrint::CurrentOnly, true, 3, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job j(4);
        if (c.filter) {
            ASSERT_EQ(j.open.applyWith({{0, ">=M"}}), 3);
            j.table().setOrder(0);
        }
        j.w->setAddressFile(&j.open.file);
        EXPECT_EQ(j.w->whatButton(WhatToPrint::FilterMatches)->isEnabled(), c.filter);
        EXPECT_TRUE(j.w->whatButton(c.filter ? WhatToPrint::FilterMatches : WhatToPrint::All)->isChecked());
        j.w->whatButton(c.what)->click();
        if (c.fromCurrent) j.w->startFromCurrentBox()->click();
        j.table().go(c.current);
        j.preview();
        EXPECT_EQ(j.labelCount(), c.labels);
        EXPECT_EQ(j.open.dialogs.infos().contains(QString::fromLatin1(address::kOutOfRangeMessage)), c.outOfRange);
        EXPECT_EQ(j.table().recNo(), c.current);
    }
}

TEST(LabelJob, TableComesBackOnEveryWayOut) {
    enum class End { PickerCancelled, PresortCancelled, PresortFails, DesignGone, Completed };
    for (End end : {End::PickerCancelled, End::PresortCancelled, End::PresortFails, End::DesignGone, End::Completed}) {
        SCOPED_TRACE(int(end));
        Job j(6);
        ASSERT_EQ(j.open.applyWith({{0, ">=M"}}), 4);
        j.w->setAddressFile(&j.open.file);
        store::Table& t = j.table();
        t.setOrder(0);
        t.go(3);
        t.setExact(true);
        const std::string filter = t.filter();
        j.w->presortBox()->click();
        if (end == End::PickerCancelled) j.pickOk = false;
        if (end == End::PresortCancelled) j.presortAnswer = false;
        if (end == End::PresortFails)
            j.w->setRequestHook([](labels::ui::LabelPrintRequest& r) {
                r.runPresort = [](store::Table&) -> bool { throw std::runtime_error("disk full"); };
            });
        if (end == End::DesignGone) QFile::remove(j.sys.file(QStringLiteral("BIN00001.L")));
        j.preview();
        EXPECT_EQ(t.filter(), filter);
        EXPECT_EQ(t.order(), 0);
        EXPECT_EQ(t.recNo(), 3u);
        EXPECT_TRUE(t.exact());
        EXPECT_EQ(j.previews.size(), end == End::Completed ? 1u : 0u);
        const QStringList errors = j.open.dialogs.texts(common::ScriptedDialogs::Kind::Error);
        EXPECT_EQ(errors.contains(QStringLiteral("disk full")), end == End::PresortFails);
        EXPECT_EQ(j.open.dialogs.infos().contains(labels::ui::designMissingMessage()), end == End::DesignGone);
    }
}

TEST(LabelJob, PresortRunsOnceUntilTheChoicesChange) {
    Job j(4);
    QFile stale(mailing::orderFilePath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    j.w->show();  // an order file left from before is removed
    EXPECT_FALSE(QFile::exists(mailing::orderFilePath()));
    j.w->presortBox()->click();
    bool copiesShown = true;
    j.pick = [&](labels::ui::TSelectSpecificLabels& p) { copiesShown = !p.copiesBox()->isHidden(); };
    j.preview();
    j.preview();
    EXPECT_EQ(j.presortRuns, 1);
    EXPECT_FALSE(copiesShown);
    EXPECT_TRUE(j.open.dialogs.infos().contains(labels::ui::presortOrderMessage()));
    // One separator and the four records of ZIP 10001.
    EXPECT_EQ(j.labelCount(), 4);
    j.w->startFromCurrentBox()->click();
    j.preview();
    EXPECT_EQ(j.presortRuns, 2);
}

TEST(LabelJob, EmptyRecordSetPreviewsNothingAndPrintsNothing) {
    Job j(3);
    ASSERT_EQ(j.open.applyWith({{0, ">=M"}}), 2);
    j.w->setAddressFile(&j.open.file);
    j.table().setFilter(".F.");  // the matching records have gone since
    j.preview();
    ASSERT_EQ(j.previews.size(), 1u);
    EXPECT_EQ(j.previews[0].pageCount(), 0);
    j.w->printLabels(false);
    EXPECT_FALSE(QFile::exists(j.out.filePath(QStringLiteral("labels.pdf"))));
    EXPECT_TRUE(j.open.dialogs.infos().contains(labels::ui::noRecordsMessage()));
    EXPECT_TRUE(j.open.dialogs.texts(common::ScriptedDialogs::Kind::Error).isEmpty());
}

}  // namespace

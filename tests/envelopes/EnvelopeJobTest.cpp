// The envelope print loop on recorded pages: one envelope per record at the
// feed offset, which records take part, the preview outline, and Cancel and
// Stop.
#include <gtest/gtest.h>

#include "EnvelopeTestSupport.h"
#include "address/AddressTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "envelopes/EnvelopeJob.h"
#include "envelopes/EnvelopeSetup.h"
#include "printing/PageRecorder.h"
#include "store/Table.h"

using namespace brindle;
using namespace brindle::envelopes;

namespace {

// Says "stop pressed" after the envelope numbered `stopAfter` (from 1).
struct Control : EnvelopeJobControl {
    int stopAfter = 0;
    int calls = 0;
    bool stopPressed() override { return ++calls == stopAfter; }
};

// The records the design read, in order (a name once per envelope).
struct LoggingSource : designobjects::RecordSource {
    explicit LoggingSource(designobjects::TableRecordSource inner) : inner_(std::move(inner)) {}
    bool isOpen() const override { return inner_.isOpen(); }
    std::vector<designobjects::RecordField> fields() const override { return inner_.fields(); }
    QString fieldText(const QString& name) const override {
        const QString t = inner_.fieldText(name);
        if (name == QLatin1StringView("LNAME") && (read.isEmpty() || read.back() != t)) read << t;
        return t;
    }
    mutable QStringList read;

private:
    designobjects::TableRecordSource inner_;
};

struct Job {
    addrtest::ProgramHome home;
    common::ScriptedDialogs dialogs;
    std::unique_ptr<store::Table> table;
    std::unique_ptr<LoggingSource> source;
    designobjects::DesignSurface surface{designobjects::DesignSurface::EnvelopeSurface};
    printing::PageRecorder recorder;
    Control control;
    EnvelopeJobSettings settings;

    Job() {
        const QString path = home.data(QStringLiteral("ADD0001.DBF"));
        addrtest::makeFile(path, {{{"LNAME", "Müller"}}, {{"LNAME", "Gone"}}, {{"LNAME", "José"}},
                                  {{"LNAME", "Erased"}}, {{"LNAME", "Ødegård"}}});
        table = store::Table::open(path.toStdString(), store::OpenMode::Shared);
        table->go(2);
        table->edit();
        table->setLogical("ISDEL", true);
        table->post();
        table->go(4);
        table->deleteRecord();
        table->setOrder(0);
        source = std::make_unique<LoggingSource>(envtest::recordSource(table.get()));
        const QString design = home.path(QStringLiteral("sysdata/BIN00001.E"));
        envtest::writeDesign(design);
        surface.setClipFilePath(QString());
        surface.setRegisteredClasses(designobjects::DesignSurface::classesFor(designobjects::DesignSurface::EnvelopeSurface));
        surface.setRecordSource(source.get());
        EXPECT_TRUE(surface.loadFromFile(design).ok);
        recorder.setOrientation(printing::Orientation::Landscape);  // letter, 11 x 8.5
        settings.envelopeWidth = 9.5;
        settings.envelopeHeight = 4.125;
        settings.feed = {FeedOrientation::Landscape, FeedFacing::Up, FeedPosition::Center, false};
    }
    EnvelopeJobResult run(WhatToPrint what, bool fromCurrent = false) {
        source->read.clear();  // loading the design read the record it stood on
        EnvelopeRecords records(*table, what, fromCurrent, dialogs);
        return runEnvelopeJob(surface, records, recorder, settings, control, dialogs);
    }
    const printing::RecordedDocument& doc() const { return recorder.document(); }
    // What each page printed: the records read, and where the design's one
    // object (a text drawn as a vector picture) landed.
    QStringList names() const { return source->read; }
    QPointF firstTextAt(int page) const {
        for (const auto& op : doc().pages[size_t(page)].ops)
            if (op.kind == printing::OpKind::Picture || op.kind == printing::OpKind::Text) return op.box.topLeft();
        return {-1, -1};
    }
    int opsOf(int page, printing::OpKind kind) const {
        int n = 0;
        for (const auto& op : doc().pages[size_t(page)].ops) n += op.kind == kind;
        return n;
    }
    int dottedRedOutlines(int page) const {
        int n = 0;
        for (const auto& op : doc().pages[size_t(page)].ops)
            if (op.kind == printing::OpKind::Rectangle && op.pen.colour == 0x000000FF &&
                op.pen.style == printing::PenStyle::Dot)
                ++n;
        return n;
    }
};

}  // namespace

TEST(EnvelopeJob, OneEnvelopePerLiveRecordAtTheFeedOffset) {
    Job j;
    j.table->go(3);
    const EnvelopeJobResult r = j.run(WhatToPrint::AllRecords);
    EXPECT_EQ(r.envelopes, 3);
    EXPECT_EQ(r.finalStatus, "\rEnvelope Print Completed!");
    ASSERT_EQ(j.doc().pageCount(), 3);
    // Records flagged ISDEL or deleted by the engine are never printed.
    EXPECT_EQ(j.names(), (QStringList{QString::fromUtf8("Müller"), QString::fromUtf8("José"), QString::fromUtf8("Ødegård")}));
    for (int p = 0; p < 3; ++p) EXPECT_EQ(j.opsOf(p, printing::OpKind::Picture), 1) << p;
    // The design's (1 in, 0.5 in) lands 1.5 in and 2.1875 in further on.
    const QPointF at = j.firstTextAt(0);
    EXPECT_NEAR(at.x(), 2.5, 0.02);
    EXPECT_NEAR(at.y(), 2.6875, 0.02);
    EXPECT_EQ(j.dottedRedOutlines(0), 0);  // printed pages carry no outline
    // The table is as it was.
    EXPECT_EQ(j.table->recNo(), 3u);
    EXPECT_EQ(j.table->filter(), "");
}

TEST(EnvelopeJob, PortraitFeedPrintsAtTheLeftEdge) {
    Job j;
    j.recorder.setOrientation(printing::Orientation::Portrait);
    j.settings.feed.orientation = FeedOrientation::Portrait;
    j.table->go(1);
    j.run(WhatToPrint::OnlyCurrent);
    ASSERT_EQ(j.doc().pageCount(), 1);
    EXPECT_NEAR(j.firstTextAt(0).x(), 1.0, 0.02);
    EXPECT_NEAR(j.firstTextAt(0).y(), 0.5, 0.02);
}

TEST(EnvelopeJob, OnlyCurrentRecordPrintsOneEvenStartingFromCurrent) {
    Job j;
    j.table->setFilter("!ISDEL");
    j.table->go(3);
    const EnvelopeJobResult r = j.run(WhatToPrint::OnlyCurrent, true);
    EXPECT_EQ(r.envelopes, 1);
    ASSERT_EQ(j.doc().pageCount(), 1);
    EXPECT_EQ(j.names(), QStringList{QString::fromUtf8("José")});
    EXPECT_EQ(j.table->recNo(), 3u);
    EXPECT_EQ(j.table->filter(), "!ISDEL");
    EXPECT_TRUE(j.dialogs.shown.isEmpty());
}

TEST(EnvelopeJob, StartOutsideTheFilterSaysSoAndStartsAtTheFirst) {
    Job j;
    j.table->setFilter("LNAME = \"J\" .OR. LNAME = \"\xd8\"");  // José and Ødegård
    j.table->go(1);  // Müller is not among them
    j.run(WhatToPrint::MatchingFilter, true);
    EXPECT_EQ(j.dialogs.infos(), QStringList{outOfRangeMessage()});
    ASSERT_EQ(j.doc().pageCount(), 2);
    EXPECT_EQ(j.names(), (QStringList{QString::fromUtf8("José"), QString::fromUtf8("Ødegård")}));

    Job k;
    k.table->go(3);
    k.run(WhatToPrint::AllRecords, true);  // from José on
    ASSERT_EQ(k.doc().pageCount(), 2);
    EXPECT_EQ(k.names(), (QStringList{QString::fromUtf8("José"), QString::fromUtf8("Ødegård")}));
}

TEST(EnvelopeJob, PreviewOutlinesThePrintableAreaOnEveryPageAndNeverTheTemplate) {
    Job j;
    j.settings.preview = true;
    j.settings.printableArea = QRectF(0.25, 0.2, 10.5, 8.0);
    const EnvelopeJobResult r = j.run(WhatToPrint::AllRecords);
    EXPECT_TRUE(r.finalStatus.isEmpty());  // the status window just closes
    ASSERT_EQ(j.doc().pageCount(), 3);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(j.dottedRedOutlines(p), 1) << p;
        // Outline and the design's object only: the postal template is never drawn.
        EXPECT_EQ(j.doc().pages[size_t(p)].ops.size(), 2u) << p;
        EXPECT_EQ(j.opsOf(p, printing::OpKind::Text), 0) << p;
    }
    const auto& outline = j.doc().pages[0].ops.front();
    EXPECT_EQ(outline.box, QRectF(0.25, 0.2, 10.5, 8.0));
}

TEST(EnvelopeJob, ConfirmedCancelEndsTheLoopAtOnceAndThrowsTheJobAway) {
    Job j;
    j.control.stopAfter = 1;
    j.dialogs.answers.enqueue(true);
    const EnvelopeJobResult r = j.run(WhatToPrint::AllRecords);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.envelopes, 1);
    EXPECT_TRUE(j.recorder.aborted());
    EXPECT_EQ(j.doc().pageCount(), 0);  // nothing reaches the printer
    EXPECT_EQ(r.finalStatus, "\rEnvelope Print Canceled!");
    ASSERT_EQ(j.dialogs.shown.size(), 1);
    EXPECT_EQ(j.dialogs.shown[0].text, cancelQuestion());

    // Answered No, the job goes on to the end.
    Job k;
    k.control.stopAfter = 1;
    k.dialogs.answers.enqueue(false);
    const EnvelopeJobResult r2 = k.run(WhatToPrint::AllRecords);
    EXPECT_FALSE(r2.cancelled);
    EXPECT_EQ(r2.envelopes, 3);
    EXPECT_EQ(k.doc().pageCount(), 3);

    // Stop in a preview keeps the pages made so far, without asking.
    Job m;
    m.settings.preview = true;
    m.control.stopAfter = 2;
    const EnvelopeJobResult r3 = m.run(WhatToPrint::AllRecords);
    EXPECT_TRUE(r3.stopped);
    EXPECT_EQ(r3.finalStatus, "\rPreview Stopped!");
    EXPECT_EQ(m.doc().pageCount(), 2);
    EXPECT_TRUE(m.dialogs.shown.isEmpty());
}

// The print status window offscreen: caption, status while the job runs,
// the one button's captions, Cancel asking first and ending the job, and a
// device failure shown instead of "Label Print Completed!".
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "address/AddressSchema.h"
#include "address/FieldLengthSettings.h"
#include "common/ScriptedDialogs.h"
#include "labels/LabelPrintStatus.h"
#include "labels/ui/TLabelPrinter.h"
#include "printing/PageRecorder.h"
#include "printing/PdfCanvas.h"
#include "store/Table.h"

using namespace brindle;

namespace {

struct BoxDesign : labels::LabelDesign {
    void refreshData() override {}
    void printObjects(printing::PageCanvas& page, double top, double left) override {
        page.rectangle(left, top, left + 2.5, top + 0.9);
    }
    void advanceCounters() override {}
    void resetCounters() override {}
};

// With SCREENSHOT_DIR set, the window as it looks now goes there as a PNG.
void shoot(QWidget& w, const char* name) {
    if (const QString dir = qEnvironmentVariable("SCREENSHOT_DIR"); !dir.isEmpty())
        w.grab().save(dir + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
}

labels::LabelJob jobOf(bool preview) {
    labels::LabelJob job;
    job.setup = labels::newLabelSetup();  // 3 x 10
    job.preview = preview;
    return job;
}

class LabelPrinterWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir_.filePath("A.DBF").toStdString();
        address::createAddressFile(path, address::builtInFieldLengths());
        table_ = store::Table::open(path, store::OpenMode::Exclusive);
        for (int i = 0; i < 70; ++i) {
            table_->append();
            table_->setString("LNAME", "X");
            table_->post();
        }
        table_->setFilter("!ISDEL");
        table_->first();
    }
    QTemporaryDir dir_;
    std::unique_ptr<store::Table> table_;
    BoxDesign design_;
    common::ScriptedDialogs dialogs_;
};

// Cancel while printing asks "Cancel Label Printing?"; No goes on, Yes ends
// the job at once with nothing sent, and the window says so with "Ok".
TEST_F(LabelPrinterWindowTest, CancelAsksAndEndsTheJob) {
    labels::LabelRecords records(*table_);
    printing::PageRecorder canvas;
    labels::ui::TLabelPrinter window(jobOf(false), design_, records, canvas, dialogs_);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Print Status "));
    EXPECT_EQ(window.button()->text(), QStringLiteral("Cancel"));
    dialogs_.answers.enqueue(false);
    dialogs_.answers.enqueue(true);
    int clicks = 0;
    QStringList statusSeen;
    labels::LabelPrintStatus& status = window.status();
    QTimer::singleShot(0, &window, [&] {
        // Press the button between labels, as the event loop would.
        auto press = [&] {
            ++clicks;
            window.button()->click();
        };
        canvas.setStatusHandler([&, press](const QString& t) mutable {
            status.setStatus(t);
            statusSeen << window.statusArea()->text();
            if (t.startsWith(QStringLiteral("Printing Page 2"))) {
                shoot(window, "label-status-printing");
                press();
            }
            if (t.startsWith(QStringLiteral("Printing Page 3"))) press();
        });
        window.runJob();
        window.button()->click();  // "Ok" closes the window
    });
    window.exec();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(dialogs_.texts(common::ScriptedDialogs::Kind::YesNo),
              (QStringList{"Cancel Label Printing?", "Cancel Label Printing?"}));
    EXPECT_TRUE(window.aborted());
    EXPECT_EQ(window.result().outcome, labels::LabelResult::Outcome::Cancelled);
    EXPECT_EQ(window.result().labels, 61);  // the label that began page 3
    EXPECT_TRUE(canvas.aborted());
    EXPECT_EQ(window.button()->text(), QStringLiteral("Ok"));
    EXPECT_EQ(window.statusArea()->text(), QStringLiteral("\nLabel Print Canceled!"));
    EXPECT_TRUE(statusSeen.contains(QStringLiteral("Printing Page 2\n\n"))) << statusSeen.join(QLatin1Char('|')).toStdString();
}

// A PDF that cannot be written ends as a failure with its reason; a finished
// preview closes by itself; Stop keeps the pages made so far.
TEST_F(LabelPrinterWindowTest, EndTextsFollowTheOutcome) {
    {
        labels::LabelRecords records(*table_);
        printing::PdfCanvas pdf(dir_.filePath(QStringLiteral("no/such/folder/x.pdf")));
        labels::ui::TLabelPrinter window(jobOf(false), design_, records, pdf, dialogs_);
        QTimer::singleShot(0, &window, [&] {
            window.runJob();
            shoot(window, "label-status-failed");
            window.button()->click();
        });
        window.exec();
        EXPECT_EQ(window.result().outcome, labels::LabelResult::Outcome::Failed);
        EXPECT_TRUE(window.statusArea()->text().startsWith(QStringLiteral("\nLabel Print Failed!\n")));
        EXPECT_FALSE(window.statusArea()->text().contains(QStringLiteral("Completed")));
        EXPECT_FALSE(window.isVisible());
    }
    {
        table_->first();
        labels::LabelRecords records(*table_);
        printing::PageRecorder rec;
        labels::ui::TLabelPrinter window(jobOf(true), design_, records, rec, dialogs_);
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Preview Status"));
        EXPECT_EQ(window.button()->text(), QStringLiteral("Stop"));
        window.exec();  // runs and closes by itself
        EXPECT_TRUE(window.finished());
        EXPECT_EQ(rec.document().pageCount(), 3);
    }
    {
        table_->first();
        labels::LabelRecords records(*table_);
        printing::PageRecorder rec;
        labels::ui::TLabelPrinter window(jobOf(true), design_, records, rec, dialogs_);
        rec.setNewPageHandler([&](printing::PageCanvas& c) {
            if (c.pageNumber() == 2) window.button()->click();
        });
        QTimer::singleShot(0, &window, [&] {
            window.runJob();
            window.button()->click();
        });
        window.exec();
        EXPECT_EQ(window.result().outcome, labels::LabelResult::Outcome::Stopped);
        EXPECT_EQ(window.statusArea()->text(), QStringLiteral("\nPreview Stopped at page 2!"));
        EXPECT_FALSE(window.aborted());
    }
}

}  // namespace

// "Print Labels" Print: the setup's design printed for the open address
// file's records through the current printer (here the PDF printer) in the
// print status window; the file's current record is the same afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include "LabelTestSupport.h"
#include "address/AddressTestSupport.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "labels/ui/TLabelPrinter.h"
#include "labels/ui/TLabelSetupScreen.h"
#include "labels/ui/LabelPositionPicker.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "printing/DrawOps.h"
#include "printing/ui/TPreviewForm.h"
#include "store/Table.h"

using namespace brindle;

namespace {

TEST(LabelPrintFlow, PrintButtonRunsTheEngineOnTheCurrentPrinter) {
    addrtest::OpenFile open(std::vector<addrtest::Fields>{
        {{"LNAME", "Müller"}, {"FNAME", "José"}, {"CITY", "Köln"}}, {{"LNAME", "Smith"}, {"FNAME", "Ann"}}});
    labeltest::Sysdata sys;
    ASSERT_TRUE(sys.addClubSetup());  // 3 across, 10 down
    labels::ui::TLabelSetupScreen w(sys.labels(), sys.path(), open.dialogs);
    w.setAddressFile(&open.file);
    // "Labels Print" answered with its defaults: every position, one copy.
    w.setPositionPicker([](labels::ui::TSelectSpecificLabels& p) {
        p.okClicked();
        return p.result() == QDialog::Accepted;
    });
    w.show();

    QTemporaryDir dir;
    auto& current = printer::CurrentPrinter::instance();
    printer::PrinterScope scope(current);
    ASSERT_TRUE(current.select(printer::pdfPrinterName()));
    current.setPdfPath(dir.filePath(QStringLiteral("club.pdf")));
    open.file.table()->go(2);

    QString title, status;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* p = qobject_cast<labels::ui::TLabelPrinter*>(QApplication::activeModalWidget());
        if (!p || !p->finished()) return;
        title = p->windowTitle();
        status = p->statusArea()->text();
        p->button()->click();
    });
    poll.start(20);
    w.button(QStringLiteral("Print"))->click();
    poll.stop();

    EXPECT_EQ(title, QStringLiteral("Print Status "));
    EXPECT_EQ(status, QStringLiteral("\nLabel Print Completed!"));
    EXPECT_EQ(open.file.table()->recNo(), 2u);
    ASSERT_TRUE(QFile::exists(dir.filePath(QStringLiteral("club.pdf"))));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {dir.filePath(QStringLiteral("club.pdf")), QStringLiteral("-")});
    if (text.waitForFinished(30000) && text.exitCode() == 0) {
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(words.contains(QStringLiteral("José Müller"))) << words.toStdString();
        EXPECT_TRUE(words.contains(QStringLiteral("Ann Smith"))) << words.toStdString();
    }

    // Preview: the status window closes by itself and the preview shows the page.
    int previewPages = -1;
    std::vector<QPointF> previewBoxes;
    QString previewTitle;
    QObject::disconnect(&poll, nullptr, nullptr, nullptr);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<printing::TPreviewForm*>(QApplication::activeModalWidget());
        if (!form) return;
        // Let the page draw before it is looked at.
        static int ticks = 0;
        if (++ticks < 15) return;
        previewPages = form->pageCount();
        for (const auto& op : form->document().pages.at(0).ops)
            if (op.kind == printing::OpKind::Picture) previewBoxes.push_back(op.box.topLeft());
        form->scrollArea()->verticalScrollBar()->setValue(0);
        previewTitle = form->windowTitle();
        if (const QString shots = qEnvironmentVariable("SCREENSHOT_DIR"); !shots.isEmpty()) {
            form->grab().save(shots + QStringLiteral("/label-preview.png"));
            QImage page(510, 660, QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter painter(&page);
            printing::paintPage(painter, form->document().pages.at(0), printing::PaintScale{60.0, QPointF(0, 0), true});
            painter.end();
            page.save(shots + QStringLiteral("/label-preview-page.png"));
        }
        form->accept();
    });
    poll.start(20);
    w.button(QStringLiteral("Preview"))->click();
    poll.stop();
    EXPECT_EQ(previewPages, 1);
    // The address blocks (drawn as pictures) at the first two label origins, 5 pixels in.
    ASSERT_EQ(previewBoxes.size(), 2u);
    EXPECT_NEAR(previewBoxes[0].x(), 0.188 + 5 / 96.0, 0.001);
    EXPECT_NEAR(previewBoxes[0].y(), 0.5 + 5 / 96.0, 0.001);
    EXPECT_NEAR(previewBoxes[1].x(), 0.188 + 2.765 + 5 / 96.0, 0.001);
    EXPECT_TRUE(previewTitle.startsWith(QStringLiteral("Preview Page 1 of 1"))) << previewTitle.toStdString();
    EXPECT_EQ(open.file.table()->recNo(), 2u);
}

}  // namespace

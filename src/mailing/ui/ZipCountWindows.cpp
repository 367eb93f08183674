#include "mailing/ui/ZipCountWindows.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "help/HelpTopics.h"
#include "printer/CurrentPrinter.h"
#include "printer/PrinterCanvas.h"
#include "printer/Printers.h"
#include "printing/PageRecorder.h"
#include "printing/ui/TPreviewForm.h"

namespace brindle::mailing::ui {

// ---------------------------------------------------------------- status window

TZipReport::TZipReport(ZipReportJob& job, printing::PageCanvas& canvas, const std::vector<ZipCountLine>& lines,
                       QWidget* parent)
    : QDialog(parent), job_(job), canvas_(canvas), lines_(lines) {
    setObjectName(QStringLiteral("TZipReport"));
    setWindowTitle(job_.caption());
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusText"));
    status_->setAlignment(Qt::AlignCenter);
    status_->setFrameShape(QFrame::Panel);
    status_->setFrameShadow(QFrame::Sunken);
    status_->setMinimumSize(280, 90);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    status_->setFont(f);
    button_ = new QPushButton(job_.mode() == ZipReportJob::Mode::Print ? QStringLiteral("Cancel") : QStringLiteral("Stop"),
                              this);
    button_->setObjectName(QStringLiteral("stopButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button_);
    row->addStretch();
    layout->addLayout(row);
    connect(button_, &QPushButton::clicked, this, &TZipReport::buttonClicked);
    canvas_.setStatusHandler([this](const QString& text) { showStatus(text); });
}

void TZipReport::showStatus(const QString& text) {
    QString shown = text;
    shown.replace(QChar('\r'), QChar('\n'));
    status_->setText(shown.trimmed());
}

bool TZipReport::runJob() {
    QTimer::singleShot(0, this, &TZipReport::start);
    exec();
    canvas_.setStatusHandler({});
    return job_.aborted();
}

void TZipReport::start() {
    if (started_) return;
    started_ = true;
    try {
        job_.run(canvas_, lines_, [] { QCoreApplication::processEvents(); });
    } catch (const std::exception& e) {
        canvas_.abort();
        showStatus(QString::fromLocal8Bit(e.what()));
    }
    button_->setText(job_.buttonCaption());
    showStatus(job_.statusText());
    if (job_.closeWanted()) accept();
    else if (finished) finished();
}

void TZipReport::buttonClicked() {
    job_.buttonPressed();
    if (!job_.running() && job_.closeWanted()) accept();
}

void TZipReport::reject() { buttonClicked(); }

// ---------------------------------------------------------------- Count Zip Codes

TCountZipCodes::TCountZipCodes(store::Table& table, common::UserDialogs& dialogs, QString settingsPath,
                               QWidget* parent)
    : HelpDialog(help::topic::ZipCount, parent),
      session_(table, dialogs),
      dialogs_(dialogs),
      settingsPath_(std::move(settingsPath)),
      printerName_(printer::CurrentPrinter::instance().name()) {
    setObjectName(QStringLiteral("TCountZipCodes"));
    setWindowTitle(QStringLiteral("Count Zip Codes"));
    heading_ = new QLabel(session_.heading(), this);
    heading_->setObjectName(QStringLiteral("heading"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setMinimumWidth(360);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    buttons_ = new QWidget(this);
    auto* bl = new QHBoxLayout(buttons_);
    bl->setContentsMargins(0, 0, 0, 0);
    const auto add = [&](const char* caption, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(caption), buttons_);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        bl->addWidget(b);
        return b;
    };
    print_ = add("Print", "printButton");
    preview_ = add("Preview", "previewButton");
    setup_ = add("Printer Setup", "printerSetupButton");
    ok_ = add("Ok", "okButton");
    ok_->setDefault(true);
    bl->addWidget(makeHelpButton());
    bl->addWidget(makeMouseHelpButton());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(status_);
    auto* cl = new QHBoxLayout;
    cl->addStretch();
    cl->addWidget(cancel_);
    cl->addStretch();
    layout->addLayout(cl);
    layout->addWidget(buttons_);
    connect(cancel_, &QPushButton::clicked, this, &TCountZipCodes::cancelClicked);
    connect(print_, &QPushButton::clicked, this, &TCountZipCodes::PrintClick);
    connect(preview_, &QPushButton::clicked, this, &TCountZipCodes::PreviewClick);
    connect(setup_, &QPushButton::clicked, this, &TCountZipCodes::PrinterSetupClick);
    connect(ok_, &QPushButton::clicked, this, &TCountZipCodes::accept);
    print_->setWhatsThis(QStringLiteral("Prints the Zip Code Count Report on the chosen printer."));
    preview_->setWhatsThis(QStringLiteral("Shows the report page by page before printing."));
    setup_->setWhatsThis(QStringLiteral("Chooses the printer the report goes to."));
    setCounting(false);
}

void TCountZipCodes::setCounting(bool on) {
    buttons_->setVisible(!on);
    cancel_->setVisible(on);
    status_->setVisible(on);
}

void TCountZipCodes::showEvent(QShowEvent* e) {
    HelpDialog::showEvent(e);
    if (activated_) return;
    activated_ = true;
    QTimer::singleShot(0, this, &TCountZipCodes::DoTheSort);
}

void TCountZipCodes::DoTheSort() {
    if (session_.counting()) return;
    setCounting(true);
    bool done = false;
    try {
        done = session_.count([this](const QString& text) { status_->setText(text); },
                              [this] { dialogs_.processEvents(); });
    } catch (const std::exception& e) {
        setCounting(false);
        dialogs_.showError(QString::fromLocal8Bit(e.what()));
        return;
    }
    setCounting(false);
    heading_->setText(session_.heading());
    if (!done && session_.closeWanted()) QDialog::done(QDialog::Rejected);
}

void TCountZipCodes::cancelClicked() { session_.cancelPressed(); }

void TCountZipCodes::reject() {
    if (session_.counting()) {
        cancelClicked();  // Escape while counting is the Cancel button
        return;
    }
    HelpDialog::reject();
}

bool TCountZipCodes::readyToPrint() {
    if (!session_.counted()) {
        DoTheSort();
        if (!session_.counted()) return false;
    }
    return printer::printerReady(dialogs_);
}

std::unique_ptr<printing::PageCanvas> TCountZipCodes::openReportCanvas() {
    QString pdf;
    if (printer::isPdfPrinter(printerName_)) {
        pdf = dialogs_.chooseSaveFile(QStringLiteral("Print to PDF File"), common::programDir(),
                                      QStringLiteral("PDF Files|*.pdf"), QStringLiteral("pdf"));
        if (pdf.isEmpty()) return nullptr;
    }
    // The report goes to the program's current printer (the one chosen here
    // or before); the command's printer scope puts the earlier one back.
    printer::CurrentPrinter& current = printer::CurrentPrinter::instance();
    if (current.name() != printerName_ && !current.select(printerName_)) {
        dialogs_.showInfo(QStringLiteral("The printer \"%1\" is not available.").arg(printerName_));
        return nullptr;
    }
    current.setPdfPath(pdf);
    return current.openJob(dialogs_, QStringLiteral("Zipcode Count"));
}

void TCountZipCodes::runReport(ZipReportJob::Mode mode) {
    if (!readyToPrint()) return;
    ZipReportJob job(mode, dialogs_);
    if (mode == ZipReportJob::Mode::Print) {
        std::unique_ptr<printing::PageCanvas> canvas = openReportCanvas();
        if (!canvas) return;
        TZipReport status(job, *canvas, session_.lines(), this);
        if (reportShown) status.finished = [&] { reportShown(status); };
        status.runJob();
        return;
    }
    printing::PageRecorder recorder;
    {
        TZipReport status(job, recorder, session_.lines(), this);
        if (reportShown) status.finished = [&] { reportShown(status); };
        status.runJob();
    }
    if (!job.previewReady()) return;
    common::ProfileFile settings(settingsPath_);
    printing::TPreviewForm preview(recorder.takeDocument(), QStringLiteral("Preview Zipcode Count"), 100, &settings,
                                   parentWidget());
    if (previewShown) QTimer::singleShot(0, &preview, [&] { previewShown(preview); });
    preview.exec();
}

void TCountZipCodes::PrintClick() { runReport(ZipReportJob::Mode::Print); }

void TCountZipCodes::PreviewClick() { runReport(ZipReportJob::Mode::Preview); }

void TCountZipCodes::PrinterSetupClick() {
    const QStringList printers = printer::availablePrinters();
    if (printers.isEmpty()) {
        dialogs_.showInfo(QStringLiteral("There are no printers installed"));
        return;
    }
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, QStringLiteral("Printer Setup"), QStringLiteral("Printer:"),
                                                 printers, std::max<qsizetype>(0, printers.indexOf(printerName_)),
                                                 false, &ok);
    if (ok && !chosen.isEmpty() && printer::CurrentPrinter::instance().select(chosen)) printerName_ = chosen;
}

}  // namespace brindle::mailing::ui

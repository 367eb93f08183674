#include "mailing/ui/TSortBulkMail.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

#include "address/ui/DialogSupport.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"

namespace brindle::mailing::ui {

namespace {

// The window's side of the presort: status line and Cancel. Handling input
// costs a few microseconds even when there is none, which on a million
// records would outweigh the scan itself; so the window looks for input after
// a record only once `interval` has passed since it last looked. A click on
// Cancel is still seen within that interval, and the scan stops after the
// record it was reading.
class WindowProgress : public PresortProgress {
public:
    WindowProgress(TSortBulkMail& window, common::UserDialogs& dialogs, const bool& cancelRequested, int intervalMs)
        : window_(window), dialogs_(dialogs), cancelRequested_(cancelRequested), intervalMs_(intervalMs) {
        clock_.start();
    }
    void status(const QString& text) override { window_.SetLabel1(text); }
    bool afterRecord(int) override {
        if (intervalMs_ <= 0 || clock_.elapsed() >= intervalMs_) {
            dialogs_.processEvents();
            clock_.restart();
        }
        return !cancelRequested_;
    }

private:
    TSortBulkMail& window_;
    common::UserDialogs& dialogs_;
    const bool& cancelRequested_;
    int intervalMs_;
    QElapsedTimer clock_;
};

}  // namespace

TSortBulkMail::TSortBulkMail(store::Table& table, common::UserDialogs& dialogs, QString orderFile, QWidget* parent)
    : QDialog(parent), table_(table), dialogs_(dialogs), orderFile_(std::move(orderFile)) {
    setObjectName(QStringLiteral("TSortBulkMail"));
    setWindowTitle(QStringLiteral("Bulk Mail Presorting"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);
    status_->setAlignment(Qt::AlignCenter);
    // Wide enough for the longest status (the sorting line with its note on
    // records left out), so the window does not jump while it works.
    status_->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(leftOutText(1000000)) + 24);
    status_->setMinimumHeight(QFontMetrics(bold).lineSpacing() * 2 + 8);
    cancel_ = address::ui::plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    cancel_->setWhatsThis(QStringLiteral("Stops the presort; nothing is printed."));
    connect(cancel_, &QPushButton::clicked, this, &TSortBulkMail::cancelClicked);
    auto* v = new QVBoxLayout(this);
    v->addWidget(status_);
    auto* h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(cancel_);
    h->addStretch();
    v->addLayout(h);
    address::ui::keepTitleWhole(this);
}

void TSortBulkMail::SetLabel1(const QString& text) {
    status_->setText(text);
    status_->repaint();
}

void TSortBulkMail::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, &TSortBulkMail::run);
    }
}

void TSortBulkMail::reject() {
    // Esc and the close box ask like Cancel while the presort runs.
    if (running_) cancelClicked();
    else QDialog::reject();
}

void TSortBulkMail::cancelClicked() {
    if (running_ && dialogs_.askYesNo(QStringLiteral("Cancel PRESORT?"), QStringLiteral("CANCEL")))
        cancelRequested_ = true;
}

void TSortBulkMail::run() {
    started_ = true;
    running_ = true;
    WindowProgress progress(*this, dialogs_, cancelRequested_, inputIntervalMs_);
    try {
        result_ = runPresort(table_, orderFile_, progress);
    } catch (const std::exception& e) {
        result_ = PresortResult{};
        result_.error = QString::fromUtf8(e.what());
    }
    running_ = false;
    if (result_.outcome == PresortResult::Outcome::Failed) dialogs_.showError(result_.error);
    if (result_.completed()) accept();
    else QDialog::reject();
}

bool DoPresort(store::Table& table, common::UserDialogs& dialogs, QWidget* parent, const QString& orderFile,
               PresortResult* result, int inputIntervalMs) {
    TSortBulkMail window(table, dialogs, orderFile.isEmpty() ? orderFilePath() : orderFile, parent);
    window.setInputInterval(inputIntervalMs);
    window.adjustSize();
    common::centreWindow(&window, parent ? parent->window() : nullptr);
    window.exec();
    if (result) *result = window.result();
    return window.done();
}

}  // namespace brindle::mailing::ui

#include "dialer/ui/TfrmTAPICall.h"

#include <QCloseEvent>
#include <algorithm>
#include <memory>
#include <utility>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "address/ui/DialogSupport.h"

namespace brindle::address::ui {

namespace {
constexpr int kMaxTypedNumber = 30;
}

TfrmTAPICall::TfrmTAPICall(const QString& number, const QDBusConnection& bus, QWidget* parent)
    : QDialog(parent), number_(number) {
    setWindowTitle(QStringLiteral("TAPI Call - PICK UP THE PHONE"));
    setObjectName(QStringLiteral("TfrmTAPICall"));
    auto* layout = new QVBoxLayout(this);
    auto* numberLabel = new QLabel(QStringLiteral("Number to call"), this);
    numberEdit_ = new QLineEdit(this);
    numberEdit_->setObjectName(QStringLiteral("numberToCall"));
    numberLabel->setBuddy(numberEdit_);
    // Typing stops at 30 characters, but a longer number put here by the
    // program stays whole, and the user may still shorten it.
    // textEdited comes before textChanged, so `shown` still holds the text as
    // it was before the user's change.
    auto shown = std::make_shared<QString>();
    connect(numberEdit_, &QLineEdit::textChanged, this, [this, shown] { *shown = numberEdit_->text(); });
    connect(numberEdit_, &QLineEdit::textEdited, this, [this, shown](const QString& t) {
        const QString before = *shown;
        if (t.size() > kMaxTypedNumber && t.size() > before.size()) {
            const int pos = numberEdit_->cursorPosition() - static_cast<int>(t.size() - before.size());
            numberEdit_->setText(before);
            numberEdit_->setCursorPosition(std::max(0, pos));
        }
    });
    auto* statusLabel = new QLabel(QStringLiteral("Status"), this);
    status_ = new QListWidget(this);
    status_->setObjectName(QStringLiteral("status"));
    // The longest line the window writes fits whole; longer ones wrap.
    status_->setWordWrap(true);
    const int longest = status_->fontMetrics().horizontalAdvance(QStringLiteral("Error!! - ") + noTelephonyServiceText());
    status_->setMinimumWidth(longest + 2 * status_->frameWidth() +
                             status_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 12);
    call_ = new QPushButton(QStringLiteral("Call"), this);
    call_->setObjectName(QStringLiteral("callButton"));
    hangup_ = new QPushButton(QStringLiteral("Hangup"), this);
    hangup_->setObjectName(QStringLiteral("hangupButton"));
    hangup_->setEnabled(false);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName(QStringLiteral("closeButton"));
    layout->addWidget(numberLabel);
    layout->addWidget(numberEdit_);
    layout->addWidget(statusLabel);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(call_);
    buttons->addWidget(hangup_);
    buttons->addStretch();
    buttons->addWidget(close_);
    layout->addLayout(buttons);
    connect(call_, &QPushButton::clicked, this, &TfrmTAPICall::callClick);
    connect(hangup_, &QPushButton::clicked, this, &TfrmTAPICall::hangupClick);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    keepTitleWhole(this);

    client_ = new TelephonyClient(bus, this);
    if (!client_->initialize()) {
        noService_ = !client_->serviceFound();
        shutdownService();
        addStatus(QStringLiteral("Error!! - ") +
                  (noService_ ? noTelephonyServiceText() : QStringLiteral("No TAPI devices found")));
        return;
    }
    connect(client_, &TelephonyClient::requestReplied, this, &TfrmTAPICall::onReply);
    connect(client_, &TelephonyClient::callStateChanged, this, &TfrmTAPICall::onState);
}

TfrmTAPICall::~TfrmTAPICall() { shutdownService(); }

QStringList TfrmTAPICall::statusLines() const {
    QStringList out;
    for (int i = 0; i < status_->count(); ++i) out << status_->item(i)->text();
    return out;
}

void TfrmTAPICall::addStatus(const QString& line) { status_->addItem(line); }

void TfrmTAPICall::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!activated_) firstActivation();
}

void TfrmTAPICall::firstActivation() {
    if (activated_) return;
    activated_ = true;
    numberEdit_->setText(number_);
    callClick();
}

void TfrmTAPICall::callClick() {
    const QString number = numberEdit_->text();
    if (number.isEmpty()) return;
    status_->clear();
    if (!client_ && noService_) {
        // Nothing unknown about it: there is no service to place the call.
        addStatus(QStringLiteral("* ") + noTelephonyServiceText());
        return;
    }
    if (!client_ || !client_->dial(number)) {
        addStatus(QStringLiteral("* Unknown Error calling number"));
        addStatus(QStringLiteral("* Is the line busy?"));
        return;
    }
    call_->setEnabled(false);
    hangup_->setEnabled(true);
}

void TfrmTAPICall::hangupClick() {
    if (!client_ || !client_->hangup()) addStatus(QStringLiteral("* Unknown Error hanging up"));
}

void TfrmTAPICall::onReply(bool ok) {
    if (ok) {
        addStatus(QStringLiteral("TAPI started"));
        return;
    }
    addStatus(QStringLiteral("TAPI Error"));
    // No call came of the request: it may be placed again.
    call_->setEnabled(true);
    hangup_->setEnabled(false);
}

void TfrmTAPICall::onState(CallState state, DisconnectMode mode) {
    switch (state) {
    case CallState::Idle:
        if (!client_ || !client_->hasCall()) return;
        addStatus(QStringLiteral("Idle"));
        client_->releaseCall();
        call_->setEnabled(true);
        hangup_->setEnabled(false);
        break;
    case CallState::Dialing: addStatus(QStringLiteral("Dialing")); break;
    case CallState::Busy: addStatus(QStringLiteral("Busy...")); break;
    case CallState::Connected:
        // The service names no application for the call.
        if (client_ && client_->hasCall()) addStatus(QStringLiteral("Connected: "));
        break;
    case CallState::Proceeding: addStatus(QStringLiteral("Proceeding...")); break;
    case CallState::Disconnected:
        addStatus(mode == DisconnectMode::Normal ? QStringLiteral("Disconnected: normal...")
                  : mode == DisconnectMode::Busy ? QStringLiteral("Busy...")
                                                 : QString());
        hangupClick();
        break;
    }
}

void TfrmTAPICall::shutdownService() {
    if (!client_) return;
    client_->shutdown();
    client_->deleteLater();
    client_ = nullptr;
}

void TfrmTAPICall::closeEvent(QCloseEvent* e) {
    shutdownService();
    QDialog::closeEvent(e);
}

}  // namespace brindle::address::ui

#include "envelopes/ui/TEnvelopeForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace brindle::envelopes::ui {

TEnvelopeForm::TEnvelopeForm(Job job, bool preview, QWidget* parent)
    : QDialog(parent), job_(std::move(job)), preview_(preview) {
    setWindowTitle(preview ? QStringLiteral("Preview Status") : QStringLiteral("Print Status"));
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setAlignment(Qt::AlignCenter);
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setMinimumSize(280, 80);
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);
    layout->addWidget(status_);
    button_ = new QPushButton(preview ? QStringLiteral("Stop") : QStringLiteral("Cancel"), this);
    button_->setObjectName(QStringLiteral("stopButton"));
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    connect(button_, &QPushButton::clicked, this, &TEnvelopeForm::buttonClick);
}

QString TEnvelopeForm::statusText() const { return status_->text(); }

void TEnvelopeForm::status(const QString& text) {
    // The engine's lines are separated by CR.
    status_->setText(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')).trimmed());
}

bool TEnvelopeForm::stopPressed() {
    QCoreApplication::processEvents();
    const bool pressed = stop_;
    stop_ = false;
    return pressed;
}

void TEnvelopeForm::buttonClick() {
    const QString caption = button_->text();
    if (caption.compare(QStringLiteral("Cancel"), Qt::CaseInsensitive) == 0 ||
        caption.compare(QStringLiteral("Stop"), Qt::CaseInsensitive) == 0) {
        stop_ = true;
        return;
    }
    accept();
}

void TEnvelopeForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    QTimer::singleShot(0, this, &TEnvelopeForm::run);
}

void TEnvelopeForm::run() {
    running_ = true;
    result_ = job_(*this);
    running_ = false;
    button_->setText(QStringLiteral("Ok"));
    if (!result_.finalStatus.isEmpty()) status(result_.finalStatus);
    accept();
}

void TEnvelopeForm::closeEvent(QCloseEvent* event) {
    // The close box while the job runs counts as the stop button.
    if (running_) {
        stop_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TEnvelopeForm::reject() {
    if (running_) {
        stop_ = true;
        return;
    }
    QDialog::reject();
}

}  // namespace brindle::envelopes::ui

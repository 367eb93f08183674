#include "labels/LabelPrintStatus.h"

#include "common/UserDialogs.h"

namespace brindle::labels {

namespace {
QString shown(QString text) { return text.replace(QLatin1Char('\r'), QLatin1Char('\n')); }
}  // namespace

LabelPrintStatus::LabelPrintStatus(bool preview, common::UserDialogs& dialogs) : preview_(preview), dialogs_(dialogs) {}

QString LabelPrintStatus::caption() const {
    return preview_ ? QStringLiteral("Preview Status") : QStringLiteral("Print Status ");
}

QString LabelPrintStatus::buttonCaption() const {
    if (over_) return QStringLiteral("Ok");
    return preview_ ? QStringLiteral("Stop") : QStringLiteral("Cancel");
}

QString LabelPrintStatus::cancelQuestion() { return QStringLiteral("Cancel Label Printing?"); }

void LabelPrintStatus::setStatus(const QString& text) {
    status_ = shown(text);
    notify();
}

bool LabelPrintStatus::buttonClicked() {
    if (over_) return true;
    if (preview_) stopped_ = true;
    else if (!cancelled_ && dialogs_.askYesNo(cancelQuestion(), QStringLiteral("Cancel")))
        cancelled_ = true;
    return false;
}

LabelProgress::Answer LabelPrintStatus::afterLabel() {
    dialogs_.processEvents();
    if (cancelled_) return Answer::Cancel;
    if (stopped_) return Answer::Stop;
    return Answer::Go;
}

void LabelPrintStatus::finish(const LabelResult& result, int page) {
    over_ = true;
    const QString pattern = endStatusPattern(result, preview_);
    closesItself_ = pattern.isEmpty();
    if (!closesItself_) status_ = shown(QString(pattern).replace(QStringLiteral("%p"), QString::number(page)));
    notify();
}

}  // namespace brindle::labels

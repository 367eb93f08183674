#pragma once
// The call window: places a voice call through the telephony service and
// lists what happens to it.
#include <QDBusConnection>
#include <QDialog>

#include "dialer/DialerTelephony.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace brindle::address::ui {

class TfrmTAPICall : public QDialog {
    Q_OBJECT
public:
    TfrmTAPICall(const QString& number, const QDBusConnection& bus, QWidget* parent = nullptr);
    ~TfrmTAPICall() override;

    QStringList statusLines() const;
    bool connected() const { return client_ != nullptr; }
    // Puts the number in and presses "Call" (done on the first activation).
    void firstActivation();
    void callClick();
    void hangupClick();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void addStatus(const QString& line);
    void onState(CallState state, DisconnectMode mode);
    void onReply(bool ok);
    void shutdownService();

    QString number_;
    TelephonyClient* client_ = nullptr;
    QLineEdit* numberEdit_;
    QListWidget* status_;
    QPushButton* call_;
    QPushButton* hangup_;
    QPushButton* close_;
    bool activated_ = false;
    bool noService_ = false;  // no telephony service answered on the bus
};

}  // namespace brindle::address::ui

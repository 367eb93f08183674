#pragma once
// "Dial Phone Number": adjusts the number and a prefix, then dials through a
// modem on a serial port or through the telephony service's call window.
// D-Bus stays behind this header: whoever opens the window needs no QtDBus.
#include <functional>
#include <memory>

#include "dialer/Dialer.h"
#include "dialer/DialerSettings.h"
#include "address/ui/DialogSupport.h"

class QCheckBox;
class QDBusConnection;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address::ui {

class TBRDialer : public HelpDialog {
    Q_OBJECT
public:
    TBRDialer(const QString& number, const QString& settingsPath, common::UserDialogs& dialogs,
              QWidget* parent = nullptr);
    ~TBRDialer() override;

    // Loads the settings into the controls (done on the first activation).
    void loadSettings();
    DialingSettings currentSettings() const;
    // Runs "Dial".
    void dialClick();
    bool dialling() const { return running_; }

    // For tests and special set-ups: the port used for direct dialling, the
    // wait after the init line, and the bus of the telephony service.
    void setPortFactory(std::function<std::unique_ptr<DialerPort>()> factory) { portFactory_ = std::move(factory); }
    void setWait(std::function<void(int)> wait) { wait_ = std::move(wait); }
    void setTelephonyBus(const QDBusConnection& bus);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

public slots:
    void reject() override;

private:
    void updatePanel();
    void dialDirect(const DialingSettings& s, const QString& number);

    QString settingsPath_;
    common::UserDialogs& dialogs_;
    QLineEdit* number_;
    QLineEdit* prefix_;
    QCheckBox* useTapi_;
    QWidget* directPanel_;
    QRadioButton* ports_[4];
    QRadioButton* methods_[2];
    QLineEdit* init_;
    QPushButton* dial_;
    QPushButton* help_;
    QToolButton* mouseHelp_;
    bool loaded_ = false;
    bool running_ = false;
    std::function<std::unique_ptr<DialerPort>()> portFactory_;
    std::function<void(int)> wait_;
    std::unique_ptr<QDBusConnection> bus_;
};

}  // namespace brindle::address::ui

#pragma once
// Voice calls through the desktop's telephony service over D-Bus: oFono's
// voice-call manager, or ModemManager's voice interface where oFono is absent.
// The client reports call states in the terms the call window shows.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QObject>
#include <QList>
#include <QString>
#include <functional>

namespace brindle::address {

// The bus of the telephony services: the system bus, or the one named by the
// environment variable BRINDLE_TELEPHONY_BUS ("session" or a bus address),
// for set-ups whose telephony service lives elsewhere.
QDBusConnection telephonyBus();

// "No telephony service (oFono or ModemManager) was found"
QString noTelephonyServiceText();

enum class CallState { Dialing, Proceeding, Connected, Busy, Disconnected, Idle };
enum class DisconnectMode { Normal, Busy, Other };

class TelephonyClient : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    enum class Backend { None, OFono, ModemManager };

    explicit TelephonyClient(const QDBusConnection& bus, QObject* parent = nullptr);
    ~TelephonyClient() override;

    // Looks for a modem that can place voice calls; false when no service or
    // no such modem answers.
    bool initialize();
    // Whether initialize() found a telephony service on the bus at all.
    bool serviceFound() const { return serviceFound_; }
    Backend backend() const { return backend_; }
    QString modemPath() const { return modem_; }
    bool hasCall() const { return !call_.isEmpty(); }

    // Sends the dial request; false when it cannot be sent. The answer
    // arrives as requestReplied().
    bool dial(const QString& number);
    // Ends the current call; false when there is none or the service refuses.
    bool hangup();
    // Forgets the call without asking the service.
    void releaseCall();
    // Hangs up any call and stops listening.
    void shutdown();

signals:
    void requestReplied(bool ok);
    void callStateChanged(brindle::address::CallState state, brindle::address::DisconnectMode mode);

private slots:
    void ofonoCallPropertyChanged(const QString& name, const QDBusVariant& value);
    void ofonoCallRemoved(const QDBusObjectPath& path);
    void ofonoDisconnectReason(const QString& reason);
    void mmStateChanged(int oldState, int newState, uint reason);

private:
    bool findOfonoModem();
    bool findModemManagerModem();
    void listen(bool on);
    // True when the signal being handled concerns the current call.
    bool forCurrentCall(std::function<void()> replay);
    void watchCall(const QString& path);
    void unwatchCall();
    void reportOfonoState(const QString& state);

    QDBusConnection bus_;
    Backend backend_ = Backend::None;
    bool serviceFound_ = false;
    QString service_;
    QString modem_;
    QString call_;
    QString disconnectReason_;
    bool ended_ = false;  // the service reported the current call disconnected
    bool awaitingCall_ = false;  // a dial request is waiting for its answer
    // Signals of calls that arrived before the dial request was answered;
    // the service may report the new call's first state before its path.
    struct Early {
        QString path;
        std::function<void()> replay;
    };
    QList<Early> early_;
};

}  // namespace brindle::address

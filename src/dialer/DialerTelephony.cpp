#include "dialer/DialerTelephony.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusVariant>
#include <QVariantMap>
#include <utility>

namespace brindle::address {

namespace {
const QString kOfono = QStringLiteral("org.ofono");
const QString kOfonoManager = QStringLiteral("org.ofono.Manager");
const QString kOfonoVcm = QStringLiteral("org.ofono.VoiceCallManager");
const QString kOfonoCall = QStringLiteral("org.ofono.VoiceCall");
const QString kMm = QStringLiteral("org.freedesktop.ModemManager1");
const QString kMmPath = QStringLiteral("/org/freedesktop/ModemManager1");
const QString kMmVoice = QStringLiteral("org.freedesktop.ModemManager1.Modem.Voice");
const QString kMmCall = QStringLiteral("org.freedesktop.ModemManager1.Call");
constexpr int kTimeoutMs = 3000;

// ModemManager's call states and reasons.
enum MmState { MmDialing = 1, MmRingingOut = 2, MmActive = 4, MmTerminated = 7 };
enum MmReason { MmReasonTerminated = 4, MmReasonRefusedOrBusy = 5 };

bool serviceRegistered(const QDBusConnection& bus, const QString& name) {
    if (!bus.isConnected() || !bus.interface()) return false;
    const QDBusReply<bool> r = bus.interface()->isServiceRegistered(name);
    return r.isValid() && r.value();
}
}  // namespace

QString noTelephonyServiceText() {
    return QStringLiteral("No telephony service (oFono or ModemManager) was found");
}

QDBusConnection telephonyBus() {
    const QString choice = qEnvironmentVariable("BRINDLE_TELEPHONY_BUS").trimmed();
    if (choice.isEmpty()) return QDBusConnection::systemBus();
    if (choice == QLatin1String("session")) return QDBusConnection::sessionBus();
    return QDBusConnection::connectToBus(choice, QStringLiteral("brindle-telephony"));
}

TelephonyClient::TelephonyClient(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {}

TelephonyClient::~TelephonyClient() { shutdown(); }

bool TelephonyClient::initialize() {
    backend_ = Backend::None;
    serviceFound_ = serviceRegistered(bus_, kOfono) || serviceRegistered(bus_, kMm);
    if (findOfonoModem()) backend_ = Backend::OFono;
    else if (findModemManagerModem()) backend_ = Backend::ModemManager;
    return backend_ != Backend::None;
}

bool TelephonyClient::findOfonoModem() {
    if (!serviceRegistered(bus_, kOfono)) return false;
    QDBusMessage m = QDBusMessage::createMethodCall(kOfono, QStringLiteral("/"), kOfonoManager, QStringLiteral("GetModems"));
    const QDBusMessage reply = bus_.call(m, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    // a(oa{sv}): each modem's path and properties; the first one offering voice calls is used.
    const QDBusArgument arg = reply.arguments().first().value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusObjectPath path;
        QVariantMap props;
        arg.beginStructure();
        arg >> path >> props;
        arg.endStructure();
        const QStringList ifaces = props.value(QStringLiteral("Interfaces")).toStringList();
        if (modem_.isEmpty() && ifaces.contains(kOfonoVcm)) modem_ = path.path();
    }
    arg.endArray();
    if (modem_.isEmpty()) return false;
    service_ = kOfono;
    backend_ = Backend::OFono;
    listen(true);
    return true;
}

bool TelephonyClient::findModemManagerModem() {
    if (!serviceRegistered(bus_, kMm)) return false;
    QDBusMessage m = QDBusMessage::createMethodCall(kMm, kMmPath, QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                    QStringLiteral("GetManagedObjects"));
    const QDBusMessage reply = bus_.call(m, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    // a{oa{sa{sv}}}: objects and their interfaces.
    const QDBusArgument arg = reply.arguments().first().value<QDBusArgument>();
    arg.beginMap();
    while (!arg.atEnd()) {
        QDBusObjectPath path;
        arg.beginMapEntry();
        arg >> path;
        arg.beginMap();
        while (!arg.atEnd()) {
            QString iface;
            QVariantMap props;
            arg.beginMapEntry();
            arg >> iface >> props;
            arg.endMapEntry();
            if (iface == kMmVoice && modem_.isEmpty()) modem_ = path.path();
        }
        arg.endMap();
        arg.endMapEntry();
    }
    arg.endMap();
    if (modem_.isEmpty()) return false;
    service_ = kMm;
    backend_ = Backend::ModemManager;
    listen(true);
    return true;
}

bool TelephonyClient::dial(const QString& number) {
    if (backend_ == Backend::None || !bus_.isConnected() || hasCall()) return false;
    QDBusMessage m;
    if (backend_ == Backend::OFono) {
        m = QDBusMessage::createMethodCall(service_, modem_, kOfonoVcm, QStringLiteral("Dial"));
        m << number << QString();  // default caller-id presentation
    } else {
        m = QDBusMessage::createMethodCall(service_, modem_, kMmVoice, QStringLiteral("CreateCall"));
        QVariantMap props;
        props.insert(QStringLiteral("number"), number);
        m << props;
    }
    awaitingCall_ = true;
    early_.clear();
    const QDBusPendingCall pending = bus_.asyncCall(m, kTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(pending, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (backend_ == Backend::None) return;  // shut down meanwhile
        if (reply.isError()) {
            awaitingCall_ = false;
            early_.clear();
            emit requestReplied(false);
            return;
        }
        const QString path = reply.value().path();
        if (backend_ == Backend::ModemManager) {
            // A created call starts only when asked to.
            QDBusMessage start = QDBusMessage::createMethodCall(service_, path, kMmCall, QStringLiteral("Start"));
            bus_.call(start, QDBus::NoBlock);
        }
        emit requestReplied(true);
        watchCall(path);
    });
    return true;
}

void TelephonyClient::listen(bool on) {
    // Every call of the service is heard; the slots keep to the current one.
    using Fn = bool (QDBusConnection::*)(const QString&, const QString&, const QString&, const QString&, QObject*,
                                         const char*);
    const Fn fn = on ? static_cast<Fn>(&QDBusConnection::connect) : static_cast<Fn>(&QDBusConnection::disconnect);
    if (backend_ == Backend::OFono) {
        (bus_.*fn)(service_, QString(), kOfonoCall, QStringLiteral("PropertyChanged"), this,
                   SLOT(ofonoCallPropertyChanged(QString, QDBusVariant)));
        (bus_.*fn)(service_, QString(), kOfonoCall, QStringLiteral("DisconnectReason"), this,
                   SLOT(ofonoDisconnectReason(QString)));
        (bus_.*fn)(service_, modem_, kOfonoVcm, QStringLiteral("CallRemoved"), this,
                   SLOT(ofonoCallRemoved(QDBusObjectPath)));
    } else if (backend_ == Backend::ModemManager) {
        (bus_.*fn)(service_, QString(), kMmCall, QStringLiteral("StateChanged"), this,
                   SLOT(mmStateChanged(int, int, uint)));
    }
}

void TelephonyClient::watchCall(const QString& path) {
    call_ = path;
    disconnectReason_.clear();
    ended_ = false;
    awaitingCall_ = false;
    const QList<Early> early = std::exchange(early_, {});
    for (const Early& e : early)
        if (e.path == path && call_ == path) e.replay();
}

void TelephonyClient::unwatchCall() {
    call_.clear();
    early_.clear();
}

bool TelephonyClient::hangup() {
    if (!hasCall() || !bus_.isConnected()) return false;
    if (ended_) return true;  // nothing left to drop
    const QString iface = backend_ == Backend::OFono ? kOfonoCall : kMmCall;
    QDBusMessage m = QDBusMessage::createMethodCall(service_, call_, iface, QStringLiteral("Hangup"));
    const QDBusMessage reply = bus_.call(m, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void TelephonyClient::releaseCall() {
    const QString path = call_;
    unwatchCall();
    if (backend_ == Backend::ModemManager && !path.isEmpty() && bus_.isConnected()) {
        QDBusMessage m = QDBusMessage::createMethodCall(service_, modem_, kMmVoice, QStringLiteral("DeleteCall"));
        m << QVariant::fromValue(QDBusObjectPath(path));
        bus_.call(m, QDBus::NoBlock);
    }
}

void TelephonyClient::shutdown() {
    if (hasCall()) {
        hangup();
        releaseCall();
    }
    listen(false);
    awaitingCall_ = false;
    early_.clear();
    backend_ = Backend::None;
    modem_.clear();
}

bool TelephonyClient::forCurrentCall(std::function<void()> replay) {
    // A replayed signal is not a D-Bus call and always concerns the current call.
    const QString path = calledFromDBus() ? message().path() : call_;
    if (!call_.isEmpty() && path == call_) return true;
    // The service may report a new call's first state before answering the
    // request with its path: such signals wait for the answer.
    if (awaitingCall_) early_.append({path, std::move(replay)});
    return false;
}

void TelephonyClient::ofonoCallPropertyChanged(const QString& name, const QDBusVariant& value) {
    const QString state = value.variant().toString();
    if (!forCurrentCall([this, name, state] { ofonoCallPropertyChanged(name, QDBusVariant(state)); })) return;
    if (name == QLatin1String("State")) reportOfonoState(state);
}

void TelephonyClient::ofonoDisconnectReason(const QString& reason) {
    if (!forCurrentCall([this, reason] { ofonoDisconnectReason(reason); })) return;
    disconnectReason_ = reason;
}

void TelephonyClient::reportOfonoState(const QString& state) {
    if (state == QLatin1String("dialing")) emit callStateChanged(CallState::Dialing, DisconnectMode::Normal);
    else if (state == QLatin1String("alerting")) emit callStateChanged(CallState::Proceeding, DisconnectMode::Normal);
    else if (state == QLatin1String("active")) emit callStateChanged(CallState::Connected, DisconnectMode::Normal);
    else if (state == QLatin1String("disconnected")) {
        ended_ = true;
        // A call ended by either side is a normal end; one ended by the network is not.
        const DisconnectMode mode = disconnectReason_.isEmpty() || disconnectReason_ == QLatin1String("local") ||
                                            disconnectReason_ == QLatin1String("remote")
                                        ? DisconnectMode::Normal
                                        : DisconnectMode::Other;
        emit callStateChanged(CallState::Disconnected, mode);
    }
}

void TelephonyClient::ofonoCallRemoved(const QDBusObjectPath& path) {
    if (path.path() != call_) return;
    emit callStateChanged(CallState::Idle, DisconnectMode::Normal);
}

void TelephonyClient::mmStateChanged(int oldState, int newState, uint reason) {
    if (!forCurrentCall([this, oldState, newState, reason] { mmStateChanged(oldState, newState, reason); })) return;
    switch (newState) {
    case MmDialing: emit callStateChanged(CallState::Dialing, DisconnectMode::Normal); break;
    case MmRingingOut: emit callStateChanged(CallState::Proceeding, DisconnectMode::Normal); break;
    case MmActive: emit callStateChanged(CallState::Connected, DisconnectMode::Normal); break;
    case MmTerminated: {
        ended_ = true;
        const DisconnectMode mode = reason == MmReasonRefusedOrBusy ? DisconnectMode::Busy
                                    : reason == MmReasonTerminated  ? DisconnectMode::Normal
                                                                    : DisconnectMode::Other;
        emit callStateChanged(CallState::Disconnected, mode);
        // ModemManager keeps a terminated call until it is deleted; the line is idle now.
        emit callStateChanged(CallState::Idle, DisconnectMode::Normal);
        break;
    }
    default: break;
    }
}

}  // namespace brindle::address

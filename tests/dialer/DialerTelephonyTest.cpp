// The call window against a mock telephony service on a private bus started
// by the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <functional>
#include <mutex>

#include "dialer/ui/TBRDialer.h"
#include "dialer/ui/TfrmTAPICall.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"

using namespace brindle;
using namespace brindle::address;

namespace {

struct ModemEntry {
    QDBusObjectPath path;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& a, const ModemEntry& m) {
    a.beginStructure();
    a << m.path << m.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, ModemEntry& m) {
    a.beginStructure();
    a >> m.path >> m.properties;
    a.endStructure();
    return a;
}

}  // namespace

Q_DECLARE_METATYPE(ModemEntry)
Q_DECLARE_METATYPE(QList<ModemEntry>)

namespace {

const QString kModem = QStringLiteral("/modem0");
const QString kCall = QStringLiteral("/modem0/voicecall01");

// A voice-call service with one modem; records the numbers dialled and the hang-ups.
class MockVoiceService : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        QDBusMessage reply;
        if (m.member() == QLatin1String("GetModems")) {
            ModemEntry e{QDBusObjectPath(kModem), {}};
            e.properties.insert(QStringLiteral("Interfaces"),
                                QStringList{QStringLiteral("org.ofono.VoiceCallManager")});
            reply = m.createReply(QVariant::fromValue(QList<ModemEntry>{e}));
        } else if (m.member() == QLatin1String("Dial") && m.path() == kModem) {
            {
                std::lock_guard<std::mutex> l(mutex);
                dialled << m.arguments().value(0).toString();
            }
            // Like a real service, the new call's first state may come before the answer.
            QDBusMessage s = QDBusMessage::createSignal(kCall, QStringLiteral("org.ofono.VoiceCall"),
                                                        QStringLiteral("PropertyChanged"));
            s << QStringLiteral("State") << QVariant::fromValue(QDBusVariant(QStringLiteral("dialing")));
            bus.send(s);
            reply = m.createReply(QVariant::fromValue(QDBusObjectPath(kCall)));
        } else if (m.member() == QLatin1String("Hangup") && m.path() == kCall) {
            std::lock_guard<std::mutex> l(mutex);
            ++hangups;
            reply = m.createReply();
        } else {
            reply = m.createErrorReply(QStringLiteral("org.ofono.Error.NotImplemented"), m.member());
        }
        bus.send(reply);
        return true;
    }
    QStringList numbers() {
        std::lock_guard<std::mutex> l(mutex);
        return dialled;
    }
    int hangupCount() {
        std::lock_guard<std::mutex> l(mutex);
        return hangups;
    }

private:
    std::mutex mutex;
    QStringList dialled;
    int hangups = 0;
};

using ManagedObjects = QMap<QDBusObjectPath, QMap<QString, QVariantMap>>;
const QString kMmModem = QStringLiteral("/org/freedesktop/ModemManager1/Modem/0");
const QString kMmCall = QStringLiteral("/org/freedesktop/ModemManager1/Call/1");

// The other telephony service: a modem with the voice interface, whose calls
// are created, then started.
class MockModemManager : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        QDBusMessage reply = m.createReply();
        std::lock_guard<std::mutex> l(mutex);
        if (m.member() == QLatin1String("GetManagedObjects")) {
            ManagedObjects objects;
            objects[QDBusObjectPath(kMmModem)][QStringLiteral("org.freedesktop.ModemManager1.Modem.Voice")] = {};
            reply = m.createReply(QVariant::fromValue(objects));
        } else if (m.member() == QLatin1String("CreateCall")) {
            const QVariantMap props = qdbus_cast<QVariantMap>(m.arguments().value(0));
            log << QStringLiteral("CreateCall ") + props.value(QStringLiteral("number")).toString();
            reply = m.createReply(QVariant::fromValue(QDBusObjectPath(kMmCall)));
        } else {
            log << m.member();
        }
        bus.send(reply);
        return true;
    }
    QStringList calls() {
        std::lock_guard<std::mutex> l(mutex);
        return log;
    }

private:
    std::mutex mutex;
    QStringList log;
};

// A private message bus for the lifetime of the object.
class PrivateBus {
public:
    PrivateBus() {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (exe.isEmpty()) return;
        QFile conf(dir_.filePath(QStringLiteral("bus.conf")));
        if (!conf.open(QIODevice::WriteOnly)) return;
        conf.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                                  "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                  "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                  "<auth>EXTERNAL</auth><policy context=\"default\">"
                                  "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                  "<allow own=\"*\"/></policy></busconfig>\n")
                       .arg(dir_.path())
                       .toUtf8());
        conf.close();
        daemon_.start(exe, {QStringLiteral("--config-file=") + conf.fileName(), QStringLiteral("--print-address=1"),
                            QStringLiteral("--nofork")});
        if (!daemon_.waitForStarted(3000)) return;
        QElapsedTimer t;
        t.start();
        while (!daemon_.canReadLine() && t.elapsed() < 5000) daemon_.waitForReadyRead(100);
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& n : names_) QDBusConnection::disconnectFromBus(n);
        if (daemon_.state() != QProcess::NotRunning) {
            daemon_.terminate();
            if (!daemon_.waitForFinished(2000)) daemon_.kill();
            daemon_.waitForFinished(1000);
        }
    }
    bool ok() const { return !address_.isEmpty(); }
    QDBusConnection connect(const QString& name) {
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

bool waitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// The mock service served from its own thread, so the window's blocking calls
// are answered while the test thread waits.
struct ServiceFixture {
    PrivateBus bus;
    QThread thread;
    MockVoiceService mock;
    QDBusConnection service{QString()};
    ServiceFixture() {
        if (!bus.ok()) return;
        qDBusRegisterMetaType<ModemEntry>();
        qDBusRegisterMetaType<QList<ModemEntry>>();
        service = bus.connect(QStringLiteral("brindle-test-service"));
        service.registerVirtualObject(QStringLiteral("/"), &mock, QDBusConnection::SubPath);
        mock.moveToThread(&thread);
        thread.start();
        service.registerService(QStringLiteral("org.ofono"));
    }
    ~ServiceFixture() {
        if (service.isConnected()) service.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        thread.quit();
        thread.wait();
    }
    void callState(const QString& state) {
        QDBusMessage s = QDBusMessage::createSignal(kCall, QStringLiteral("org.ofono.VoiceCall"),
                                                    QStringLiteral("PropertyChanged"));
        s << QStringLiteral("State") << QVariant::fromValue(QDBusVariant(state));
        service.send(s);
    }
    void callRemoved() {
        QDBusMessage s = QDBusMessage::createSignal(kModem, QStringLiteral("org.ofono.VoiceCallManager"),
                                                    QStringLiteral("CallRemoved"));
        s << QVariant::fromValue(QDBusObjectPath(kCall));
        service.send(s);
    }
};

#define REQUIRE_BUS(f)                                                                       \
    if (!(f).bus.ok()) GTEST_SKIP() << "dbus-daemon (Debian package dbus-daemon) is not available to start a private bus"

}  // namespace

TEST(DialerTelephony, CallStatesGiveTheStatusLines) {
    ServiceFixture f;
    REQUIRE_BUS(f);
    QDBusConnection client = f.bus.connect(QStringLiteral("brindle-test-client"));
    ui::TfrmTAPICall w(QStringLiteral("9555-0100"), client);
    EXPECT_TRUE(w.statusLines().isEmpty());
    auto* call = w.findChild<QPushButton*>(QStringLiteral("callButton"));
    auto* hangup = w.findChild<QPushButton*>(QStringLiteral("hangupButton"));
    w.firstActivation();
    ASSERT_TRUE(waitFor([&] { return w.statusLines().contains(QStringLiteral("TAPI started")); }));
    EXPECT_EQ(f.mock.numbers(), QStringList{QStringLiteral("9555-0100")});
    EXPECT_FALSE(call->isEnabled());
    EXPECT_TRUE(hangup->isEnabled());

    for (const char* s : {"alerting", "active", "disconnected"}) f.callState(QString::fromLatin1(s));
    f.callRemoved();
    ASSERT_TRUE(waitFor([&] { return w.statusLines().contains(QStringLiteral("Idle")); }));
    EXPECT_EQ(w.statusLines(), (QStringList{"TAPI started", "Dialing", "Proceeding...", "Connected: ",
                                            "Disconnected: normal...", "Idle"}));
    EXPECT_TRUE(call->isEnabled());
    EXPECT_FALSE(hangup->isEnabled());

    // A second call, then closing the window: the call is hung up and the
    // connection to the service ends.
    call->click();
    ASSERT_TRUE(waitFor([&] { return w.statusLines().size() == 2; }));
    EXPECT_EQ(w.statusLines(), (QStringList{"TAPI started", "Dialing"}));
    EXPECT_EQ(f.mock.numbers().size(), 2);
    w.close();
    EXPECT_FALSE(w.connected());
    EXPECT_TRUE(waitFor([&] { return f.mock.hangupCount() == 1; }));
}

TEST(DialerTelephony, DialerWindowOpensTheCallWindowWithPrefixAndNumber) {
    ServiceFixture f;
    REQUIRE_BUS(f);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("BRINDL.ini"));
    common::ProfileFile file(ini);
    file.writeBool(QStringLiteral("Dialing"), QStringLiteral("UseTAPI"), true);
    file.writeString(QStringLiteral("Dialing"), QStringLiteral("Prefix"), QStringLiteral("9"));
    common::ScriptedDialogs dialogs;
    ui::TBRDialer dlg(QStringLiteral("555-0100"), ini, dialogs);
    dlg.setTelephonyBus(f.bus.connect(QStringLiteral("brindle-test-dialer")));
    dlg.show();
    EXPECT_FALSE(dlg.findChild<QWidget*>(QStringLiteral("directPanel"))->isVisible());
    QStringList seen;
    // The call window runs modally; it is watched and closed from a timer.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* w = qobject_cast<ui::TfrmTAPICall*>(QApplication::activeModalWidget());
        if (!w) return;
        if (w->statusLines().contains(QStringLiteral("Dialing"))) {
            seen = w->statusLines();
            w->close();
        }
    });
    poll.start(20);
    QTimer::singleShot(5000, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    dlg.dialClick();
    EXPECT_EQ(seen, (QStringList{"TAPI started", "Dialing"}));
    EXPECT_EQ(f.mock.numbers(), QStringList{QStringLiteral("9555-0100")});
    EXPECT_TRUE(dlg.isVisible());
    dlg.close();
}

TEST(DialerTelephony, NoServiceIsNamedAsSuch) {
    PrivateBus bus;
    if (!bus.ok()) GTEST_SKIP() << "dbus-daemon (Debian package dbus-daemon) is not available to start a private bus";
    const QString none = QStringLiteral("No telephony service (oFono or ModemManager) was found");
    EXPECT_EQ(noTelephonyServiceText(), none);
    ui::TfrmTAPICall w(QStringLiteral("9555-0100"), bus.connect(QStringLiteral("brindle-test-empty")));
    EXPECT_EQ(w.statusLines(), QStringList{QStringLiteral("Error!! - ") + none});
    EXPECT_FALSE(w.connected());
    // "Call" says why no call can be placed, not that something unknown failed.
    w.firstActivation();
    EXPECT_EQ(w.statusLines(), QStringList{QStringLiteral("* ") + none});
}

TEST(DialerTelephony, ServiceWithoutVoiceModemMeansNoDevices) {
    PrivateBus bus;
    if (!bus.ok()) GTEST_SKIP() << "dbus-daemon (Debian package dbus-daemon) is not available to start a private bus";
    // A service that answers but has no modem for voice calls.
    QDBusConnection service = bus.connect(QStringLiteral("brindle-test-nomodem"));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.ofono")));
    ui::TfrmTAPICall w(QStringLiteral("9555-0100"), bus.connect(QStringLiteral("brindle-test-nomodem-client")));
    EXPECT_EQ(w.statusLines(), QStringList{QStringLiteral("Error!! - No TAPI devices found")});
    w.firstActivation();
    EXPECT_EQ(w.statusLines(),
              (QStringList{QStringLiteral("* Unknown Error calling number"), QStringLiteral("* Is the line busy?")}));
}

TEST(DialerTelephony, ModemManagerIsUsedWithoutOfono) {
    PrivateBus bus;
    if (!bus.ok()) GTEST_SKIP() << "dbus-daemon (Debian package dbus-daemon) is not available to start a private bus";
    qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
    qDBusRegisterMetaType<ManagedObjects>();
    MockModemManager mock;
    QThread thread;
    QDBusConnection service = bus.connect(QStringLiteral("brindle-test-mm"));
    service.registerVirtualObject(QStringLiteral("/org/freedesktop/ModemManager1"), &mock, QDBusConnection::SubPath);
    mock.moveToThread(&thread);
    thread.start();
    service.registerService(QStringLiteral("org.freedesktop.ModemManager1"));
    {
        ui::TfrmTAPICall w(QStringLiteral("9555-0100"), bus.connect(QStringLiteral("brindle-test-mm-client")));
        w.firstActivation();
        ASSERT_TRUE(waitFor([&] { return w.statusLines().contains(QStringLiteral("TAPI started")); }));
        EXPECT_TRUE(waitFor([&] { return mock.calls().size() == 2; }));
        EXPECT_EQ(mock.calls(), (QStringList{"CreateCall 9555-0100", "Start"}));
        auto state = [&](int from, int to, uint reason) {
            QDBusMessage s = QDBusMessage::createSignal(kMmCall, QStringLiteral("org.freedesktop.ModemManager1.Call"),
                                                        QStringLiteral("StateChanged"));
            s << from << to << reason;
            service.send(s);
        };
        state(0, 1, 1);
        state(1, 2, 1);
        state(2, 7, 5);  // refused or busy
        ASSERT_TRUE(waitFor([&] { return w.statusLines().contains(QStringLiteral("Idle")); }));
        EXPECT_EQ(w.statusLines(), (QStringList{"TAPI started", "Dialing", "Proceeding...", "Busy...", "Idle"}));
        EXPECT_TRUE(waitFor([&] { return mock.calls().contains(QStringLiteral("DeleteCall")); }));
        EXPECT_FALSE(mock.calls().contains(QStringLiteral("Hangup")));
    }
    service.unregisterObject(QStringLiteral("/org/freedesktop/ModemManager1"), QDBusConnection::UnregisterTree);
    thread.quit();
    thread.wait();
}

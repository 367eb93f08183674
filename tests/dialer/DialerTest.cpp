// Direct dialling: the bytes a modem receives, through a pseudo-terminal
// standing in for the serial device, and the dialer window's settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "address/AddressTestSupport.h"
#include "dialer/Dialer.h"
#include "dialer/DialerSerialPort.h"
#include "dialer/DialerSettings.h"
#include "address/ui/TAddressMain.h"
#include "dialer/ui/DialerCommands.h"
#include "dialer/ui/TBRDialer.h"
#include "dialer/ui/TfrmTAPICall.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"

using namespace brindle;
using namespace brindle::address;
using brindle::common::ScriptedDialogs;

namespace {

using Clock = std::chrono::steady_clock;

// The modem's side of a pseudo-terminal: records every byte with the time it arrived.
class FakeModem {
public:
    FakeModem() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        device_ = QString::fromLocal8Bit(::ptsname(master_));
        // Keep the slave side alive between opens so reads never see a hang-up.
        keeper_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        ::tcgetattr(keeper_, &t);
        ::cfmakeraw(&t);
        t.c_oflag |= OPOST | ONLCR;  // the dialer must turn output processing off itself
        ::tcsetattr(keeper_, TCSANOW, &t);
        reader_ = std::thread([this] { run(); });
    }
    ~FakeModem() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (keeper_ >= 0) ::close(keeper_);
        if (master_ >= 0) ::close(master_);
    }
    bool ok() const { return !device_.isEmpty() && keeper_ >= 0; }
    QString device() const { return device_; }
    int slave() const { return keeper_; }
    QByteArray bytes() {
        std::lock_guard<std::mutex> l(m_);
        return data_;
    }
    // When the byte at `offset` arrived.
    Clock::time_point timeOf(qsizetype offset) {
        std::lock_guard<std::mutex> l(m_);
        return times_.at(offset);
    }
    bool waitForBytes(qsizetype n, int ms = 2000) {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < until) {
            if (bytes().size() >= n) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return bytes().size() >= n;
    }

private:
    void run() {
        char buf[256];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN)) continue;
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) continue;
            std::lock_guard<std::mutex> l(m_);
            const auto now = Clock::now();
            for (ssize_t i = 0; i < n; ++i) {
                data_.append(buf[i]);
                times_.push_back(now);
            }
        }
    }
    int master_ = -1;
    int keeper_ = -1;
    QString device_;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    QByteArray data_;
    std::vector<Clock::time_point> times_;
};

// Records what the modem had received when "Pick up phone" was shown.
struct ModemDialogs : ScriptedDialogs {
    FakeModem* modem = nullptr;
    QByteArray atPickUp;
    Clock::time_point pickUpTime;
    void showInfo(const QString& message, const QString& caption) override {
        ScriptedDialogs::showInfo(message, caption);
        if (message == QLatin1String("Pick up phone") && modem) {
            // Give a stray ATH time to show up before looking.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            atPickUp = modem->bytes();
            pickUpTime = Clock::now();
        }
    }
};

long long msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count();
}

}  // namespace

TEST(Dialer, CommandsStripControlCharactersAndAddAt) {
    EXPECT_EQ(stripControlCharacters(QStringLiteral("9\r\n555\x01-01\x7f" "00\t")), QStringLiteral("9555-0100"));
    EXPECT_EQ(stripControlCharacters(QStringLiteral("*70, 555 #")), QStringLiteral("*70, 555 #"));
    EXPECT_EQ(initCommand(QString()), QByteArray());
    EXPECT_EQ(initCommand(QStringLiteral("\r\n")), QByteArray());
    EXPECT_EQ(initCommand(QStringLiteral("z")), QByteArray("ATz\r\n"));
    EXPECT_EQ(initCommand(QStringLiteral("at&f")), QByteArray("at&f\r\n"));
    EXPECT_EQ(initCommand(QStringLiteral("AT&F\rATH")), QByteArray("AT&FATH\r\n"));
    EXPECT_EQ(dialCommand(QStringLiteral("9555-0100"), DialMethod::Pulse), QByteArray("ATDP9555-0100\r\n"));
    EXPECT_EQ(dialCommand(QStringLiteral("555\r\nATH"), DialMethod::Tone), QByteArray("ATDT555ATH\r\n"));
}

TEST(Dialer, SettingsRoundTripAndOutOfRangeFallBack) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("BRINDL.ini"));
    common::ProfileFile file(ini);
    DialingSettings s;
    s.prefix = QStringLiteral("9");
    s.init = QStringLiteral("AT&F");
    s.port = 3;
    s.method = 1;
    s.useTapi = true;
    s.save(file);
    const DialingSettings r = DialingSettings::load(file);
    EXPECT_EQ(r.prefix, s.prefix);
    EXPECT_EQ(r.init, s.init);
    EXPECT_EQ(r.port, 3);
    EXPECT_EQ(r.method, 1);
    EXPECT_TRUE(r.useTapi);

    file.writeInt(QStringLiteral("Dialing"), QStringLiteral("Port"), 7);
    file.writeInt(QStringLiteral("Dialing"), QStringLiteral("Method"), -1);
    EXPECT_EQ(DialingSettings::load(file).port, 0);
    EXPECT_EQ(DialingSettings::load(file).method, 0);
    file.writeString(QStringLiteral("Dialing"), QStringLiteral("Port"), QStringLiteral("two"));
    EXPECT_EQ(DialingSettings::load(file).port, 0);

    EXPECT_EQ(portName(1), QStringLiteral("COM2"));
    EXPECT_EQ(portDevice(file, 1), QStringLiteral("/dev/ttyS1"));
    file.writeString(QStringLiteral("Dialing"), QStringLiteral("COM2"), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(portDevice(file, 1), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(portDevice(file, 0), QStringLiteral("/dev/ttyS0"));
}

// The window dials prefix and number with tone and "z", waits 1.5 s after the
// init line while refusing to dial again or close, and hangs up only after
// "Pick up phone" is answered.
TEST(Dialer, WindowDialsToneThroughPseudoTerminal) {
    FakeModem modem;
    ASSERT_TRUE(modem.ok());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("BRINDL.ini"));
    common::ProfileFile file(ini);
    file.writeString(QStringLiteral("Dialing"), QStringLiteral("COM3"), modem.device());
    file.writeInt(QStringLiteral("Dialing"), QStringLiteral("Port"), 2);
    file.writeString(QStringLiteral("Dialing"), QStringLiteral("Prefix"), QStringLiteral("9"));
    file.writeString(QStringLiteral("Dialing"), QStringLiteral("Init"), QStringLiteral("z"));

    ModemDialogs dialogs;
    dialogs.modem = &modem;
    address::ui::TBRDialer dlg(QStringLiteral("555-0100"), ini, dialogs);
    dlg.show();
    auto* dial = dlg.findChild<QPushButton*>(QStringLiteral("dialButton"));
    ASSERT_TRUE(dial);
    EXPECT_TRUE(dlg.findChild<QWidget*>(QStringLiteral("directPanel"))->isVisible());
    bool checkedDuringWait = false;
    dlg.setWait([&](int ms) {
        EXPECT_EQ(ms, 1500);
        EXPECT_TRUE(dlg.dialling());
        EXPECT_FALSE(dial->isEnabled());
        EXPECT_FALSE(dlg.close());
        dlg.reject();
        EXPECT_TRUE(dlg.isVisible());
        checkedDuringWait = true;
        waitProcessingEvents(ms);
    });
    dlg.dialClick();
    EXPECT_TRUE(checkedDuringWait);
    EXPECT_TRUE(dial->isEnabled());
    EXPECT_FALSE(dlg.findChild<QPushButton*>(QStringLiteral("helpButton"))->isVisible());

    const QByteArray init = "ATz\r\n";
    const QByteArray cmd = "ATDT9555-0100\r\n";
    const QByteArray all = init + cmd + "ATH\r\n";
    ASSERT_TRUE(modem.waitForBytes(all.size()));
    EXPECT_EQ(modem.bytes(), all);
    EXPECT_EQ(dialogs.atPickUp, init + cmd);
    EXPECT_GE(msBetween(modem.timeOf(0), modem.timeOf(init.size())), 1480);
    EXPECT_GE(msBetween(dialogs.pickUpTime, modem.timeOf(init.size() + cmd.size())), 0);
    EXPECT_TRUE(dialogs.texts(ScriptedDialogs::Kind::Error).isEmpty());
    // The settings were saved on "Dial".
    EXPECT_EQ(file.readInt(QStringLiteral("Dialing"), QStringLiteral("Port"), -1), 2);
    EXPECT_EQ(file.readString(QStringLiteral("Dialing"), QStringLiteral("Init")), QStringLiteral("z"));
    dlg.close();
}

TEST(Dialer, PulseWithAtInitIsSentUnchanged) {
    FakeModem modem;
    ASSERT_TRUE(modem.ok());
    ModemDialogs dialogs;
    dialogs.modem = &modem;
    SerialDialerPort port;
    DialRequest r{QStringLiteral("9555-0100"), QStringLiteral("AT&F"), DialMethod::Pulse, QStringLiteral("COM1"),
                  modem.device()};
    EXPECT_EQ(dialNumber(r, port, dialogs, waitProcessingEvents), DialOutcome::Dialed);
    const QByteArray init = "AT&F\r\n";
    const QByteArray all = init + "ATDP9555-0100\r\nATH\r\n";
    ASSERT_TRUE(modem.waitForBytes(all.size()));
    EXPECT_EQ(modem.bytes(), all);
    EXPECT_EQ(dialogs.atPickUp, init + "ATDP9555-0100\r\n");
    EXPECT_GE(msBetween(modem.timeOf(0), modem.timeOf(init.size())), 1480);
    EXPECT_FALSE(port.isOpen());
}

TEST(Dialer, LineBreaksInTheNumberSendNoExtraCommand) {
    FakeModem modem;
    ASSERT_TRUE(modem.ok());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("BRINDL.ini"));
    common::ProfileFile(ini).writeString(QStringLiteral("Dialing"), QStringLiteral("COM1"), modem.device());
    ScriptedDialogs dialogs;
    address::ui::TBRDialer dlg(QStringLiteral("555\r\nATZ\r\n0100"), ini, dialogs);
    dlg.loadSettings();
    dlg.dialClick();
    const QByteArray all = "ATDT555ATZ0100\r\nATH\r\n";
    ASSERT_TRUE(modem.waitForBytes(all.size()));
    EXPECT_EQ(modem.bytes(), all);
}

TEST(Dialer, MissingDeviceGivesUnableToOpenAndCreatesNothing) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("BRINDL.ini"));
    const QString missing = dir.filePath(QStringLiteral("ttyMissing"));
    common::ProfileFile file(ini);
    file.writeString(QStringLiteral("Dialing"), QStringLiteral("COM2"), missing);
    file.writeInt(QStringLiteral("Dialing"), QStringLiteral("Port"), 1);
    ScriptedDialogs dialogs;
    address::ui::TBRDialer dlg(QStringLiteral("555-0100"), ini, dialogs);
    dlg.loadSettings();
    dlg.dialClick();
    // The message names the device and the system's reason.
    EXPECT_EQ(dialogs.texts(ScriptedDialogs::Kind::Error),
              QStringList{QStringLiteral("Unable to open COM2 (") + missing + QStringLiteral(": ") +
                          qt_error_string(ENOENT) + QStringLiteral(")")});
    EXPECT_TRUE(dialogs.infos().isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(dlg.dialling());
}

TEST(Dialer, PortChoicesShowTheirDevices) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("BRINDL.ini"));
    common::ProfileFile(ini).writeString(QStringLiteral("Dialing"), QStringLiteral("COM3"), QStringLiteral("/dev/ttyUSB0"));
    ScriptedDialogs dialogs;
    address::ui::TBRDialer dlg(QStringLiteral("555-0100"), ini, dialogs);
    const QStringList expected = {"COM 1 (/dev/ttyS0)", "COM 2 (/dev/ttyS1)", "COM 3 (/dev/ttyUSB0)", "COM 4 (/dev/ttyS3)"};
    for (int i = 0; i < 4; ++i) {
        auto* b = dlg.findChild<QAbstractButton*>(QStringLiteral("port%1").arg(i + 1));
        ASSERT_TRUE(b);
        EXPECT_EQ(b->text(), expected[i]);
    }
}

// A device another program holds is reported as in use.
TEST(Dialer, DeviceInUseIsNamedAsSuch) {
    FakeModem modem;
    ASSERT_TRUE(modem.ok());
    SerialDialerPort holder;
    ASSERT_TRUE(holder.open(modem.device()));
    ScriptedDialogs dialogs;
    SerialDialerPort port;
    DialRequest r{QStringLiteral("555-0100"), QString(), DialMethod::Tone, QStringLiteral("COM1"), modem.device()};
    EXPECT_EQ(dialNumber(r, port, dialogs, {}), DialOutcome::OpenFailed);
    ASSERT_EQ(dialogs.texts(ScriptedDialogs::Kind::Error).size(), 1);
    EXPECT_EQ(dialogs.texts(ScriptedDialogs::Kind::Error).first(),
              QStringLiteral("Unable to open COM1 (") + modem.device() + QStringLiteral(": in use by another program)"));
}

// A device that takes no bytes (output stopped) fails within the bound and
// leaves the device free again; a device in use cannot be opened twice.
TEST(Dialer, StalledDeviceFailsInTimeAndIsReleased) {
    FakeModem modem;
    ASSERT_TRUE(modem.ok());
    ASSERT_EQ(::tcflow(modem.slave(), TCOOFF), 0);
    ScriptedDialogs dialogs;
    SerialDialerPort port(300);
    DialRequest r{QStringLiteral("555-0100"), QString(), DialMethod::Tone, QStringLiteral("COM1"), modem.device()};
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(dialNumber(r, port, dialogs, waitProcessingEvents), DialOutcome::WriteFailed);
    EXPECT_LT(t.elapsed(), 1500);
    EXPECT_EQ(dialogs.texts(ScriptedDialogs::Kind::Error), QStringList{QStringLiteral("Unable to dial number")});
    EXPECT_TRUE(dialogs.infos().isEmpty());
    EXPECT_FALSE(port.isOpen());
    ::tcflow(modem.slave(), TCOON);

    SerialDialerPort first, second;
    ASSERT_TRUE(first.open(modem.device()));
    EXPECT_FALSE(second.open(modem.device()));
    first.close();
    EXPECT_TRUE(second.open(modem.device()));
}

TEST(Dialer, CallWindowLimitsTypingButKeepsAGivenNumber) {
    const QString longNumber = QStringLiteral("1234567890123456789012345678901234");  // 34
    address::ui::TfrmTAPICall w(longNumber, QDBusConnection(QStringLiteral("brindle-no-bus")));
    EXPECT_EQ(w.statusLines(), QStringList{QStringLiteral("Error!! - ") + address::noTelephonyServiceText()});
    w.firstActivation();
    auto* edit = w.findChild<QLineEdit*>(QStringLiteral("numberToCall"));
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->text(), longNumber);
    auto type = [&](QChar c) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    };
    edit->setFocus();
    edit->end(false);
    type(QLatin1Char('5'));
    EXPECT_EQ(edit->text(), longNumber);
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(edit, &backspace);
    EXPECT_EQ(edit->text().size(), 33);
    edit->clear();
    for (int i = 0; i < 35; ++i) type(QLatin1Char('7'));
    EXPECT_EQ(edit->text(), QString(30, QLatin1Char('7')));
}

TEST(Dialer, MainWindowButtonsOpenTheDialerWithTheRecordsNumber) {
    addrtest::ProgramHome home;
    addrtest::makeAddressFile(home.data("ADD0001.DBF"), {{"Baker", "Bob", "Zurich"}});
    {
        auto t = store::Table::open(home.data("ADD0001.DBF").toStdString());
        ASSERT_TRUE(t->go(1));
        t->edit();
        t->setString("PHONE2", "555-0199");
        t->post();
    }
    ScriptedDialogs dialogs;
    {
        // Without the dialer's work attached the buttons stay disabled.
        address::ui::TAddressMain bare(dialogs);
        bare.setGettingStartedAllowed(false);
        bare.firstActivation();
        EXPECT_FALSE(bare.button(QStringLiteral("dial2"))->isEnabled());
    }
    commands::CommandRegistry rows = commands::mainWindowCommands();
    address::ui::attachDialerCommands(rows);
    address::ui::TAddressMain w(dialogs, std::move(rows));
    w.setGettingStartedAllowed(false);
    w.firstActivation();
    QPushButton* dial2 = w.button(QStringLiteral("dial2"));
    ASSERT_TRUE(dial2);
    EXPECT_TRUE(dial2->isEnabled());
    QString seen;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<address::ui::TBRDialer*>(QApplication::activeModalWidget());
        if (!d) return;
        seen = d->windowTitle() + QLatin1Char('|') + d->findChild<QLineEdit*>(QStringLiteral("numberToDial"))->text();
        d->reject();
    });
    QTimer::singleShot(3000, [] {
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    dial2->click();
    EXPECT_EQ(seen, QStringLiteral("Dial Phone Number|555-0199"));
}

#include "dialer/Dialer.h"

#include <QEventLoop>
#include <QTimer>

#include "common/UserDialogs.h"

namespace brindle::address {

QString stripControlCharacters(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() >= 32 && c.unicode() != 127) out.append(c);
    return out;
}

QByteArray initCommand(const QString& init) {
    QString s = stripControlCharacters(init);
    if (s.isEmpty()) return {};
    if (s.left(2).toUpper() != QLatin1String("AT")) s.prepend(QStringLiteral("AT"));
    return s.toLatin1() + "\r\n";
}

QByteArray dialCommand(const QString& number, DialMethod method) {
    QByteArray cmd = method == DialMethod::Pulse ? QByteArray("ATDP") : QByteArray("ATDT");
    return cmd + stripControlCharacters(number).toLatin1() + "\r\n";
}

QString unableToOpenPortMessage(const QString& portName, const QString& device, const QString& reason) {
    return QStringLiteral("Unable to open ") + portName + QStringLiteral(" (") + device +
           (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason) + QStringLiteral(")");
}

DialOutcome dialNumber(const DialRequest& request, DialerPort& port, common::UserDialogs& dialogs,
                       const std::function<void(int ms)>& wait) {
    if (!port.open(request.device)) {
        dialogs.showError(unableToOpenPortMessage(request.portName, request.device, port.errorString()));
        return DialOutcome::OpenFailed;
    }
    // The port is closed on every path, including a failed write.
    struct Closer {
        DialerPort& p;
        ~Closer() { p.close(); }
    } closer{port};

    auto fail = [&] {
        dialogs.showError(QStringLiteral("Unable to dial number"));
        return DialOutcome::WriteFailed;
    };
    const QByteArray init = initCommand(request.init);
    if (!init.isEmpty()) {
        if (!port.write(init)) return fail();
        if (wait) wait(1500);
    }
    if (!port.write(dialCommand(request.number, request.method))) return fail();
    dialogs.showInfo(QStringLiteral("Pick up phone"));
    // Hanging up hands the line over to the lifted handset.
    if (!port.write(QByteArrayLiteral("ATH\r\n"))) return fail();
    return DialOutcome::Dialed;
}

void waitProcessingEvents(int ms) {
    QEventLoop loop;
    // A precise timer: a coarse one may end the wait a little early.
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace brindle::address

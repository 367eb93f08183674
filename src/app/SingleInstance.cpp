#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <unistd.h>

namespace brindle::app {
namespace {
// Requests are one line: "activate", or "open " followed by the file's path
// in UTF-8 percent-encoding (so a name with a line break stays one line).
const QByteArray kActivate = QByteArrayLiteral("activate\n");
const QByteArray kOpen = QByteArrayLiteral("open ");
const QByteArray kAck = QByteArrayLiteral("ok\n");
}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                // A request may arrive in pieces: wait for its line end.
                QByteArray& pending = pending_[s];
                pending += s->readAll();
                if (pending.size() > 64 * 1024) pending.clear();  // not one of ours
                const qsizetype end = pending.indexOf('\n');
                if (end < 0) return;
                const QByteArray line = pending.left(end);
                pending_.remove(s);
                QString path;
                if (line.startsWith(kOpen)) path = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(kOpen.size())));
                else if (line != kActivate.trimmed()) return;
                s->write(kAck);
                s->flush();
                emit activationRequested();
                if (!path.isEmpty()) emit openRequested(path);
            });
            connect(s, &QObject::destroyed, this, [this, s] { pending_.remove(s); });
        }
    });
}

SingleInstance::~SingleInstance() { server_.close(); }

QString SingleInstance::serverName(const QString& programDir) {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = QString::number(::getuid());
    const QByteArray digest =
        QCryptographicHash::hash(programDir.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("brindle-") + user + QLatin1Char('-') + QString::fromLatin1(digest);
}

bool SingleInstance::notifyRunning(const QString& openPath, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(openPath.isEmpty() ? kActivate : kOpen + openPath.toUtf8().toPercentEncoding() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // The answer tells that a live program took the request.
    while (socket.bytesAvailable() < kAck.size()) {
        if (!socket.waitForReadyRead(timeoutMs)) break;
    }
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(name_)) return true;
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

}  // namespace brindle::app

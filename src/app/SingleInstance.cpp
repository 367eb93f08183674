#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <unistd.h>

namespace brindle::app {
namespace {
const QByteArray kActivate = QByteArrayLiteral("activate\n");
const QByteArray kAck = QByteArrayLiteral("ok\n");
}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->readAll().contains("activate")) return;
                s->write(kAck);
                s->flush();
                emit activationRequested();
            });
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

bool SingleInstance::notifyRunning(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kActivate);
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

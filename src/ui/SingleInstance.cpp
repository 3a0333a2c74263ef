#include "ui/SingleInstance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace velmora {

namespace {

constexpr char kRaiseMessage[] = "raise\n";

QString DefaultKey() {
    return QStringLiteral("velmora-%1").arg(static_cast<qulonglong>(::getuid()));
}

QString LockFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder;
}

}  // namespace

SingleInstance::SingleInstance(QString key, QObject* parent)
    : QObject(parent), serverName_(key.isEmpty() ? DefaultKey() : std::move(key)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Claim(int waitMs) {
    lock_ = std::make_unique<QLockFile>(QDir(LockFolder()).filePath(serverName_ + QStringLiteral(".lock")));
    // A lock whose owner process is gone is stale and taken over at once.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        // Another copy holds the lock; it may still be starting, so keep
        // asking for a while. If it never answers, it is hung or gone:
        // this copy does not start a second one either way.
        AskFirstToRaise(waitMs);
        return false;
    }
    // A socket left by a copy that crashed would make listen fail.
    QLocalServer::removeServer(serverName_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName_)) {
        // Still the only copy (the lock says so); later copies just cannot
        // reach it. Nothing else to do.
        return true;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                const QByteArray message = socket->readAll();
                if (message.contains("raise")) emit raiseRequested();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::AskFirstToRaise(int waitMs) {
    const QDeadlineTimer deadline(waitMs);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(500)) {
            socket.write(kRaiseMessage);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        if (deadline.hasExpired()) return false;
        QThread::msleep(100);
    }
}

}  // namespace velmora

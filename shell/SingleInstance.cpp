#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

TSingleInstance::TSingleInstance(const QString& storePath, QObject* parent) : QObject(parent)
{
    const QString absolute = QDir::cleanPath(QFileInfo(storePath).absoluteFilePath());
    const QByteArray key = QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1);
    FName = QStringLiteral("zufusen-") + QString::fromLatin1(key.toHex().left(16));
    FLock = std::make_unique<QLockFile>(absolute + QStringLiteral(".lock"));
    FLock->setStaleLockTime(0);
    connect(&FServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = FServer.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("show"))
                    Q_EMIT ShowRequested();
                socket->write("ok");
                socket->flush();
            });
        }
    });
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::Claim()
{
    // A folder that takes no new file (read-only, or another user's) cannot hold the lock
    // beside the store; the temporary folder then keeps at least this user's copies apart.
    if (!FLock->tryLock(0) && FLock->error() != QLockFile::LockFailedError) {
        FLock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(FName + QStringLiteral(".lock")));
        FLock->setStaleLockTime(0);
        FLock->tryLock(0);
    }
    if (FLock->isLocked()) {
        // A crashed copy may have left its socket behind.
        QLocalServer::removeServer(FName);
        FServer.listen(FName);
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(FName);
    if (socket.waitForConnected(2000)) {
        socket.write("show\n");
        socket.flush();
        FAnswered = socket.waitForReadyRead(2000) && socket.readAll().contains("ok");
    }
    return false;
}

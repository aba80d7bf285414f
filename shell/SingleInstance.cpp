#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

TSingleInstance::TSingleInstance(const QString& programFolder, QObject* parent) : QObject(parent)
{
    const QByteArray key = QCryptographicHash::hash(QDir::cleanPath(programFolder).toUtf8(), QCryptographicHash::Sha1);
    FName = QStringLiteral("zufusen-") + QString::fromLatin1(key.toHex().left(16));
    FLock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(FName + QStringLiteral(".lock")));
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
    if (FLock->tryLock(0)) {
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

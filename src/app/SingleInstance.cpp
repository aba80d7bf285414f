#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

SingleInstance::SingleInstance(const QString& storePath, QObject* parent) : QObject(parent)
{
    const QString absolute = QDir::cleanPath(QFileInfo(storePath).absoluteFilePath());
    const QByteArray key = QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1);
    m_name = QStringLiteral("zufusen-") + QString::fromLatin1(key.toHex().left(16));
    m_lock = std::make_unique<QLockFile>(absolute + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("show"))
                    Q_EMIT showRequested();
                socket->write("ok");
                socket->flush();
            });
        }
    });
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    // A folder that takes no new file (read-only, or another user's) cannot hold the lock
    // beside the store; the temporary folder then keeps at least this user's copies apart.
    if (!m_lock->tryLock(0) && m_lock->error() != QLockFile::LockFailedError) {
        m_lock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(m_name + QStringLiteral(".lock")));
        m_lock->setStaleLockTime(0);
        m_lock->tryLock(0);
    }
    if (m_lock->isLocked()) {
        // A crashed copy may have left its socket behind.
        QLocalServer::removeServer(m_name);
        m_server.listen(m_name);
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(2000)) {
        socket.write("show\n");
        socket.flush();
        m_answered = socket.waitForReadyRead(2000) && socket.readAll().contains("ok");
    }
    return false;
}

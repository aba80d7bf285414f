// The channel over Qt's local sockets (a named pipe on Windows).
#include "platform/InstanceChannel.h"

#include <QLocalServer>
#include <QLocalSocket>

struct InstanceListener::Private {
    QLocalServer server;
};

InstanceListener::InstanceListener(QObject* parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&d->server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = d->server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                const bool show = socket->readAll().contains("show");
                socket->write("ok");
                socket->flush();
                if (show)
                    Q_EMIT showRequested();
            });
        }
    });
}

InstanceListener::~InstanceListener() = default;

bool InstanceListener::listen(const QString& name)
{
    // A killed copy may have left its socket behind.
    QLocalServer::removeServer(name);
    return d->server.listen(name);
}

bool askToShow(const QString& name, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write("show\n");
    socket.flush();
    return socket.waitForReadyRead(timeoutMs) && socket.readAll().contains("ok");
}

// The channel over a Unix domain socket, with no more than the system's calls: Qt Network, which
// offers the same, would load Kerberos and proxy libraries into every start for this alone.
#include "platform/InstanceChannel.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace {

// A name without a folder lives in the temporary folder, as Qt's local sockets put it.
QByteArray socketPath(const QString& name)
{
    return QFile::encodeName(QDir::isAbsolutePath(name) ? name : QDir(QDir::tempPath()).filePath(name));
}

bool addressOf(const QString& name, sockaddr_un& address)
{
    const QByteArray path = socketPath(name);
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

} // namespace

struct InstanceListener::Private {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> incoming;
    // Each connection until it has sent its request, or gone.
    std::map<int, std::unique_ptr<QSocketNotifier>> clients;

    // Called from the client's own notifier, which therefore goes later.
    void close(int client)
    {
        const auto found = clients.find(client);
        found->second->setEnabled(false);
        found->second.release()->deleteLater();
        clients.erase(found);
        ::close(client);
    }
};

InstanceListener::InstanceListener(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {}

InstanceListener::~InstanceListener()
{
    for (auto& [client, notifier] : d->clients) {
        notifier.reset();
        ::close(client);
    }
    d->incoming.reset();
    if (d->fd >= 0)
        ::close(d->fd);
}

bool InstanceListener::listen(const QString& name)
{
    sockaddr_un address;
    if (d->fd >= 0 || !addressOf(name, address))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Only this copy holds the instance lock: a socket file still there is a killed copy's.
    unlink(address.sun_path);
    // Made for this user alone from the start, not opened up for a moment before a chmod.
    const mode_t mask = umask(0177);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    umask(mask);
    if (!bound || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    d->fd = fd;
    d->incoming = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(d->incoming.get(), &QSocketNotifier::activated, this, [this] {
        int client;
        while ((client = accept4(d->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
            auto notifier = std::make_unique<QSocketNotifier>(client, QSocketNotifier::Read);
            connect(notifier.get(), &QSocketNotifier::activated, this, [this, client] {
                char request[64];
                const ssize_t got = read(client, request, sizeof(request));
                if (got < 0 && (errno == EAGAIN || errno == EINTR))
                    return;
                const bool show = got > 0 && QByteArray::fromRawData(request, int(got)).contains("show");
                if (got > 0) {
                    const ssize_t sent = send(client, "ok", 2, MSG_NOSIGNAL);
                    Q_UNUSED(sent);
                }
                // One request a connection; the answer is sent before the palette shows.
                d->close(client);
                if (show)
                    Q_EMIT showRequested();
            });
            d->clients.emplace(client, std::move(notifier));
        }
    });
    return true;
}

bool askToShow(const QString& name, int timeoutMs)
{
    sockaddr_un address;
    if (!addressOf(name, address))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A copy too busy to take the connection must not hold this start up either.
    const timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    bool answered = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        send(fd, "show\n", 5, MSG_NOSIGNAL) == 5) {
        pollfd wait{fd, POLLIN, 0};
        char answer[16];
        ssize_t got = 0;
        if (poll(&wait, 1, timeoutMs) > 0)
            got = read(fd, answer, sizeof(answer));
        answered = got > 0 && QByteArray::fromRawData(answer, int(got)).contains("ok");
    }
    ::close(fd);
    return answered;
}

#include "platform/InstanceLock.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

int openLockFile(const QByteArray& path)
{
    // Not inherited: a browser or file manager started from a note must not keep the lock alive
    // after the program has gone.
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // Another user's lock may still be readable, and flock() works on a file open for reading.
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    return fd;
}

} // namespace

InstanceLock::InstanceLock(const QString& path) : m_path(path)
{
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = openLockFile(encoded);
    if (fd < 0) {
        const int error = errno;
        struct stat status = {};
        const bool exists = ::lstat(encoded.constData(), &status) == 0;
        m_outcome = Outcome::Unusable;
        m_systemMessage = QString::fromLocal8Bit(std::strerror(error));
        if (exists && S_ISDIR(status.st_mode))
            m_problem = Problem::IsFolder;
        else if (!exists)
            m_problem = Problem::CannotCreate;
        else if (error == EACCES || error == EPERM)
            m_problem = Problem::Denied;
        else
            m_problem = Problem::Other;
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            m_outcome = Outcome::HeldElsewhere;
        } else {
            m_problem = Problem::Other;
            m_systemMessage = QString::fromLocal8Bit(std::strerror(error));
        }
        return;
    }
    m_handle = fd;
    m_outcome = Outcome::Held;
}

InstanceLock::~InstanceLock()
{
    // Closing the file drops the lock; the file stays for the next start.
    if (m_handle >= 0)
        ::close(int(m_handle));
}

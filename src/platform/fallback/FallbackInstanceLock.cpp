#include "platform/InstanceLock.h"

#include <QFileInfo>
#include <QLockFile>

// Without a system lock that ends with its process, the lock file names its process, which is
// asked after (and may be mistaken when process numbers repeat).
namespace {

QLockFile* lockFile(qintptr handle)
{
    return reinterpret_cast<QLockFile*>(handle);
}

} // namespace

InstanceLock::InstanceLock(const QString& path) : m_path(path)
{
    if (QFileInfo(path).isDir()) {
        m_problem = Problem::IsFolder;
        return;
    }
    auto* lock = new QLockFile(path);
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_handle = reinterpret_cast<qintptr>(lock);
        m_outcome = Outcome::Held;
        return;
    }
    if (lock->error() == QLockFile::LockFailedError)
        m_outcome = Outcome::HeldElsewhere;
    else
        m_problem = QFileInfo::exists(path) ? Problem::Denied : Problem::CannotCreate;
    delete lock;
}

InstanceLock::~InstanceLock()
{
    if (m_handle != -1)
        delete lockFile(m_handle);
}

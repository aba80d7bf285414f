#include "app/SingleInstance.h"

#include "platform/InstanceChannel.h"
#include "platform/InstanceLock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// This user's own folder for the lock and socket, where no other user can take their names first:
// the runtime folder (made 0700 for the user) where the system has one.
QString privateFolder()
{
#ifdef Q_OS_UNIX
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
#endif
    return QDir::tempPath();
}

QString problemText(const InstanceLock& lock)
{
    QString what;
    switch (lock.problem()) {
    case InstanceLock::Problem::IsFolder:
        what = QCoreApplication::translate("SingleInstance", "ファイルではなくフォルダです。");
        break;
    case InstanceLock::Problem::Denied:
        what =
            QCoreApplication::translate("SingleInstance", "読み書きの権限がありません(%1)。").arg(lock.systemMessage());
        break;
    default:
        what = QCoreApplication::translate("SingleInstance", "使えません(%1)。").arg(lock.systemMessage());
        break;
    }
    return QCoreApplication::translate("SingleInstance",
                                       "ロックファイル %1 は%2\nこのユーザーのロックで起動を続けます。")
        .arg(QDir::toNativeSeparators(lock.path()), what);
}

} // namespace

SingleInstance::SingleInstance(const QString& storePath, QObject* parent)
    : QObject(parent), m_storePath(QDir::cleanPath(QFileInfo(storePath).absoluteFilePath()))
{
    const QByteArray hash = QCryptographicHash::hash(m_storePath.toUtf8(), QCryptographicHash::Sha1);
    m_key = QStringLiteral("zufusen-") + QString::fromLatin1(hash.toHex().left(16));
    m_name = m_key;
#ifdef Q_OS_UNIX
    // A socket path longer than the system takes falls back to a name in the temporary folder,
    // open to this user only.
    const QString socketPath = QDir(privateFolder()).filePath(m_key);
    if (QFile::encodeName(socketPath).size() < 100)
        m_name = socketPath;
#endif
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    m_lock = std::make_unique<InstanceLock>(m_storePath + QStringLiteral(".lock"));
    if (m_lock->outcome() == InstanceLock::Outcome::Unusable) {
        // A folder that takes no new file (read-only, or another user's) cannot hold the lock
        // beside the store: this user's own folder keeps at least this user's copies apart. A
        // lock file that is there but cannot be used is told, never taken for a running copy.
        if (m_lock->problem() != InstanceLock::Problem::CannotCreate)
            m_lockProblem = problemText(*m_lock);
        m_lock = std::make_unique<InstanceLock>(QDir(privateFolder()).filePath(m_key + QStringLiteral(".lock")));
    }
    if (m_lock->outcome() != InstanceLock::Outcome::HeldElsewhere) {
        m_listener = std::make_unique<InstanceListener>();
        connect(m_listener.get(), &InstanceListener::showRequested, this, &SingleInstance::showRequested);
        m_listener->listen(m_name);
        return true;
    }
    m_answered = askToShow(m_name, 2000);
    return false;
}

#include "StoreRecovery.h"

#include "SqliteDatabase.h"
#include "StoreHealth.h"
#include "StoreStatements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

namespace {

// The name of the given moment in the folder, or of the next second that no file has taken.
QString freePath(const QDir& folder, QDateTime at, const std::function<QString(const QDateTime&)>& name)
{
    while (QFileInfo::exists(folder.filePath(name(at))))
        at = at.addSecs(1);
    return folder.filePath(name(at));
}

// A byte copy of the damaged store kept at an earlier start, while the store has not changed
// since: a start that finds the same damage again keeps no second copy.
QString sameDamagedCopy(const QString& storePath)
{
    QFile store(storePath);
    if (!store.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = store.readAll();
    const QDir folder = QFileInfo(storePath).dir();
    for (const QFileInfo& copy :
         folder.entryInfoList({QStringLiteral("zu_daviv-damaged-*.db")}, QDir::Files, QDir::Name | QDir::Reversed)) {
        if (copy.size() != bytes.size())
            continue;
        QFile file(copy.filePath());
        if (file.open(QIODevice::ReadOnly) && file.readAll() == bytes)
            return copy.filePath();
    }
    return {};
}

} // namespace

StoreRecovery::StoreRecovery(QString storePath) : m_storePath(std::move(storePath)) {}

std::optional<StoreRecovery::Damage> StoreRecovery::checkStore(const QDateTime& now)
{
    const StoreHealth health = StoreHealth::of(m_storePath);
    if (health.condition() == StoreHealth::Condition::Unchecked)
        return std::nullopt;
    const bool known = m_damaged;
    m_damaged = health.isDamaged();
    if (!m_damaged || known)
        return std::nullopt;
    Damage damage;
    damage.detail = health.detail();
    const QString copyPath = freePath(QFileInfo(m_storePath).dir(), now, [](const QDateTime& at) {
        return QStringLiteral("zu_daviv-damaged-%1.db").arg(at.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    });
    QFile store(m_storePath);
    if (const QString same = sameDamagedCopy(m_storePath); !same.isEmpty())
        damage.copyPath = same;
    else if (store.copy(copyPath))
        damage.copyPath = copyPath;
    else
        damage.copyError = store.errorString();
    damage.newestSound = newestSoundBackup(now.date());
    return damage;
}

BackupEntry StoreRecovery::entryOf(const BackupCopy& copy) const
{
    BackupEntry entry{copy, QDir(backupFolder(m_storePath)).filePath(copy.fileName), -1, false};
    entry.sound = StoreHealth::of(entry.path).isSound();
    if (StoreResult<SqliteDatabase> db = SqliteDatabase::open(entry.path.toUtf8())) {
        if (const StoreResult<SqliteRows> count = db->runQuery(Statements::countNotes))
            entry.notes = count->valueText("n").toInt();
    }
    return entry;
}

QList<BackupEntry> StoreRecovery::backups() const
{
    QList<BackupEntry> entries;
    for (const BackupCopy& copy : backupCopies(backupFolder(m_storePath)))
        entries << entryOf(copy);
    return entries;
}

std::optional<BackupEntry> StoreRecovery::newestSoundBackup(const QDate& today) const
{
    const QDir folder(backupFolder(m_storePath));
    for (const BackupCopy& copy : rankBackups(backupCopies(folder.path()), today))
        if (StoreHealth::of(folder.filePath(copy.fileName)).isSound())
            return entryOf(copy);
    return std::nullopt;
}

StoreResult<QString> StoreRecovery::restore(const QString& copyPath, const QDateTime& now)
{
    // A damaged copy would only put one damage in place of another.
    if (const StoreHealth health = StoreHealth::of(copyPath); !health.isSound())
        return StoreError(QStringLiteral("The backup %1 cannot be used: %2").arg(copyPath, health.detail()),
                          SQLITE_CORRUPT, health.detail());
    QString kept;
    if (QFileInfo::exists(m_storePath)) {
        kept = freePath(QDir(backupFolder(m_storePath)), now, keptStoreFileName);
        // Kept as it is, damaged or not: it is what the user had.
        if (const StoreResult<> keptWhole = StoreBackup::copyWhole(m_storePath, kept, false); !keptWhole)
            return keptWhole.error();
    }
    if (const StoreResult<> copied = copyBackupInto(copyPath, m_storePath); !copied) {
        if (!kept.isEmpty())
            QFile::remove(kept);
        return copied.error();
    }
    m_damaged = false;
    return kept;
}

#include "core/StoreRecovery.h"

#include "core/SqliteDatabase.h"
#include "core/StoreHealth.h"

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
    damage.newestUsable = newestUsableBackup(now.date());
    return damage;
}

QList<BackupEntry> StoreRecovery::backups() const
{
    const QDir folder(backupFolder(m_storePath));
    QList<BackupEntry> entries;
    for (const BackupCopy& copy : backupCopies(folder.path()))
        entries << BackupEntry{copy, folder.filePath(copy.fileName), std::nullopt};
    return entries;
}

std::optional<BackupEntry> StoreRecovery::newestUsableBackup(const QDate& today) const
{
    const QDir folder(backupFolder(m_storePath));
    for (const BackupCopy& copy : rankBackups(backupCopies(folder.path()), today)) {
        BackupEntry entry{copy, folder.filePath(copy.fileName), BackupCheck::of(folder.filePath(copy.fileName))};
        if (entry.isUsable())
            return entry;
    }
    return std::nullopt;
}

StoreResult<QString> StoreRecovery::restore(const QString& copyPath, const QDateTime& now)
{
    // Checked again right before: whatever chose it, the file may have changed since, and a damaged
    // copy or one that is no store at all would only put a loss in place of the notes.
    if (const BackupCheck check = BackupCheck::of(copyPath); !check.isUsable())
        return StoreError(QStringLiteral("The backup %1 cannot be used: %2").arg(copyPath, check.detail()),
                          check.verdict() == BackupCheck::Verdict::Damaged ? SQLITE_CORRUPT : SQLITE_NOTADB,
                          check.detail());
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

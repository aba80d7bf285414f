#pragma once

#include "core/Backup.h"
#include "core/BackupCheck.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// A copy in the backup folder as the user chooses among them.
struct BackupEntry {
    BackupCopy copy;
    QString path;
    // What BackupCheck found; none before the copy was checked.
    std::optional<BackupCheck> check;

    bool isUsable() const { return check && check->isUsable(); }
};

// Watches the store for damage, and goes back to one of its copies.
class StoreRecovery {
public:
    // What was found when the store was first found damaged.
    struct Damage {
        QString detail;
        // The byte copy kept beside the store; empty when none could be made, and why.
        QString copyPath;
        QString copyError;
        std::optional<BackupEntry> newestUsable;
    };

    explicit StoreRecovery(QString storePath);

    // Checks the store with quick_check. The first time it is found damaged, a byte copy is kept
    // beside it (zu_daviv-damaged-yyyyMMdd-HHmmss.db) before anything more is written to it, and
    // what was found is handed back; nothing otherwise (sound, not to be checked now, or its
    // damage known already).
    std::optional<Damage> checkStore(const QDateTime& now);
    // Whether the store was damaged when last checked.
    bool storeDamaged() const { return m_damaged; }

    // Every copy in the backup folder, newest first, as their names tell, unchecked: checking
    // them all takes long (BackupCheck).
    QList<BackupEntry> backups() const;
    // The newest usable copy, in the rotation's order, checked.
    std::optional<BackupEntry> newestUsableBackup(const QDate& today) const;

    // Keeps the store as it is now as a copy in the backup folder (listed, and kept by the
    // rotation as a copy of today), then copies the given backup over the store. The kept copy's
    // path; empty when there was no store to keep. A backup that BackupCheck does not find usable
    // right then is refused. When it fails, the store is as it was.
    StoreResult<QString> restore(const QString& copyPath, const QDateTime& now);

private:
    QString m_storePath;
    bool m_damaged = false;
};

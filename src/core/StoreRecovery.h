#pragma once

#include "Backup.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// A copy in the backup folder as the user chooses among them.
struct BackupEntry {
    BackupCopy copy;
    QString path;
    // Rows of m_daviv; -1 when the copy could not be read.
    int notes = -1;
    bool sound = false;
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
        std::optional<BackupEntry> newestSound;
    };

    explicit StoreRecovery(QString storePath);

    // Checks the store with quick_check. The first time it is found damaged, a byte copy is kept
    // beside it (zu_daviv-damaged-yyyyMMdd-HHmmss.db) before anything more is written to it, and
    // what was found is handed back; nothing otherwise (sound, not to be checked now, or its
    // damage known already).
    std::optional<Damage> checkStore(const QDateTime& now);
    // Whether the store was damaged when last checked.
    bool storeDamaged() const { return m_damaged; }

    // Every copy in the backup folder, newest first, checked and counted.
    QList<BackupEntry> backups() const;
    // The newest copy that passes quick_check, in the rotation's order.
    std::optional<BackupEntry> newestSoundBackup(const QDate& today) const;

    // Keeps the store as it is now as a copy in the backup folder (listed, and kept by the
    // rotation as a copy of today), then copies the given backup over the store. The kept copy's
    // path; empty when there was no store to keep. When it fails, the store is as it was.
    StoreResult<QString> restore(const QString& copyPath, const QDateTime& now);

private:
    BackupEntry entryOf(const BackupCopy& copy) const;

    QString m_storePath;
    bool m_damaged = false;
};

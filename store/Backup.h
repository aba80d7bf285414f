#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_backup;

// The daily copies of the store live in backup/ beside it as zu_daviv-YYYYMMDD.db.
QString BackupFolder(const QString& storePath);
QString BackupFileName(const QDate& day);
std::optional<QDate> BackupDay(const QString& fileName);
// The days of the copies the folder holds, newest first.
QList<QDate> BackupDays(const QString& folder);

// Which copies go so that the seven newest days stay, and of the older ones the newest copy of
// each of the four newest weeks.
QList<QDate> BackupsToRemove(QList<QDate> days);

// One copy of the store through SQLite's online backup, a number of pages at a time, so that
// the program goes on between steps. The copy is consistent even while other connections write
// (SQLite starts it over when the store changed between two steps). It is made under a
// temporary name and takes its own only when it is complete.
class TStoreBackup {
public:
    TStoreBackup(const QString& storePath, const QString& copyPath);
    ~TStoreBackup();
    TStoreBackup(const TStoreBackup&) = delete;
    TStoreBackup& operator=(const TStoreBackup&) = delete;

    // Copies up to the given number of pages (all when negative); true once the copy is
    // complete and in place. A failure raises ESQLiteException.
    bool Step(int pages);

private:
    void Release();

    QString FCopyPath;
    QString FPartPath;
    sqlite3* FSource = nullptr;
    sqlite3* FCopy = nullptr;
    sqlite3_backup* FBackup = nullptr;
    bool FDone = false;
};

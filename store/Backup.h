#pragma once

#include "store/StoreHealth.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QTimer>

#include <functional>
#include <future>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_backup;

// The copies of the store live in backup/ beside it: the day's copy zu_daviv-YYYYMMDD.db, and the
// store as it was before a copy was put in its place, zu_daviv-YYYYMMDD-HHmmss.db.
QString BackupFolder(const QString& storePath);
QString BackupFileName(const QDate& day);
QString KeptStoreFileName(const QDateTime& at);

// One copy in the backup folder.
struct BackupCopy {
    QString fileName;
    QDate day;
    // When a copy kept before a restore was made; for a day's copy, when its file was written
    // (null when not known), so that the copies of one day sort.
    QTime time;
    bool keptBeforeRestore = false;

    bool operator==(const BackupCopy&) const = default;
};

// The copy a file name stands for, if any.
std::optional<BackupCopy> BackupCopyOf(const QString& fileName);
// The copies the folder holds, newest first.
QList<BackupCopy> BackupCopies(const QString& folder);
// From the newest to the oldest as far as anyone can tell: the copies dated up to today by their
// date and time, then those dated after today, made while the clock was wrong, whose real age is
// unknown.
QList<BackupCopy> RankBackups(QList<BackupCopy> copies, const QDate& today);

// The file names of the copies that go. Of the copies dated up to today, those of the seven newest
// days stay and, of the older ones, the newest copy of each of the four newest weeks. A copy dated
// after today ranks below all of them and stays only while fewer copies than those eleven slots
// stay, so it never holds a slot for good. Whatever the dates, the newest copy that isSound stays
// (asked in rank order until one is).
QStringList BackupsToRemove(const QList<BackupCopy>& copies, const QDate& today,
                            const std::function<bool(const BackupCopy&)>& isSound);

// Copies a backup over the store through SQLite's online backup: the store's own connection first
// rolls back whatever a crash left in its journal, and the copy is written in one transaction, so
// that a failure leaves the store as it was. Raises ESQLiteException.
void CopyBackupInto(const QString& copyPath, const QString& storePath);

// One copy of the store through SQLite's online backup, a number of pages at a time, so that
// the program goes on between steps. The copy is consistent even while other connections write
// (SQLite starts it over when the store changed between two steps). It is made under a
// temporary name and takes its own only when it is complete and, unless told otherwise, passes
// SQLite's quick_check, which a stepped copy runs beside the program on a thread of its own.
class TStoreBackup {
public:
    TStoreBackup(const QString& storePath, const QString& copyPath, bool onlySound = true);
    ~TStoreBackup();
    TStoreBackup(const TStoreBackup&) = delete;
    TStoreBackup& operator=(const TStoreBackup&) = delete;

    // Copies up to the given number of pages (all when negative); true once the copy is
    // complete and in place. A failure raises ESQLiteException.
    bool Step(int pages);

private:
    void Release();
    void PutInPlace();

    QString FCopyPath;
    QString FPartPath;
    bool FOnlySound;
    std::future<StoreHealth> FCheck;
    sqlite3* FSource = nullptr;
    sqlite3* FCopy = nullptr;
    sqlite3_backup* FBackup = nullptr;
    bool FDone = false;
};

// The store's copy of the day, made a few pages at a time between the program's events, with the
// older copies thinned out afterwards. A damaged store is never copied.
class TDailyBackup : public QObject {
    Q_OBJECT

public:
    // Pages (4 KB each by default) copied between two events: well under a frame's time.
    static constexpr int PagesPerStep = 64;

    explicit TDailyBackup(QString storePath, QObject* parent = nullptr);
    ~TDailyBackup() override;

    QString Folder() const;
    // Whether the folder holds the copy of that day, as read at creation and kept up to date.
    bool HasCopyOf(const QDate& day) const { return FDays.contains(day); }
    bool Running() const { return FRun != nullptr; }
    // Starts the copy of the given day; Finished tells how it went.
    void Start(const QDate& day);
    // Makes the copy at once (at exit); raises ESQLiteException when it fails.
    void MakeNow(const QDate& day);
    // Drops a copy under way; it is made again when next started.
    void Stop();

Q_SIGNALS:
    // The copy is in place (error empty) or failed with the given reason.
    void Finished(const QString& error);

private:
    void Step();
    void Completed(const QDate& day);
    void ReadDays();

    QString FStorePath;
    std::unique_ptr<TStoreBackup> FRun;
    QDate FDay;
    QTimer FTimer;
    QSet<QDate> FDays;
};

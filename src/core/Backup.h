#pragma once

#include "core/StoreError.h"
#include "core/StoreHealth.h"

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

class SqliteDatabase;
struct sqlite3_backup;

// The copies of the store live in backup/ beside it: the day's copy zu_daviv-YYYYMMDD.db, and the
// store as it was before a copy was put in its place, zu_daviv-YYYYMMDD-HHmmss.db.
QString backupFolder(const QString& storePath);
QString backupFileName(const QDate& day);
QString keptStoreFileName(const QDateTime& at);

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
std::optional<BackupCopy> backupCopyOf(const QString& fileName);
// The copies the folder holds, newest first.
QList<BackupCopy> backupCopies(const QString& folder);
// From the newest to the oldest as far as anyone can tell: the copies dated up to today by their
// date and time, then those dated after today, made while the clock was wrong, whose real age is
// unknown.
QList<BackupCopy> rankBackups(QList<BackupCopy> copies, const QDate& today);

// The file names of the copies that go. Of the copies dated up to today, those of the seven newest
// days stay and, of the older ones, the newest copy of each of the four newest weeks. A copy dated
// after today ranks below all of them and stays only while fewer copies than those eleven slots
// stay, so it never holds a slot for good. Whatever the dates, the newest copy that isSound stays
// (asked in rank order until one is).
QStringList backupsToRemove(const QList<BackupCopy>& copies, const QDate& today,
                            const std::function<bool(const BackupCopy&)>& isSound);

// Removes what a copy cut short left in the folder: the copy under its temporary name and that
// file's journal. Only where no copy is being made, as at start.
void removeUnfinishedCopies(const QString& folder);

// Copies a backup over the store through SQLite's online backup: the store's own connection first
// rolls back whatever a crash left in its journal, and the copy is written in one transaction, so
// that a failure leaves the store as it was.
StoreResult<> copyBackupInto(const QString& copyPath, const QString& storePath);

// One copy of the store through SQLite's online backup, a number of pages at a time, so that
// the program goes on between steps. The copy is consistent even while other connections write
// (SQLite starts it over when the store changed between two steps). It is made under a
// temporary name and takes its own only when it is complete and, unless told otherwise, passes
// SQLite's quick_check, which a stepped copy runs beside the program on a thread of its own.
class StoreBackup {
public:
    static StoreResult<std::unique_ptr<StoreBackup>> start(const QString& storePath, const QString& copyPath,
                                                           bool onlySound = true);
    ~StoreBackup();
    StoreBackup(const StoreBackup&) = delete;
    StoreBackup& operator=(const StoreBackup&) = delete;

    // Copies up to the given number of pages (all when negative); true once the copy is
    // complete and in place.
    StoreResult<bool> step(int pages);
    // The whole copy in one go; a store another connection holds meanwhile is a failure.
    static StoreResult<> copyWhole(const QString& storePath, const QString& copyPath, bool onlySound = true);

private:
    struct Finisher {
        void operator()(sqlite3_backup* backup) const;
    };

    StoreBackup(const QString& copyPath, bool onlySound);
    void release();
    StoreResult<> putInPlace();

    QString m_copyPath;
    QString m_partPath;
    bool m_onlySound;
    std::future<StoreHealth> m_check;
    std::unique_ptr<SqliteDatabase> m_source;
    std::unique_ptr<SqliteDatabase> m_copy;
    std::unique_ptr<sqlite3_backup, Finisher> m_backup;
    bool m_done = false;
};

// The store's copy of the day, made a few pages at a time between the program's events, with the
// older copies thinned out afterwards. A damaged store is never copied. Made once a run, before
// any copy: what an earlier run left unfinished goes then.
class DailyBackup : public QObject {
    Q_OBJECT

public:
    // Pages (4 KB each by default) copied between two events: well under a frame's time.
    static constexpr int PagesPerStep = 64;

    explicit DailyBackup(QString storePath, QObject* parent = nullptr);
    ~DailyBackup() override;

    QString folder() const;
    // Whether the folder holds the copy of that day, as read at creation and kept up to date.
    bool hasCopyOf(const QDate& day) const { return m_days.contains(day); }
    bool running() const { return m_run != nullptr; }
    // Starts the copy of the given day; finished() tells how it went.
    void start(const QDate& day);
    // Makes the copy at once (at exit).
    StoreResult<> makeNow(const QDate& day);
    // Drops a copy under way; it is made again when next started.
    void stop();

Q_SIGNALS:
    // The copy is in place, or why it is not.
    void finished(const StoreResult<>& result);

private:
    void step();
    void completed(const QDate& day);
    void readDays();

    QString m_storePath;
    std::unique_ptr<StoreBackup> m_run;
    QDate m_day;
    QTimer m_timer;
    QSet<QDate> m_days;
};

#pragma once

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
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

// The store's copy of the day, made a few pages at a time between the program's events, with the
// older copies thinned out afterwards.
class TDailyBackup : public QObject {
    Q_OBJECT

public:
    // Pages (4 KB each by default) copied between two events: well under a frame's time.
    static constexpr int PagesPerStep = 64;

    explicit TDailyBackup(QString storePath, QObject* parent = nullptr);
    ~TDailyBackup() override;

    QString Folder() const;
    // The day of the newest copy in the folder, read at creation and kept up to date.
    std::optional<QDate> NewestDay() const { return FNewest; }
    bool Running() const { return FRun != nullptr; }
    // Starts the copy of the given day; Finished tells how it went.
    void Start(const QDate& day);
    // Makes the copy at once (at exit); raises ESQLiteException when it fails.
    void MakeNow(const QDate& day);

Q_SIGNALS:
    // The copy is in place (error empty) or failed with the given reason.
    void Finished(const QString& error);

private:
    void Step();
    void Completed(const QDate& day);

    QString FStorePath;
    std::unique_ptr<TStoreBackup> FRun;
    QDate FDay;
    QTimer FTimer;
    std::optional<QDate> FNewest;
};

#include "store/Backup.h"

#include "store/SQLiteError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

#include <sqlite3.h>

namespace {

[[noreturn]] void Fail(sqlite3* db, int rc, const QString& what)
{
    const QString detail = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    throw ESQLiteException(what + QStringLiteral(": ") + detail, rc, detail);
}

} // namespace

QString BackupFolder(const QString& storePath)
{
    return QFileInfo(storePath).dir().filePath(QStringLiteral("backup"));
}

QString BackupFileName(const QDate& day)
{
    return QStringLiteral("zu_daviv-%1.db").arg(day.toString(QStringLiteral("yyyyMMdd")));
}

std::optional<QDate> BackupDay(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^zu_daviv-(\\d{8})\\.db$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(match.captured(1), QStringLiteral("yyyyMMdd"));
    return day.isValid() ? std::optional<QDate>(day) : std::nullopt;
}

QList<QDate> BackupDays(const QString& folder)
{
    QList<QDate> days;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("zu_daviv-*.db")}, QDir::Files))
        if (const std::optional<QDate> day = BackupDay(name))
            days << *day;
    std::sort(days.begin(), days.end(), std::greater<>());
    return days;
}

QList<QDate> BackupsToRemove(QList<QDate> days)
{
    constexpr int Daily = 7;
    constexpr int Weekly = 4;
    std::sort(days.begin(), days.end(), std::greater<>());
    QList<QDate> remove;
    QSet<int> weeks;
    for (qsizetype i = 0; i < days.size(); ++i) {
        if (i < Daily)
            continue;
        int year = 0;
        const int week = days[i].weekNumber(&year) + year * 100;
        if (weeks.size() < Weekly && !weeks.contains(week))
            weeks.insert(week);
        else
            remove << days[i];
    }
    return remove;
}

TStoreBackup::TStoreBackup(const QString& storePath, const QString& copyPath)
    : FCopyPath(copyPath), FPartPath(copyPath + QStringLiteral(".part"))
{
    QDir().mkpath(QFileInfo(copyPath).path());
    QFile::remove(FPartPath);
    int rc = sqlite3_open_v2(QFile::encodeName(storePath).constData(), &FSource, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const QString what = QStringLiteral("Failed to open database \"%1\"").arg(storePath);
        ESQLiteException error(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(FSource)), rc,
                               QString::fromUtf8(sqlite3_errmsg(FSource)));
        Release();
        throw error;
    }
    rc = sqlite3_open(QFile::encodeName(FPartPath).constData(), &FCopy);
    if (rc == SQLITE_OK) {
        FBackup = sqlite3_backup_init(FCopy, "main", FSource, "main");
        if (FBackup)
            return;
        rc = sqlite3_errcode(FCopy);
    }
    const QString detail = QString::fromUtf8(FCopy ? sqlite3_errmsg(FCopy) : sqlite3_errstr(rc));
    Release();
    QFile::remove(FPartPath);
    throw ESQLiteException(QStringLiteral("Failed to start the backup \"%1\": %2").arg(copyPath, detail), rc, detail);
}

TStoreBackup::~TStoreBackup()
{
    Release();
    if (!FDone)
        QFile::remove(FPartPath);
}

void TStoreBackup::Release()
{
    if (FBackup)
        sqlite3_backup_finish(FBackup);
    FBackup = nullptr;
    if (FCopy)
        sqlite3_close(FCopy);
    FCopy = nullptr;
    if (FSource)
        sqlite3_close(FSource);
    FSource = nullptr;
}

TDailyBackup::TDailyBackup(QString storePath, QObject* parent) : QObject(parent), FStorePath(std::move(storePath))
{
    const QList<QDate> days = BackupDays(Folder());
    if (!days.isEmpty())
        FNewest = days.front();
    FTimer.setInterval(0);
    connect(&FTimer, &QTimer::timeout, this, &TDailyBackup::Step);
}

TDailyBackup::~TDailyBackup() = default;

QString TDailyBackup::Folder() const
{
    return BackupFolder(FStorePath);
}

void TDailyBackup::Start(const QDate& day)
{
    if (FRun)
        return;
    try {
        FRun = std::make_unique<TStoreBackup>(FStorePath, QDir(Folder()).filePath(BackupFileName(day)));
    } catch (const ESQLiteException& e) {
        Q_EMIT Finished(e.Reason());
        return;
    }
    FDay = day;
    FTimer.start();
}

void TDailyBackup::Step()
{
    try {
        if (!FRun->Step(PagesPerStep))
            return;
    } catch (const ESQLiteException& e) {
        FTimer.stop();
        FRun.reset();
        Q_EMIT Finished(e.Reason());
        return;
    }
    FTimer.stop();
    FRun.reset();
    Completed(FDay);
    Q_EMIT Finished(QString());
}

void TDailyBackup::MakeNow(const QDate& day)
{
    FTimer.stop();
    FRun.reset();
    TStoreBackup run(FStorePath, QDir(Folder()).filePath(BackupFileName(day)));
    if (!run.Step(-1))
        throw ESQLiteException(QStringLiteral("The store was busy"), SQLITE_BUSY, QStringLiteral("database is locked"));
    Completed(day);
}

void TDailyBackup::Completed(const QDate& day)
{
    FNewest = FNewest ? std::max(*FNewest, day) : day;
    for (const QDate& old : BackupsToRemove(BackupDays(Folder())))
        QFile::remove(QDir(Folder()).filePath(BackupFileName(old)));
}

bool TStoreBackup::Step(int pages)
{
    if (FDone)
        return true;
    const int rc = sqlite3_backup_step(FBackup, pages);
    // Another connection holding the store for a moment only delays the copy.
    if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return false;
    if (rc != SQLITE_DONE)
        Fail(FCopy, rc, QStringLiteral("The backup failed"));
    const int finished = sqlite3_backup_finish(FBackup);
    FBackup = nullptr;
    if (finished != SQLITE_OK)
        Fail(FCopy, finished, QStringLiteral("The backup failed"));
    Release();
    QFile::remove(FCopyPath);
    if (!QFile::rename(FPartPath, FCopyPath))
        throw ESQLiteException(QStringLiteral("The backup could not be named %1").arg(FCopyPath), SQLITE_CANTOPEN,
                               QStringLiteral("cannot rename"));
    FDone = true;
    return true;
}

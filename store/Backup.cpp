#include "store/Backup.h"

#include "store/SQLiteError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <tuple>

#include <sqlite3.h>

namespace {

// Why a copy failed. The code comes from the backup itself: its error sits on the backup object,
// and the connections' own messages may well say "not an error". Where the file system failed,
// its own reason follows.
QString BackupFailure(int rc, sqlite3* copy, sqlite3* source)
{
    QString reason = QString::fromUtf8(sqlite3_errstr(rc));
    switch (rc & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_FULL:
    case SQLITE_PERM:
    case SQLITE_READONLY:
        for (sqlite3* db : {copy, source}) {
            if (const int error = db ? sqlite3_system_errno(db) : 0) {
                reason += QStringLiteral(" (%1)").arg(qt_error_string(error));
                break;
            }
        }
        break;
    default:
        break;
    }
    return reason;
}

[[noreturn]] void Fail(const QString& what, int rc, const QString& reason)
{
    throw ESQLiteException(what + QStringLiteral(": ") + reason, rc, reason);
}

sqlite3* OpenConnection(const QString& path, int flags, const QString& what)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK)
        return db;
    const QString reason = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close(db);
    Fail(what.arg(path), rc, reason);
}

bool Newer(const BackupCopy& a, const BackupCopy& b)
{
    return std::tie(b.day, b.time) < std::tie(a.day, a.time);
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

QString KeptStoreFileName(const QDateTime& at)
{
    return QStringLiteral("zu_daviv-%1.db").arg(at.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

std::optional<BackupCopy> BackupCopyOf(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^zu_daviv-(\\d{8})(?:-(\\d{6}))?\\.db$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    BackupCopy copy{fileName, QDate::fromString(match.captured(1), QStringLiteral("yyyyMMdd")), QTime(), false};
    if (match.hasCaptured(2)) {
        copy.time = QTime::fromString(match.captured(2), QStringLiteral("HHmmss"));
        copy.keptBeforeRestore = true;
        if (!copy.time.isValid())
            return std::nullopt;
    }
    return copy.day.isValid() ? std::optional<BackupCopy>(copy) : std::nullopt;
}

QList<BackupCopy> BackupCopies(const QString& folder)
{
    QList<BackupCopy> copies;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("zu_daviv-*.db")}, QDir::Files)) {
        if (std::optional<BackupCopy> copy = BackupCopyOf(file.fileName())) {
            if (!copy->keptBeforeRestore)
                copy->time = file.lastModified().time();
            copies << *copy;
        }
    }
    std::sort(copies.begin(), copies.end(), Newer);
    return copies;
}

QList<BackupCopy> RankBackups(QList<BackupCopy> copies, const QDate& today)
{
    std::sort(copies.begin(), copies.end(), Newer);
    std::stable_partition(copies.begin(), copies.end(), [&](const BackupCopy& copy) { return copy.day <= today; });
    return copies;
}

QStringList BackupsToRemove(const QList<BackupCopy>& copies, const QDate& today,
                            const std::function<bool(const BackupCopy&)>& isSound)
{
    constexpr int Daily = 7;
    constexpr int Weekly = 4;
    const QList<BackupCopy> ranked = RankBackups(copies, today);
    QSet<QString> kept;
    QList<QDate> days;
    QSet<int> weeks;
    for (const BackupCopy& copy : ranked) {
        if (copy.day > today)
            break;
        if (!days.contains(copy.day) && days.size() < Daily)
            days << copy.day;
        int year = 0;
        const int week = copy.day.weekNumber(&year) + year * 100;
        if (days.contains(copy.day)) {
            kept.insert(copy.fileName);
        } else if (weeks.size() < Weekly && !weeks.contains(week)) {
            weeks.insert(week);
            kept.insert(copy.fileName);
        }
    }
    for (const BackupCopy& copy : ranked)
        if (copy.day > today && kept.size() < Daily + Weekly)
            kept.insert(copy.fileName);
    for (const BackupCopy& copy : ranked) {
        if (isSound(copy)) {
            kept.insert(copy.fileName);
            break;
        }
    }
    QStringList remove;
    for (const BackupCopy& copy : ranked)
        if (!kept.contains(copy.fileName))
            remove << copy.fileName;
    return remove;
}

void CopyBackupInto(const QString& copyPath, const QString& storePath)
{
    const QString what = QStringLiteral("The backup could not be copied into \"%1\"").arg(storePath);
    sqlite3* store = OpenConnection(storePath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                    QStringLiteral("Failed to open database \"%1\""));
    // Another program's moment on the store is waited for, as the exit save waits.
    sqlite3_busy_timeout(store, 5000);
    sqlite3* copy = nullptr;
    try {
        copy = OpenConnection(copyPath, SQLITE_OPEN_READONLY, QStringLiteral("Failed to open database \"%1\""));
    } catch (...) {
        sqlite3_close(store);
        throw;
    }
    sqlite3_backup* backup = sqlite3_backup_init(store, "main", copy, "main");
    int rc = SQLITE_DONE;
    QString reason;
    if (!backup) {
        rc = sqlite3_errcode(store);
        reason = QString::fromUtf8(sqlite3_errmsg(store));
    } else {
        rc = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (rc == SQLITE_DONE && finished != SQLITE_OK)
            rc = finished;
        if (rc != SQLITE_DONE)
            reason = BackupFailure(rc, store, copy);
    }
    sqlite3_close(copy);
    sqlite3_close(store);
    if (rc != SQLITE_DONE)
        Fail(what, rc, reason);
}

TStoreBackup::TStoreBackup(const QString& storePath, const QString& copyPath, bool onlySound)
    : FCopyPath(copyPath), FPartPath(copyPath + QStringLiteral(".part")), FOnlySound(onlySound)
{
    QDir().mkpath(QFileInfo(copyPath).path());
    QFile::remove(FPartPath);
    // Read-write, so that a journal a crash left behind is rolled back before the copy rather than
    // failing it; without create, so that a missing store stays missing.
    FSource = OpenConnection(storePath, SQLITE_OPEN_READWRITE, QStringLiteral("Failed to open database \"%1\""));
    int rc = sqlite3_open(FPartPath.toUtf8().constData(), &FCopy);
    if (rc == SQLITE_OK) {
        FBackup = sqlite3_backup_init(FCopy, "main", FSource, "main");
        if (FBackup)
            return;
        rc = sqlite3_errcode(FCopy);
    }
    const QString detail = QString::fromUtf8(FCopy ? sqlite3_errmsg(FCopy) : sqlite3_errstr(rc));
    Release();
    QFile::remove(FPartPath);
    Fail(QStringLiteral("Failed to start the backup \"%1\"").arg(copyPath), rc, detail);
}

TStoreBackup::~TStoreBackup()
{
    Release();
    // The check must let go of the copy before the copy can go.
    if (FCheck.valid())
        FCheck.wait();
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

bool TStoreBackup::Step(int pages)
{
    if (FDone)
        return true;
    if (FBackup) {
        int rc = sqlite3_backup_step(FBackup, pages);
        // Another connection holding the store for a moment only delays the copy.
        if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            return false;
        const int finished = sqlite3_backup_finish(FBackup);
        FBackup = nullptr;
        if (rc == SQLITE_DONE && finished != SQLITE_OK)
            rc = finished;
        if (rc != SQLITE_DONE)
            Fail(QStringLiteral("The backup failed"), rc, BackupFailure(rc, FCopy, FSource));
        Release();
        if (pages >= 0) {
            if (FOnlySound)
                FCheck = std::async(std::launch::async, [path = FPartPath] { return StoreHealth::of(path); });
            return false;
        }
    }
    if (FCheck.valid() && FCheck.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        return false;
    PutInPlace();
    FDone = true;
    return true;
}

void TStoreBackup::PutInPlace()
{
    if (FOnlySound) {
        const StoreHealth health = FCheck.valid() ? FCheck.get() : StoreHealth::of(FPartPath);
        if (!health.isSound())
            Fail(QStringLiteral("The backup did not pass its check"), SQLITE_CORRUPT, health.detail());
    }
    QFile old(FCopyPath);
    if (old.exists() && !old.remove())
        Fail(QStringLiteral("The backup could not replace %1").arg(FCopyPath), SQLITE_CANTOPEN, old.errorString());
    QFile part(FPartPath);
    if (!part.rename(FCopyPath))
        Fail(QStringLiteral("The backup could not be named %1").arg(FCopyPath), SQLITE_CANTOPEN, part.errorString());
}

TDailyBackup::TDailyBackup(QString storePath, QObject* parent) : QObject(parent), FStorePath(std::move(storePath))
{
    ReadDays();
    FTimer.setInterval(0);
    connect(&FTimer, &QTimer::timeout, this, &TDailyBackup::Step);
}

TDailyBackup::~TDailyBackup() = default;

QString TDailyBackup::Folder() const
{
    return BackupFolder(FStorePath);
}

void TDailyBackup::ReadDays()
{
    FDays.clear();
    for (const BackupCopy& copy : BackupCopies(Folder()))
        if (!copy.keptBeforeRestore)
            FDays.insert(copy.day);
}

void TDailyBackup::Start(const QDate& day)
{
    if (FRun)
        return;
    try {
        if (const StoreHealth health = StoreHealth::of(FStorePath); health.isDamaged())
            Fail(QStringLiteral("The store is damaged"), SQLITE_CORRUPT, health.detail());
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
        Stop();
        Q_EMIT Finished(e.Reason());
        return;
    }
    Stop();
    Completed(FDay);
    Q_EMIT Finished(QString());
}

void TDailyBackup::Stop()
{
    FTimer.stop();
    FRun.reset();
}

void TDailyBackup::MakeNow(const QDate& day)
{
    Stop();
    if (const StoreHealth health = StoreHealth::of(FStorePath); health.isDamaged())
        Fail(QStringLiteral("The store is damaged"), SQLITE_CORRUPT, health.detail());
    TStoreBackup run(FStorePath, QDir(Folder()).filePath(BackupFileName(day)));
    if (!run.Step(-1))
        throw ESQLiteException(QStringLiteral("The store was busy"), SQLITE_BUSY, QStringLiteral("database is locked"));
    Completed(day);
}

void TDailyBackup::Completed(const QDate& day)
{
    const QDir folder(Folder());
    // The day's copy passed its check before it took its name.
    const auto isSound = [&](const BackupCopy& copy) {
        return copy.fileName == BackupFileName(day) || StoreHealth::of(folder.filePath(copy.fileName)).isSound();
    };
    for (const QString& old : BackupsToRemove(BackupCopies(Folder()), day, isSound))
        QFile::remove(folder.filePath(old));
    ReadDays();
}

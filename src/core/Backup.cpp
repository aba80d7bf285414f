#include "core/Backup.h"

#include "core/BackupCheck.h"
#include "core/SqliteDatabase.h"
#include "core/TextScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <tuple>

namespace {

// Why a copy failed. The code comes from the backup itself: its error sits on the backup object,
// and the connections' own messages may well say "not an error". Where the file system failed,
// its own reason follows.
QString backupFailure(int rc, const SqliteDatabase* copy, const SqliteDatabase* source)
{
    QString reason = QString::fromUtf8(sqlite3_errstr(rc));
    switch (rc & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_FULL:
    case SQLITE_PERM:
    case SQLITE_READONLY:
        for (const SqliteDatabase* db : {copy, source}) {
            if (const int error = db ? sqlite3_system_errno(db->handle()) : 0) {
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

StoreError failure(const QString& what, int rc, const QString& reason)
{
    return StoreError(what + QStringLiteral(": ") + reason, rc, reason);
}

StoreResult<SqliteDatabase> openConnection(const QString& path, SqliteDatabase::OpenMode mode)
{
    StoreResult<SqliteDatabase> db = SqliteDatabase::open(path.toUtf8(), mode);
    if (!db)
        return failure(QStringLiteral("Failed to open database \"%1\"").arg(path), db.error().code(),
                       db.error().reason());
    return db;
}

bool newer(const BackupCopy& a, const BackupCopy& b)
{
    return std::tie(b.day, b.time) < std::tie(a.day, a.time);
}

} // namespace

QString backupFolder(const QString& storePath)
{
    return QFileInfo(storePath).dir().filePath(QStringLiteral("backup"));
}

QString backupFileName(const QDate& day)
{
    return QStringLiteral("zu_daviv-%1.db").arg(day.toString(QStringLiteral("yyyyMMdd")));
}

QString keptStoreFileName(const QDateTime& at)
{
    return QStringLiteral("zu_daviv-%1.db").arg(at.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

std::optional<BackupCopy> backupCopyOf(const QString& fileName)
{
    // zu_daviv-yyyyMMdd.db, or zu_daviv-yyyyMMdd-HHmmss.db for a store kept before a restore.
    TextScan::Scanner s(fileName);
    if (!s.skip(QLatin1String("zu_daviv-")))
        return std::nullopt;
    const std::optional<QStringView> day = s.digits(8, 8);
    const bool kept = s.skip(u'-');
    const std::optional<QStringView> time = kept ? s.digits(6, 6) : QStringView();
    if (!day || !time || !s.skip(QLatin1String(".db")) || !s.atLineEnd())
        return std::nullopt;
    BackupCopy copy{fileName, QDate::fromString(day->toString(), QStringLiteral("yyyyMMdd")), QTime(), false};
    if (kept) {
        copy.time = QTime::fromString(time->toString(), QStringLiteral("HHmmss"));
        copy.keptBeforeRestore = true;
        if (!copy.time.isValid())
            return std::nullopt;
    }
    return copy.day.isValid() ? std::optional<BackupCopy>(copy) : std::nullopt;
}

QList<BackupCopy> backupCopies(const QString& folder)
{
    QList<BackupCopy> copies;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("zu_daviv-*.db")}, QDir::Files)) {
        if (std::optional<BackupCopy> copy = backupCopyOf(file.fileName())) {
            if (!copy->keptBeforeRestore)
                copy->time = file.lastModified().time();
            copies << *copy;
        }
    }
    std::sort(copies.begin(), copies.end(), newer);
    return copies;
}

QList<BackupCopy> rankBackups(QList<BackupCopy> copies, const QDate& today)
{
    std::sort(copies.begin(), copies.end(), newer);
    std::stable_partition(copies.begin(), copies.end(), [&](const BackupCopy& copy) { return copy.day <= today; });
    return copies;
}

QStringList backupsToRemove(const QList<BackupCopy>& copies, const QDate& today,
                            const std::function<bool(const BackupCopy&)>& isSound)
{
    constexpr int Daily = 7;
    constexpr int Weekly = 4;
    const QList<BackupCopy> ranked = rankBackups(copies, today);
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

void removeUnfinishedCopies(const QString& folder)
{
    const QDir backups(folder);
    for (const QString& name : backups.entryList(
             {QStringLiteral("zu_daviv-*.db.part"), QStringLiteral("zu_daviv-*.db.part-journal")}, QDir::Files))
        QFile::remove(backups.filePath(name));
}

StoreResult<> copyBackupInto(const QString& copyPath, const QString& storePath)
{
    StoreResult<SqliteDatabase> store = openConnection(storePath, SqliteDatabase::OpenMode::Create);
    if (!store)
        return store.error();
    // Another program's moment on the store is waited for, as the exit save waits.
    store->setLockWait(5000);
    StoreResult<SqliteDatabase> copy = openConnection(copyPath, SqliteDatabase::OpenMode::ReadOnly);
    if (!copy)
        return copy.error();
    const QString what = QStringLiteral("The backup could not be copied into \"%1\"").arg(storePath);
    std::unique_ptr<sqlite3_backup, int (*)(sqlite3_backup*)> backup(
        sqlite3_backup_init(store->handle(), "main", copy->handle(), "main"), sqlite3_backup_finish);
    if (!backup)
        return failure(what, sqlite3_errcode(store->handle()), QString::fromUtf8(sqlite3_errmsg(store->handle())));
    int rc = sqlite3_backup_step(backup.get(), -1);
    const int finished = sqlite3_backup_finish(backup.release());
    if (rc == SQLITE_DONE && finished != SQLITE_OK)
        rc = finished;
    if (rc != SQLITE_DONE)
        return failure(what, rc, backupFailure(rc, &*store, &*copy));
    return {};
}

StoreBackup::StoreBackup(const QString& copyPath, bool onlySound)
    : m_copyPath(copyPath), m_partPath(copyPath + QStringLiteral(".part")), m_onlySound(onlySound)
{
}

StoreResult<> StoreBackup::copyWhole(const QString& storePath, const QString& copyPath, bool onlySound)
{
    StoreResult<std::unique_ptr<StoreBackup>> run = start(storePath, copyPath, onlySound);
    if (!run)
        return run.error();
    const StoreResult<bool> done = (*run)->step(-1);
    if (!done)
        return done.error();
    if (!*done)
        return StoreError(QStringLiteral("The store was busy"), SQLITE_BUSY, QStringLiteral("database is locked"));
    return {};
}

StoreResult<std::unique_ptr<StoreBackup>> StoreBackup::start(const QString& storePath, const QString& copyPath,
                                                             bool onlySound)
{
    std::unique_ptr<StoreBackup> run(new StoreBackup(copyPath, onlySound));
    QDir().mkpath(QFileInfo(copyPath).path());
    QFile::remove(run->m_partPath);
    // Read-write, so that a journal a crash left behind is rolled back before the copy rather than
    // failing it; without create, so that a missing store stays missing.
    StoreResult<SqliteDatabase> source = openConnection(storePath, SqliteDatabase::OpenMode::ReadWrite);
    if (!source)
        return source.error();
    run->m_source = std::make_unique<SqliteDatabase>(std::move(*source));
    StoreResult<SqliteDatabase> copy = SqliteDatabase::open(run->m_partPath.toUtf8());
    if (copy) {
        run->m_copy = std::make_unique<SqliteDatabase>(std::move(*copy));
        run->m_backup.reset(sqlite3_backup_init(run->m_copy->handle(), "main", run->m_source->handle(), "main"));
        if (run->m_backup)
            return run;
    }
    const int rc = copy ? sqlite3_errcode(run->m_copy->handle()) : copy.error().code();
    const QString detail = copy ? QString::fromUtf8(sqlite3_errmsg(run->m_copy->handle())) : copy.error().reason();
    return failure(QStringLiteral("Failed to start the backup \"%1\"").arg(copyPath), rc, detail);
}

void StoreBackup::Finisher::operator()(sqlite3_backup* backup) const
{
    sqlite3_backup_finish(backup);
}

StoreBackup::~StoreBackup()
{
    release();
    // The check must let go of the copy before the copy can go.
    if (m_check.valid())
        m_check.wait();
    if (!m_done)
        QFile::remove(m_partPath);
}

void StoreBackup::release()
{
    m_backup.reset();
    m_copy.reset();
    m_source.reset();
}

StoreResult<bool> StoreBackup::step(int pages)
{
    if (m_done)
        return true;
    if (m_backup) {
        int rc = sqlite3_backup_step(m_backup.get(), pages);
        // Another connection holding the store for a moment only delays the copy.
        if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            return false;
        const int finished = sqlite3_backup_finish(m_backup.release());
        if (rc == SQLITE_DONE && finished != SQLITE_OK)
            rc = finished;
        if (rc != SQLITE_DONE)
            return failure(QStringLiteral("The backup failed"), rc, backupFailure(rc, m_copy.get(), m_source.get()));
        release();
        if (pages >= 0) {
            if (m_onlySound)
                m_check = std::async(std::launch::async, [path = m_partPath] { return StoreHealth::of(path); });
            return false;
        }
    }
    if (m_check.valid() && m_check.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        return false;
    if (StoreResult<> placed = putInPlace(); !placed)
        return placed.error();
    m_done = true;
    return true;
}

StoreResult<> StoreBackup::putInPlace()
{
    if (m_onlySound) {
        const StoreHealth health = m_check.valid() ? m_check.get() : StoreHealth::of(m_partPath);
        if (!health.isSound())
            return failure(QStringLiteral("The backup did not pass its check"), SQLITE_CORRUPT, health.detail());
    }
    QFile old(m_copyPath);
    if (old.exists() && !old.remove())
        return failure(QStringLiteral("The backup could not replace %1").arg(m_copyPath), SQLITE_CANTOPEN,
                       old.errorString());
    QFile part(m_partPath);
    if (!part.rename(m_copyPath))
        return failure(QStringLiteral("The backup could not be named %1").arg(m_copyPath), SQLITE_CANTOPEN,
                       part.errorString());
    return {};
}

DailyBackup::DailyBackup(QString storePath, QObject* parent) : QObject(parent), m_storePath(std::move(storePath))
{
    removeUnfinishedCopies(folder());
    readDays();
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &DailyBackup::step);
}

DailyBackup::~DailyBackup() = default;

QString DailyBackup::folder() const
{
    return backupFolder(m_storePath);
}

void DailyBackup::readDays()
{
    m_days.clear();
    for (const BackupCopy& copy : backupCopies(folder()))
        if (!copy.keptBeforeRestore)
            m_days.insert(copy.day);
}

void DailyBackup::start(const QDate& day)
{
    if (m_run)
        return;
    if (const StoreHealth health = StoreHealth::of(m_storePath); health.isDamaged()) {
        Q_EMIT finished(failure(QStringLiteral("The store is damaged"), SQLITE_CORRUPT, health.detail()));
        return;
    }
    StoreResult<std::unique_ptr<StoreBackup>> run =
        StoreBackup::start(m_storePath, QDir(folder()).filePath(backupFileName(day)));
    if (!run) {
        Q_EMIT finished(run.error());
        return;
    }
    m_run = std::move(*run);
    m_day = day;
    m_timer.start();
}

void DailyBackup::step()
{
    const StoreResult<bool> done = m_run->step(PagesPerStep);
    if (done && !*done)
        return;
    stop();
    if (!done) {
        Q_EMIT finished(done.error());
        return;
    }
    completed(m_day);
    Q_EMIT finished({});
}

void DailyBackup::stop()
{
    m_timer.stop();
    m_run.reset();
}

StoreResult<> DailyBackup::makeNow(const QDate& day)
{
    stop();
    if (const StoreHealth health = StoreHealth::of(m_storePath); health.isDamaged())
        return failure(QStringLiteral("The store is damaged"), SQLITE_CORRUPT, health.detail());
    if (StoreResult<> copied = StoreBackup::copyWhole(m_storePath, QDir(folder()).filePath(backupFileName(day)));
        !copied)
        return copied;
    completed(day);
    return {};
}

void DailyBackup::completed(const QDate& day)
{
    const QDir backups(folder());
    // The day's copy passed its check before it took its name. Of the others, one that could not
    // be gone back to (a file of no bytes passes quick_check) is no sound copy to keep.
    const auto isSound = [&](const BackupCopy& copy) {
        return copy.fileName == backupFileName(day) || BackupCheck::of(backups.filePath(copy.fileName)).isUsable();
    };
    for (const QString& old : backupsToRemove(backupCopies(backups.path()), day, isSound))
        QFile::remove(backups.filePath(old));
    readDays();
}

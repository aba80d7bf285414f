#include "core/BackupCheck.h"

#include "core/SqliteDatabase.h"
#include "core/StoreHealth.h"
#include "core/StoreStatements.h"

#include <QFile>

namespace {

// Every SQLite database begins with these 16 bytes; SQLite itself would take a file of no bytes
// for an empty database and anything else for damage.
bool hasDatabaseHeader(const QString& path)
{
    static const QByteArray header("SQLite format 3\0", 16);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(header.size()) == header;
}

} // namespace

BackupCheck BackupCheck::of(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {Verdict::Damaged, QStringLiteral("the file is missing")};
    if (file.size() == 0)
        return {Verdict::Empty, QStringLiteral("the file is empty")};
    if (!hasDatabaseHeader(path))
        return {Verdict::NotAStore, QStringLiteral("file is not a database")};
    // A copy that cannot even be checked is no better than a damaged one.
    if (const StoreHealth health = StoreHealth::of(path); !health.isSound())
        return {Verdict::Damaged, health.detail()};
    StoreResult<SqliteDatabase> db = SqliteDatabase::open(path.toUtf8(), SqliteDatabase::OpenMode::ReadOnly);
    if (!db)
        return {Verdict::Damaged, db.error().reason()};
    for (const char* table : {"m_daviv", "m_icom_message"}) {
        const StoreResult<bool> exists = db->hasTable(table);
        if (!exists)
            return {Verdict::Damaged, exists.error().reason()};
        if (!*exists)
            return {Verdict::NotAStore, QStringLiteral("no table %1").arg(QLatin1String(table))};
    }
    const StoreResult<SqliteRows> count = db->runQuery(Statements::countNotes);
    if (!count)
        return {Verdict::Damaged, count.error().reason()};
    return {Verdict::Usable, QString(), count->valueText("n").toInt()};
}

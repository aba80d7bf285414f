#include "core/SyncFile.h"

#include "core/SqliteDatabase.h"
#include "core/SqliteTransaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <filesystem>

namespace SyncFile {

namespace {

QString writeFailure()
{
    return QStringLiteral("The sync file could not be written");
}

constexpr int Format = 1;

constexpr char CreateInfo[] = "create table zu_sync_info (key text primary key, value)";
constexpr char CreateItems[] =
    "create table zu_sync_items (uid text primary key, kind integer, version text, stamp integer, origin text, "
    "origin_name text, removed integer, day text, time text, content text, color integer, alpha integer, "
    "open integer, xpos integer, ypos integer, width integer, height integer)";
constexpr char InsertInfo[] = "insert into zu_sync_info values (?1, ?2)";
constexpr char InsertItem[] = "insert into zu_sync_items values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, "
                              "?12, ?13, ?14, ?15, ?16, ?17)";
constexpr char SelectInfo[] = "select key, value from zu_sync_info";
constexpr char SelectItems[] =
    "select uid, kind, version, stamp, origin, origin_name, removed, day, time, content, color, alpha, open, "
    "xpos, ypos, width, height from zu_sync_items";

StoreResult<> fill(SqliteDatabase& db, const SyncFileContent& content)
{
    for (const char* sql : {"pragma journal_mode = off", "pragma synchronous = off"})
        if (StoreResult<SqliteRows> set = db.runQuery(sql); !set)
            return set.error();
    for (const char* sql : {CreateInfo, CreateItems})
        if (StoreResult<> made = db.runStatement(sql); !made)
            return made;
    StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(db);
    if (!transaction)
        return transaction.error();
    StoreResult<SqliteDatabase::Statement> info = db.prepare(InsertInfo);
    if (!info)
        return info.error();
    const std::pair<const char*, QString> infos[] = {{"format", QString::number(Format)},
                                                     {"store_id", content.storeId},
                                                     {"pc_name", content.pcName},
                                                     {"clock", QString::number(content.clock)}};
    for (const auto& [key, value] : infos) {
        bindText(info->get(), 1, QString::fromLatin1(key));
        bindText(info->get(), 2, value);
        if (StoreResult<> done = db.runPrepared(info->get(), InsertInfo, writeFailure()); !done)
            return done;
    }
    StoreResult<SqliteDatabase::Statement> insert = db.prepare(InsertItem);
    if (!insert)
        return insert.error();
    sqlite3_stmt* s = insert->get();
    for (const SyncItem& item : content.items) {
        bindText(s, 1, item.uid);
        sqlite3_bind_int(s, 2, item.kind);
        bindText(s, 3, versionText(item.version));
        sqlite3_bind_int64(s, 4, item.stamp);
        bindText(s, 5, item.origin);
        bindText(s, 6, item.originName);
        sqlite3_bind_int(s, 7, item.removed);
        bindText(s, 8, item.day.toString(Qt::ISODate));
        bindText(s, 9, item.time.toString(Qt::ISODate));
        bindText(s, 10, item.text);
        sqlite3_bind_int64(s, 11, item.color);
        sqlite3_bind_int(s, 12, item.alpha);
        sqlite3_bind_int(s, 13, item.isOpen);
        sqlite3_bind_int(s, 14, item.place.x());
        sqlite3_bind_int(s, 15, item.place.y());
        sqlite3_bind_int(s, 16, item.place.width());
        sqlite3_bind_int(s, 17, item.place.height());
        if (StoreResult<> done = db.runPrepared(s, InsertItem, writeFailure()); !done)
            return done;
    }
    return transaction->commit();
}

} // namespace

QString fileName(const QString& storeId, const QString& pcName)
{
    QString safe;
    for (const QChar c : pcName.left(40))
        safe += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ? c : QLatin1Char('_');
    return QStringLiteral("zufusen-%1-%2.zusync").arg(storeId, safe.isEmpty() ? QStringLiteral("PC") : safe);
}

QString newStoreId()
{
    return QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, QLatin1Char('0'));
}

StoreResult<> write(const QString& folder, const SyncFileContent& content)
{
    const QDir dir(folder);
    const QString target = dir.filePath(fileName(content.storeId, content.pcName));
    // Hidden and under another ending: a sync tool may carry it, but no reader takes it.
    const QString temporary = dir.filePath(QStringLiteral(".zufusen-%1.writing").arg(content.storeId));
    QFile::remove(temporary);
    {
        StoreResult<SqliteDatabase> db = SqliteDatabase::open(temporary.toUtf8());
        if (!db)
            return db.error();
        if (StoreResult<> filled = fill(*db, content); !filled) {
            QFile::remove(temporary);
            return filled;
        }
    }
    // Replaces the old file in one step, on Windows too.
    std::error_code failed;
    std::filesystem::rename(std::filesystem::path(temporary.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), failed);
    if (failed) {
        QFile::remove(temporary);
        return StoreError(QStringLiteral("The sync file could not be put in place: %1")
                              .arg(QString::fromLocal8Bit(failed.message().c_str())));
    }
    return {};
}

StoreResult<SyncFileContent> read(const QString& path)
{
    StoreResult<SqliteDatabase> db = SqliteDatabase::open(path.toUtf8(), SqliteDatabase::OpenMode::Immutable);
    if (!db)
        return db.error();
    StoreResult<SqliteRows> check = db->runQuery("pragma quick_check");
    if (!check)
        return check.error();
    if (check->rowCount() != 1 || check->valueText(0) != "ok")
        return StoreError(QStringLiteral("damaged: %1").arg(QString::fromUtf8(check->valueText(0))));
    for (const char* table : {"zu_sync_info", "zu_sync_items"}) {
        StoreResult<bool> has = db->hasTable(table);
        if (!has)
            return has.error();
        if (!*has)
            return StoreError(QStringLiteral("not a sync file: no table %1").arg(QLatin1String(table)));
    }
    SyncFileContent content;
    StoreResult<SqliteRows> info = db->runQuery(SelectInfo);
    if (!info)
        return info.error();
    std::map<QByteArray, QString> values;
    for (info->goFirst(); !info->atEnd(); info->goNext())
        values[info->valueText("key")] = QString::fromUtf8(info->valueText("value"));
    if (values["format"].toInt() != Format)
        return StoreError(QStringLiteral("a sync file of another format"));
    content.storeId = values["store_id"];
    content.pcName = values["pc_name"];
    content.clock = values["clock"].toLongLong();
    // A sync tool's conflict copy, or a file renamed by hand, is not the store's own file.
    if (fileName(content.storeId, content.pcName) != QFileInfo(path).fileName())
        return StoreError(QStringLiteral("not under its own name"));
    StoreResult<SqliteDatabase::Statement> items = db->prepare(SelectItems);
    if (!items)
        return items.error();
    sqlite3_stmt* s = items->get();
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        SyncItem& item = content.items.emplace_back();
        item.uid = columnText(s, 0);
        item.kind = sqlite3_column_int(s, 1) == SyncItem::ReminderKind ? SyncItem::ReminderKind : SyncItem::NoteKind;
        item.version = versionFromText(columnText(s, 2));
        item.stamp = sqlite3_column_int64(s, 3);
        item.origin = columnText(s, 4);
        item.originName = columnText(s, 5);
        item.removed = sqlite3_column_int(s, 6) != 0;
        item.day = QDate::fromString(columnText(s, 7), Qt::ISODate);
        item.time = QTime::fromString(columnText(s, 8), Qt::ISODate);
        item.text = columnText(s, 9);
        item.color = quint32(sqlite3_column_int64(s, 10));
        item.alpha = sqlite3_column_int(s, 11);
        item.isOpen = sqlite3_column_int(s, 12) != 0;
        item.place = QRect(sqlite3_column_int(s, 13), sqlite3_column_int(s, 14), sqlite3_column_int(s, 15),
                           sqlite3_column_int(s, 16));
        if (item.uid.isEmpty() || item.version.empty())
            return StoreError(QStringLiteral("an item without identity or version"));
    }
    if (rc != SQLITE_DONE)
        return db->failure(QStringLiteral("The sync file could not be read"), SelectItems);
    return content;
}

} // namespace SyncFile

std::vector<SyncFolderReader::Peer> SyncFolderReader::read(const QString& folder, const QString& ownStoreId)
{
    static const QRegularExpression ownName(QStringLiteral("^zufusen-([0-9a-f]{16})-[^ ]+\\.zusync$"));
    std::map<QString, Seen> seen;
    std::map<QString, Peer> byStore;
    m_passedOver.clear();
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("zufusen-*.zusync")}, QDir::Files);
    for (const QFileInfo& file : files) {
        const QRegularExpressionMatch match = ownName.match(file.fileName());
        if (!match.hasMatch() || match.captured(1) == ownStoreId)
            continue;
        Seen now{file.size(), file.lastModified(), std::nullopt};
        const auto before = m_seen.find(file.fileName());
        if (before != m_seen.end() && before->second.size == now.size && before->second.modified == now.modified) {
            now.content = before->second.content;
        } else {
            StoreResult<SyncFileContent> content = SyncFile::read(file.filePath());
            if (content)
                now.content = std::move(*content);
            else
                m_passedOver[file.fileName()] = content.error().message();
        }
        if (!now.content) {
            // Read again at the next look: a file still arriving becomes whole.
            continue;
        }
        Peer& peer = byStore[now.content->storeId];
        if (peer.path.isEmpty() || now.content->clock > peer.content.clock)
            peer = {file.filePath(), *now.content};
        seen[file.fileName()] = std::move(now);
    }
    m_seen = std::move(seen);
    std::vector<Peer> peers;
    for (auto& [store, peer] : byStore)
        peers.push_back(std::move(peer));
    return peers;
}

#include "core/SyncStore.h"

#include "core/NoteRows.h"
#include "core/NoteStore.h"
#include "core/SqliteDatabase.h"
#include "core/SqliteTransaction.h"
#include "core/StoreStatements.h"
#include "core/StoreText.h"
#include "core/SyncMerge.h"

#include <set>

namespace SyncStore {

namespace {

QString writeFailure()
{
    return QStringLiteral("The sync tables could not be written");
}

constexpr char CreateSettings[] = "create table if not exists zu_sync_setting (key text primary key, value)";
constexpr char CreateItems[] =
    "create table if not exists zu_sync_item (uid text primary key, kind integer, row_id integer, version text, "
    "stamp integer, origin text, origin_name text, removed integer, digest text)";
constexpr char SelectSettings[] = "select key, value from zu_sync_setting";
constexpr char SaveSetting[] = "insert or replace into zu_sync_setting values (?1, ?2)";
constexpr char SelectItems[] =
    "select uid, kind, row_id, version, stamp, origin, origin_name, removed, digest from zu_sync_item";
constexpr char SaveItem[] = "insert or replace into zu_sync_item values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
constexpr char AllNotes[] =
    "select rowid, f_day, note, xpos, ypos, width, height, term, visible, color, alpha from m_daviv";

StoreResult<std::map<QString, QString>> readSettings(SqliteDatabase& db)
{
    std::map<QString, QString> values;
    StoreResult<bool> has = db.hasTable("zu_sync_setting");
    if (!has)
        return has.error();
    if (!*has)
        return values;
    StoreResult<SqliteRows> rows = db.runQuery(SelectSettings);
    if (!rows)
        return rows.error();
    for (rows->goFirst(); !rows->atEnd(); rows->goNext())
        values[QString::fromUtf8(rows->valueText("key"))] = QString::fromUtf8(rows->valueText("value"));
    return values;
}

StoreResult<> writeSettings(SqliteDatabase& db, const std::map<QString, QString>& values)
{
    StoreResult<SqliteDatabase::Statement> save = db.prepare(SaveSetting);
    if (!save)
        return save.error();
    for (const auto& [key, value] : values) {
        bindText(save->get(), 1, key);
        bindText(save->get(), 2, value);
        if (StoreResult<> done = db.runPrepared(save->get(), SaveSetting, writeFailure()); !done)
            return done;
    }
    return {};
}

std::optional<SyncSettings> settingsFrom(const std::map<QString, QString>& values)
{
    const auto value = [&values](const char* key) {
        const auto found = values.find(QString::fromLatin1(key));
        return found == values.end() ? QString() : found->second;
    };
    if (value("folder").isEmpty() || value("store_id").isEmpty())
        return std::nullopt;
    return SyncSettings{value("store_id"), value("pc_name"), value("folder"), value("clock").toLongLong(),
                        value("host")};
}

// What the sync tables say of one item.
struct Record {
    SyncItem item; // identity, version and removal; the content comes from the row
    qint64 rowId = 0;
    QByteArray digest;
};

StoreResult<std::vector<Record>> readRecords(SqliteDatabase& db)
{
    StoreResult<SqliteDatabase::Statement> select = db.prepare(SelectItems);
    if (!select)
        return select.error();
    sqlite3_stmt* s = select->get();
    std::vector<Record> records;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        Record& r = records.emplace_back();
        r.item.uid = columnText(s, 0);
        r.item.kind = sqlite3_column_int(s, 1) == SyncItem::ReminderKind ? SyncItem::ReminderKind : SyncItem::NoteKind;
        r.rowId = sqlite3_column_int64(s, 2);
        r.item.version = versionFromText(columnText(s, 3));
        r.item.stamp = sqlite3_column_int64(s, 4);
        r.item.origin = columnText(s, 5);
        r.item.originName = columnText(s, 6);
        r.item.removed = sqlite3_column_int(s, 7) != 0;
        r.digest = columnText(s, 8).toLatin1();
    }
    if (rc != SQLITE_DONE)
        return db.failure(QStringLiteral("The sync tables could not be read"), SelectItems);
    return records;
}

SyncItem noteItem(const Note& note)
{
    SyncItem item;
    item.kind = SyncItem::NoteKind;
    item.day = note.date;
    item.text = note.text;
    item.color = note.color;
    item.alpha = note.alpha;
    item.isOpen = note.isOpen;
    item.place = note.bounds;
    return item;
}

SyncItem reminderItem(const Reminder& reminder)
{
    SyncItem item;
    item.kind = SyncItem::ReminderKind;
    item.day = reminder.day;
    item.time = reminder.time;
    item.text = reminder.message;
    return item;
}

// The rows as they are now, by kind and row id; rows that do not read are only known to exist.
struct LocalRows {
    std::map<std::pair<int, qint64>, SyncItem> readable;
    std::set<std::pair<int, qint64>> present;
};

StoreResult<LocalRows> readRows(SqliteDatabase& db)
{
    LocalRows local;
    StoreResult<SqliteRows> notes = db.runQuery(AllNotes);
    if (!notes)
        return notes.error();
    for (notes->goFirst(); !notes->atEnd(); notes->goNext())
        local.present.insert({SyncItem::NoteKind, notes->valueText("rowid").toLongLong()});
    for (const StoredNote& stored : NoteRows::notes(*notes))
        local.readable[{SyncItem::NoteKind, stored.note.id}] = noteItem(stored.note);
    StoreResult<SqliteRows> messages = db.runQuery(Statements::messages);
    if (!messages)
        return messages.error();
    for (const Reminder& reminder : NoteRows::reminders(*messages)) {
        local.present.insert({SyncItem::ReminderKind, reminder.id});
        if (reminder.unreadable.isEmpty())
            local.readable[{SyncItem::ReminderKind, reminder.id}] = reminderItem(reminder);
    }
    return local;
}

struct Round {
    SqliteDatabase& db;
    SyncSettings settings;
    SyncState state;
    // Where each live item is, by uid.
    std::map<QString, std::pair<int, qint64>> rows;
    // Items whose row does not read: left alone this round, by this store and the others.
    std::set<QString> untouchable;
    std::set<QString> dirty;
    // Items whose rows this round wrote: their digest is taken from the row as it reads back.
    std::set<QString> written;

    SyncVersion nextVersion(const SyncVersion& from, SyncItem& item)
    {
        SyncVersion version = from;
        version[settings.storeId] = ++settings.clock;
        item.stamp = settings.clock;
        item.origin = settings.storeId;
        item.originName = settings.pcName;
        return version;
    }
};

// The store's own changes since the last round, as new versions of its items.
StoreResult<> takeLocalChanges(Round& round, const std::vector<Record>& records, const LocalRows& local)
{
    std::set<std::pair<int, qint64>> recorded;
    for (const Record& record : records) {
        SyncItem item = record.item;
        const std::pair<int, qint64> row{item.kind, record.rowId};
        if (!item.removed) {
            recorded.insert(row);
            const auto readable = local.readable.find(row);
            if (readable == local.readable.end() && local.present.contains(row)) {
                round.untouchable.insert(item.uid);
                continue;
            }
            if (readable == local.readable.end()) {
                // Removed here since the last round.
                const SyncItem was = item;
                item = SyncItem{};
                item.kind = was.kind;
                item.uid = was.uid;
                item.removed = true;
                item.version = round.nextVersion(was.version, item);
                round.dirty.insert(item.uid);
            } else {
                const SyncItem known = item;
                item = readable->second;
                item.uid = known.uid;
                item.version = known.version;
                item.stamp = known.stamp;
                item.origin = known.origin;
                item.originName = known.originName;
                if (item.contentDigest() != record.digest) {
                    item.version = round.nextVersion(known.version, item);
                    round.dirty.insert(item.uid);
                }
                round.rows[item.uid] = row;
            }
        }
        round.state[item.uid] = item;
    }
    for (const auto& [row, content] : local.readable) {
        if (recorded.contains(row))
            continue;
        SyncItem item = content;
        item.version = round.nextVersion({}, item);
        item.uid = round.settings.storeId + QLatin1Char('.') + QString::number(item.stamp);
        round.state[item.uid] = item;
        round.rows[item.uid] = row;
        round.dirty.insert(item.uid);
    }
    return {};
}

Note noteFrom(const SyncItem& item, qint32 id, const QRect& place)
{
    Note note;
    note.id = id;
    note.date = item.day.isValid() ? item.day : QDate::currentDate();
    note.text = item.text;
    note.bounds = place;
    note.isOpen = item.isOpen;
    note.color = item.color;
    note.alpha = item.alpha;
    return note;
}

// The item as its row now holds it, for the digest of the next round.
StoreResult<SyncItem> reread(SqliteDatabase& db, int kind, qint64 id)
{
    if (kind == SyncItem::NoteKind) {
        StoreResult<SqliteRows> rows = db.runQuery(Statements::noteById(qint32(id)));
        if (!rows)
            return rows.error();
        StoreResult<StoredNote> note = NoteRows::firstNote(*rows);
        if (!note)
            return note.error();
        return noteItem(note->note);
    }
    StoreResult<SqliteRows> rows = db.runQuery(Statements::messages);
    if (!rows)
        return rows.error();
    for (const Reminder& reminder : NoteRows::reminders(*rows))
        if (reminder.id == id)
            return reminderItem(reminder);
    return StoreError(QStringLiteral("The reminder's row could not be found"));
}

// Makes the rows follow one merged item; where its row went.
StoreResult<> applyItem(Round& round, const SyncItem& item, SyncRound& out)
{
    const auto held = round.rows.find(item.uid);
    const bool hasRow = held != round.rows.end();
    SqliteDatabase& db = round.db;
    if (item.kind == SyncItem::NoteKind) {
        const qint32 id = hasRow ? qint32(held->second.second) : 0;
        if (item.removed) {
            if (hasRow) {
                if (StoreResult<> gone = db.runStatement(Statements::deleteNote(id)); !gone)
                    return gone;
                out.notesRemoved.push_back(id);
                round.rows.erase(held);
            }
            return {};
        }
        qint32 target = id;
        if (!hasRow) {
            if (StoreResult<> added = db.runStatement(Statements::addNote(item.day)); !added)
                return added;
            target = qint32(db.lastInsertRowid());
            round.rows[item.uid] = {SyncItem::NoteKind, target};
            out.notesAdded.push_back(target);
        } else {
            out.notesChanged.push_back(id);
        }
        return db.runStatement(Statements::saveNote(noteFrom(item, target, item.place)));
    }
    out.remindersChanged = true;
    const QString day = formatStoreDate(item.day);
    const QString time = formatStoreTime(item.time);
    if (item.removed) {
        if (!hasRow)
            return {};
        round.rows.erase(item.uid);
        return db.runStatement(Statements::deleteMessage(held->second.second));
    }
    if (hasRow)
        return db.runStatement(Statements::updateMessage(time, item.text, day, held->second.second));
    if (StoreResult<> added = db.runStatement(Statements::addMessage(time, item.text, day)); !added)
        return added;
    round.rows[item.uid] = {SyncItem::ReminderKind, db.lastInsertRowid()};
    return {};
}

StoreResult<> saveRecords(Round& round)
{
    StoreResult<SqliteDatabase::Statement> save = round.db.prepare(SaveItem);
    if (!save)
        return save.error();
    sqlite3_stmt* s = save->get();
    for (const QString& uid : round.dirty) {
        const SyncItem& item = round.state.at(uid);
        const auto row = round.rows.find(uid);
        QByteArray digest = item.contentDigest();
        if (row != round.rows.end() && round.written.contains(uid)) {
            StoreResult<SyncItem> stored = reread(round.db, row->second.first, row->second.second);
            if (!stored)
                return stored.error();
            digest = stored->contentDigest();
        }
        bindText(s, 1, uid);
        sqlite3_bind_int(s, 2, item.kind);
        if (row != round.rows.end())
            sqlite3_bind_int64(s, 3, row->second.second);
        bindText(s, 4, versionText(item.version));
        sqlite3_bind_int64(s, 5, item.stamp);
        bindText(s, 6, item.origin);
        bindText(s, 7, item.originName);
        sqlite3_bind_int(s, 8, item.removed);
        bindText(s, 9, QString::fromLatin1(digest));
        if (StoreResult<> done = round.db.runPrepared(s, SaveItem, writeFailure()); !done)
            return done;
    }
    return {};
}

} // namespace

StoreResult<std::optional<SyncSettings>> settings(const NoteStore& store)
{
    StoreResult<SqliteDatabase> db = store.connect();
    if (!db)
        return db.error();
    StoreResult<std::map<QString, QString>> values = readSettings(*db);
    if (!values)
        return values.error();
    return settingsFrom(*values);
}

StoreResult<SyncSettings> turnOn(const NoteStore& store, const QString& folder, const QString& pcName,
                                 const QString& host)
{
    StoreResult<SqliteDatabase> db = store.connect();
    if (!db)
        return db.error();
    StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(*db);
    if (!transaction)
        return transaction.error();
    for (const char* sql : {CreateSettings, CreateItems})
        if (StoreResult<> made = db->runStatement(sql); !made)
            return made.error();
    StoreResult<std::map<QString, QString>> values = readSettings(*db);
    if (!values)
        return values.error();
    std::map<QString, QString>& v = *values;
    if (v[QStringLiteral("store_id")].isEmpty() || v[QStringLiteral("host")] != host)
        v[QStringLiteral("store_id")] = SyncFile::newStoreId();
    v[QStringLiteral("host")] = host;
    v[QStringLiteral("pc_name")] = pcName;
    v[QStringLiteral("folder")] = folder;
    if (v[QStringLiteral("clock")].isEmpty())
        v[QStringLiteral("clock")] = QStringLiteral("0");
    if (StoreResult<> written = writeSettings(*db, v); !written)
        return written.error();
    if (StoreResult<> committed = transaction->commit(); !committed)
        return committed.error();
    return *settingsFrom(v);
}

StoreResult<> carryOver(const NoteStore& store, const QString& keptCopy)
{
    StoreResult<SqliteDatabase> kept = SqliteDatabase::open(keptCopy.toUtf8(), SqliteDatabase::OpenMode::ReadOnly);
    if (!kept)
        return kept.error();
    StoreResult<bool> synced = kept->hasTable("zu_sync_item");
    if (!synced || !*synced)
        return synced ? StoreResult<>() : StoreResult<>(synced.error());
    StoreResult<SqliteDatabase> db = store.connect();
    if (!db)
        return db.error();
    // Attached outside the transaction, as SQLite asks, by a UTF-8 name bound as a value.
    constexpr char Attach[] = "attach database ?1 as kept";
    StoreResult<SqliteDatabase::Statement> attach = db->prepare(Attach);
    if (!attach)
        return attach.error();
    bindText(attach->get(), 1, keptCopy);
    if (StoreResult<> attached = db->runPrepared(attach->get(), Attach, writeFailure()); !attached)
        return attached;
    StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(*db);
    if (!transaction)
        return transaction.error();
    for (const char* sql : {CreateSettings, CreateItems, "delete from zu_sync_setting", "delete from zu_sync_item",
                            "insert into zu_sync_setting select * from kept.zu_sync_setting",
                            "insert into zu_sync_item select * from kept.zu_sync_item"})
        if (StoreResult<> done = db->runStatement(sql); !done)
            return done;
    return transaction->commit();
}

StoreResult<> turnOff(const NoteStore& store)
{
    StoreResult<SqliteDatabase> db = store.connect();
    if (!db)
        return db.error();
    StoreResult<bool> has = db->hasTable("zu_sync_setting");
    if (!has)
        return has.error();
    if (!*has)
        return {};
    return db->runStatement("update zu_sync_setting set value = '' where key = 'folder'");
}

StoreResult<SyncRound> runRound(const NoteStore& store, const std::vector<SyncFileContent>& peers, int maxApplied,
                                int lockWaitMs)
{
    StoreResult<SqliteDatabase> db = store.connect(lockWaitMs);
    if (!db)
        return db.error();
    StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(*db);
    if (!transaction)
        return transaction.error();
    StoreResult<std::map<QString, QString>> values = readSettings(*db);
    if (!values)
        return values.error();
    const std::optional<SyncSettings> settings = settingsFrom(*values);
    if (!settings)
        return StoreError(QStringLiteral("This store does not synchronise"));
    if (StoreResult<> made = db->runStatement(CreateItems); !made)
        return made.error();
    Round round{*db, *settings, {}, {}, {}, {}, {}};
    StoreResult<std::vector<Record>> records = readRecords(*db);
    if (!records)
        return records.error();
    StoreResult<LocalRows> local = readRows(*db);
    if (!local)
        return local.error();
    // The clock runs past everything seen before this store's own changes take their versions:
    // a store gone back to a backup must not number a change as one the others already hold.
    for (const SyncFileContent& peer : peers) {
        round.settings.clock = std::max(round.settings.clock, peer.clock);
        for (const SyncItem& item : peer.items)
            for (const auto& [store, count] : item.version)
                round.settings.clock = std::max(round.settings.clock, count);
    }
    if (StoreResult<> taken = takeLocalChanges(round, *records, *local); !taken)
        return taken.error();

    SyncRound out;
    const bool ownChanges = !round.dirty.empty();
    std::set<QString> merged;
    // Every store's clock runs past what it has seen, so that a change made after seeing another
    // is ordered after it whatever the PCs' own clocks say.
    for (const SyncFileContent& peer : peers) {
        round.settings.clock = std::max(round.settings.clock, peer.clock);
        std::vector<SyncItem> incoming;
        for (const SyncItem& item : peer.items) {
            round.settings.clock = std::max(round.settings.clock, item.stamp);
            // A reminder must have a day and time this store can write.
            const bool writable =
                item.kind == SyncItem::NoteKind || item.removed || (item.day.isValid() && item.time.isValid());
            if (writable && !round.untouchable.contains(item.uid))
                incoming.push_back(item);
        }
        const SyncChanges changes = mergeItems(round.state, incoming);
        for (const auto* uids : {&changes.changed, &changes.added})
            merged.insert(uids->begin(), uids->end());
    }
    // The rest waits for the next round, which merges the same files again to the same result. A
    // note goes with the copies its merge made of a change that lost: only that merge makes them.
    std::set<QString> applied;
    for (const QString& uid : merged) {
        if (applied.contains(uid))
            continue;
        if (maxApplied >= 0 && int(applied.size()) >= maxApplied) {
            out.more = true;
            break;
        }
        std::vector<QString> unit{uid};
        const QString copies = uid + QLatin1Char('~');
        for (auto copy = merged.lower_bound(copies); copy != merged.end() && copy->startsWith(copies); ++copy)
            unit.push_back(*copy);
        for (const QString& each : unit) {
            if (StoreResult<> done = applyItem(round, round.state.at(each), out); !done)
                return done.error();
            round.dirty.insert(each);
            round.written.insert(each);
            applied.insert(each);
        }
    }
    out.published = !out.more && (ownChanges || !merged.empty());
    if (StoreResult<> saved = saveRecords(round); !saved)
        return saved.error();
    (*values)[QStringLiteral("clock")] = QString::number(round.settings.clock);
    if (StoreResult<> written = writeSettings(*db, *values); !written)
        return written.error();
    if (StoreResult<> committed = transaction->commit(); !committed)
        return committed.error();

    out.file = {round.settings.storeId, round.settings.pcName, round.settings.clock, {}};
    out.file.items.reserve(round.state.size());
    for (auto& [uid, item] : round.state)
        out.file.items.push_back(item);
    return out;
}

} // namespace SyncStore

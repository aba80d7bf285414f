#include "core/NoteStore.h"

#include "core/NoteRows.h"
#include "core/SqliteDatabase.h"
#include "core/SqliteTransaction.h"
#include "core/StoreStatements.h"
#include "core/StoreText.h"

#include <QDir>

#include <type_traits>

QString programFilePath(const QString& folder, const QString& fileName)
{
    QString path = folder;
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator())))
        path.chop(1);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path + fileName;
}

NoteStore::NoteStore(QString programFolder) : m_programFolder(std::move(programFolder)) {}

QString NoteStore::filePath() const
{
    return programFilePath(m_programFolder, QString::fromLatin1(StoreFileName));
}

StoreResult<SqliteDatabase> NoteStore::connect(int lockWaitMs) const
{
    StoreResult<SqliteDatabase> db = SqliteDatabase::open(filePath().toUtf8());
    if (!db)
        return db;
    if (lockWaitMs > 0)
        db->setLockWait(lockWaitMs);
    if (onOpen)
        onOpen(db->handle());
    return db;
}

template <class Work> auto NoteStore::run(Transaction transaction, Work&& work, int lockWaitMs) const
{
    using Out = std::invoke_result_t<Work&, SqliteDatabase&>;
    StoreResult<SqliteDatabase> db = connect(lockWaitMs);
    if (!db)
        return Out(db.error());
    if (transaction == Transaction::None)
        return work(*db);
    StoreResult<SqliteTransaction> begun = SqliteTransaction::begin(*db);
    if (!begun)
        return Out(begun.error());
    Out out = work(*db);
    if (!out)
        return out;
    if (StoreResult<> committed = begun->commit(); !committed)
        return Out(committed.error());
    return out;
}

StoreResult<> NoteStore::write(const QByteArray& sql) const
{
    return run(Transaction::One, [&sql](SqliteDatabase& db) { return db.runStatement(sql); });
}

StoreResult<> NoteStore::prepare() const
{
    // Tables made stay made when the forgetting below fails; it begins its own transaction, and
    // only where there is anything to forget.
    return run(Transaction::None, [](SqliteDatabase& db) -> StoreResult<> {
        if (StoreResult<> created = NoteRows::createMissingTables(db); !created)
            return created;
        // Removed notes are kept only while the list that removed them is open; a run that ended
        // without closing it (killed, crashed) must not keep them for good. Tried again at the
        // next start when the store cannot take it now.
        if (const StoreResult<> forgotten = NoteRows::forgetRemoved(db); !forgotten)
            qWarning("removed notes not forgotten: %s", qUtf8Printable(forgotten.error().message()));
        return {};
    });
}

StoreResult<std::vector<StoredNote>> NoteStore::openNotes() const
{
    return run(Transaction::None, [](SqliteDatabase& db) -> StoreResult<std::vector<StoredNote>> {
        StoreResult<SqliteRows> rows = db.runQuery(Statements::openNotes);
        if (!rows)
            return rows.error();
        // A row that does not read is left as it is in the store, without a word.
        return NoteRows::notes(*rows);
    });
}

StoreResult<std::optional<StoredNote>> NoteStore::note(qint32 id) const
{
    return run(Transaction::None, [id](SqliteDatabase& db) -> StoreResult<std::optional<StoredNote>> {
        StoreResult<SqliteRows> rows = db.runQuery(Statements::noteById(id));
        if (!rows)
            return rows.error();
        if (rows->rowCount() == 0)
            return std::optional<StoredNote>();
        StoreResult<StoredNote> note = NoteRows::firstNote(*rows);
        if (!note)
            return note.error();
        return std::optional<StoredNote>(std::move(*note));
    });
}

StoreResult<std::vector<NoteListRow>> NoteStore::noteList() const
{
    return run(Transaction::None, [](SqliteDatabase& db) -> StoreResult<std::vector<NoteListRow>> {
        StoreResult<SqliteRows> rows = db.runQuery(Statements::noteList);
        if (!rows)
            return rows.error();
        std::vector<NoteListRow> list;
        list.reserve(rows->rowCount());
        for (rows->goFirst(); !rows->atEnd(); rows->goNext()) {
            bool ok = false;
            const qint32 id = rows->valueText("rowid").toInt(&ok);
            if (!ok)
                continue;
            // Only a stored 0 is a note that was ended.
            list.push_back({id, decodeStoreText(rows->valueText("f_day")), decodeStoreText(rows->valueText("note")),
                            rows->valueText("term") != "0"});
        }
        return list;
    });
}

StoreResult<SaveResult> NoteStore::addNote(const QDate& today) const
{
    return run(Transaction::One, [&today](SqliteDatabase& db) -> StoreResult<SaveResult> {
        const StoreResult<qint32> id = NoteRows::add(db, today);
        if (!id)
            return id.error();
        const StoreResult<std::optional<RowImage>> image = NoteRows::image(db, *id);
        if (!image)
            return image.error();
        return SaveResult{SaveResult::AddedNew, *id, image->value_or(RowImage{})};
    });
}

StoreResult<SaveResult> NoteStore::saveNote(const Note& note, const std::optional<RowImage>& known, SaveKind kind,
                                            int lockWaitMs) const
{
    const auto save = [&](SqliteDatabase& db) -> StoreResult<SaveResult> {
        SaveResult result{SaveResult::Updated, note.id, {}};
        // A store file deleted while the program runs comes back empty at this open.
        const StoreResult<bool> tables = db.hasTable("m_daviv");
        if (!tables)
            return tables.error();
        if (note.id == 0) {
            result.way = SaveResult::AddedNew;
        } else {
            const StoreResult<std::optional<RowImage>> row =
                *tables ? NoteRows::image(db, note.id) : std::optional<RowImage>();
            if (!row)
                return row.error();
            if (!*row)
                result.way = SaveResult::AddedMissing;
            else if (known && **row != *known)
                result.way = SaveResult::AddedTaken;
        }
        if (!*tables)
            result.way = SaveResult::AddedToNewStore;
        if (result.way != SaveResult::Updated) {
            if (StoreResult<> created = *tables ? StoreResult<>() : NoteRows::createMissingTables(db); !created)
                return created.error();
            const StoreResult<qint32> id = NoteRows::add(db, note.date);
            if (!id)
                return id.error();
            result.id = *id;
        }
        Note written = note;
        written.id = result.id;
        if (StoreResult<> saved = db.runStatement(kind == SaveKind::TaskEnd ? Statements::endNote(written)
                                                                            : Statements::saveNote(written));
            !saved)
            return saved.error();
        if (db.changes() != 1)
            return StoreError(QStringLiteral("The note's row could not be written"), SQLITE_NOTFOUND,
                              QStringLiteral("no row %1").arg(result.id));
        const StoreResult<std::optional<RowImage>> image = NoteRows::image(db, result.id);
        if (!image)
            return image.error();
        result.image = image->value_or(RowImage{});
        return result;
    };
    return run(Transaction::One, save, lockWaitMs);
}

StoreResult<RowImage> NoteStore::reopenNote(qint32 id) const
{
    return run(Transaction::One, [id](SqliteDatabase& db) -> StoreResult<RowImage> {
        if (StoreResult<> reopened = db.runStatement(Statements::reopenNote(id)); !reopened)
            return reopened.error();
        const StoreResult<std::optional<RowImage>> image = NoteRows::image(db, id);
        if (!image)
            return image.error();
        return image->value_or(RowImage{});
    });
}

StoreResult<> NoteStore::removeNote(qint32 id) const
{
    return run(Transaction::One, [id](SqliteDatabase& db) -> StoreResult<> {
        for (const QByteArray& sql : {QByteArray(Statements::createRemoved), Statements::dropRemoved(id),
                                      Statements::keepRemoved(id), Statements::deleteNote(id)})
            if (StoreResult<> done = db.runStatement(sql); !done)
                return done;
        return {};
    });
}

StoreResult<qint32> NoteStore::restoreRemovedNote(qint32 id) const
{
    return run(Transaction::One, [id](SqliteDatabase& db) -> StoreResult<qint32> {
        const StoreResult<std::optional<RowImage>> taken = NoteRows::image(db, id);
        if (!taken)
            return taken.error();
        if (StoreResult<> put = db.runStatement(Statements::putBackRemoved(id, !*taken)); !put)
            return put.error();
        if (db.changes() != 1)
            return StoreError(QStringLiteral("The removed note could not be put back"), SQLITE_NOTFOUND,
                              QStringLiteral("no removed note %1").arg(id));
        const qint32 restored = *taken ? qint32(db.lastInsertRowid()) : id;
        if (StoreResult<> dropped = db.runStatement(Statements::dropRemoved(id)); !dropped)
            return dropped.error();
        return restored;
    });
}

StoreResult<> NoteStore::forgetRemovedNotes() const
{
    // The forgetting begins its own transaction, and only where there is anything to forget.
    return run(Transaction::None, [](SqliteDatabase& db) { return NoteRows::forgetRemoved(db); });
}

StoreResult<std::map<qint32, NoteLook>> NoteStore::noteLooks() const
{
    return run(Transaction::None, [](SqliteDatabase& db) -> StoreResult<std::map<qint32, NoteLook>> {
        std::map<qint32, NoteLook> looks;
        const StoreResult<bool> kept = db.hasTable("zu_note_look");
        if (!kept)
            return kept.error();
        if (!*kept)
            return looks;
        StoreResult<SqliteRows> rows = db.runQuery(Statements::looks);
        if (!rows)
            return rows.error();
        for (rows->goFirst(); !rows->atEnd(); rows->goNext()) {
            bool ok = false;
            const int zoom = rows->valueText("zoom").toInt(&ok);
            looks[rows->valueText("note_id").toInt()] = {ok ? zoom : NoteLook::DefaultZoom,
                                                         rows->valueText("on_top") == "1"};
        }
        return looks;
    });
}

StoreResult<> NoteStore::saveNoteLook(qint32 id, const NoteLook& look) const
{
    return run(Transaction::One, [&](SqliteDatabase& db) -> StoreResult<> {
        if (StoreResult<> created = db.runStatement(Statements::createLooks); !created)
            return created;
        return db.runStatement(Statements::saveLook(id, look));
    });
}

StoreResult<std::vector<Reminder>> NoteStore::reminders() const
{
    return run(Transaction::None, [](SqliteDatabase& db) -> StoreResult<std::vector<Reminder>> {
        StoreResult<SqliteRows> rows = db.runQuery(Statements::messages);
        if (!rows)
            return rows.error();
        return NoteRows::reminders(*rows);
    });
}

StoreResult<> NoteStore::addReminder(const QDate& day, const QTime& time, const QString& message) const
{
    return write(Statements::addMessage(formatStoreTime(time), message, formatStoreDate(day)));
}

StoreResult<> NoteStore::updateReminder(qint64 id, const QDate& day, const QTime& time, const QString& message) const
{
    return write(Statements::updateMessage(formatStoreTime(time), message, formatStoreDate(day), id));
}

StoreResult<> NoteStore::removeReminder(qint64 id) const
{
    return write(Statements::deleteMessage(id));
}

std::map<qint32, NoteLook> noteLooksOrDefaults(const NoteStore& store)
{
    StoreResult<std::map<qint32, NoteLook>> looks = store.noteLooks();
    if (looks)
        return std::move(*looks);
    qWarning("how the notes are shown could not be read: %s", qUtf8Printable(looks.error().message()));
    return {};
}

#include "NoteStore.h"

#include "StoreText.h"
#include "StoreStatements.h"

#include <QDir>

namespace {

const char* const ImageColumns[] = {"f_day",  "note", "xpos",    "ypos",  "width",
                                    "height", "term", "visible", "color", "alpha"};

QString text(const SqliteRows& table, const char* column)
{
    return decodeStoreText(table.valueText(column));
}

RowImage imageOf(const SqliteRows& table)
{
    RowImage image;
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = table.valueText(ImageColumns[i]);
    return image;
}

// Statement 6 and statement 8 select the same columns.
StoredNote decode(const SqliteRows& table)
{
    StoredNote note;
    NoteRecord& r = note.record;
    r.date = strToDate(text(table, "f_day"));
    r.text = text(table, "note");
    const int left = strToInt(text(table, "xpos"));
    const int top = strToInt(text(table, "ypos"));
    const int width = strToInt(text(table, "width"));
    const int height = strToInt(text(table, "height"));
    r.bounds = QRect(left, top, width, height);
    r.term = strToBool(text(table, "term"));
    r.visible = strToBool(text(table, "visible"));
    r.color = quint32(strToInt(text(table, "color")));
    r.alpha = strToInt(text(table, "alpha"));
    r.id = strToInt(text(table, "rowid"));
    note.image = imageOf(table);
    return note;
}

// Ends the store's transaction if an operation leaves it open by raising.
class Transaction {
public:
    explicit Transaction(SqliteDatabase& db) : m_db(db) { m_db.startTransaction(); }
    ~Transaction()
    {
        if (m_db.inTransaction()) {
            try {
                m_db.rollbackIfOpen();
            } catch (const StoreError& e) {
                qWarning("rollback failed: %s", e.what());
            }
        }
    }
    void commit() { m_db.commitTransaction(); }

private:
    SqliteDatabase& m_db;
};

std::optional<RowImage> rowImage(SqliteDatabase& db, qint32 id)
{
    std::unique_ptr<SqliteRows> table = db.runQuery(StmtNoteById(id));
    if (!table->goFirst())
        return std::nullopt;
    return imageOf(*table);
}

// Drops the copies of removed notes; a store without any is not written to, so that a
// read-only one still opens.
void forgetRemoved(SqliteDatabase& db)
{
    if (!db.hasTable("zu_note_removed") || db.runQuery(StmtAnyRemoved)->rowCount() == 0)
        return;
    Transaction transaction(db);
    if (db.hasTable("zu_note_look"))
        db.runStatement(StmtForgetRemovedLooks);
    db.runStatement(StmtForgetRemoved);
    transaction.commit();
}

} // namespace

NoteStore::NoteStore(QString programFolder) : m_programFolder(std::move(programFolder)) {}

QString NoteStore::filePath() const
{
    return programFilePath(m_programFolder, QString::fromLatin1(StoreFileName));
}

SqliteDatabase& NoteStore::open(StoreConnection& store, int lockWaitMs) const
{
    store.setLockWait(lockWaitMs);
    SqliteDatabase& db = store.openStore(QString::fromLatin1(StoreFileName));
    if (onOpen)
        onOpen(db.handle());
    return db;
}

std::unique_ptr<SqliteRows> NoteStore::query(const QByteArray& sql) const
{
    StoreConnection store(m_programFolder);
    return open(store).runQuery(sql);
}

void NoteStore::prepare() const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store);
    createMissingTables(db);
    // Removed notes are kept only while the list that removed them is open; a run that ended
    // without closing it (killed, crashed) must not keep them for good. Tried again at the next
    // start when the store cannot take it now.
    try {
        forgetRemoved(db);
    } catch (const StoreError& e) {
        qWarning("removed notes not forgotten: %s", e.what());
    }
}

std::vector<StoredNote> NoteStore::openNotes() const
{
    const std::unique_ptr<SqliteRows> table = query(StmtOpenNotes);
    std::vector<StoredNote> notes;
    notes.reserve(table->rowCount());
    for (table->goFirst(); !table->atEnd(); table->goNext()) {
        try {
            notes.push_back(decode(*table));
        } catch (const ConversionError&) {
            // A row that does not read is left as it is in the store, without a word.
        }
    }
    return notes;
}

std::optional<StoredNote> NoteStore::note(qint32 id) const
{
    const std::unique_ptr<SqliteRows> table = query(StmtNoteById(id));
    if (!table->goFirst())
        return std::nullopt;
    return decode(*table);
}

std::vector<NoteListRow> NoteStore::noteList() const
{
    const std::unique_ptr<SqliteRows> table = query(StmtNoteList);
    std::vector<NoteListRow> rows;
    rows.reserve(table->rowCount());
    for (table->goFirst(); !table->atEnd(); table->goNext())
        rows.push_back({text(*table, "rowid"), text(*table, "f_day"), text(*table, "note"), table->valueText("term")});
    return rows;
}

SaveResult NoteStore::addNote(const QDate& today) const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store);
    SaveResult result;
    result.way = SaveResult::AddedNew;
    result.id = store.addNote(today);
    if (const std::optional<RowImage> image = rowImage(db, result.id))
        result.image = *image;
    return result;
}

SaveResult NoteStore::saveNote(const NoteValues& values, const std::optional<RowImage>& known, bool ended,
                               int lockWaitMs) const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store, lockWaitMs);
    Transaction transaction(db);
    SaveResult result;
    result.id = values.id;
    // A store file deleted while the program runs comes back empty at this open.
    const bool tables = db.hasTable("m_daviv");
    if (values.id == 0) {
        result.way = SaveResult::AddedNew;
    } else {
        const std::optional<RowImage> row = tables ? rowImage(db, values.id) : std::nullopt;
        if (!row)
            result.way = SaveResult::AddedMissing;
        else if (known && *row != *known)
            result.way = SaveResult::AddedTaken;
    }
    if (result.way != SaveResult::Updated) {
        if (!tables)
            createMissingTables(db);
        db.runStatement(StmtAddNote(values.date));
        result.id = newNoteId(db);
    }
    NoteValues written = values;
    written.id = result.id;
    db.runStatement(ended ? StmtEndNote(written) : StmtSaveNote(written));
    if (db.changes() != 1)
        throw StoreError(QStringLiteral("The note's row could not be written"), SQLITE_NOTFOUND,
                         QStringLiteral("no row %1").arg(result.id));
    result.image = *rowImage(db, result.id);
    transaction.commit();
    return result;
}

void NoteStore::write(const QByteArray& sql) const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store);
    Transaction transaction(db);
    db.runStatement(sql);
    transaction.commit();
}

RowImage NoteStore::reopenNote(qint32 id) const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store);
    Transaction transaction(db);
    db.runStatement(StmtReopenNote(id));
    const std::optional<RowImage> image = rowImage(db, id);
    transaction.commit();
    return image.value_or(RowImage{});
}

void NoteStore::removeNote(qint32 id) const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store);
    Transaction transaction(db);
    db.runStatement(StmtCreateRemoved);
    db.runStatement(StmtDropRemoved(id));
    db.runStatement(StmtKeepRemoved(id));
    db.runStatement(StmtDeleteNote(id));
    transaction.commit();
}

qint32 NoteStore::restoreRemovedNote(qint32 id) const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store);
    Transaction transaction(db);
    const bool taken = rowImage(db, id).has_value();
    db.runStatement(StmtPutBackRemoved(id, !taken));
    if (db.changes() != 1)
        throw StoreError(QStringLiteral("The removed note could not be put back"), SQLITE_NOTFOUND,
                         QStringLiteral("no removed note %1").arg(id));
    const qint32 restored = taken ? qint32(sqlite3_last_insert_rowid(db.handle())) : id;
    db.runStatement(StmtDropRemoved(id));
    transaction.commit();
    return restored;
}

void NoteStore::forgetRemovedNotes() const
{
    StoreConnection store(m_programFolder);
    forgetRemoved(open(store));
}

std::map<qint32, NoteLook> NoteStore::noteLooks() const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store);
    std::map<qint32, NoteLook> looks;
    if (!db.hasTable("zu_note_look"))
        return looks;
    std::unique_ptr<SqliteRows> table = db.runQuery(StmtLooks);
    for (table->goFirst(); !table->atEnd(); table->goNext()) {
        bool ok = false;
        const int zoom = table->valueText("zoom").toInt(&ok);
        looks[table->valueText("note_id").toInt()] = {ok ? zoom : NoteLook::DefaultZoom,
                                                      table->valueText("on_top") == "1"};
    }
    return looks;
}

void NoteStore::saveNoteLook(qint32 id, const NoteLook& look) const
{
    StoreConnection store(m_programFolder);
    SqliteDatabase& db = open(store);
    Transaction transaction(db);
    db.runStatement(StmtCreateLooks);
    db.runStatement(StmtSaveLook(id, look.zoom, look.onTop));
    transaction.commit();
}

std::vector<ReminderRow> NoteStore::reminders() const
{
    const std::unique_ptr<SqliteRows> table = query(StmtMessages);
    std::vector<ReminderRow> messages;
    messages.reserve(table->rowCount());
    for (table->goFirst(); !table->atEnd(); table->goNext())
        messages.push_back(
            {text(*table, "rowid"), text(*table, "iTime"), text(*table, "message"), text(*table, "iday")});
    return messages;
}

void NoteStore::addReminder(const QString& time, const QString& message, const QString& day) const
{
    write(StmtAddMessage(time, message, day));
}

void NoteStore::updateReminder(const QString& time, const QString& message, const QString& day, qint64 id) const
{
    write(StmtUpdateMessage(time, message, day, id));
}

void NoteStore::removeReminder(qint64 id) const
{
    write(StmtDeleteMessage(id));
}

std::map<qint32, NoteLook> noteLooksOrDefaults(const NoteStore& store)
{
    try {
        return store.noteLooks();
    } catch (const Error& e) {
        qWarning("how the notes are shown could not be read: %s", e.what());
        return {};
    }
}

QString storeFailureText(const Error& error, const QString& storePath)
{
    const auto* sqlite = dynamic_cast<const StoreError*>(&error);
    if (!sqlite)
        return error.message();
    return QStringLiteral("%1\n保存先: %2").arg(sqlite->reason(), QDir::toNativeSeparators(storePath));
}

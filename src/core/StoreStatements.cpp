#include "StoreStatements.h"

#include "StoreText.h"

#include <QDir>

QString programFilePath(const QString& folder, const QString& fileName)
{
    QString path = folder;
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator())))
        path.chop(1);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path + fileName;
}

StoreConnection::StoreConnection(QString programFolder) : m_programFolder(std::move(programFolder)) {}

StoreConnection::~StoreConnection()
{
    closeStore();
}

SqliteDatabase& StoreConnection::openStore(const QString& fileName)
{
    database = std::make_unique<SqliteDatabase>(programFilePath(m_programFolder, fileName).toUtf8());
    if (m_lockWaitMs > 0)
        sqlite3_busy_timeout(database->handle(), m_lockWaitMs);
    return *database;
}

void createMissingTables(SqliteDatabase& db)
{
    if (!db.hasTable("m_daviv"))
        db.runStatement(StmtCreateNotes);
    if (!db.hasTable("m_icom_message"))
        db.runStatement(StmtCreateMessages);
}

void StoreConnection::prepareStore(const QString& fileName)
{
    createMissingTables(openStore(fileName));
    closeStore();
}

void StoreConnection::closeStore()
{
    database.reset();
}

std::optional<StoreError> StoreConnection::tryExecuteInTransaction(const QByteArray& sql)
{
    try {
        database->startTransaction();
        database->runStatement(sql);
        database->commitTransaction();
        return std::nullopt;
    } catch (const StoreError& e) {
        // A failing rollback leaves this function and reaches the caller.
        database->rollbackIfOpen();
        return e;
    }
}

void StoreConnection::executeInTransaction(const QByteArray& sql)
{
    tryExecuteInTransaction(sql);
}

qint32 StoreConnection::addNote(const QDate& today)
{
    // The insert's own outcome decides: a failed insert must never hand out the id of an
    // existing row, which the new window would then overwrite.
    if (std::optional<StoreError> failure = tryExecuteInTransaction(StmtAddNote(today)))
        throw *failure;
    return newNoteId(*database);
}

qint32 newNoteId(SqliteDatabase& db)
{
    const sqlite3_int64 inserted = sqlite3_last_insert_rowid(db.handle());
    std::unique_ptr<SqliteRows> table = db.runQuery(StmtNoteRowids);
    table->goLast();
    const qint32 id = strToInt(QString::fromLatin1(table->valueText("rowid")));
    if (id != inserted)
        throw StoreError(QStringLiteral("The new note's row could not be found"));
    return id;
}

QByteArray sqlTextLiteral(const QString& value)
{
    // NULs go only once the text is encoded, so that one between two halves of a broken
    // surrogate pair never joins them into a character nobody typed; neither encoding has a
    // zero byte inside a multi-byte character.
    QByteArray bytes = encodeStoreText(value);
    bytes.removeIf([](char c) { return c == '\0'; });
    return sqlBytesLiteral(bytes);
}

QByteArray sqlBytesLiteral(const QByteArray& bytes)
{
    if (bytes.contains('\0'))
        return "cast(x'" + bytes.toHex() + "' as text)";
    // SQLite takes the bytes of a literal as they are; only the quote byte is written twice.
    QByteArray quoted = bytes;
    quoted.replace('\'', "''");
    return '\'' + quoted + '\'';
}

QByteArray StmtAddNote(const QDate& today)
{
    return StmtAddNote(formatStoreDate(today));
}

QByteArray StmtAddNote(const QString& dateText)
{
    return "insert into m_daviv ('f_day') values (" + sqlTextLiteral(dateText) + ");";
}

namespace {

// Everything from "note = " on, shared by the save and the task-end statement.
QByteArray noteTail(const NoteValues& note)
{
    const QByteArray term = note.term ? "-1" : "0";
    const QByteArray text = note.textBytes ? sqlBytesLiteral(*note.textBytes) : sqlTextLiteral(note.text);
    return "note = " + text + ", xpos = " + QByteArray::number(note.x) + ", ypos = " + QByteArray::number(note.y) +
           ", width = " + QByteArray::number(note.width) + ", height = " + QByteArray::number(note.height) +
           ", term = " + term + ", visible = -1" + ", color = " + QByteArray::number(static_cast<qint32>(note.color)) +
           ", alpha = " + QByteArray::number(note.alpha) + " where rowid = " + QByteArray::number(note.id) + ";";
}

} // namespace

QByteArray StmtSaveNote(const NoteValues& note)
{
    return "update m_daviv set f_day = " + sqlTextLiteral(note.date) + ", " + noteTail(note);
}

QByteArray StmtEndNote(const NoteValues& note)
{
    return QByteArray("update m_daviv set term = ") + (note.term ? "-1" : "0") + "," + noteTail(note);
}

QByteArray StmtNoteById(qint64 id)
{
    return "select rowid, f_day, note, xpos, ypos, width, height, term, visible, color, alpha from m_daviv "
           "where rowid = " +
           QByteArray::number(id) + ";";
}

QByteArray StmtReopenNote(qint64 id)
{
    return "update m_daviv set term = -1 where rowid = " + QByteArray::number(id) + ";";
}

QByteArray StmtDeleteNote(qint64 id)
{
    return "delete from m_daviv where rowid = " + QByteArray::number(id) + ";";
}

QByteArray StmtAddMessage(const QString& time, const QString& message, const QString& date)
{
    return "insert into m_icom_message (itime, message, iday) values (" + sqlTextLiteral(time) + "," +
           sqlTextLiteral(message) + "," + sqlTextLiteral(date) + ")";
}

QByteArray StmtUpdateMessage(const QString& time, const QString& message, const QString& date, qint64 id)
{
    return "update m_icom_message set itime = " + sqlTextLiteral(time) + ", message = " + sqlTextLiteral(message) +
           ",iday = " + sqlTextLiteral(date) + " where rowid = " + QByteArray::number(id);
}

QByteArray StmtSaveLook(qint32 id, int zoom, bool onTop)
{
    return "insert into zu_note_look (note_id, zoom, on_top) values (" + QByteArray::number(id) + ", " +
           QByteArray::number(zoom) + ", " + (onTop ? "1" : "0") +
           ") on conflict (note_id) do update set zoom = excluded.zoom, on_top = excluded.on_top";
}

QByteArray StmtKeepRemoved(qint32 id)
{
    return "insert into zu_note_removed select rowid, f_day, note, xpos, ypos, width, height, term, visible, "
           "color, alpha from m_daviv where rowid = " +
           QByteArray::number(id);
}

QByteArray StmtPutBackRemoved(qint32 id, bool underOldId)
{
    return QByteArray("insert into m_daviv (") + (underOldId ? "rowid, " : "") +
           "f_day, note, xpos, ypos, width, height, term, visible, color, alpha) select " +
           (underOldId ? "note_id, " : "") +
           "f_day, note, xpos, ypos, width, height, term, visible, color, alpha from zu_note_removed where note_id = " +
           QByteArray::number(id);
}

QByteArray StmtDropRemoved(qint32 id)
{
    return "delete from zu_note_removed where note_id = " + QByteArray::number(id);
}

QByteArray StmtDeleteMessage(qint64 id)
{
    return "delete from m_icom_message where rowid = " + QByteArray::number(id);
}

#include "store/uSqliteDo.h"

#include "platform/StoreText.h"

#include <QDir>

QString ProgramFilePath(const QString& folder, const QString& fileName)
{
    QString path = folder;
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator())))
        path.chop(1);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path + fileName;
}

TSQLiteDo::TSQLiteDo(QString programFolder) : FProgramFolder(std::move(programFolder)) {}

TSQLiteDo::~TSQLiteDo()
{
    CloseStore();
}

TSQLiteDatabase& TSQLiteDo::OpenStore(const QString& fileName)
{
    Database = std::make_unique<TSQLiteDatabase>(ProgramFilePath(FProgramFolder, fileName).toUtf8());
    if (FLockWaitMs > 0)
        sqlite3_busy_timeout(Database->Handle(), FLockWaitMs);
    return *Database;
}

void CreateMissingTables(TSQLiteDatabase& db)
{
    if (!db.HasTable("m_daviv"))
        db.RunStatement(StmtCreateNotes);
    if (!db.HasTable("m_icom_message"))
        db.RunStatement(StmtCreateMessages);
}

void TSQLiteDo::PrepareStore(const QString& fileName)
{
    CreateMissingTables(OpenStore(fileName));
    CloseStore();
}

void TSQLiteDo::CloseStore()
{
    Database.reset();
}

std::optional<ESQLiteException> TSQLiteDo::TryExecuteInTransaction(const QByteArray& sql)
{
    try {
        Database->StartTransaction();
        Database->RunStatement(sql);
        Database->CommitTransaction();
        return std::nullopt;
    } catch (const ESQLiteException& e) {
        // A failing rollback leaves this function and reaches the caller.
        Database->RollbackIfOpen();
        return e;
    }
}

void TSQLiteDo::ExecuteInTransaction(const QByteArray& sql)
{
    TryExecuteInTransaction(sql);
}

qint32 TSQLiteDo::AddNote(const QDate& today)
{
    // The insert's own outcome decides: a failed insert must never hand out the id of an
    // existing row, which the new window would then overwrite.
    if (std::optional<ESQLiteException> failure = TryExecuteInTransaction(StmtAddNote(today)))
        throw *failure;
    return NewNoteId(*Database);
}

qint32 NewNoteId(TSQLiteDatabase& db)
{
    const sqlite3_int64 inserted = sqlite3_last_insert_rowid(db.Handle());
    std::unique_ptr<TSQLiteTable> table = db.RunQuery(StmtNoteRowids);
    table->GoLast();
    const qint32 id = StrToInt(QString::fromLatin1(table->ValueText("rowid")));
    if (id != inserted)
        throw ESQLiteException(QStringLiteral("The new note's row could not be found"));
    return id;
}

QByteArray SqlTextLiteral(const QString& value)
{
    // NULs go only once the text is encoded, so that one between two halves of a broken
    // surrogate pair never joins them into a character nobody typed; neither encoding has a
    // zero byte inside a multi-byte character.
    QByteArray bytes = EncodeStoreText(value);
    bytes.removeIf([](char c) { return c == '\0'; });
    return SqlBytesLiteral(bytes);
}

QByteArray SqlBytesLiteral(const QByteArray& bytes)
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
    return StmtAddNote(FormatStoreDate(today));
}

QByteArray StmtAddNote(const QString& dateText)
{
    return "insert into m_daviv ('f_day') values (" + SqlTextLiteral(dateText) + ");";
}

namespace {

// Everything from "note = " on, shared by the save and the task-end statement.
QByteArray NoteTail(const TNoteValues& note)
{
    const QByteArray term = note.Term ? "-1" : "0";
    const QByteArray text = note.TextBytes ? SqlBytesLiteral(*note.TextBytes) : SqlTextLiteral(note.Text);
    return "note = " + text + ", xpos = " + QByteArray::number(note.X) + ", ypos = " + QByteArray::number(note.Y) +
           ", width = " + QByteArray::number(note.Width) + ", height = " + QByteArray::number(note.Height) +
           ", term = " + term + ", visible = -1" + ", color = " + QByteArray::number(static_cast<qint32>(note.Color)) +
           ", alpha = " + QByteArray::number(note.Alpha) + " where rowid = " + QByteArray::number(note.Id) + ";";
}

} // namespace

QByteArray StmtSaveNote(const TNoteValues& note)
{
    return "update m_daviv set f_day = " + SqlTextLiteral(note.Date) + ", " + NoteTail(note);
}

QByteArray StmtEndNote(const TNoteValues& note)
{
    return QByteArray("update m_daviv set term = ") + (note.Term ? "-1" : "0") + "," + NoteTail(note);
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
    return "insert into m_icom_message (itime, message, iday) values (" + SqlTextLiteral(time) + "," +
           SqlTextLiteral(message) + "," + SqlTextLiteral(date) + ")";
}

QByteArray StmtUpdateMessage(const QString& time, const QString& message, const QString& date, qint64 id)
{
    return "update m_icom_message set itime = " + SqlTextLiteral(time) + ", message = " + SqlTextLiteral(message) +
           ",iday = " + SqlTextLiteral(date) + " where rowid = " + QByteArray::number(id);
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

#include "core/StoreStatements.h"

#include "core/StoreText.h"

namespace Statements {

namespace {

// Stored bytes as a literal of storage class TEXT, unchanged: between single quotes, or, when
// they hold a NUL, which a statement text cannot carry, as cast(x'...' as text).
QByteArray bytesLiteral(const QByteArray& bytes)
{
    if (bytes.contains('\0'))
        return "cast(x'" + bytes.toHex() + "' as text)";
    // SQLite takes the bytes of a literal as they are; only the quote byte is written twice.
    QByteArray quoted = bytes;
    quoted.replace('\'', "''");
    return '\'' + quoted + '\'';
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

// Everything from "note = " on, shared by the save and the task-end statement.
QByteArray noteTail(const Note& note)
{
    const QByteArray text = note.textBytes ? bytesLiteral(*note.textBytes) : textLiteral(note.text);
    const QRect& r = note.bounds;
    return "note = " + text + ", xpos = " + number(r.x()) + ", ypos = " + number(r.y()) +
           ", width = " + number(r.width()) + ", height = " + number(r.height()) +
           ", term = " + (note.isOpen ? "-1" : "0") + ", visible = -1" +
           ", color = " + number(static_cast<qint32>(note.color)) + ", alpha = " + number(note.alpha) +
           " where rowid = " + number(note.id) + ";";
}

} // namespace

QByteArray textLiteral(const QString& value)
{
    // NULs go only once the text is encoded, so that one between two halves of a broken
    // surrogate pair never joins them into a character nobody typed; neither encoding has a
    // zero byte inside a multi-byte character.
    QByteArray bytes = encodeStoreText(value);
    bytes.removeIf([](char c) { return c == '\0'; });
    return bytesLiteral(bytes);
}

QByteArray addNote(const QDate& day)
{
    return "insert into m_daviv ('f_day') values (" + textLiteral(formatStoreDate(day)) + ");";
}

QByteArray saveNote(const Note& note)
{
    return "update m_daviv set f_day = " + textLiteral(formatStoreDate(note.date)) + ", " + noteTail(note);
}

QByteArray endNote(const Note& note)
{
    return QByteArray("update m_daviv set term = ") + (note.isOpen ? "-1" : "0") + "," + noteTail(note);
}

QByteArray noteById(qint32 id)
{
    return "select rowid, f_day, note, xpos, ypos, width, height, term, visible, color, alpha from m_daviv "
           "where rowid = " +
           number(id) + ";";
}

QByteArray reopenNote(qint32 id)
{
    return "update m_daviv set term = -1 where rowid = " + number(id) + ";";
}

QByteArray deleteNote(qint32 id)
{
    return "delete from m_daviv where rowid = " + number(id) + ";";
}

QByteArray addMessage(const QString& time, const QString& message, const QString& day)
{
    return "insert into m_icom_message (itime, message, iday) values (" + textLiteral(time) + "," +
           textLiteral(message) + "," + textLiteral(day) + ")";
}

QByteArray updateMessage(const QString& time, const QString& message, const QString& day, qint64 id)
{
    return "update m_icom_message set itime = " + textLiteral(time) + ", message = " + textLiteral(message) +
           ",iday = " + textLiteral(day) + " where rowid = " + number(id);
}

QByteArray deleteMessage(qint64 id)
{
    return "delete from m_icom_message where rowid = " + number(id);
}

QByteArray saveLook(qint32 id, const NoteLook& look)
{
    return "insert into zu_note_look (note_id, zoom, on_top) values (" + number(id) + ", " + number(look.zoom) + ", " +
           (look.onTop ? "1" : "0") +
           ") on conflict (note_id) do update set zoom = excluded.zoom, on_top = excluded.on_top";
}

QByteArray keepRemoved(qint32 id)
{
    return "insert into zu_note_removed select rowid, f_day, note, xpos, ypos, width, height, term, visible, "
           "color, alpha from m_daviv where rowid = " +
           number(id);
}

QByteArray putBackRemoved(qint32 id, bool underOldId)
{
    return QByteArray("insert into m_daviv (") + (underOldId ? "rowid, " : "") +
           "f_day, note, xpos, ypos, width, height, term, visible, color, alpha) select " +
           (underOldId ? "note_id, " : "") +
           "f_day, note, xpos, ypos, width, height, term, visible, color, alpha from zu_note_removed where note_id = " +
           number(id);
}

QByteArray dropRemoved(qint32 id)
{
    return "delete from zu_note_removed where note_id = " + number(id);
}

} // namespace Statements

#pragma once

#include "core/NoteTypes.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

// Every statement the program runs against the store, composed here and nowhere else. Values
// are written into the text, never bound: numbers in decimal, Booleans as -1 and 0, texts as
// string literals. The texts fix the storage class of every stored value, so they stay as they
// are, byte for byte.
namespace Statements {

// A text value as an SQL string literal: single quotes doubled, in the store's encoding. A NUL
// would end the statement text early, so none is carried.
QByteArray textLiteral(const QString& value);

inline constexpr char createNotes[] =
    "Create table m_daviv ([f_day] DATE, [note] BLOB, [xpos] INT, [ypos] INT, [width] INT, [height] INT, "
    "[term] BOOL, [visible] BOOL, [color] INT, [alpha] INT)";
inline constexpr char createMessages[] = "Create table m_icom_message ([itime] Time, [message] Text, [iday] Date)";

// A row holding only the date.
QByteArray addNote(const QDate& day);
inline constexpr char noteRowids[] = "select rowid from m_daviv;";
// The whole note by id; with endNote the task end's form, which leaves f_day as it is.
QByteArray saveNote(const Note& note);
QByteArray endNote(const Note& note);
inline constexpr char openNotes[] =
    "select rowid, f_day, note, xpos, ypos, width, height, term, visible, color, alpha from m_daviv where term = -1";
inline constexpr char noteList[] = "select rowid, f_day, note, term from m_daviv;";
QByteArray noteById(qint32 id);
QByteArray reopenNote(qint32 id);
QByteArray deleteNote(qint32 id);

QByteArray addMessage(const QString& time, const QString& message, const QString& day);
QByteArray updateMessage(const QString& time, const QString& message, const QString& day, qint64 id);
QByteArray deleteMessage(qint64 id);
inline constexpr char messages[] = "select rowid,itime, message, iday from m_icom_message;";

// What the program keeps beside the two tables, each in a table of its own, made when first
// needed: how each note is shown, and removed notes until the note list that removed them closes.
inline constexpr char createLooks[] =
    "create table if not exists zu_note_look (note_id integer primary key, zoom integer, on_top integer)";
inline constexpr char looks[] = "select note_id, zoom, on_top from zu_note_look";
QByteArray saveLook(qint32 id, const NoteLook& look);
// Without declared types, the copied values keep their storage classes exactly.
inline constexpr char createRemoved[] = "create table if not exists zu_note_removed (note_id, f_day, note, "
                                        "xpos, ypos, width, height, term, visible, color, alpha)";
QByteArray keepRemoved(qint32 id);
QByteArray putBackRemoved(qint32 id, bool underOldId);
QByteArray dropRemoved(qint32 id);
inline constexpr char anyRemoved[] = "select note_id from zu_note_removed limit 1";
inline constexpr char forgetRemovedLooks[] =
    "delete from zu_note_look where note_id in (select note_id from zu_note_removed)";
inline constexpr char forgetRemoved[] = "delete from zu_note_removed";

inline constexpr char countNotes[] = "select count(*) as n from m_daviv";

} // namespace Statements

#pragma once

#include "NoteTypes.h"
#include "SqliteDatabase.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <memory>
#include <optional>

// The store file, beside the executable.
inline constexpr char StoreFileName[] = "zu_daviv.db";

// Joins the program folder and a file name with the system's separator.
QString programFilePath(const QString& folder, const QString& fileName);

// The store access object: one per store operation, never held across user actions.
class StoreConnection {
public:
    explicit StoreConnection(QString programFolder);
    ~StoreConnection();
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    SqliteDatabase& openStore(const QString& fileName);
    void prepareStore(const QString& fileName);
    void closeStore();
    // Runs one statement in a transaction of its own; a failure is rolled back and dropped.
    void executeInTransaction(const QByteArray& sql);
    // As executeInTransaction, but hands back the error it rolled back, if any.
    std::optional<StoreError> tryExecuteInTransaction(const QByteArray& sql);
    // Inserts a row holding only the date and returns its rowid; raises when the row was not stored.
    qint32 addNote(const QDate& today);

    // How long a connection opened from now on waits for another process's lock; none by
    // default, so that ordinary writes fail at once and are dropped.
    void setLockWait(int milliseconds) { m_lockWaitMs = milliseconds; }

    std::unique_ptr<SqliteDatabase> database;

private:
    QString m_programFolder;
    int m_lockWaitMs = 0;
};

// Creates the two tables of the store where they are missing.
void createMissingTables(SqliteDatabase& db);
// The rowid of the row the last insert made, checked against the last of the rowid list;
// raises when the two differ (the insert did not store a row).
qint32 newNoteId(SqliteDatabase& db);

// --- Every statement the program runs, each composed here and nowhere else. ---

// A text value as an SQL string literal: single quotes doubled, in the store's encoding.
// A NUL would end the statement text early, so none is carried.
QByteArray sqlTextLiteral(const QString& value);
// Stored bytes as a literal of storage class TEXT, unchanged: between single quotes, or, when
// they hold a NUL, which a statement text cannot carry, as cast(x'...' as text).
QByteArray sqlBytesLiteral(const QByteArray& bytes);

QByteArray StmtAddNote(const QDate& today); // 1
QByteArray StmtAddNote(const QString& dateText);
inline constexpr char StmtNoteRowids[] = "select rowid from m_daviv;"; // 2
inline constexpr char StmtCreateNotes[] =                              // 3
    "Create table m_daviv ([f_day] DATE, [note] BLOB, [xpos] INT, [ypos] INT, [width] INT, [height] INT, "
    "[term] BOOL, [visible] BOOL, [color] INT, [alpha] INT)";
inline constexpr char StmtCreateMessages[] = "Create table m_icom_message ([itime] Time, [message] Text, [iday] Date)";
QByteArray StmtSaveNote(const NoteValues& note); // 4
QByteArray StmtEndNote(const NoteValues& note);  // 5
inline constexpr char StmtOpenNotes[] =          // 6
    "select rowid, f_day, note, xpos, ypos, width, height, term, visible, color, alpha from m_daviv where term = -1";
inline constexpr char StmtNoteList[] = "select rowid, f_day, note, term from m_daviv;";                    // 7
QByteArray StmtNoteById(qint64 id);                                                                        // 8
QByteArray StmtReopenNote(qint64 id);                                                                      // 9
QByteArray StmtDeleteNote(qint64 id);                                                                      // 10
QByteArray StmtAddMessage(const QString& time, const QString& message, const QString& date);               // 11
QByteArray StmtUpdateMessage(const QString& time, const QString& message, const QString& date, qint64 id); // 12
QByteArray StmtDeleteMessage(qint64 id);                                                                   // 13
inline constexpr char StmtMessages[] = "select rowid,itime, message, iday from m_icom_message;";           // 14

// What the program keeps beside the two tables, each in a table of its own, made when first
// needed: how each note is shown, and removed notes until the note list that removed them closes.
inline constexpr char StmtCreateLooks[] =
    "create table if not exists zu_note_look (note_id integer primary key, zoom integer, on_top integer)";
inline constexpr char StmtLooks[] = "select note_id, zoom, on_top from zu_note_look";
QByteArray StmtSaveLook(qint32 id, int zoom, bool onTop);
// Without declared types, the copied values keep their storage classes exactly.
inline constexpr char StmtCreateRemoved[] = "create table if not exists zu_note_removed (note_id, f_day, note, "
                                            "xpos, ypos, width, height, term, visible, color, alpha)";
QByteArray StmtKeepRemoved(qint32 id);
QByteArray StmtPutBackRemoved(qint32 id, bool underOldId);
QByteArray StmtDropRemoved(qint32 id);
inline constexpr char StmtAnyRemoved[] = "select note_id from zu_note_removed limit 1";
inline constexpr char StmtForgetRemovedLooks[] =
    "delete from zu_note_look where note_id in (select note_id from zu_note_removed)";
inline constexpr char StmtForgetRemoved[] = "delete from zu_note_removed";

#pragma once

#include "core/NoteTypes.h"
#include "core/StoreError.h"

#include <QDate>

#include <optional>
#include <vector>

class SqliteDatabase;
class SqliteRows;

// The store's steps on note rows, on a connection its operation has open.
namespace NoteRows {

// Creates the two tables of the store where they are missing.
StoreResult<> createMissingTables(SqliteDatabase& db);
// The stored bytes of a note's row; nothing when there is no such row.
StoreResult<std::optional<RowImage>> image(SqliteDatabase& db, qint32 id);
// Every row of a result of openNotes or noteById that reads as a note.
std::vector<StoredNote> notes(SqliteRows& rows);
// The first row of such a result as a note; a value that does not read gives why.
StoreResult<StoredNote> firstNote(SqliteRows& rows);
// Every reminder of a result of the messages query; one whose day or time does not read says why.
std::vector<Reminder> reminders(SqliteRows& rows);
// Inserts a row holding only the date; its id.
StoreResult<qint32> add(SqliteDatabase& db, const QDate& day);
// Drops the copies of removed notes.
StoreResult<> forgetRemoved(SqliteDatabase& db);

} // namespace NoteRows

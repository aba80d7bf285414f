#pragma once

#include "NoteTypes.h"
#include "StoreError.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
class SqliteDatabase;
class SqliteRows;
class StoreConnection;

// The one way into zu_daviv.db for every window. Each operation opens the store, runs its
// statements and closes it again; reads hand back decoded values, and a failure raises
// StoreError with SQLite's own code and text (a full disk, a lock, a read-only file).
class NoteStore {
public:
    explicit NoteStore(QString programFolder);

    QString filePath() const;
    const QString& programFolder() const { return m_programFolder; }

    // Creates the file and the missing tables, and drops the copies of notes removed in an
    // earlier run.
    void prepare() const;

    // The open notes; a row whose values do not read is left out.
    std::vector<StoredNote> openNotes() const;
    // One note by id; nothing when there is no such row. A value that does not read raises.
    std::optional<StoredNote> note(qint32 id) const;
    std::vector<NoteListRow> noteList() const;

    // A new row holding only the date: its id and image.
    SaveResult addNote(const QDate& today) const;
    // Writes a note to its row, or to a new row when it has none, when its row is gone, or
    // when the row no longer holds what `known` says (nothing known: any row of that id is
    // the note's). With ended, the task end's statement is used.
    SaveResult saveNote(const NoteValues& values, const std::optional<RowImage>& known, bool ended = false,
                        int lockWaitMs = 0) const;
    // Marks a note open again; the row's image afterwards.
    RowImage reopenNote(qint32 id) const;
    // Deletes a note's row; a copy is kept until forgetRemovedNotes, so that the removal can be
    // taken back.
    void removeNote(qint32 id) const;
    // Puts a removed note's row back as it was, under its old id when no row has taken it since;
    // its id.
    qint32 restoreRemovedNote(qint32 id) const;
    void forgetRemovedNotes() const;

    // How the notes are shown, by note id; notes not listed have the default look.
    std::map<qint32, NoteLook> noteLooks() const;
    void saveNoteLook(qint32 id, const NoteLook& look) const;

    std::vector<ReminderRow> reminders() const;
    void addReminder(const QString& time, const QString& message, const QString& day) const;
    void updateReminder(const QString& time, const QString& message, const QString& day, qint64 id) const;
    void removeReminder(qint64 id) const;

    // Runs on every connection the store opens, before any statement; tests set limits here
    // to make SQLite fail as a full disk does.
    std::function<void(sqlite3*)> onOpen;

private:
    SqliteDatabase& open(StoreConnection& store, int lockWaitMs = 0) const;
    // Runs a query on a connection of its own; the rows stay readable after it is closed.
    std::unique_ptr<SqliteRows> query(const QByteArray& sql) const;
    void write(const QByteArray& sql) const;

    QString m_programFolder;
};

// How the notes are shown; none (every note as by default) when that cannot be read: it must
// never keep a note from coming back.
std::map<qint32, NoteLook> noteLooksOrDefaults(const NoteStore& store);

// The user's words for a store failure: SQLite's own text and where the store is; for any other
// error of the program, its message.
QString storeFailureText(const Error& error, const QString& storePath);

#pragma once

#include "store/NoteRecord.h"
#include "store/SQLiteError.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
class TSQLiteDatabase;
class TSQLiteTable;
class TSQLiteDo;

// The one way into zu_daviv.db for every window. Each operation opens the store, runs its
// statements and closes it again; reads hand back decoded values, and a failure raises
// ESQLiteException with SQLite's own code and text (a full disk, a lock, a read-only file).
class TNoteStore {
public:
    explicit TNoteStore(QString programFolder);

    QString FilePath() const;
    const QString& ProgramFolder() const { return FProgramFolder; }

    // Creates the file and the missing tables, and drops the copies of notes removed in an
    // earlier run.
    void Prepare() const;

    // The open notes; a row whose values do not read is left out.
    std::vector<TStoredNote> OpenNotes() const;
    // One note by id; nothing when there is no such row. A value that does not read raises.
    std::optional<TStoredNote> Note(qint32 id) const;
    std::vector<TNoteListRow> NoteList() const;

    // A new row holding only the date: its id and image.
    TNoteSaveResult AddNote(const QDate& today) const;
    // Writes a note to its row, or to a new row when it has none, when its row is gone, or
    // when the row no longer holds what `known` says (nothing known: any row of that id is
    // the note's). With ended, the task end's statement is used.
    TNoteSaveResult SaveNote(const TNoteValues& values, const std::optional<TRowImage>& known, bool ended = false,
                             int lockWaitMs = 0) const;
    // Marks a note open again; the row's image afterwards.
    TRowImage ReopenNote(qint32 id) const;
    // Deletes a note's row; a copy is kept until ForgetRemovedNotes, so that the removal can be
    // taken back.
    void RemoveNote(qint32 id) const;
    // Puts a removed note's row back as it was, under its old id when no row has taken it since;
    // its id.
    qint32 RestoreRemovedNote(qint32 id) const;
    void ForgetRemovedNotes() const;

    // How the notes are shown, by note id; notes not listed have the default look.
    std::map<qint32, TNoteLook> NoteLooks() const;
    void SaveNoteLook(qint32 id, const TNoteLook& look) const;

    std::vector<TBalloonMessage> Messages() const;
    void AddMessage(const QString& time, const QString& message, const QString& day) const;
    void UpdateMessage(const QString& time, const QString& message, const QString& day, qint64 id) const;
    void RemoveMessage(qint64 id) const;

    // Runs on every connection the store opens, before any statement; tests set limits here
    // to make SQLite fail as a full disk does.
    std::function<void(sqlite3*)> OnOpen;

private:
    TSQLiteDatabase& Open(TSQLiteDo& store, int lockWaitMs = 0) const;
    // Runs a query on a connection of its own; the rows stay readable after it is closed.
    std::unique_ptr<TSQLiteTable> Query(const QByteArray& sql) const;
    void Write(const QByteArray& sql) const;

    QString FProgramFolder;
};

// How the notes are shown; none (every note as by default) when that cannot be read: it must
// never keep a note from coming back.
std::map<qint32, TNoteLook> NoteLooksOrDefaults(const TNoteStore& store);

// The user's words for a store failure: SQLite's own text and where the store is; for any other
// error of the program, its message.
QString StoreFailureText(const Exception& error, const QString& storePath);

#pragma once

#include "core/NoteTypes.h"
#include "core/StoreError.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <functional>
#include <map>
#include <optional>
#include <vector>

struct sqlite3;
class SqliteDatabase;

// The store file, beside the executable.
inline constexpr char StoreFileName[] = "zu_daviv.db";

// Joins the program folder and a file name with the system's separator.
QString programFilePath(const QString& folder, const QString& fileName);

// Which statement a note save runs: the whole note, or the task end's, which keeps the date.
enum class SaveKind { Save, TaskEnd };

// The one way into zu_daviv.db for every window. Each operation opens the store, runs its
// statements (in one transaction where it writes) and closes it again; it hands back decoded
// values, or the StoreError that stopped it: a lock, a full disk, a read-only, damaged or
// replaced file, a file that is not a database, a value that does not read.
class NoteStore {
public:
    explicit NoteStore(QString programFolder);

    QString filePath() const;
    const QString& programFolder() const { return m_programFolder; }

    // Creates the file and the missing tables, and drops the copies of notes removed in an
    // earlier run.
    StoreResult<> prepare() const;

    // The open notes; a row whose values do not read is left out.
    StoreResult<std::vector<StoredNote>> openNotes() const;
    // One note by id; nothing when there is no such row.
    StoreResult<std::optional<StoredNote>> note(qint32 id) const;
    // Every note; a row whose id is no note id is left out.
    StoreResult<std::vector<NoteListRow>> noteList() const;

    // A new row holding only the date: its id and image.
    StoreResult<SaveResult> addNote(const QDate& today) const;
    // Writes a note to its row, or to a new row when it has none, when its row is gone, or when
    // the row no longer holds what `known` says (nothing known: any row of that id is the
    // note's). With a lock wait, a store that another program holds is waited for that long.
    StoreResult<SaveResult> saveNote(const Note& note, const std::optional<RowImage>& known,
                                     SaveKind kind = SaveKind::Save, int lockWaitMs = 0) const;
    // Marks a note open again; the row's image afterwards.
    StoreResult<RowImage> reopenNote(qint32 id) const;
    // Deletes a note's row; a copy is kept until forgetRemovedNotes, so that the removal can be
    // taken back.
    StoreResult<> removeNote(qint32 id) const;
    // Puts a removed note's row back as it was, under its old id when no row has taken it since;
    // its id.
    StoreResult<qint32> restoreRemovedNote(qint32 id) const;
    StoreResult<> forgetRemovedNotes() const;

    // How the notes are shown, by note id; notes not listed have the default look.
    StoreResult<std::map<qint32, NoteLook>> noteLooks() const;
    StoreResult<> saveNoteLook(qint32 id, const NoteLook& look) const;

    StoreResult<std::vector<Reminder>> reminders() const;
    StoreResult<> addReminder(const QDate& day, const QTime& time, const QString& message) const;
    StoreResult<> updateReminder(qint64 id, const QDate& day, const QTime& time, const QString& message) const;
    StoreResult<> removeReminder(qint64 id) const;

    // A connection of its own to the store, for work beyond these operations (synchronising).
    StoreResult<SqliteDatabase> connect(int lockWaitMs = 0) const;

    // Runs on every connection the store opens, before any statement; tests set limits here
    // to make SQLite fail as a full disk does.
    std::function<void(sqlite3*)> onOpen;

private:
    // Whether an operation runs inside one transaction of its own: not for reads, nor for work
    // that writes each statement on its own or begins transactions itself.
    enum class Transaction { None, One };
    // Opens the store on a connection of its own, runs the work on it, inside one transaction
    // committed after it where asked, and closes it again.
    template <class Work> auto run(Transaction transaction, Work&& work, int lockWaitMs = 0) const;
    StoreResult<> write(const QByteArray& sql) const;

    QString m_programFolder;
};

// How the notes are shown; none (every note as by default) when that cannot be read: it must
// never keep a note from coming back.
std::map<qint32, NoteLook> noteLooksOrDefaults(const NoteStore& store);

#pragma once

#include "core/StoreError.h"
#include "core/SyncFile.h"

#include <QString>

#include <optional>
#include <vector>

class NoteStore;

// This store's part in synchronising: who it is, where the folder is, its logical clock.
struct SyncSettings {
    QString storeId;
    QString pcName;
    QString folder;
    qint64 clock = 0;
    // The host that made the id: a store copied to another PC takes a new one there.
    QString host;
};

// What one round changed in the store, for the windows to follow.
struct SyncRound {
    // Rows whose text, date, colour, transparency or open state another store changed.
    std::vector<qint32> notesChanged;
    // New rows: notes new to this store, and copies of changes that lost against another's.
    std::vector<qint32> notesAdded;
    // Rows removed because another store removed the note.
    std::vector<qint32> notesRemoved;
    bool remindersChanged = false;
    // Whether anything changed since this store last wrote its file; not while more is due.
    bool published = false;
    // Merged items wait to be written: the next round goes on with them.
    bool more = false;
    // This store's file as it should now be.
    SyncFileContent file;
    bool changedRows() const { return !notesChanged.empty() || !notesAdded.empty() || !notesRemoved.empty(); }
};

// The store's side of synchronising, in tables of its own that only a store that was ever
// synchronised has: a stable identity, version and digest for every note and reminder, the
// removals, and the settings. The two tables of notes and reminders keep their form.
namespace SyncStore {

// The settings; nothing when this store does not synchronise.
StoreResult<std::optional<SyncSettings>> settings(const NoteStore& store);
// Synchronises with a folder from now on. A store copied from another PC (its host differs from
// the one that made its id) takes a new id, so that two PCs never write the same file.
StoreResult<SyncSettings> turnOn(const NoteStore& store, const QString& folder, const QString& pcName,
                                 const QString& host);
// Stops synchronising; what the tables hold stays for the next time.
StoreResult<> turnOff(const NoteStore& store);

// After the store went back to a copy: what synchronising knew just before (in the copy kept of
// the store as it was) replaces what the copy knew, so that the notes as the copy has them are
// this store's newest changes, and travel; a copy's older knowledge would have the other PCs'
// newer versions undo the going back, and a copy from before synchronising began would double
// every note. Nothing to do for a store that did not synchronise.
StoreResult<> carryOver(const NoteStore& store, const QString& keptCopy);

// One round, in one transaction: the store's own changes since the last round take new
// versions, the other stores' files are merged in, and the rows follow the merged notes and
// reminders (a note's place stays this PC's own once it has one). At most maxApplied merged items
// are written (negative: all), so that a round stays short; `more` says that another round is due.
StoreResult<SyncRound> runRound(const NoteStore& store, const std::vector<SyncFileContent>& peers, int maxApplied = -1,
                                int lockWaitMs = 0);

} // namespace SyncStore

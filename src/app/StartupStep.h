#pragma once

#include "core/StoreError.h"

#include <QCoreApplication>
#include <QString>

class Clock;
class NoteRegistry;
class NoteStore;
class ReminderStep;
class SaveNotices;
class StoreRecovery;
class Tray;

// The start: the store is checked for damage (and a copy of a damaged one kept) before anything
// writes to it, then prepared, the reminders loaded and, at the first tick, every note that was
// open brought back. While the store cannot be read this is tried again every few seconds. It
// also tells, once, of a damaged store, of notes rescued at the last exit, and at a first start
// how a note is made.
class StartupStep {
    Q_DECLARE_TR_FUNCTIONS(StartupStep)

public:
    StartupStep(const Clock& clock, const NoteStore& store, NoteRegistry& notes, ReminderStep& reminders,
                StoreRecovery& recovery, Tray& tray, SaveNotices& saveNotices);

    // Before the first tick: the check and the preparation.
    void prepare();
    // A tick: the first one restores; while the restore is pending, so does every retry.
    void run(int tick, bool retry);
    // The store was replaced: it is prepared and its notes restored again.
    void startOver();
    // The notes that were open are not on the desktop yet.
    bool pending() const { return m_pending; }
    // Why the store could not be prepared or read; empty once it was.
    const QString& error() const { return m_error; }

private:
    // Prepares the store and reads the reminders.
    StoreResult<> open();
    void restore();
    void showFirstStartHint(int tick);
    void tellOfRescuedNotes();

    const Clock& m_clock;
    const NoteStore& m_store;
    NoteRegistry& m_notes;
    ReminderStep& m_reminders;
    StoreRecovery& m_recovery;
    Tray& m_tray;
    SaveNotices& m_saveNotices;
    bool m_pending = true;
    bool m_prepared = false;
    // The store did not exist before this start: a new user is told how to make a note.
    bool m_firstStart = false;
    QString m_error;
    QString m_damageNotice;
};

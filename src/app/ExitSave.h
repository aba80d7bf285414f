#pragma once

#include <QList>
#include <QString>

class Clock;
class NoteRegistry;
class NoteStore;
class NoteWindow;

// The last saves of the notes: every note written, a store that another process holds for a
// moment waited for, and what still cannot be stored written to a rescue file where the user
// finds it, with word left for the next start.
class ExitSave {
public:
    ExitSave(const Clock& clock, const NoteStore& store, const NoteRegistry& notes);

    // Saves every note, waiting for a locked store up to lockWaitMs in all; the notes that are
    // still not stored.
    QList<NoteWindow*> saveEveryNote(int lockWaitMs) const;
    // Writes the notes' text to a rescue file; its path, or nothing.
    QString rescue(const QList<NoteWindow*>& notes) const;
    // What the user is told of notes that could not be saved, and of the file that holds them.
    static QString report(const QList<NoteWindow*>& unsaved, const QString& rescued);

private:
    const Clock& m_clock;
    const NoteStore& m_store;
    const NoteRegistry& m_notes;
};

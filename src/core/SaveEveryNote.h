#pragma once

#include <QList>
#include <QString>

class Clock;
class NoteStore;
class OpenNote;

// Saves every note, as the exit and a restore do: a store that another process holds is waited
// for up to lockWaitMs in all, not per note, so that many notes cannot keep the exit waiting.
// The notes that are still not stored.
QList<OpenNote*> saveEveryNote(const QList<OpenNote*>& notes, int lockWaitMs);

// Writes what the notes show to a rescue file where the user finds it (beside the store, else in
// the documents, home or temporary folder) and leaves word of it for the next start; the file's
// path, or nothing when there is nothing to rescue or no folder took it.
QString rescueNotes(const QList<OpenNote*>& notes, const Clock& clock, const NoteStore& store);

#pragma once

#include "core/NoteTypes.h"

#include <QList>
#include <QRect>

#include <map>
#include <vector>

class Desktop;
class ErrorReport;
class NoteStore;
class NoteWindow;
class OpenNote;
class QWidget;

// Every note window of the program, whoever opened it: a drag-out, the tray, the start-up
// restore, the note list. One list, so that show-all, the saves at exit and the note list's
// look-up all see the same windows. The windows are top-level windows owned by one widget (the
// palette), which keeps them out of the taskbar's list of its own.
class NoteRegistry {
public:
    NoteRegistry(Desktop& desktop, const NoteStore& store, ErrorReport& report, QWidget* owner);
    // Destroys the windows and writes nothing: the shutdown saved and ended the notes before.
    ~NoteRegistry();
    NoteRegistry(const NoteRegistry&) = delete;
    NoteRegistry& operator=(const NoteRegistry&) = delete;

    // In the order they were made.
    const QList<NoteWindow*>& notes() const { return m_notes; }
    NoteWindow* find(qint32 id) const;
    // The same notes as the rules that save every note see them.
    QList<OpenNote*> openNotes() const;

    // A new window, hidden, for its creator to fill.
    NoteWindow* create();
    // A new note of the given colour at the given place, dated today and shown, with a row of its
    // own (or, while the store takes none, saved as soon as it can).
    NoteWindow* makeNote(const QRect& bounds, quint32 color);
    // Windows for the stored notes that have none yet, each within reach; all are built before
    // the first is shown.
    void restore(const std::vector<StoredNote>& notes, const std::map<qint32, NoteLook>& looks);
    // Closes a note's window without saving it: its row is being removed or replaced.
    void discard(NoteWindow* note);
    // Closes every window without saving it.
    void discardAll();
    // Ends every note in its fade at once, as the fade would have ended it: the program is about
    // to destroy the windows.
    void endFading();
    // Destroys every window: what they hold was saved, rescued or ended before.
    void destroyAll();
    // Every hidden note comes back; an ended one as an open note.
    void showHidden();
    // Every shown note lies within reach of a screen, or goes back to its own place.
    void keepReachable();

private:
    Desktop& m_desktop;
    const NoteStore& m_store;
    ErrorReport& m_report;
    QWidget* m_owner;
    QList<NoteWindow*> m_notes;
};

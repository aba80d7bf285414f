#pragma once

#include "core/NoteTypes.h"

#include <QList>
#include <QRect>

#include <map>
#include <optional>
#include <vector>

class Desktop;
class ErrorReport;
class NoteStore;
class NoteWindow;
class OpenNote;
class QWidget;

// A note window to open: the note, how it is shown beyond its row, and which way it comes.
struct NoteOpening {
    enum Way {
        New,         // made by the user: shown as it is given, then given a row of its own
        Restored,    // an open note of the store, at start-up
        Reopened,    // a note shown again from the note list: its row is marked open once it shows
        BroughtBack, // a removed note put back as its window was: its row takes what the window kept
    };
    Way way = Restored;
    // The record as read; a brought-back note's with the place, colour and transparency its
    // window had; a new note's with today's date, its place and colour and no id.
    Note note;
    // The row's bytes as read; nothing for a new note.
    std::optional<RowImage> row;
    NoteLook look;
    bool shown = true;
    // Brought back: the id the note had when it was removed. Under a new id it takes its look along.
    qint32 formerId = 0;
    // Whether showing it may take the keyboard from where the user is typing: not for a note
    // another PC sent, which comes while the user works elsewhere.
    bool takesFocus = true;
};

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

    // The one way a note window is made. Every window is built before the first is shown; a
    // shown one is within reach. A stored note that has a window keeps it and gets no other.
    QList<NoteWindow*> open(const std::vector<NoteOpening>& openings);
    // One window; none when its note has one already.
    NoteWindow* open(const NoteOpening& opening);
    // A new note of the given colour at the given place, dated today and shown, with a row of its
    // own (or, while the store takes none, saved as soon as it can).
    NoteWindow* makeNote(const QRect& bounds, quint32 color);
    // Windows for the stored notes that have none yet, with their looks.
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
    NoteWindow* build(const NoteOpening& opening) const;

    Desktop& m_desktop;
    const NoteStore& m_store;
    ErrorReport& m_report;
    QWidget* m_owner;
    QList<NoteWindow*> m_notes;
};

#include "gui/NoteRegistry.h"

#include "gui/NoteWindow.h"
#include "platform/Desktop.h"

#include <QWidget>

NoteRegistry::NoteRegistry(Desktop& desktop, const NoteStore& store, ErrorReport& report, QWidget* owner)
    : m_desktop(desktop), m_store(store), m_report(report), m_owner(owner)
{
}

NoteRegistry::~NoteRegistry()
{
    destroyAll();
}

NoteWindow* NoteRegistry::find(qint32 id) const
{
    for (NoteWindow* note : m_notes)
        if (note->noteId() == id)
            return note;
    return nullptr;
}

QList<OpenNote*> NoteRegistry::openNotes() const
{
    return {m_notes.cbegin(), m_notes.cend()};
}

QList<NoteWindow*> NoteRegistry::open(const std::vector<NoteOpening>& openings)
{
    // Every note is built before the first is shown. On X each show waits on the server five
    // times; a note built between two shows, while the server's answers and events come in,
    // took two to four times as long as one built beforehand.
    QList<std::pair<NoteWindow*, const NoteOpening*>> built;
    for (const NoteOpening& opening : openings) {
        // A note already on the desktop (made while the store could not be read) keeps its window.
        if (opening.way != NoteOpening::New && find(opening.note.id))
            continue;
        built.append({build(opening), &opening});
    }
    QList<NoteWindow*> opened;
    for (const auto& [note, opening] : std::as_const(built)) {
        m_notes.append(note);
        if (opening->shown)
            note->show();
        switch (opening->way) {
        case NoteOpening::New:
            note->addRow();
            break;
        case NoteOpening::Restored:
            break;
        case NoteOpening::Reopened:
            // The row changes under the window: it takes the row as it is now, or saves it as open
            // itself when the store could not take the change.
            note->reopenRow();
            break;
        case NoteOpening::BroughtBack:
            // The row takes what the window kept beyond it (a resize not yet saved, say).
            note->saveNote();
            break;
        }
        opened.append(note);
    }
    return opened;
}

NoteWindow* NoteRegistry::open(const NoteOpening& opening)
{
    return open(std::vector{opening}).value(0);
}

NoteWindow* NoteRegistry::build(const NoteOpening& opening) const
{
    auto* note = new NoteWindow(m_desktop, m_store, m_report, m_owner);
    note->take(opening.note, opening.row, opening.look);
    note->setAttribute(Qt::WA_ShowWithoutActivating, !opening.takesFocus);
    if (opening.way == NoteOpening::BroughtBack && opening.formerId != opening.note.id && opening.look != NoteLook{})
        note->storeLook();
    // A new note is made where it can be reached.
    if (opening.shown && opening.way != NoteOpening::New)
        note->keepReachable();
    return note;
}

NoteWindow* NoteRegistry::makeNote(const QRect& bounds, quint32 color)
{
    NoteOpening opening;
    opening.way = NoteOpening::New;
    opening.note.date = m_desktop.today();
    opening.note.bounds = bounds;
    opening.note.visible = false;
    opening.note.color = color;
    opening.note.alpha = NoteWindow::DefaultAlpha;
    return open(opening);
}

void NoteRegistry::restore(const std::vector<StoredNote>& notes, const std::map<qint32, NoteLook>& looks)
{
    std::vector<NoteOpening> openings;
    openings.reserve(notes.size());
    for (const StoredNote& stored : notes) {
        const auto look = looks.find(stored.note.id);
        openings.push_back({.way = NoteOpening::Restored,
                            .note = stored.note,
                            .row = stored.image,
                            .look = look != looks.end() ? look->second : NoteLook{}});
    }
    open(openings);
}

void NoteRegistry::discard(NoteWindow* note)
{
    m_notes.removeOne(note);
    note->discard();
}

void NoteRegistry::discardAll()
{
    for (NoteWindow* note : std::exchange(m_notes, {}))
        note->discard();
}

void NoteRegistry::endFading()
{
    for (NoteWindow* note : std::as_const(m_notes))
        note->endNow();
}

void NoteRegistry::destroyAll()
{
    qDeleteAll(std::exchange(m_notes, {}));
}

void NoteRegistry::showHidden()
{
    for (NoteWindow* note : std::as_const(m_notes))
        if (!note->isVisible())
            note->showAgain();
}

void NoteRegistry::keepReachable()
{
    for (NoteWindow* note : std::as_const(m_notes))
        if (note->isVisible())
            note->keepReachable();
}

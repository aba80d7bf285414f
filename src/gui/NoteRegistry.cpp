#include "gui/NoteRegistry.h"

#include "gui/NoteWindow.h"

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

NoteWindow* NoteRegistry::create()
{
    auto* note = new NoteWindow(m_desktop, m_store, m_report, m_owner);
    m_notes.append(note);
    return note;
}

NoteWindow* NoteRegistry::makeNote(const QRect& bounds, quint32 color)
{
    NoteWindow* note = create();
    note->setBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    note->setColor(color);
    note->setText(QString());
    note->setEditorColor(color);
    note->setToday();
    note->show();
    note->addRow();
    return note;
}

void NoteRegistry::restore(const std::vector<StoredNote>& notes, const std::map<qint32, NoteLook>& looks)
{
    // Every note is built before the first is shown. On X each show waits on the server five
    // times; a note built between two shows, while the server's answers and events come in,
    // took two to four times as long as one built beforehand.
    QList<NoteWindow*> built;
    for (const StoredNote& stored : notes) {
        // A note already on the desktop (made while the store could not be read) keeps its window.
        if (find(stored.note.id))
            continue;
        auto* note = new NoteWindow(m_desktop, m_store, m_report, m_owner);
        note->setRecord(stored);
        if (const auto look = looks.find(stored.note.id); look != looks.end())
            note->setLook(look->second);
        note->keepReachable();
        built.append(note);
    }
    for (NoteWindow* note : std::as_const(built)) {
        m_notes.append(note);
        note->show();
    }
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

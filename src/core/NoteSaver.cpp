#include "core/NoteSaver.h"

#include <QDebug>

void NoteSaver::setId(qint32 id)
{
    m_id = id;
    m_image.reset();
}

void NoteSaver::bindRow(qint32 id, const RowImage& image)
{
    m_id = id;
    m_image = image;
}

bool NoteSaver::addRow(const QDate& today)
{
    m_rowWanted = true;
    const StoreResult<SaveResult> added = m_store.addNote(today);
    if (!added) {
        fail(added.error());
        return false;
    }
    bindRow(added->id, added->image);
    m_rowWanted = false;
    return true;
}

bool NoteSaver::reopen()
{
    const StoreResult<RowImage> reopened = m_store.reopenNote(m_id);
    if (!reopened) {
        qWarning("note %d not marked open: %s", m_id, qUtf8Printable(reopened.error().message()));
        return false;
    }
    bindRow(m_id, *reopened);
    return true;
}

void NoteSaver::markChanged()
{
    if (m_state == SaveState::Stored)
        m_state = SaveState::Pending;
}

bool NoteSaver::save(Note note, SaveKind kind, int lockWaitMs)
{
    if (!canSave())
        return false;
    note.id = m_id;
    if (m_image && note.text == m_textAsRead)
        note.textBytes = (*m_image)[rowImageNote];
    const StoreResult<SaveResult> saved = m_store.saveNote(note, m_image, kind, lockWaitMs);
    if (!saved) {
        fail(saved.error());
        return false;
    }
    if (saved->way == SaveResult::AddedMissing || saved->way == SaveResult::AddedTaken ||
        saved->way == SaveResult::AddedToNewStore)
        m_rowChange = saved->way;
    const bool newId = saved->id != m_id;
    m_id = saved->id;
    // How the note is shown goes with it to its new row.
    if (newId && m_look != NoteLook{})
        storeLook();
    m_image = saved->image;
    m_textAsRead = note.text;
    m_rowWanted = false;
    m_state = SaveState::Stored;
    m_error.reset();
    return true;
}

void NoteSaver::storeLook()
{
    if (m_id == 0)
        return;
    // The note itself is stored; only how it is shown waits for the next change.
    if (const StoreResult<> stored = m_store.saveNoteLook(m_id, m_look); !stored)
        qWarning("how note %d is shown was not stored: %s", m_id, qUtf8Printable(stored.error().message()));
}

void NoteSaver::fail(const StoreError& error)
{
    m_state = SaveState::Failed;
    m_error = error;
}

#pragma once

#include "core/NoteStore.h"
#include "core/NoteTypes.h"

#include <QDate>
#include <QString>

#include <optional>
#include <utility>

// Whether what the user sees of a note is in the store.
enum class SaveState {
    Stored,  // the last save went through and nothing changed since
    Pending, // changed; the delayed save will store it
    Failed,  // the last save failed; it is tried again until one goes through
};

// A note's side of the store: which row is its own, whether what it shows is stored, and what a
// save does. The note owns its row by id and by the row's bytes as it last read or wrote them,
// so that it never writes a row that has become another note's; a note without a row gets one
// at its next save. A save never raises: its outcome is the save state.
class NoteSaver {
public:
    explicit NoteSaver(const NoteStore& store) : m_store(store) {}

    qint32 id() const { return m_id; }
    // Binds the note to a row id whose bytes are not known: any row of that id is the note's.
    void setId(qint32 id);
    // Binds the note to a row whose stored bytes are known.
    void bindRow(qint32 id, const RowImage& image);
    // The text as the note shows what its row holds: while the note shows just that, a save
    // writes the row's own text bytes again.
    void setTextAsRead(const QString& text) { m_textAsRead = text; }
    // Gives a new note its row; true when the store took it. When it cannot take it now, the
    // note gets its row at its next save.
    bool addRow(const QDate& today);
    // Marks the note's row open again, as the note shows it now, and takes the row as it is
    // then; false when the store could not take it.
    bool reopen();

    // Whether a save has anything to write to: a row, or a row to make.
    bool canSave() const { return !m_discarded && (m_id != 0 || m_rowWanted); }
    // The user changed what the note shows.
    void markChanged();
    // Writes the note as it is now (its id and, while its text is as read, the text's stored
    // bytes are the saver's); true when the save went through.
    bool save(Note note, SaveKind kind = SaveKind::Save, int lockWaitMs = 0);
    // The note's row is being removed: nothing writes it again.
    void discard() { m_discarded = true; }

    SaveState state() const { return m_state; }
    // Why the last save failed; nothing once a save went through.
    const std::optional<StoreError>& error() const { return m_error; }
    const NoteStore& store() const { return m_store; }
    // How the last successful save found the note's row, until the caller takes it.
    std::optional<SaveResult::Way> takeRowChange() { return std::exchange(m_rowChange, std::nullopt); }

    // How the note is shown beyond its row: set by a creator, stored by storeLook, and taken
    // along when the note moves to a new row.
    const NoteLook& look() const { return m_look; }
    void setLook(const NoteLook& look) { m_look = look; }
    void storeLook();

private:
    void fail(const StoreError& error);

    const NoteStore& m_store;
    qint32 m_id = 0;
    // The row's bytes as the note last read or wrote them; nothing when not known.
    std::optional<RowImage> m_image;
    QString m_textAsRead;
    bool m_rowWanted = false;
    bool m_discarded = false;
    SaveState m_state = SaveState::Stored;
    std::optional<StoreError> m_error;
    std::optional<SaveResult::Way> m_rowChange;
    NoteLook m_look;
};

#pragma once

#include <QString>

class NoteRegistry;
class Tray;

// Watches that what the user sees is in the store: notes whose save failed are tried again, and
// while anything is not stored the tray says so and each such note carries a mark. The user is
// told once when this begins, and once more when it is over.
class SaveWatch {
public:
    SaveWatch(const NoteRegistry& notes, Tray& tray, QString storePath);

    void retryFailed();
    // startupError: why the notes could not be read at start; empty once they were.
    void show(const QString& startupError);
    // The start told of the failure already.
    void markReported() { m_failureReported = true; }

private:
    const NoteRegistry& m_notes;
    Tray& m_tray;
    QString m_storePath;
    // A failure episode was reported and is not over yet.
    bool m_failureReported = false;
    bool m_rowsReplacedReported = false;
    bool m_storeRecreatedReported = false;
};

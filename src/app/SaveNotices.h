#pragma once

#include "core/SaveFailures.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

class NoteRegistry;
class OpenNote;
class Tray;

// What the user is told of the saves: while anything is not stored the tray says so (each such
// note carries its own mark), once when this begins and once when it is over; and at the exit,
// which notes could not be saved and where their text went.
class SaveNotices {
    Q_DECLARE_TR_FUNCTIONS(SaveNotices)

public:
    SaveNotices(const NoteRegistry& notes, Tray& tray, QString storePath);

    void retryFailed();
    // startupError: why the notes could not be read at start; empty once they were.
    void show(const QString& startupError);
    // The start told of the failure already.
    void markReported() { m_failures.markReported(); }
    // The exit's report of the notes it could not save, and of the file that holds them.
    static QString exitReport(const QList<OpenNote*>& unsaved, const QString& rescued);

private:
    const NoteRegistry& m_notes;
    Tray& m_tray;
    QString m_storePath;
    SaveFailures m_failures;
};

#pragma once

#include "core/BackupSchedule.h"
#include "core/StoreError.h"

#include <QObject>

class Clock;
class DailyBackup;
class ErrorReport;
class StoreRecovery;
class Tray;

// The tick's backup step: the day's copy of the store, made a few pages at a time once the
// user has been at rest for a minute. A copy that fails is told once and tried again the next
// day; a damaged store is why no copy is made, and that is what the user hears.
class BackupStep : public QObject {
    Q_OBJECT

public:
    BackupStep(const Clock& clock, const QString& storePath, StoreRecovery& recovery, Tray& tray, ErrorReport& report,
               QObject* parent = nullptr);
    ~BackupStep() override;

    // cursor: where the corner step found it; notesIn: the open notes are on the desktop.
    void run(QPoint cursor, bool notesIn);
    // A key was pressed somewhere in the program.
    void userActive() { m_schedule.userActive(); }
    // The day's copy when the program ends before one was made.
    void makeAtExit(bool notesIn);
    // The store is about to be replaced: a copy under way stops, and earlier failures count no more.
    void stopForRestore();
    DailyBackup& backups() { return *m_backups; }

private:
    void finished(const StoreResult<>& result);

    const Clock& m_clock;
    QString m_storePath;
    StoreRecovery& m_recovery;
    Tray& m_tray;
    BackupSchedule m_schedule;
    DailyBackup* m_backups;
};

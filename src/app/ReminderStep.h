#pragma once

#include "core/ReminderSchedule.h"
#include "core/StoreError.h"

class Clock;
class NoteStore;
class Tray;

// The tick's reminder step: the reminders due since the last tick show in the tray's balloon.
class ReminderStep {
public:
    ReminderStep(const Clock& clock, const NoteStore& store, Tray& tray);

    // Reads the reminders from the store again; what was shown stays shown.
    StoreResult<> load();
    void run();
    // The next run looks back as far as the given moment: the cache was stale until now.
    void lookBackTo(const QDateTime& from) { m_schedule.lookBackTo(from); }
    const ReminderSchedule& schedule() const { return m_schedule; }

private:
    const NoteStore& m_store;
    Tray& m_tray;
    ReminderSchedule m_schedule;
};

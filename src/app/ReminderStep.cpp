#include "ReminderStep.h"

#include "NoteStore.h"
#include "Tray.h"

ReminderStep::ReminderStep(const Clock& clock, const NoteStore& store, Tray& tray)
    : m_store(store), m_tray(tray), m_schedule(clock)
{
}

void ReminderStep::load()
{
    std::vector<ReminderSchedule::Entry> entries;
    for (ReminderRow& row : m_store.reminders())
        entries.push_back({std::move(row.id), std::move(row.time), std::move(row.message), std::move(row.day)});
    m_schedule.setEntries(std::move(entries));
}

void ReminderStep::run()
{
    m_tray.trackTray();
    m_tray.showReminders(m_schedule.takeDue());
}

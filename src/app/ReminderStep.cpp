#include "app/ReminderStep.h"

#include "core/NoteStore.h"
#include "gui/Tray.h"

ReminderStep::ReminderStep(const Clock& clock, const NoteStore& store, Tray& tray)
    : m_store(store), m_tray(tray), m_schedule(clock)
{
}

StoreResult<> ReminderStep::load()
{
    StoreResult<std::vector<Reminder>> reminders = m_store.reminders();
    if (!reminders)
        return reminders.error();
    std::vector<ReminderSchedule::Entry> entries;
    for (Reminder& r : *reminders)
        entries.push_back({QString::number(r.id), std::move(r.timeText), std::move(r.message), std::move(r.dayText)});
    m_schedule.setEntries(std::move(entries));
    return {};
}

void ReminderStep::run()
{
    m_tray.trackTray();
    m_tray.showReminders(m_schedule.takeDue());
}

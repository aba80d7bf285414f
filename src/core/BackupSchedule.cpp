#include "core/BackupSchedule.h"

#include "core/Clock.h"

BackupSchedule::BackupSchedule(const Clock& clock) : m_clock(clock), m_activeAt(clock.now()) {}

void BackupSchedule::cursorAt(QPoint cursor)
{
    if (m_lastCursor && *m_lastCursor != cursor)
        userActive();
    m_lastCursor = cursor;
}

void BackupSchedule::userActive()
{
    m_activeAt = m_clock.now();
}

bool BackupSchedule::owed(bool copyOfTodayExists) const
{
    return !copyOfTodayExists && m_failedOn != m_clock.today();
}

bool BackupSchedule::dueNow(bool copyOfTodayExists) const
{
    return owed(copyOfTodayExists) && m_activeAt.msecsTo(m_clock.now()) >= RestMs;
}

void BackupSchedule::failedToday()
{
    m_failedOn = m_clock.today();
}

void BackupSchedule::forgetFailure()
{
    m_failedOn = QDate();
}

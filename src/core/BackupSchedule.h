#pragma once

#include <QDate>
#include <QDateTime>
#include <QPoint>

#include <optional>

class Clock;

// When the day's copy of the store is made: once a day, once the user has left cursor and
// keyboard alone for a minute, so that its few milliseconds of work never meet typing. A copy
// that failed is tried again the next day.
class BackupSchedule {
public:
    static constexpr qint64 RestMs = 60 * 1000;

    explicit BackupSchedule(const Clock& clock);

    // Where the cursor is now; a move counts as the user at work.
    void cursorAt(QPoint cursor);
    // A key was pressed.
    void userActive();

    // No copy of today exists, and none failed today.
    bool owed(bool copyOfTodayExists) const;
    // Owed, and the user has been at rest long enough.
    bool dueNow(bool copyOfTodayExists) const;
    void failedToday();
    // The store was replaced: what failed before says nothing about it.
    void forgetFailure();

private:
    const Clock& m_clock;
    QDateTime m_activeAt;
    std::optional<QPoint> m_lastCursor;
    QDate m_failedOn;
};

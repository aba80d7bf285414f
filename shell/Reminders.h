#pragma once

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>

#include <optional>

// The date and time of one reminder cache entry, read once when the cache is loaded.
struct TReminderMoment {
    QDate Day;
    QTime Time;
};

// Reads a cache entry; an entry whose date or time text does not read gives nothing.
std::optional<TReminderMoment> ReadReminder(const QString& dayText, const QString& timeText);

// When an entry fires: the start of its minute in local time (its seconds take no part). A
// minute that a clock change skips fires at the first moment after the gap.
QDateTime ReminderFireTime(const TReminderMoment& moment);

// How far back a tick looks for reminders it has not shown yet: a stalled or suspended
// program shows what fell due meanwhile, but not what is older than this.
inline constexpr qint64 ReminderCatchUpMs = 24 * 60 * 60 * 1000;

// True when the entry fell due after the previous tick and at or before now, and not longer
// ago than the catch-up span: each entry fires at the first tick that reaches its minute.
bool ReminderDue(const TReminderMoment& moment, const QDateTime& previousTick, const QDateTime& now);
// The same for a fire time worked out beforehand (ms since the epoch, as ReminderFireTime gives).
bool ReminderDueAt(qint64 fireMs, qint64 previousTickMs, qint64 nowMs);

// The balloon text of an entry: its stored time text, " (^O^) " and its message.
QString ReminderBalloonText(const QString& timeText, const QString& message);

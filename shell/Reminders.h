#pragma once

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>

#include <optional>
#include <vector>

// The date and time of one reminder cache entry, read once when the cache is loaded.
struct TReminderMoment {
    QDate Day;
    QTime Time;
};

// Reads a cache entry; an entry whose date or time text does not read gives nothing.
std::optional<TReminderMoment> ReadReminder(const QString& dayText, const QString& timeText);

// True when the entry fires at now: same day, hour and minute, in the first two seconds.
bool ReminderDue(const TReminderMoment& moment, const QDateTime& now);

// The balloon text of an entry: its stored time text, " (^O^) " and its message.
QString ReminderBalloonText(const QString& timeText, const QString& message);

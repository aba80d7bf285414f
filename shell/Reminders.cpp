#include "shell/Reminders.h"

#include "platform/StoreText.h"

std::optional<TReminderMoment> ReadReminder(const QString& dayText, const QString& timeText)
{
    try {
        return TReminderMoment{StrToDate(dayText), StrToTime(timeText)};
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

bool ReminderDue(const TReminderMoment& moment, const QDateTime& now)
{
    const QTime time = now.time();
    return moment.Day == now.date() && moment.Time.hour() == time.hour() && moment.Time.minute() == time.minute() &&
           time.second() < 2;
}

QString ReminderBalloonText(const QString& timeText, const QString& message)
{
    return timeText + QStringLiteral(" (^O^) ") + message;
}

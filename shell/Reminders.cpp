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

QDateTime ReminderFireTime(const TReminderMoment& moment)
{
    // A local time inside a span that a clock change skips does not exist: Qt either refuses it
    // or moves it by the length of the gap. The reminder fires at the first minute after it.
    QDate day = moment.Day;
    QTime minute(moment.Time.hour(), moment.Time.minute());
    for (int step = 0; step < 24 * 60; ++step) {
        const QDateTime fire(day, minute);
        if (fire.isValid() && fire.date() == day && fire.time() == minute)
            return fire;
        minute = minute.addSecs(60);
        if (minute == QTime(0, 0))
            day = day.addDays(1);
    }
    return {};
}

bool ReminderDue(const TReminderMoment& moment, const QDateTime& previousTick, const QDateTime& now)
{
    const QDateTime fire = ReminderFireTime(moment);
    return fire.isValid() &&
           ReminderDueAt(fire.toMSecsSinceEpoch(), previousTick.toMSecsSinceEpoch(), now.toMSecsSinceEpoch());
}

bool ReminderDueAt(qint64 fireMs, qint64 previousTickMs, qint64 nowMs)
{
    return fireMs > previousTickMs && fireMs <= nowMs && nowMs - fireMs <= ReminderCatchUpMs;
}

QString ReminderBalloonText(const QString& timeText, const QString& message)
{
    return timeText + QStringLiteral(" (^O^) ") + message;
}

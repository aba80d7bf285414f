#include "core/ReminderSchedule.h"

#include "core/Clock.h"
#include "core/StoreText.h"

std::optional<ReminderMoment> readReminder(const QString& dayText, const QString& timeText)
{
    const std::optional<QDate> day = strToDate(dayText);
    const std::optional<QTime> time = strToTime(timeText);
    if (!day || !time)
        return std::nullopt;
    return ReminderMoment{*day, *time};
}

QDateTime reminderFireTime(const ReminderMoment& moment)
{
    // A local time inside a span that a clock change skips does not exist: Qt either refuses it
    // or moves it by the length of the gap. The reminder fires at the first minute after it.
    QDate day = moment.day;
    QTime minute(moment.time.hour(), moment.time.minute());
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

bool reminderDue(const ReminderMoment& moment, const QDateTime& previousTick, const QDateTime& now)
{
    const QDateTime fire = reminderFireTime(moment);
    return fire.isValid() &&
           reminderDueAt(fire.toMSecsSinceEpoch(), previousTick.toMSecsSinceEpoch(), now.toMSecsSinceEpoch());
}

bool reminderDueAt(qint64 fireMs, qint64 previousTickMs, qint64 nowMs)
{
    return fireMs > previousTickMs && fireMs <= nowMs && nowMs - fireMs <= ReminderCatchUpMs;
}

QString reminderBalloonText(const QString& timeText, const QString& message)
{
    return timeText + QStringLiteral(" (^O^) ") + message;
}

ReminderSchedule::ReminderSchedule(const Clock& clock) : m_clock(clock), m_since(clock.now().addSecs(-2)) {}

void ReminderSchedule::setEntries(std::vector<Entry> entries)
{
    m_entries = std::move(entries);
    m_moments.clear();
    for (const Entry& entry : m_entries) {
        m_moments.push_back(readReminder(entry.dayText, entry.timeText));
        if (!m_moments.back())
            qWarning("reminder '%s %s' does not read as a date and time; it will not fire",
                     qUtf8Printable(entry.dayText), qUtf8Printable(entry.timeText));
    }
    m_fireTimesDay = QDate();
}

void ReminderSchedule::lookBackTo(const QDateTime& from)
{
    m_since = std::min(m_since, from);
}

void ReminderSchedule::workOutFireTimes(const QDateTime& now)
{
    m_fireTimesDay = now.date();
    m_fireTimesOffset = now.offsetFromUtc();
    m_fireMs.clear();
    for (const std::optional<ReminderMoment>& moment : m_moments) {
        const QDateTime fire = moment ? reminderFireTime(*moment) : QDateTime();
        m_fireMs.push_back(fire.isValid() ? std::optional<qint64>(fire.toMSecsSinceEpoch()) : std::nullopt);
    }
}

QStringList ReminderSchedule::takeDue()
{
    const QDateTime now = m_clock.now();
    // A clock set back starts the watch again from now; what was shown stays shown.
    const qint64 sinceMs = std::min(m_since, now).toMSecsSinceEpoch();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    m_since = now;
    if (m_fireTimesDay != now.date() || m_fireTimesOffset != now.offsetFromUtc())
        workOutFireTimes(now);
    QStringList texts;
    for (size_t i = 0; i < m_fireMs.size(); ++i) {
        if (!m_fireMs[i] || !reminderDueAt(*m_fireMs[i], sinceMs, nowMs))
            continue;
        const std::pair<QString, qint64> key(m_entries[i].id, *m_fireMs[i]);
        if (m_shown.contains(key))
            continue;
        m_shown.insert(key);
        texts << reminderBalloonText(m_entries[i].timeText, m_entries[i].message);
    }
    // What lies further back than a clock is ever set back cannot fall due again.
    if (!texts.isEmpty())
        m_shown.removeIf(
            [nowMs](const std::pair<QString, qint64>& shown) { return nowMs - shown.second > 2 * ReminderCatchUpMs; });
    return texts;
}

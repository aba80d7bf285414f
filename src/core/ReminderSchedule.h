#pragma once

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>
#include <utility>
#include <vector>

class Clock;

// The date and time of one reminder cache entry, read once when the cache is loaded.
struct ReminderMoment {
    QDate day;
    QTime time;
};

// Reads a cache entry; an entry whose date or time text does not read gives nothing.
std::optional<ReminderMoment> readReminder(const QString& dayText, const QString& timeText);

// When an entry fires: the start of its minute in local time (its seconds take no part). A
// minute that a clock change skips fires at the first moment after the gap.
QDateTime reminderFireTime(const ReminderMoment& moment);

// How far back a tick looks for reminders it has not shown yet: a stalled or suspended
// program shows what fell due meanwhile, but not what is older than this.
inline constexpr qint64 ReminderCatchUpMs = 24 * 60 * 60 * 1000;

// True when the entry fell due after the previous tick and at or before now, and not longer
// ago than the catch-up span: each entry fires at the first tick that reaches its minute.
bool reminderDue(const ReminderMoment& moment, const QDateTime& previousTick, const QDateTime& now);
// The same for a fire time worked out beforehand (ms since the epoch, as reminderFireTime gives).
bool reminderDueAt(qint64 fireMs, qint64 previousTickMs, qint64 nowMs);

// The balloon text of an entry: its stored time text, " (^O^) " and its message. The smiling face
// is the balloon's fixed mark between the two, as users have always seen it.
QString reminderBalloonText(const QString& timeText, const QString& message);

// The reminders the tray shows and which of them it has shown. Every entry that falls due is
// shown once: several due at one tick show together, a clock set back does not show one again,
// and entries that fell due while the cache was stale show at the next look.
class ReminderSchedule {
public:
    struct Entry {
        QString id;
        QString timeText;
        QString message;
        QString dayText;
    };

    // Watches from a little before now, so that an entry of the first tick's minute still shows.
    explicit ReminderSchedule(const Clock& clock);

    // Replaces the entries; what was shown stays shown. Entries whose date or time does not read
    // never fire.
    void setEntries(std::vector<Entry> entries);
    const std::vector<Entry>& entries() const { return m_entries; }
    // Looks back as far as the given moment at the next takeDue (not beyond the catch-up span).
    void lookBackTo(const QDateTime& from);
    // The balloon texts of the entries due since the last call and not shown yet, in cache
    // order; they count as shown from now on.
    QStringList takeDue();

private:
    void workOutFireTimes(const QDateTime& now);

    const Clock& m_clock;
    std::vector<Entry> m_entries;
    std::vector<std::optional<ReminderMoment>> m_moments;
    // When each entry fires, worked out once a day rather than at every tick (local time
    // conversions are not cheap, and a tick looks at every entry), and again when the offset from
    // UTC changes: the time zone changed, and each entry fires at its minute of the new one.
    std::vector<std::optional<qint64>> m_fireMs;
    QDate m_fireTimesDay;
    int m_fireTimesOffset = 0;
    QDateTime m_since;
    // Entries shown, by id and fire time: an entry changed to another minute fires again.
    QSet<std::pair<QString, qint64>> m_shown;
};

#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Dates and times as the windows show them to the user. The form is fixed, whatever the
// machine's locale, so that a note's date reads alike on every machine; it happens to be the
// store's form too, but it is the user's to read, not the file's.
inline QString displayDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

inline QString displayTime(const QTime& time)
{
    return time.toString(QStringLiteral("H:mm:ss"));
}

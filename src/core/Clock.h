#pragma once

#include <QDate>
#include <QDateTime>

// Today's date and the time of day. The desktop provides the real one; tests set their own.
class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time. The desktop's has its offset from UTC fixed (Qt::OffsetFromUTC):
    // comparing and subtracting such values never looks at the time zone again.
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

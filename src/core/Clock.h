#pragma once

#include <QDate>
#include <QDateTime>

// Today's date and the time of day. The desktop provides the real one; tests set their own.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

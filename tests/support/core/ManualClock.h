#pragma once

#include "core/Clock.h"

#include <QDateTime>

#include <utility>

// A clock that stands still until the test sets it.
struct ManualClock : Clock {
    explicit ManualClock(QDateTime at) : time(std::move(at)) {}
    QDateTime now() const override { return time; }
    QDateTime time;
};

#pragma once

#include <QDateTime>

// Where the program reads the local date and time.  The window reads it once
// per clock tick; tests put a clock of their own in its place.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ClockGate.h"

#include <QDateTime>

// Where the program reads the local date and time.  The window reads it once
// per clock tick; tests put a clock of their own in its place.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Why the reading `now` cannot date a minute yet (ClockGate), as a line
    // for the user; empty when it can.
    virtual QString notSetReason(const QDateTime &now) const
    {
        Q_UNUSED(now);
        return {};
    }
};

// The system's clock, trusted as its gate says.
class SystemClock final : public Clock
{
public:
    explicit SystemClock(ClockGate gate = ClockGate()) : m_gate(std::move(gate)) {}
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    QString notSetReason(const QDateTime &now) const override { return m_gate.notSetReason(now); }

private:
    ClockGate m_gate;
};

// Milliseconds from now (the real clock, whatever Clock is in use) to just
// after the next wall-clock second begins.  A one-second tick timer started
// anew with this after each tick skips no second, and above all no whole
// minute, however its timer drifts.
inline int msUntilNextSecond()
{
    return 1000 - QTime::currentTime().msec() + 2;
}

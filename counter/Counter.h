// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One kind of counter on a serial line: turns what the line delivers into pulse counts and
// says what to send to the counter to set it up, poll it and stop it.  The session owns one,
// feeds it every byte it reads, gives it a beat about once a second, and carries out the Step
// each call fills: counts the pulses, writes the bytes, shows the notes and errors.
//
// Times are milliseconds of a monotonic clock the caller reads (tests give their own).
// Memory stays bounded whatever the line sends: a reply or line that grows beyond a limit is
// dropped as garbage.
//
// Thread of the session; a counter is never shared.

#include "counter/CounterKind.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class Counter
{
public:
    // What one call asks of the session.
    struct Step {
        qint64 pulses = 0;   // to add to the running minute
        QByteArray send;     // to write to the counter now
        QStringList notes;   // progress lines: the model met, seconds missing
        QStringList errors;  // told once each: a wrong kind, unreadable data
    };

    virtual ~Counter();
    virtual CounterKind kind() const = 0;

    // The port has just been opened, at start or after a reconnect: set the counter up.
    virtual void begin(qint64 nowMs, Step &step);
    // Bytes read from the port, in order.
    virtual void feed(const char *data, qsizetype size, qint64 nowMs, Step &step) = 0;
    // About once a second while the port is open: polls and time-outs.
    virtual void tick(qint64 nowMs, Step &step);
    // The measurement stops and the port closes next: what to send first.
    virtual void end(Step &step);
    // The device went away; begin() follows when it is back.
    virtual void lost(qint64 nowMs);

protected:
    Counter() = default;
};

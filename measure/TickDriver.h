// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>

class Clock;
class MeasurementSession;
class QTimer;

// The clock beat of a measurement: a tick just after each wall-clock second
// begins, each reading the clock once and handing that reading, with the
// clock's word on whether it is set, to the session (which tallies when the
// minute changed).  The window and the
// headless logger both run on it.
//
// The next tick is scheduled only after a tick has returned, so a tick
// never runs inside another.
//
// Thread of the session.  The session and the clock must outlive it.
class TickDriver : public QObject
{
    Q_OBJECT
public:
    TickDriver(MeasurementSession *session, const Clock *clock, QObject *parent = nullptr);

    // Ticks from just after the next second on; stop() ends it.
    void start();
    void stop();

    // One tick now, outside the beat: the clock is read once, and the
    // signals and the session's tick run with that reading.
    void tick();

    // The single-shot timer of the beat (named by the owner; tests stop it
    // to tick by hand).
    QTimer *timer() const { return m_timer; }

signals:
    // The reading of this tick, before the session's tick.
    void clockRead(const QDateTime &now);

private:
    MeasurementSession *m_session;
    const Clock *m_clock;
    QTimer *m_timer;
};

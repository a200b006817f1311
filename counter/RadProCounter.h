// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A counter with the Rad Pro firmware: ASCII requests and "OK ..." answers, each line ended by
// "\r\n".  begin() asks "GET deviceId" ("OK hardware;software;device id"); then each tick
// asks "GET tubePulseCount", whose answer is the tube's cumulative count, and the difference
// from the last good reading is counted.  So a missed answer loses nothing: the next reading
// holds its pulses.
//
// - A count that went down is a restarted counter (the pulses since its restart are counted)
//   unless it is a wrap of the 32-bit count near its top.
// - After a reconnect the difference is counted only where the device id is the same and at
//   most ResumeWithinMs passed since its last good reading; otherwise the first reading is the
//   new base and the pulses of the outage are told as not counted.
// - An answer not read within ReplyMs is a missed reply: asked again at the next tick.
// - No device id within IdentifyMs is told once as a wrong kind, and asked again.

#include "counter/Counter.h"
#include "counter/LineSplitter.h"

class RadProCounter : public Counter
{
public:
    static constexpr qint64 IdentifyMs = 5000;
    static constexpr qint64 ReplyMs = 3000;
    static constexpr qint64 ResumeWithinMs = 15LL * 60 * 1000;

    CounterKind kind() const override { return CounterKind::RadPro; }
    void begin(qint64 nowMs, Step &step) override;
    void feed(const char *data, qsizetype size, qint64 nowMs, Step &step) override;
    void tick(qint64 nowMs, Step &step) override;
    void lost(qint64 nowMs) override;

    QString hardware() const { return m_hardware; }
    qint64 missedReplies() const { return m_missed; }

private:
    void answer(const QByteArray &line, qint64 nowMs, Step &step);
    void identified(const QList<QByteArray> &parts, qint64 nowMs, Step &step);
    void reading(quint32 count, qint64 nowMs, Step &step);
    void unreadable(const QByteArray &line, Step &step);

    LineSplitter m_lines;
    bool m_identified = false;
    bool m_waiting = false;     // a request is out
    qint64 m_askedMs = 0;
    bool m_toldSilent = false;
    bool m_toldUnreadable = false;
    QString m_hardware;
    QByteArray m_deviceId;      // of the last device met
    bool m_haveReading = false; // m_last is a base to count from
    quint32 m_last = 0;
    qint64 m_lastGoodMs = 0;
    bool m_resuming = false;    // reconnected to the same device in time
    qint64 m_missed = 0;
};

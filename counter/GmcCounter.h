// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A GQ GMC counter.  begin() stops a heartbeat left running and asks the model with
// "<GETVER>>"; once the answer names it ("GMC-320Re 4.22") the heartbeat is switched on with
// "<HEARTBEAT1>>" and the counter sends the count of each second: 2 bytes big-endian on the
// GMC-280/300/320, 4 bytes on the GMC-500 and later, of which the lowest 14 bits count (so at
// most 16,383 a second).  end() sends "<HEARTBEAT0>>".
//
// Frames carry no marker: the bytes of one arrive together, so a part of a frame still
// unfinished FrameGapMs later is dropped, which puts the next frame back in step.  A second
// whose heartbeat did not come is added to secondsMissing() and the gap is told once, when the
// heartbeat is back.  No model named within IdentifyMs is told once as a wrong kind, and the
// question is asked again every IdentifyMs.

#include "counter/Counter.h"

class GmcCounter : public Counter
{
public:
    static constexpr qint64 IdentifyMs = 5000;
    static constexpr qint64 FrameGapMs = 500;
    static constexpr quint32 CountMask = 0x3fff;

    CounterKind kind() const override { return CounterKind::Gmc; }
    void begin(qint64 nowMs, Step &step) override;
    void feed(const char *data, qsizetype size, qint64 nowMs, Step &step) override;
    void tick(qint64 nowMs, Step &step) override;
    void end(Step &step) override;
    void lost(qint64 nowMs) override;

    // The model and version the counter gave, empty before.
    QString model() const { return m_model; }
    // Bytes of a heartbeat for that model: 4 from the GMC-500 on, else 2.
    static int frameSize(const QString &model);
    qint64 secondsMissing() const { return m_missing; }

private:
    void identify(qint64 nowMs, Step &step);
    void beats(const char *data, qsizetype size, qint64 nowMs, Step &step);

    QByteArray m_buffer;       // the answer so far, or the unfinished frame
    QString m_model;
    bool m_running = false;    // the heartbeat was switched on
    int m_frame = 2;
    qint64 m_askedMs = 0;      // when "<GETVER>>" was last sent
    bool m_toldSilent = false;
    qint64 m_partialMs = 0;    // when the unfinished frame began
    qint64 m_lastBeatMs = -1;  // when the last frame was read; -1: none since the heartbeat began
    qint64 m_missing = 0;
    bool m_toldGarbage = false;
};

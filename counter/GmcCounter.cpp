// SPDX-License-Identifier: GPL-3.0-or-later
#include "counter/GmcCounter.h"

#include "counter/CounterText.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cmath>

namespace
{

constexpr char HeartbeatOff[] = "<HEARTBEAT0>>";
constexpr char HeartbeatOn[] = "<HEARTBEAT1>>";
constexpr char AskVersion[] = "<GETVER>>";
// The answer is printable and short; what grows beyond this without one is not an answer.
constexpr qsizetype MaxAnswer = 64;

} // namespace

int GmcCounter::frameSize(const QString &model)
{
    // "GMC-" then the number: the 500 and later send 4 bytes a second.
    static const QRegularExpression number(QStringLiteral("^GMC-(\\d+)"));
    const QRegularExpressionMatch m = number.match(model);
    return m.hasMatch() && m.captured(1).toInt() >= 500 ? 4 : 2;
}

void GmcCounter::begin(qint64 nowMs, Step &step)
{
    m_buffer.clear();
    m_running = false;
    m_toldSilent = false;
    m_lastBeatMs = -1;
    m_askedMs = nowMs;
    // A heartbeat left running would mix its bytes into the answer.
    step.send += HeartbeatOff;
    step.send += AskVersion;
}

void GmcCounter::feed(const char *data, qsizetype size, qint64 nowMs, Step &step)
{
    if (m_running) {
        beats(data, size, nowMs, step);
        return;
    }
    m_buffer.append(data, size);
    identify(nowMs, step);
}

void GmcCounter::identify(qint64 nowMs, Step &step)
{
    // "GMC-300Re 2.10", "GMC-600+Re 1.14": the model, "Re", the version with two decimals.
    static const QRegularExpression answer(QStringLiteral("GMC-[0-9A-Za-z+]*?Re ?\\d+\\.\\d\\d"));
    const QRegularExpressionMatch m = answer.match(QString::fromLatin1(m_buffer));
    if (!m.hasMatch()) {
        if (m_buffer.size() > MaxAnswer)
            m_buffer.remove(0, m_buffer.size() - MaxAnswer);
        return;
    }
    const QString model = m.captured(0);
    step.notes << QCoreApplication::translate("Counter", "GQ GMC counter: %1").arg(model);
    m_model = model;
    m_frame = frameSize(model);
    m_buffer.clear();
    m_running = true;
    m_lastBeatMs = -1;
    m_askedMs = nowMs;
    step.send += HeartbeatOn;
}

void GmcCounter::beats(const char *data, qsizetype size, qint64 nowMs, Step &step)
{
    if (!m_buffer.isEmpty() && nowMs - m_partialMs > FrameGapMs) {
        if (!m_toldGarbage)
            step.errors << CounterText::unreadable(kind(), m_buffer);
        m_toldGarbage = true;
        m_buffer.clear();
    }
    if (m_buffer.isEmpty())
        m_partialMs = nowMs;
    m_buffer.append(data, size);
    qint64 frames = 0;
    qsizetype at = 0;
    for (; m_buffer.size() - at >= m_frame; at += m_frame) {
        quint32 value = 0;
        for (int i = 0; i < m_frame; ++i)
            value = (value << 8) | static_cast<unsigned char>(m_buffer[at + i]);
        step.pulses += value & CountMask;
        ++frames;
    }
    m_buffer.remove(0, at);
    if (frames == 0)
        return;
    // Frames that came late together stand for their seconds: only the seconds beyond them
    // are missing.
    if (m_lastBeatMs >= 0) {
        const qint64 seconds = std::llround(double(nowMs - m_lastBeatMs) / 1000.0);
        const qint64 missing = seconds - frames;
        if (missing > 0) {
            m_missing += missing;
            // The plural's number is an int; qMin's template argument would stall lupdate.
            const int told = int(std::min(missing, qint64(INT_MAX)));
            step.notes << QCoreApplication::translate(
                              "Counter", "GQ GMC counter: %n second(s) missing from the heartbeat",
                              nullptr, told)
                       + QCoreApplication::translate("Counter", " (%1 in all)").arg(m_missing);
        }
    }
    m_lastBeatMs = nowMs;
}

void GmcCounter::tick(qint64 nowMs, Step &step)
{
    if (m_running || nowMs - m_askedMs < IdentifyMs)
        return;
    if (!m_toldSilent)
        step.errors << CounterText::noAnswer(kind(), int(IdentifyMs / 1000));
    m_toldSilent = true;
    m_askedMs = nowMs;
    m_buffer.clear();
    step.send += AskVersion;
}

void GmcCounter::end(Step &step)
{
    step.send += HeartbeatOff;
    m_running = false;
}

void GmcCounter::lost(qint64)
{
    m_running = false;
    m_buffer.clear();
}

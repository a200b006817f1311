// SPDX-License-Identifier: GPL-3.0-or-later
#include "counter/RadProCounter.h"

#include "counter/CounterText.h"

#include <QCoreApplication>
#include <QList>

namespace
{

constexpr char AskId[] = "GET deviceId\r\n";
constexpr char AskCount[] = "GET tubePulseCount\r\n";
// A count that went down from this high to a low one wrapped round 2^32.
constexpr quint32 WrapZone = 0xff000000u;

} // namespace

void RadProCounter::begin(qint64 nowMs, Step &step)
{
    m_lines.clear();
    m_identified = false;
    m_toldSilent = false;
    m_waiting = true;
    m_askedMs = nowMs;
    step.send += AskId;
}

void RadProCounter::feed(const char *data, qsizetype size, qint64 nowMs, Step &step)
{
    m_lines.append(data, size);
    QByteArray line;
    bool overlong = false;
    while (m_lines.next(line, overlong)) {
        if (overlong)
            unreadable(QByteArray(), step);
        else if (!line.trimmed().isEmpty())
            answer(line.trimmed(), nowMs, step);
    }
}

void RadProCounter::answer(const QByteArray &line, qint64 nowMs, Step &step)
{
    if (line == "ERROR") {
        unreadable(line, step);
        m_waiting = false;
        return;
    }
    if (!line.startsWith("OK ")) {
        unreadable(line, step);
        return;
    }
    const QByteArray value = line.mid(3);
    const QList<QByteArray> parts = value.split(';');
    if (!m_identified) {
        if (parts.size() >= 3)
            identified(parts, nowMs, step);
        return; // a late count answer from before a reconnect: the base comes after the id
    }
    bool ok = false;
    const quint32 count = value.toUInt(&ok);
    if (!ok || value.front() < '0' || value.front() > '9') {
        unreadable(line, step);
        return;
    }
    m_waiting = false;
    reading(count, nowMs, step);
}

void RadProCounter::identified(const QList<QByteArray> &parts, qint64 nowMs, Step &step)
{
    m_hardware = QString::fromUtf8(parts[0].trimmed());
    const QByteArray id = parts[2].trimmed();
    const bool sameDevice = m_haveReading && id == m_deviceId;
    const qint64 away = nowMs - m_lastGoodMs;
    m_resuming = sameDevice && away >= 0 && away <= ResumeWithinMs;
    if (m_haveReading && !m_resuming)
        step.notes << QCoreApplication::translate(
            "Counter", "Rad Pro counter: another device or a long outage; the pulses while it "
                       "was away are not counted");
    m_haveReading = m_resuming;
    m_deviceId = id;
    m_identified = true;
    m_waiting = false;
    step.notes << QCoreApplication::translate("Counter", "Rad Pro counter: %1 (%2)")
                      .arg(m_hardware, QString::fromUtf8(parts[1].trimmed()));
}

void RadProCounter::reading(quint32 count, qint64 nowMs, Step &step)
{
    if (m_haveReading) {
        if (count >= m_last) {
            step.pulses += count - m_last;
        } else if (m_last >= WrapZone) {
            step.pulses += qint64(count) + (qint64(0x100000000) - m_last);
        } else {
            step.notes << QCoreApplication::translate(
                              "Counter", "Rad Pro counter: its count went back from %1 to %2 "
                                         "(restarted); counting goes on from there")
                              .arg(m_last)
                              .arg(count);
            step.pulses += count;
        }
    }
    m_haveReading = true;
    m_last = count;
    m_lastGoodMs = nowMs;
}

void RadProCounter::unreadable(const QByteArray &line, Step &step)
{
    if (!m_toldUnreadable)
        step.errors << CounterText::unreadable(kind(), line);
    m_toldUnreadable = true;
}

void RadProCounter::tick(qint64 nowMs, Step &step)
{
    if (!m_identified) {
        if (nowMs - m_askedMs < IdentifyMs)
            return;
        if (!m_toldSilent)
            step.errors << CounterText::noAnswer(kind(), int(IdentifyMs / 1000));
        m_toldSilent = true;
        m_askedMs = nowMs;
        step.send += AskId;
        return;
    }
    if (m_waiting && nowMs - m_askedMs < ReplyMs)
        return;
    if (m_waiting)
        ++m_missed; // its pulses come with the next reading
    m_waiting = true;
    m_askedMs = nowMs;
    step.send += AskCount;
}

void RadProCounter::lost(qint64)
{
    m_identified = false;
    m_waiting = false;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "counter/LineCounter.h"

#include "counter/CounterText.h"

#include <QCoreApplication>
#include <QList>

#include <algorithm>
#include <climits>

void LineCounter::begin(qint64 nowMs, Step &)
{
    m_lines.clear();
    m_beginMs = nowMs;
    m_met = false;
    m_toldSilent = false;
}

std::optional<qint64> LineCounter::parse(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() < 2 || fields[0].trimmed() != "CPS")
        return std::nullopt;
    const QByteArray number = fields[1].trimmed();
    bool ok = false;
    const qint64 cps = number.toLongLong(&ok);
    // Digits only: no sign, no blank inside.
    if (!ok || number.isEmpty() || number.front() < '0' || number.front() > '9' || cps < 0)
        return std::nullopt;
    return cps;
}

void LineCounter::feed(const char *data, qsizetype size, qint64, Step &step)
{
    m_lines.append(data, size);
    QByteArray line;
    bool overlong = false;
    while (m_lines.next(line, overlong)) {
        if (overlong) {
            unreadable(QByteArray(), step);
            continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        const std::optional<qint64> cps = parse(line);
        if (!cps) {
            unreadable(line, step);
            continue;
        }
        if (!m_met)
            step.notes << QCoreApplication::translate("Counter", "Text-line counter: %1")
                              .arg(CounterText::excerpt(line));
        m_met = true;
        step.pulses += *cps;
    }
}

void LineCounter::unreadable(const QByteArray &line, Step &step)
{
    if (m_unreadable++ == 0)
        step.errors << CounterText::unreadable(kind(), line);
}

void LineCounter::tick(qint64 nowMs, Step &step)
{
    if (m_met || m_toldSilent || nowMs - m_beginMs < IdentifyMs)
        return;
    m_toldSilent = true;
    step.errors << CounterText::noAnswer(kind(), int(IdentifyMs / 1000));
}

void LineCounter::end(Step &step)
{
    // The plural's number is an int; qMin's template argument would stall lupdate.
    const int unreadable = int(std::min(m_unreadable, qint64(INT_MAX)));
    if (m_unreadable > 0)
        step.notes << QCoreApplication::translate("Counter", "%n unreadable line(s) not counted",
                                                  nullptr, unreadable);
}

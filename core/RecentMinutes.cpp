// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecentMinutes.h"

#include <cmath>

RecentMinutes::RecentMinutes(int capacityMinutes) : m_capacity(std::max(1, capacityMinutes)) {}

void RecentMinutes::add(const MinuteCount &m)
{
    if (!m.whole)
        return;
    m_minutes.append(m);
    const QDateTime oldest = m.end.addSecs(-60LL * m_capacity);
    while (!m_minutes.isEmpty() && m_minutes.first().end <= oldest)
        m_minutes.removeFirst();
}

std::optional<RecentMinutes::Mean> RecentMinutes::mean(int window) const
{
    if (m_minutes.isEmpty() || window < 1)
        return std::nullopt;
    const QDateTime oldest = m_minutes.last().end.addSecs(-60LL * window);
    Mean out;
    for (auto it = m_minutes.crbegin(); it != m_minutes.crend() && it->end > oldest; ++it) {
        out.pulses += it->count;
        out.minutes += std::max(1, it->minutes);
    }
    out.cpm = double(out.pulses) / out.minutes;
    out.sigma = std::sqrt(double(out.pulses)) / out.minutes;
    return out;
}

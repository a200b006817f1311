// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/Alarm.h"

#include <algorithm>
#include <cmath>

Alarm::Alarm(QObject *parent) : QObject(parent) {}

void Alarm::setThreshold(std::optional<double> cpm)
{
    if (cpm && !(*cpm > 0))
        cpm.reset();
    if (cpm != m_threshold)
        m_above = false;
    m_threshold = cpm;
}

void Alarm::setMinutes(int minutes)
{
    m_minutes = std::clamp(minutes, 1, MaxMinutes);
}

double Alarm::rearmLevel() const
{
    return m_threshold ? rearmLevel(*m_threshold, m_minutes) : 0.0;
}

double Alarm::rearmLevel(double thresholdCpm, int minutes)
{
    const double sigma = std::sqrt(thresholdCpm / std::max(minutes, 1));
    return thresholdCpm - std::max(2 * sigma, 0.05 * thresholdCpm);
}

void Alarm::add(const MinuteCount &minute)
{
    m_recent.add(minute);
    if (!m_threshold)
        return;
    const auto mean = m_recent.mean(m_minutes);
    if (!mean || mean->minutes < m_minutes)
        return;
    if (!m_above && mean->cpm >= *m_threshold) {
        m_above = true;
        emit crossed(mean->cpm, *m_threshold, true);
    } else if (m_above && mean->cpm < rearmLevel()) {
        m_above = false;
        emit crossed(mean->cpm, *m_threshold, false);
    }
}

void Alarm::reset()
{
    m_recent.clear();
    m_above = false;
}

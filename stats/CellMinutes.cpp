// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/CellMinutes.h"

#include <QDateTime>
#include <QTimeZone>

namespace
{

// Every instant whose wall time falls on the day lies within this reach of
// the day's wall times read as UTC: no zone is further than 14 h from UTC.
constexpr qint64 Reach = qint64{15} * 3600;

} // namespace

CellMinutes::CellMinutes(const QDate &date, const LocalZone &zone)
    : m_midnight(QDateTime(date, QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch())
{
    const qint64 lo = m_midnight - Reach;
    m_before = zone.offsetAt(lo);
    m_after = zone.offsetAt(m_midnight + 86400 + Reach);
    if (!uniform())
        m_change = zone.nextChange(lo);
}

int CellMinutes::minutes(int minuteOfDay) const
{
    if (uniform())
        return 1;
    const qint64 w = wall(minuteOfDay);
    return int(w - m_before < m_change) + int(w - m_after >= m_change);
}

int CellMinutes::offset(int minuteOfDay) const
{
    return uniform() || wall(minuteOfDay) - m_after < m_change ? m_before : m_after;
}

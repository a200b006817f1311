// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/CellMinutes.h"

#include <QTimeZone>

namespace
{

int offsetAt(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime).offsetFromUtc();
}

// Every instant whose wall time falls on the day lies within this reach of
// the day's wall times read as UTC: no zone is further than 14 h from UTC.
constexpr qint64 Reach = qint64{15} * 3600;

} // namespace

CellMinutes::CellMinutes(const QDate &date)
    : m_midnight(QDateTime(date, QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch())
{
    qint64 lo = m_midnight - Reach;
    qint64 hi = m_midnight + 86400 + Reach;
    m_before = offsetAt(lo);
    m_after = offsetAt(hi);
    if (uniform())
        return;
    // Offsets change on whole minutes: find the first minute of the new one.
    lo /= 60;
    hi /= 60;
    while (hi - lo > 1) {
        const qint64 mid = lo + (hi - lo) / 2;
        (offsetAt(mid * 60) == m_before ? lo : hi) = mid;
    }
    m_change = hi * 60;
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

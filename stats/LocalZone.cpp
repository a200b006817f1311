// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/LocalZone.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>

namespace
{

constexpr qint64 Day = 86400;
constexpr qint64 Week = 7 * Day;

qint64 midnightUtc(const QDate &date)
{
    return QDateTime(date, QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();
}

} // namespace

int LocalZone::systemOffsetAt(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime).offsetFromUtc();
}

LocalZone::LocalZone(const QDate &first, const QDate &last)
{
    if (!first.isValid() || !last.isValid())
        return;
    m_from = midnightUtc(first) - 2 * Day;
    m_to = midnightUtc(last) + 3 * Day;
    m_first = systemOffsetAt(m_from);
    int offset = m_first;
    for (qint64 t = m_from; t < m_to;) {
        const qint64 next = std::min(t + Week, m_to);
        const int nextOffset = systemOffsetAt(next);
        if (nextOffset != offset) {
            // Offsets change on whole minutes: find the first minute of the new one.
            qint64 lo = t / 60;
            qint64 hi = next / 60;
            while (hi - lo > 1) {
                const qint64 mid = lo + (hi - lo) / 2;
                (systemOffsetAt(mid * 60) == offset ? lo : hi) = mid;
            }
            m_changes.push_back({hi * 60, nextOffset});
        }
        t = next;
        offset = nextOffset;
    }
}

std::vector<LocalZone::Change>::const_iterator LocalZone::after(qint64 secs) const
{
    return std::upper_bound(m_changes.begin(), m_changes.end(), secs,
                            [](qint64 s, const Change &c) { return s < c.at; });
}

int LocalZone::offsetAt(qint64 secs) const
{
    if (secs < m_from || secs > m_to)
        return systemOffsetAt(secs);
    const auto next = after(secs);
    return next == m_changes.begin() ? m_first : std::prev(next)->offset;
}

qint64 LocalZone::nextChange(qint64 secs) const
{
    const auto next = after(secs);
    return next == m_changes.end() ? m_to : next->at;
}

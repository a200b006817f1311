#include "core/MinuteTally.h"

#include "core/TimeText.h"

namespace
{

QDateTime minuteOf(const QDateTime &t)
{
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute()));
}

} // namespace

MinuteTally::Decision MinuteTally::check(const QDateTime &now) const
{
    Decision d;
    const QDateTime minute = minuteOf(now);
    if (!m_last.isValid() || minute == m_last)
        return d;
    d.tally = true;
    d.row = TimeText::rowOf(now.time());
    const qint64 spanned = m_last.secsTo(minute) / 60;
    // A clock set back still tallies, into the row of the new time.
    d.clockWentBack = spanned <= 0;
    d.spannedMinutes = spanned > 0 ? int(std::min<qint64>(spanned, 1 << 30)) : 1;
    return d;
}

void MinuteTally::advance(const QDateTime &now)
{
    m_last = minuteOf(now);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/MinuteTally.h"

#include "core/TimeText.h"

namespace
{

// Local date and minute as one number, whatever the offset from UTC.
qint64 wallMinute(const QDateTime &t)
{
    return t.date().toJulianDay() * 1440 + qint64{t.time().hour()} * 60 + t.time().minute();
}

// The real instant at which t's minute began, in minutes since the epoch.
// Offsets from UTC are whole minutes, so the seconds of the reading are those
// of the instant.
qint64 realMinute(const QDateTime &t)
{
    const qint64 ms = t.toMSecsSinceEpoch() - (t.time().second() * 1000 + t.time().msec());
    return ms >= 0 ? ms / 60000 : (ms - 59999) / 60000;
}

} // namespace

MinuteTally::Decision MinuteTally::check(const QDateTime &now) const
{
    Decision d;
    if (!m_last.isValid() || wallMinute(now) == wallMinute(m_last))
        return d;
    d.tally = true;
    d.row = TimeText::rowOf(now.time());
    d.previous = m_last;
    d.clockWentBack = wallMinute(now) < wallMinute(m_last);
    const qint64 spanned = realMinute(now) - realMinute(m_last);
    d.spannedMinutes = spanned > 0 ? int(std::min<qint64>(spanned, 1 << 30)) : 1;
    return d;
}

void MinuteTally::advance(const QDateTime &now)
{
    m_last = now;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stats/LocalZone.h"

#include <QDate>

// How many real minutes each minute row of a day column stands for in the
// local time zone, and the instant its row is written for.
//
// A row stands for the minute that ends at its wall-clock time.  On most
// days that is one minute.  When the clocks go back, the wall times of the
// repeated hour end two real minutes each, and the tally adds both passes
// into the one cell: such a cell covers two minutes, and its time is the end
// of its second pass.  When the clocks go forward the skipped wall times end
// no real minute; a count there (a log recorded where the clocks do not
// change, or edited) is taken as one minute at the offset that held before
// the change.
//
// One change of offset per day is understood (every zone in use today).
// Plain value, any thread; made per day from a LocalZone that spans it (a
// pass over many days learns the zone once).
class CellMinutes
{
public:
    // `zone` must span `date`.
    CellMinutes(const QDate &date, const LocalZone &zone);
    explicit CellMinutes(const QDate &date) : CellMinutes(date, LocalZone(date, date)) {}

    // False on a day whose offset from UTC changes.
    bool uniform() const { return m_before == m_after; }
    // The offset of the day's first minute, in seconds east of UTC.
    int firstOffset() const { return m_before; }

    // Real minutes that end at `minuteOfDay` (0..1439): 0, 1 or 2.
    int minutes(int minuteOfDay) const;
    // The minutes a count there is taken for: minutes(), at least one.
    int exposure(int minuteOfDay) const { return qMax(1, minutes(minuteOfDay)); }
    // The offset of the instant the row is written for (the later pass of
    // two; before the change for a skipped time).
    int offset(int minuteOfDay) const;

private:
    // The wall time of the row, read as UTC, in seconds since the epoch.
    qint64 wall(int minuteOfDay) const { return m_midnight + qint64{minuteOfDay} * 60; }

    qint64 m_midnight = 0;
    int m_before = 0;
    int m_after = 0;
    qint64 m_change = 0; // first instant of m_after, seconds since the epoch
};

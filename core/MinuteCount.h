// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QMetaType>

// The pulses of one minute tally, as the consumers of a measurement (the
// readout, statistics, publishing, uploads) see it: the tally's own count,
// not the sum its cell may hold after the clock went back.
struct MinuteCount {
    // The end of the minute, local time, seconds and milliseconds zero: the
    // time its row stands for.
    QDateTime end;
    // The pulses counted since the previous tally.
    qint64 count = 0;
    // Real minutes the count covers: 1, or more when ticks were missed (a
    // suspended machine, a clock set forward) and one tally took them all.
    int minutes = 1;
    // False when the count covers part of a minute only: the first tally
    // after the measurement started, and the tallies of the minutes in which
    // the port was lost or came back.  The table keeps its pulses; means and
    // the map uploads leave it out.
    bool whole = true;
};
Q_DECLARE_METATYPE(MinuteCount)

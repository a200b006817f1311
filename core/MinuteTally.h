// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

// When the clock tick makes the minute tally, and into which row.
//
// A one-second timer drifts and can come late, so the tally does not wait for
// a tick whose seconds read ":00": it runs on the first tick whose local
// (wall-clock) minute differs from the minute of the tick before it, and
// stores into that minute's row (the counts of the minute that ended).  A
// second tick in the same minute makes no second tally.  Nothing puts a tally
// off: it runs whatever dialog or message the user has open.
//
// The day table is in local time, so the row is the wall-clock minute.  How
// long the tally covers is measured in real time, so a daylight-saving change
// is one ordinary minute, while ticks missed for longer (a suspended machine,
// a busy window, a clock set forward) make one tally that takes every pulse
// since the last one, with `spannedMinutes` saying how many minutes that is.
//
// A clock that goes back (a manual change, an NTP step, the daylight-saving
// fall-back) re-enters minutes whose rows hold counts already; the tally then
// still runs, into the row of the new time, and `clockWentBack` says so once
// per step.  Adding to those counts instead of replacing them is the
// storer's rule (see MeasurementSession).
//
// The caller reports every tick through check() and then advance(), before it
// acts on the decision, so that a tick delivered while the tally is still
// being handled (a nested event loop) does not tally the same minute again.
class MinuteTally
{
public:
    struct Decision {
        bool tally = false;
        int row = 0;                // minute row of the clock reading, 1..1440
        int spannedMinutes = 0;     // real minutes since the previous handled tick, at least 1
        bool clockWentBack = false; // the wall clock read an earlier minute than before
        QDateTime previous;         // the reading of the previous handled tick
    };

    Decision check(const QDateTime &now) const;
    void advance(const QDateTime &now);

private:
    QDateTime m_last; // the reading of the last handled tick
};

#pragma once

#include <QDateTime>

// When the clock tick makes the minute tally.
//
// A one-second timer drifts and can come late, so the tally does not wait for
// a tick whose seconds read ":00": it runs on the first tick whose minute
// differs from the minute of the tick before it, and stores into that minute's
// row (the counts of the minute that ended).  A second tick in the same minute
// makes no second tally.  When ticks were missed for longer (a suspended
// machine, a busy window), the one tally takes every pulse since the last one
// and `spannedMinutes` says how many minutes that covers.
//
// The caller reports every tick through check(); it calls advance() once it
// has handled the tick (tallied, or nothing to tally).  A tick whose tally is
// put off (a modal dialog is open) is simply not advanced, so the next tick
// still tallies.
class MinuteTally
{
public:
    struct Decision {
        bool tally = false;
        int row = 0;                // minute row of the clock reading, 1..1440
        int spannedMinutes = 0;     // minutes since the previous handled tick
        bool clockWentBack = false; // the row may already hold this day's count
    };

    Decision check(const QDateTime &now) const;
    void advance(const QDateTime &now);

private:
    QDateTime m_last; // the minute (seconds cut) of the last handled tick
};

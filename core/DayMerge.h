// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>

class DayTable;
class DaySnapshot;

// Placing days into a day table by date, and taking the counted minutes of
// one table into another (a restored recovery copy into a log opened after
// it), so that no count is dropped.  GUI thread, as the table.
class DayMerge
{
public:
    // The column of `day`: its own when the table has one (found by full
    // date), else a new one inserted in its place among the newer and older
    // days, never in front of a newer one.  Its header and date are set.
    static int columnOf(DayTable &table, const QDate &day);

    struct Result {
        int minutes = 0;   // minutes `into` did not hold and now does
        int conflicts = 0; // minutes both held differently: the larger count is kept, a text stays
    };
    // Every counted minute of `from`'s dated columns into the column of the
    // same day in `into`.  A minute `into` holds already keeps the larger
    // count, so that the same minute met in both is not counted twice.
    // Undated columns and texts that are not counts are left out.
    static Result mergeCounts(DayTable &into, const DaySnapshot &from);
};

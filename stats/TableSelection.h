// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stats/CountStats.h"

#include <QList>
#include <QMap>

class DayTable;

// Statistics of cells selected in the day table: blocks of cells or whole
// columns.  Only minute cells of day columns count; the header row and the
// time column are never data.  Cells that hold no count (empty, text) are
// skipped and their number reported.  A cell of a dated column counts the
// real minutes it stands for (CellMinutes); a cell of an undated column one.
//
// Thread: the table's.
class TableSelection
{
public:
    struct Range {
        int left = 0;   // first column
        int top = 0;    // first row
        int right = 0;  // last column, inclusive
        int bottom = 0; // last row, inclusive
    };

    // When `frequencies` is given it receives how many one-minute cells hold
    // each count (a longer cell's count is of another distribution).
    static CountStats::Result compute(const DayTable &table, const QList<Range> &ranges,
                                      QMap<qint64, qint64> *frequencies = nullptr);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DayTable.h"

// The sum of every count the table's minute cells hold: what a run has tallied so far.
inline long long storedCounts(const DayTable &table)
{
    long long sum = 0;
    for (int col = 1; col < table.colCount(); ++col)
        for (int row = 1; row <= DayTable::MinuteRows; ++row) {
            int n = 0;
            if (table.cellCount(col, row, &n))
                sum += n;
        }
    return sum;
}

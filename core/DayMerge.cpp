// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DayMerge.h"

#include "core/DaySnapshot.h"
#include "core/DayTable.h"
#include "core/TimeText.h"

int DayMerge::columnOf(DayTable &table, const QDate &day)
{
    const QString h = TimeText::dayHeader(day);
    // Columns are newest first.  The header holds no year: a column is the
    // day's only when its full date is.
    int c = 1;
    while (c < table.colCount() && table.columnDate(c).isValid() && table.columnDate(c) > day)
        ++c;
    if (table.cell(c, 0) != h || table.columnDate(c) != day)
        table.column_insert(c);
    if (table.cell(c, 0).isEmpty())
        table.setCell(c, 0, h);
    table.setColumnDate(c, day);
    return c;
}

DayMerge::Result DayMerge::mergeCounts(DayTable &into, const DaySnapshot &from)
{
    Result r;
    for (int c = 1; c < from.colCount(); ++c) {
        const QDate day = from.column(c).date;
        if (!day.isValid())
            continue;
        int target = 0;
        for (int row = 1; row <= 1440; ++row) {
            int count = 0;
            if (!from.cellCount(c, row, &count))
                continue;
            if (target == 0)
                target = columnOf(into, day);
            int held = 0;
            if (into.cellCount(target, row, &held)) {
                r.conflicts += held != count;
                if (held >= count)
                    continue;
            } else if (!into.cell(target, row).isEmpty()) {
                ++r.conflicts; // a text of the file stays
                continue;
            } else {
                ++r.minutes;
            }
            into.setCell(target, row, QString::number(count));
        }
    }
    return r;
}

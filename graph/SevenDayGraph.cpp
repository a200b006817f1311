// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/SevenDayGraph.h"

#include "core/DayTable.h"
#include "graph/StrToInt.h"

void SevenDayGraph::raiseLeftMax(double &leftMax, double value)
{
    if (value > leftMax + 1)
        leftMax = value + 1;
}

GraphData SevenDayGraph::build(const DayTable &table, bool todayOnly)
{
    GraphData data;
    data.leftMax = InitialMax;
    const int rows = table.rowCount();
    const int lastColumn = todayOnly ? 1 : SeriesCount;
    for (int c = 1; c <= lastColumn; ++c)
        data.points[c - 1].reserve(rows - 1);

    for (int r = 1; r < rows; ++r) {
        const double x = r / 60.0;
        for (int c = 1; c <= lastColumn; ++c) {
            int value = 0;
            // Plain counts, the only text the tally writes, are stored as
            // numbers and read the same by the full conversion; anything
            // else goes through it.
            if (!table.cellCount(c, r, &value)) {
                const QString text = table.cell(c, r);
                if (text.isEmpty())
                    continue;
                const std::optional<qint32> parsed = StrToInt::parse(text);
                if (!parsed) {
                    data.error = GraphError{c, r, text, StrToInt::errorMessage(text)};
                    return data;
                }
                value = *parsed;
            }
            data.points[c - 1].append(QPointF(x, value));
            raiseLeftMax(data.leftMax, value);
        }
    }
    return data;
}

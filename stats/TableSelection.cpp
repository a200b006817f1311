#include "stats/TableSelection.h"

#include "core/DayTable.h"

#include <algorithm>

CountStats::Result TableSelection::compute(const DayTable &table, const QList<Range> &ranges,
                                           QMap<qint64, qint64> *frequencies)
{
    CountStats stats;
    for (const Range &r : ranges) {
        const int left = std::max(r.left, 1);
        const int right = std::min(r.right, table.colCount() - 1);
        const int top = std::max(r.top, 1);
        const int bottom = std::min(r.bottom, DayTable::MinuteRows);
        for (int col = left; col <= right; ++col) {
            for (int row = top; row <= bottom; ++row) {
                int v = 0;
                if (table.cellCount(col, row, &v)) {
                    stats.add(v);
                    if (frequencies)
                        ++(*frequencies)[v];
                } else {
                    stats.skip();
                }
            }
        }
    }
    return stats.result();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/TableSelection.h"

#include "core/DayTable.h"
#include "stats/StoredMinutes.h"

#include <algorithm>
#include <vector>

CountStats::Result TableSelection::compute(const DayTable &table, const QList<Range> &ranges,
                                           QMap<qint64, qint64> *frequencies)
{
    CountStats stats;
    // Background counts are small: tally those in a flat array, which is far
    // quicker than a map per cell, and only the rare large ones in the map.
    constexpr int Flat = 4096;
    std::vector<qint64> flat(frequencies ? Flat : 0, 0);
    const LocalZone zone = StoredMinutes::zoneOf(table);
    for (const Range &r : ranges) {
        const int left = std::max(r.left, 1);
        const int right = std::min(r.right, table.colCount() - 1);
        const int top = std::max(r.top, 1);
        const int bottom = std::min(r.bottom, DayTable::MinuteRows);
        for (int col = left; col <= right; ++col) {
            const QDate date = table.columnDate(col);
            const std::optional<CellMinutes> day =
                date.isValid() ? std::optional<CellMinutes>(std::in_place, date, zone)
                               : std::nullopt;
            const bool plain = !day || day->uniform();
            for (int row = top; row <= bottom; ++row) {
                qint64 v = 0;
                const StoredMinutes::Cell cell = StoredMinutes::read(table, col, row, &v);
                if (cell == StoredMinutes::Cell::TooLarge) {
                    stats.tooLarge();
                    continue;
                }
                if (cell == StoredMinutes::Cell::NoCount) {
                    stats.skip();
                    continue;
                }
                const int minutes = plain ? 1 : day->exposure(row - 1);
                stats.add(v, minutes);
                if (frequencies && minutes == 1) {
                    if (v < Flat)
                        ++flat[std::size_t(v)];
                    else
                        ++(*frequencies)[v];
                }
            }
        }
    }
    if (frequencies) {
        for (int v = 0; v < int(flat.size()); ++v)
            if (flat[std::size_t(v)] > 0)
                (*frequencies)[v] += flat[std::size_t(v)];
    }
    return stats.result();
}

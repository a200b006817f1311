// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>

#include <functional>
#include <optional>

#include "stats/CellMinutes.h"

#include "core/DayTable.h"

// The minutes a day table stores, oldest first, with the local wall time
// each stands for: the day its column carries (DayTable::columnDate) and the
// end of the minute its row stands for.  Columns without a known date hold
// no usable time and are counted apart.  A cell may stand for more than one
// real minute (CellMinutes): consumers weigh it by its exposure.
//
// Thread: the table's.
class StoredMinutes
{
public:
    // Counts the tally could store in a minute are far below this; a larger
    // plain number in a cell is reported and left out, which keeps every
    // sum of ten years of minutes exact in the statistics' 128 bits.
    static constexpr qint64 MaxCount = 999'999'999'999;

    enum class Cell { Count, NoCount, TooLarge };
    // What a minute cell holds: a count (into *count; also one above the
    // 31 bits the table keeps as a number), no count (empty, text), or a
    // plain number above MaxCount.
    static Cell read(const DayTable &table, int col, int row, qint64 *count)
    {
        int small = 0;
        if (!table.cellCount(col, row, &small))
            return readText(table, col, row, count);
        *count = small;
        return Cell::Count;
    }

    // A local wall-clock minute: the day and the minute of the day (0..1439),
    // compared as the export's `time` column sorts.
    struct Minute {
        QDate date;
        int minuteOfDay = 0;
        friend bool operator==(const Minute &, const Minute &) = default;
        friend bool operator<(const Minute &a, const Minute &b)
        {
            return a.date != b.date ? a.date < b.date : a.minuteOfDay < b.minuteOfDay;
        }
    };

    struct Span {
        std::optional<Minute> from; // inclusive
        std::optional<Minute> to;   // inclusive
        bool contains(const Minute &m) const
        {
            return (!from || !(m < *from)) && (!to || !(*to < m));
        }
    };

    struct Visit {
        // Called for every cell that holds a count, oldest first, with the
        // minutes of its day.
        std::function<void(const Minute &, qint64 count, const CellMinutes &day)> count;
        // Called once per column for the cells in the span that hold no
        // count (empty or text); may be empty.
        std::function<void(qint64 cells)> skipped;
    };

    struct Summary {
        int undatedColumns = 0;   // day columns with counts but no date
        qint64 undatedCounts = 0; // the counts those columns hold
        qint64 tooLarge = 0;      // cells in the span above MaxCount, left out
    };

    static Summary visit(const DayTable &table, const Span &span, const Visit &visit);

    // The local zone over the days of the table's dated columns.
    static LocalZone zoneOf(const DayTable &table);

    // Whether a cell of a dated column that holds a count stands for more
    // than one minute.
    static bool anyLongerCell(const DayTable &table);

    // "YYYY-MM-DDTHH:MM" (seconds allowed and ignored when ":00"), local time.
    static std::optional<Minute> parseMinute(const QString &text);

private:
    // read() of a cell the table keeps as text (or empty).
    static Cell readText(const DayTable &table, int col, int row, qint64 *count);
};

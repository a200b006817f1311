// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>

#include <functional>
#include <optional>

class DayTable;

// The minutes a day table stores, oldest first, with the local wall time
// each stands for: the day its column carries (DayTable::columnDate) and the
// end of the minute its row stands for.  Columns without a known date hold
// no usable time and are counted apart.
//
// Thread: the table's.
class StoredMinutes
{
public:
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
        // Called for every cell that holds a count, oldest first.
        std::function<void(const Minute &, qint64 count)> count;
        // Called once per column for the cells in the span that hold no
        // count (empty or text); may be empty.
        std::function<void(qint64 cells)> skipped;
    };

    struct Summary {
        int undatedColumns = 0;    // day columns with counts but no date
        qint64 undatedCounts = 0;  // the counts those columns hold
    };

    static Summary visit(const DayTable &table, const Span &span, const Visit &visit);

    // "YYYY-MM-DDTHH:MM" (seconds allowed and ignored when ":00"), local time.
    static std::optional<Minute> parseMinute(const QString &text);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDate>

#include <functional>
#include <optional>

class DayTable;

// The day table as a tidy CSV for data tools: UTF-8, header "time,cpm" (or
// "time,cpm,usv_h" with a factor), one row per stored count, oldest first.
// `time` is the end of the minute in ISO 8601 local time with its UTC
// offset, e.g. 2026-12-07T00:01:00+09:00, on the day its column carries.
// Empty and text cells, counts above StoredMinutes::MaxCount and columns
// without a known date give no row.
//
// A cell that stands for two minutes (the hour repeated when the clocks go
// back, see CellMinutes) is one row at the end of its second pass, with
// `cpm` its rate (pulses / 2) and a last column `minutes` saying 2; that
// column (1 on the other rows) is there only when the file holds such a
// row.  A count in a time the clocks skipped is written as the exact instant
// its wall time names at the offset before the change.
//
// Thread: the table's.  Output goes to `sink` in pieces of about 64 KiB;
// the sink returns false to stop (a full disk, a closed pipe).
class TidyExport
{
public:
    struct Result {
        bool ok = true; // false when the sink refused a piece
        qint64 rows = 0;
        int undatedColumns = 0;  // columns with counts but no date: left out
        qint64 tooLarge = 0;     // cells above StoredMinutes::MaxCount: left out
        qint64 skippedTimes = 0; // rows in a time the clocks skipped
    };

    using Sink = std::function<bool(const QByteArray &)>;

    static Result write(const DayTable &table, std::optional<double> factor, const Sink &sink);

    // The `time` field of the minute `minuteOfDay` of `date`, local time.
    static QByteArray timeText(const QDate &date, int minuteOfDay);
};

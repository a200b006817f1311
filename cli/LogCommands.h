// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stats/CountStats.h"
#include "stats/StoredMinutes.h"

#include <QDate>
#include <QString>

#include <cstdio>
#include <optional>

// The command-line runs on a log file that need no display:
//   --export LOG [--output OUT] [--factor F] [--year Y]   the tidy CSV (TidyExport)
//   --stats LOG [--from T] [--to T] [--factor F] [--year Y]  key=value statistics
//
// Each returns the exit status: 0 on success, 1 when the log cannot be read
// or is not a log file, or the output cannot be written; the reason goes to
// `err`, and a failed --output leaves no partial file behind.  The columns
// are dated by ColumnDates::datingOf, and `err` says how unless the name is
// an auto-save name.  A log cut short, cells too large to take and rows in
// a time the clocks skipped are warned of on `err`, once each.
//
// Main thread, before any event loop.
class LogCommands
{
public:
    struct Options {
        QString logPath;
        QString outputPath; // empty: `out`
        std::optional<double> factor;
        StoredMinutes::Span span;
        std::optional<int> year; // the year of the newest column, when given
        std::FILE *out = stdout;
        std::FILE *err = stderr;
    };

    static int runExport(const Options &options);
    static int runStats(const Options &options);

    // The --stats text: one key=value per line (n, sum, mean, sd, sem, min,
    // max, dispersion, p_poisson, skipped, and with a factor usv_h,
    // usv_h_sem and dose_usv).  Values that do not exist (the mean of no
    // minutes) read "nan".  n counts minutes, min and max are the lowest and
    // highest rate of a cell.
    static QString statsText(const CountStats::Result &r, std::optional<double> factor);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stats/CountStats.h"
#include "stats/StoredMinutes.h"

#include <QDate>
#include <QString>

#include <cstdio>
#include <optional>

// The command-line runs on a log file that need no display:
//   --export LOG [--output OUT] [--factor F]   the tidy CSV (TidyExport)
//   --stats LOG [--from T] [--to T] [--factor F]  key=value statistics
//
// Each returns the exit status: 0 on success, 1 when the log cannot be read
// or is not a log file, or the output cannot be written; the reason goes to
// `err`, and a failed --output leaves no partial file behind.
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
        QDate today;        // dates the columns of a log without a dated name
        std::FILE *out = stdout;
        std::FILE *err = stderr;
    };

    static int runExport(const Options &options);
    static int runStats(const Options &options);

    // The --stats text: one key=value per line (n, sum, mean, sd, sem, min,
    // max, dispersion, p_poisson, skipped, and with a factor usv_h,
    // usv_h_sem and dose_usv).  Values that do not exist (the mean of no
    // minutes) read "nan".
    static QString statsText(const CountStats::Result &r, std::optional<double> factor);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

#include <optional>

// What one upload reports: the mean of the minutes of one interval.
struct UploadReading {
    QDateTime end;         // end of the interval's last minute
    double meanCpm = 0;    // pulses of the interval over its minutes
    double latestCpm = 0;  // the interval's last tally alone
    int minutes = 0;       // minutes the mean covers
    // Counts per minute per uSv/h; unset: no dose may be claimed.
    std::optional<double> factor;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DayTable.h"

#include <QDate>

#include <random>

// Realistic day tables for the preview and the benchmark: counts drawn from a
// Poisson distribution, newest day first.
struct SampleWeek {
    int days = 7;         // day columns filled, 1..days
    int todayRows = 1440; // minute rows filled in column 1
    int gapColumn = 0;    // a stopped measurement: no counts in this column
    int gapFirst = 0;     //   from this row
    int gapLast = -1;     //   to this row
    double meanCpm = 30;
    unsigned seed = 1;
    QDate today = QDate(2011, 9, 18);
};

inline void fillSampleWeek(DayTable &table, const SampleWeek &week)
{
    table.fillTimeColumn();
    table.growTo(week.days + 1);
    std::mt19937 rng(week.seed);
    std::poisson_distribution<int> cpm(week.meanCpm);
    for (int c = 1; c <= week.days; ++c) {
        const QDate day = week.today.addDays(1 - c);
        table.setCell(c, 0, day.toString(QStringLiteral("MM/dd")));
        table.setColumnDate(c, day);
        const int lastRow = c == 1 ? week.todayRows : DayTable::MinuteRows;
        for (int r = 1; r <= lastRow; ++r) {
            if (c == week.gapColumn && r >= week.gapFirst && r <= week.gapLast)
                continue;
            table.setCell(c, r, QString::number(cpm(rng)));
        }
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>

class DayTable;

// A day-table cell in columns 1..7 that is not empty and not an integer.
// Column, row and text name the cell so that a caller can tell a new failure
// from the same one met again at the next rebuild.
struct GraphError {
    int column = 0;
    int row = 0;
    QString text;
    QString message; // "'<text>' は整数ではありません"

    friend bool operator==(const GraphError &, const GraphError &) = default;
};

// The outcome of one rebuild: the points of the seven series (index 0 is
// today, index 6 six measured days before), the maximum of the left axis, and
// the failing cell if the rebuild stopped early.  When it stopped, the points
// met before the failing cell are kept and the maximum is the one reached.
struct GraphData {
    std::array<QList<QPointF>, 7> points;
    double leftMax = 50.0;
    std::optional<GraphError> error;
};

// Turns the day table into the seven line series of the chart.  A full
// rebuild from the cell texts each time; nothing is cached.
//
// Rows are visited from 1 to 1440; within a row column 1 first, then columns
// 2..7 unless only today is wanted.  A point of row r is drawn at x = r / 60
// hours: row r holds the count of the minute that ends r - 1 minutes after
// midnight, so each point stands one minute to the right of the end of its
// minute and the last row lands on 24.  The left-axis maximum starts at 50 at
// every rebuild and is raised to v + 1 whenever a count v exceeds it by more
// than one, so the result depends on the order in which counts are met.
// Empty cells add nothing; row 0, column 0 and columns 8.. are never read.
//
// Pure function of its arguments; GUI thread (the day table lives there).
class SevenDayGraph
{
public:
    static constexpr int SeriesCount = 7;
    static constexpr double InitialMax = 50.0;

    static GraphData build(const DayTable &table, bool todayOnly);
    // The left axis's rule, for one point met: a value above the maximum
    // by more than one raises it to the value + 1.
    static void raiseLeftMax(double &leftMax, double value);
};

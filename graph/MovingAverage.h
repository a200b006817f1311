// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct GraphData;

// Smooths the seven lines of the chart: each point becomes the mean of the
// points of its line that lie within the `minutes` minutes ending at it
// (a trailing mean, so a change shows where it began, not before).  Rows
// without a count are not filled in: the mean is over the points present.
// The left-axis maximum follows the smoothed points by the chart's own rule
// (SevenDayGraph::raiseLeftMax), met in the chart's order: minute by minute,
// today's line first.
//
// Plain function, any thread.
class MovingAverage
{
public:
    static void apply(GraphData &data, int minutes);
};

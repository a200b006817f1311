// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/MovingAverage.h"

#include "graph/SevenDayGraph.h"

#include <array>

void MovingAverage::apply(GraphData &data, int minutes)
{
    if (minutes <= 1)
        return;
    // x is in hours; a point stands for the minute that ends 1/60 h before it.
    const double window = minutes / 60.0 - 1e-9;
    for (QList<QPointF> &line : data.points) {
        QList<QPointF> smoothed;
        smoothed.reserve(line.size());
        double sum = 0;
        qsizetype first = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            sum += line[i].y();
            while (line[i].x() - line[first].x() > window)
                sum -= line[first++].y();
            const double mean = sum / double(i - first + 1);
            smoothed.append(QPointF(line[i].x(), mean));
        }
        line = std::move(smoothed);
    }
    data.leftMax = SevenDayGraph::InitialMax;
    std::array<qsizetype, SevenDayGraph::SeriesCount> next{};
    for (;;) {
        const QPointF *point = nullptr;
        size_t line = 0;
        for (size_t c = 0; c < next.size(); ++c) {
            const QList<QPointF> &points = data.points[c];
            if (next[c] < points.size() && (!point || points[next[c]].x() < point->x())) {
                point = &points[next[c]];
                line = c;
            }
        }
        if (!point)
            return;
        SevenDayGraph::raiseLeftMax(data.leftMax, point->y());
        ++next[line];
    }
}

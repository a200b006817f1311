// SPDX-License-Identifier: GPL-3.0-or-later
// The graph rebuild on a full week (7 x 1440 = 10,080 points): the rebuild
// alone, the rebuild shown in the chart, and the rebuild shown plus one
// repaint of the chart at its place size in the main window (674 x 659).
#include "graph/GmChartView.h"
#include "graph/SevenDayGraph.h"
#include "tests/graph/SampleWeek.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace
{

// Two different weeks, so that every shown rebuild really changes the lines.
struct Weeks {
    Weeks()
    {
        SampleWeek week;
        fillSampleWeek(a, week);
        week.seed = 2;
        fillSampleWeek(b, week);
    }
    DayTable a;
    DayTable b;
};

void BM_Rebuild(benchmark::State &state)
{
    Weeks weeks;
    std::size_t points = 0;
    for (auto _ : state) {
        GraphData d = SevenDayGraph::build(weeks.a, false);
        benchmark::DoNotOptimize(d);
        points = 0;
        for (const auto &p : d.points)
            points += std::size_t(p.size());
    }
    state.counters["points"] = double(points);
}
BENCHMARK(BM_Rebuild)->Unit(benchmark::kMillisecond);

void BM_RebuildAndApply(benchmark::State &state)
{
    Weeks weeks;
    GmChartView view;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        benchmark::DoNotOptimize(view.draw(flip ? weeks.a : weeks.b, false));
    }
}
BENCHMARK(BM_RebuildAndApply)->Unit(benchmark::kMillisecond);

void BM_RebuildApplyRepaint(benchmark::State &state)
{
    Weeks weeks;
    GmChartView view;
    view.resize(674, 659);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    view.QWidget::render(&image); // lays the hidden view out at its size
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        benchmark::DoNotOptimize(view.draw(flip ? weeks.a : weeks.b, false));
        QCoreApplication::sendPostedEvents();
        view.QWidget::render(&image);
    }
}
BENCHMARK(BM_RebuildApplyRepaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

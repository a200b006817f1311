// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics of a whole ten-year table (3650 day columns, 5.3 million
// cells) and the readout's update at a tally: its running mean, its text
// and the label that shows it.
#include "core/DayTable.h"
#include "stats/ReadoutText.h"
#include "stats/TableSelection.h"
#include "stats/TidyExport.h"

#include <QApplication>
#include <QLabel>

#include <benchmark/benchmark.h>

#include <random>

namespace
{

const DayTable &tenYears()
{
    static DayTable *table = [] {
        auto *t = new DayTable;
        t->fillTimeColumn();
        t->growTo(3651);
        std::mt19937 rng(1);
        std::poisson_distribution<int> cpm(30);
        const QDate today(2026, 12, 7);
        for (int c = 1; c <= 3650; ++c) {
            t->setColumnDate(c, today.addDays(1 - c));
            for (int r = 1; r <= DayTable::MinuteRows; ++r)
                t->setCell(c, r, QString::number(cpm(rng)));
        }
        return t;
    }();
    return *table;
}

void BM_StatsTenYearTable(benchmark::State &state)
{
    const DayTable &t = tenYears();
    const QList<TableSelection::Range> all{{1, 1, t.colCount() - 1, DayTable::MinuteRows}};
    for (auto _ : state) {
        const CountStats::Result r = TableSelection::compute(t, all);
        benchmark::DoNotOptimize(r.pPoisson);
    }
    state.counters["cells"] = double(t.colCount() - 1) * DayTable::MinuteRows;
}
BENCHMARK(BM_StatsTenYearTable)->Unit(benchmark::kMillisecond);

void BM_StatsTenYearTableWithHistogram(benchmark::State &state)
{
    const DayTable &t = tenYears();
    const QList<TableSelection::Range> all{{1, 1, t.colCount() - 1, DayTable::MinuteRows}};
    for (auto _ : state) {
        QMap<qint64, qint64> freq;
        const CountStats::Result r = TableSelection::compute(t, all, &freq);
        benchmark::DoNotOptimize(r.pPoisson);
    }
}
BENCHMARK(BM_StatsTenYearTableWithHistogram)->Unit(benchmark::kMillisecond);

void BM_ExportTenYearTable(benchmark::State &state)
{
    const DayTable &t = tenYears();
    for (auto _ : state) {
        qint64 bytes = 0;
        TidyExport::write(t, 175.43, [&bytes](const QByteArray &b) {
            bytes += b.size();
            return true;
        });
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ExportTenYearTable)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ReadoutUpdate(benchmark::State &state)
{
    QLabel label;
    RecentMinutes recent(60);
    QDateTime t(QDate(2026, 12, 7), QTime(0, 0));
    qint64 count = 30;
    for (auto _ : state) {
        t = t.addSecs(60);
        recent.add({t, count++ % 50, 1});
        label.setText(ReadoutText::format(recent, 175.43));
    }
}
BENCHMARK(BM_ReadoutUpdate)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

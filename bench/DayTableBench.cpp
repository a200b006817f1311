// SPDX-License-Identifier: GPL-3.0-or-later
// Ten years of day columns: how long one change of day takes and how much
// memory the filled table holds.
#include "core/DayTable.h"

#include <benchmark/benchmark.h>

#include <random>

static void fill(DayTable &t, int columns)
{
    t.fillTimeColumn();
    t.growTo(columns);
    std::mt19937 rng(7);
    std::poisson_distribution<int> cpm(30);
    for (int c = 1; c < columns; ++c) {
        t.setCell(c, 0,
                  QStringLiteral("%1/%2")
                      .arg(c % 12 + 1, 2, 10, QChar(u'0'))
                      .arg(c % 28 + 1, 2, 10, QChar(u'0')));
        for (int r = 1; r < DayTable::RowCount; ++r)
            t.setCell(c, r, QString::number(cpm(rng)));
    }
}

static void BM_ColumnInsert(benchmark::State &state)
{
    DayTable t;
    fill(t, int(state.range(0)));
    for (auto _ : state)
        t.column_insert(1);
    state.counters["columns_at_end"] = t.columnCount();
    state.counters["table_MB"] = double(t.memoryUsage()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ColumnInsert)->Arg(10)->Arg(3650)->Unit(benchmark::kMicrosecond)->Iterations(200);

static void BM_FilledTableMemory(benchmark::State &state)
{
    for (auto _ : state) {
        DayTable t;
        fill(t, 3650);
        state.counters["table_MB"] = double(t.memoryUsage()) / (1024.0 * 1024.0);
    }
}
BENCHMARK(BM_FilledTableMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();

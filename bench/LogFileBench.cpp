// SPDX-License-Identifier: GPL-3.0-or-later
// Writing and reading log files of 10 days, a year and ten years of day
// columns with realistic counts: the auto-save runs at every minute tally.
#include "core/DayTable.h"
#include "logfile/AutoSave.h"
#include "logfile/LogFile.h"
#include "logfile/LogFormat.h"
#include "logfile/RecoveryCopy.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

static void fill(DayTable &t, int columns)
{
    t.fillTimeColumn();
    t.growTo(columns);
    std::mt19937 rng(7);
    std::poisson_distribution<int> cpm(30);
    QDate day(2024, 6, 30);
    for (int c = 1; c < columns; ++c, day = day.addDays(-1)) {
        t.setCell(c, 0, day.toString(QStringLiteral("MM/dd")));
        for (int r = 1; r < DayTable::RowCount; ++r)
            t.setCell(c, r, QString::number(cpm(rng)));
    }
}

static void BM_Encode(benchmark::State &state)
{
    DayTable t;
    fill(t, int(state.range(0)));
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray file = LogFormat::encode(t, LogTitle::AutoSave);
        bytes = file.size();
        benchmark::DoNotOptimize(file.constData());
    }
    state.counters["file_MB"] = double(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Encode)->Arg(10)->Arg(365)->Arg(3650)->Unit(benchmark::kMillisecond);

// The whole auto-save: folder, encoding, temporary file, fsync, rename.
static void BM_AutoSave(benchmark::State &state)
{
    DayTable t;
    fill(t, int(state.range(0)));
    QTemporaryDir dir;
    QDateTime when(QDate(2024, 6, 30), QTime(14, 5));
    for (auto _ : state) {
        const QString error = AutoSave::save(dir.path(), when, t);
        if (!error.isEmpty())
            state.SkipWithError(error.toStdString().c_str());
        when = when.addSecs(60);
    }
}
BENCHMARK(BM_AutoSave)->Arg(10)->Arg(365)->Arg(3650)->Unit(benchmark::kMillisecond);

// What the recovery copy adds to every tally: the whole table written to the
// state folder (encoding, temporary file, fsync, rename); with auto-save on
// (second argument 1) the copy is settled again right after, so each write
// makes a new file.
static void BM_RecoveryCopy(benchmark::State &state)
{
    DayTable t;
    fill(t, int(state.range(0)));
    QTemporaryDir dir;
    RecoveryCopy copy(dir.filePath(QStringLiteral("torvale")));
    const bool settle = state.range(1) != 0;
    for (auto _ : state) {
        const QString error = copy.write(t);
        if (!error.isEmpty())
            state.SkipWithError(error.toStdString().c_str());
        if (settle)
            copy.settle();
    }
}
BENCHMARK(BM_RecoveryCopy)
    ->ArgsProduct({{10, 365}, {0, 1}})
    ->ArgNames({"columns", "settled"})
    ->Unit(benchmark::kMillisecond);

// Opening a file: the temporary copy, reading it into a fresh table, dating
// the columns.
static void BM_Load(benchmark::State &state)
{
    DayTable written;
    fill(written, int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.CSV"));
    if (!LogFile::save(path, written, LogTitle::Manual).isEmpty())
        state.SkipWithError("cannot write the file");
    for (auto _ : state) {
        DayTable t;
        t.fillTimeColumn();
        const LogFile::LoadResult r = LogFile::load(path, t, QDate(2024, 6, 30));
        if (!r.ok)
            state.SkipWithError(r.error.toStdString().c_str());
        benchmark::DoNotOptimize(t.colCount());
    }
}
BENCHMARK(BM_Load)->Arg(10)->Arg(365)->Arg(3650)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

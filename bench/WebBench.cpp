// SPDX-License-Identifier: GPL-3.0-or-later
// The web server under requests from one keep-alive client on 127.0.0.1:
// /metrics, 7 days of /api/minutes and /api/status, on a year of stored
// minutes.  "server_cpu_us" is the processor time of every thread but the
// client's (the benchmark's own) per request: the server's share.
#include "core/DayTable.h"
#include "web/WebServer.h"
#include "web/WebState.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTcpSocket>

#include <ctime>

namespace
{

double cpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Bench {
    DayTable table;
    WebServer server;
    QTcpSocket client;

    Bench()
    {
        table.fillTimeColumn();
        const QDate newest(2026, 12, 8);
        table.growTo(366);
        for (int col = 1; col <= 365; ++col) {
            table.setColumnDate(col, newest.addDays(1 - col));
            table.setCell(col, 0, newest.addDays(1 - col).toString(QStringLiteral("MM/dd")));
            for (int row = 1; row <= DayTable::MinuteRows; ++row)
                table.setCell(col, row, QString::number(20 + (row * 7 + col) % 13));
        }
        auto s = std::make_shared<WebState>();
        s->table = table.snapshot();
        s->last = MinuteCount{QDateTime(newest, QTime(23, 59)), 21, 1};
        s->mean10 = RecentMinutes::Mean{21.5, 1.5, 215, 10};
        s->factor = 151;
        s->portUp = true;
        server.publish(s);
        QString error;
        if (!server.listen(QHostAddress::LocalHost, 0, &error))
            qFatal("cannot listen: %s", qPrintable(error));
        client.connectToHost(QHostAddress::LocalHost, server.port());
        client.waitForConnected(2000);
    }

    // One request on the kept connection; the answer's body size.
    qint64 get(const QByteArray &path)
    {
        client.write("GET " + path + " HTTP/1.1\r\nHost: bench\r\n\r\n");
        QByteArray in;
        qint64 need = -1;
        while (need < 0 || in.size() < need) {
            if (!client.bytesAvailable() && !client.waitForReadyRead(5000))
                qFatal("no answer to %s", path.constData());
            in += client.readAll();
            const qsizetype head = in.indexOf("\r\n\r\n");
            if (need < 0 && head > 0) {
                const qsizetype at = in.indexOf("Content-Length: ") + 16;
                need = head + 4 + in.mid(at, in.indexOf('\r', at) - at).toLongLong();
            }
        }
        return need;
    }
};

Bench &bench()
{
    static Bench b;
    return b;
}

void run(benchmark::State &state, const QByteArray &path)
{
    Bench &b = bench();
    qint64 bytes = 0;
    const double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double client0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (auto _ : state)
        bytes = b.get(path);
    const double server = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0) -
                          (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - client0);
    state.counters["server_cpu_us"] = 1e6 * server / double(state.iterations());
    state.counters["bytes"] = double(bytes);
}

void BM_Metrics(benchmark::State &state)
{
    run(state, "/metrics");
}
BENCHMARK(BM_Metrics)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Status(benchmark::State &state)
{
    run(state, "/api/status");
}
BENCHMARK(BM_Status)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_MinutesSevenDays(benchmark::State &state)
{
    run(state, "/api/minutes?from=2026-12-01T00:00&to=2026-12-08T23:59");
}
BENCHMARK(BM_MinutesSevenDays)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CsvYear(benchmark::State &state)
{
    run(state, "/api/minutes.csv");
}
BENCHMARK(BM_CsvYear)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

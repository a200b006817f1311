// SPDX-License-Identifier: GPL-3.0-or-later
// The progress pane against the text editor it replaced (QPlainTextEdit with the same
// 100,000-line limit), side by side in one run, both shown offscreen at the window's size:
// the memory a full pane holds, and the GUI thread's time per line of a flood once it is full
// (hand-overs of `--chunk` pulse lines, each followed by the paint it causes).
//
//   bench_pane [--chunk LINES] [--rounds N]
#include "window/ProgressPane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace
{

constexpr int MaxLines = 100000;

long long rssKb()
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kb = std::atoll(line + 6);
    std::fclose(f);
    return kb;
}

qint64 threadCpuNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QString pulseLines(int n)
{
    QString lines;
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            lines += u'\n';
        lines += QStringLiteral("  受信 *");
    }
    return lines;
}

template <typename Pane>
void run(const char *name, int chunk, int rounds)
{
    const long long before = rssKb();
    auto pane = std::make_unique<Pane>();
    pane->setMaximumBlockCount(MaxLines);
    pane->resize(673, 640);
    pane->show();
    const QString block = pulseLines(1000);
    for (int i = 0; i < MaxLines / 1000; ++i)
        pane->appendPlainText(block);
    QApplication::processEvents();
    const long long full = rssKb();

    const QString lines = pulseLines(chunk);
    QElapsedTimer wall;
    wall.start();
    const qint64 cpu = threadCpuNs();
    for (int i = 0; i < rounds; ++i) {
        pane->appendPlainText(lines);
        QScrollBar *bar = pane->verticalScrollBar();
        bar->setValue(bar->maximum());
        QApplication::processEvents();
    }
    const double perLineNs = double(threadCpuNs() - cpu) / (double(chunk) * rounds);
    std::printf("%-16s %10.1f MB %16.0f %16.0f\n", name, double(full - before) / 1024,
                perLineNs, double(wall.nsecsElapsed()) / (double(chunk) * rounds));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    int chunk = 1000;
    int rounds = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--chunk") == 0)
            chunk = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("%d-line hand-overs into a full pane of %d lines, shown\n", chunk, MaxLines);
    std::printf("%-16s %13s %16s %16s\n", "pane", "memory full", "CPU ns/line", "wall ns/line");
    run<ProgressPane>("ProgressPane", chunk, rounds);
    run<QPlainTextEdit>("QPlainTextEdit", chunk, rounds);
    return 0;
}

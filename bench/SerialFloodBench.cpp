// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line under a flood: the GM counter simulator writes into a pseudo-terminal as fast
// as the line takes while a receive handler drains every queued byte through Trs232c.  The same
// pty is first drained by a minimal poll-and-read loop, the floor for CPU per byte.
//
//   bench_serialflood [seconds]   (10 by default)
//
// The sender runs in a child process, so this process's CPU time is the reading side only.
// Budget: no byte lost, at least 11,520 bytes/s (115200 bit/s), CPU per byte within 3 times
// the floor.  Exit code 1 when the budget is missed.
#include "serial/Trs232c.h"
#include "tools/GmSimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace
{

struct Figures {
    long long sent = 0;
    long long counted = 0;
    long long wakeUps = 0;
    double seconds = 0;
    double cpuMs = 0;
    double bytesPerSecond() const { return seconds > 0 ? double(counted) / seconds : 0; }
    double cpuNsPerByte() const { return counted > 0 ? cpuMs * 1e6 / double(counted) : 0; }
};

double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Starts the flood in a child process; its sent count arrives on the returned pipe.
int startFlood(GmSimulator &sim, int seconds, pid_t &child)
{
    int result[2];
    if (::pipe(result) != 0)
        std::exit(2);
    child = ::fork();
    if (child == 0) {
        ::close(result[0]);
        GmSimulator::Options o;
        o.mode = GmSimulator::Mode::Flood;
        o.durationMs = int64_t(seconds) * 1000;
        const long long sent = sim.run(o);
        (void)!::write(result[1], &sent, sizeof sent);
        ::_exit(0);
    }
    ::close(result[1]);
    ::fcntl(result[0], F_SETFL, O_NONBLOCK);
    return result[0];
}

bool takeSent(int pipeFd, long long &sent)
{
    return ::read(pipeFd, &sent, sizeof sent) == ssize_t(sizeof sent);
}

// One flood from the simulator's child, timed from here to finish(): wall
// time and the process's CPU time.
struct Flood {
    Flood(GmSimulator &sim, int seconds) : cpu0(processCpuMs())
    {
        wall.start();
        result = startFlood(sim, seconds, child);
    }
    void finish(Figures &f) const
    {
        f.seconds = double(wall.nsecsElapsed()) / 1e9;
        f.cpuMs = processCpuMs() - cpu0;
        ::waitpid(child, nullptr, 0);
        ::close(result);
    }

    pid_t child = 0;
    double cpu0;
    QElapsedTimer wall;
    int result = -1;
};

// The floor: the least a reader can do, in plain C calls.
Figures floorRun(GmSimulator &sim, int seconds)
{
    Figures f;
    const int fd = ::open(sim.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &t);
    ::tcflush(fd, TCIOFLUSH);

    const Flood flood(sim, seconds);
    const int result = flood.result;
    bool haveSent = false;
    static char buffer[65536];
    while (!haveSent || f.counted < f.sent) {
        pollfd p[2] = {{fd, POLLIN, 0}, {result, POLLIN, 0}};
        if (::poll(p, 2, 1000) <= 0 && haveSent)
            break;
        if (p[0].revents & POLLIN) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                f.counted += n;
                ++f.wakeUps;
            }
        }
        if ((p[1].revents & POLLIN) && !haveSent)
            haveSent = takeSent(result, f.sent);
    }
    flood.finish(f);
    ::close(fd);
    return f;
}

Figures componentRun(GmSimulator &sim, int seconds)
{
    Figures f;
    Trs232c port;
    port.applyStoredValues();
    port.setPortname(QString::fromStdString(sim.slavePath()));
    port.setBps(115200);
    static char buffer[65536];
    port.OnRXCHAR = [&](QObject *) {
        ++f.wakeUps;
        for (int n = port.inQueue(); n > 0; n = port.inQueue()) {
            const int chunk = n < int(sizeof buffer) ? n : int(sizeof buffer);
            if (!port.read(buffer, chunk))
                break;
            f.counted += chunk;
        }
    };
    if (!port.open()) {
        std::fprintf(stderr, "open %s: %s\n", sim.slavePath().c_str(),
                     qPrintable(port.lastError()));
        std::exit(2);
    }

    const Flood flood(sim, seconds);
    const int result = flood.result;
    bool haveSent = false;
    QEventLoop loop;
    QTimer check;
    QElapsedTimer sinceSent;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (!haveSent && takeSent(result, f.sent)) {
            haveSent = true;
            sinceSent.start();
        }
        if (haveSent && (f.counted >= f.sent || sinceSent.elapsed() > 5000))
            loop.quit();
    });
    check.start(20);
    loop.exec();
    flood.finish(f);
    port.close();
    return f;
}

void print(const char *name, const Figures &f)
{
    std::printf("%-10s sent %lld  counted %lld  lost %lld  %.0f bytes/s  wake-ups %lld "
                "(%.0f bytes each)  CPU %.0f ms  %.1f ns/byte\n",
                name, f.sent, f.counted, f.sent - f.counted, f.bytesPerSecond(), f.wakeUps,
                f.wakeUps ? double(f.counted) / double(f.wakeUps) : 0.0, f.cpuMs, f.cpuNsPerByte());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    GmSimulator sim;
    if (!sim.openPty()) {
        std::fprintf(stderr, "%s\n", sim.error().c_str());
        return 2;
    }
    const Figures floor = floorRun(sim, seconds);
    const Figures component = componentRun(sim, seconds);
    print("floor", floor);
    print("Trs232c", component);
    const double ratio =
        floor.cpuNsPerByte() > 0 ? component.cpuNsPerByte() / floor.cpuNsPerByte() : 0.0;
    std::printf("CPU per byte against the floor: %.2f\n", ratio);

    const bool noLoss = component.sent == component.counted && component.sent > 0;
    const bool fastEnough = component.bytesPerSecond() >= 11520.0;
    const bool cheapEnough = ratio <= 3.0;
    std::printf("budget: no loss %s, >= 11520 bytes/s %s, CPU/byte <= 3x floor %s\n",
                noLoss ? "met" : "MISSED", fastEnough ? "met" : "MISSED",
                cheapEnough ? "met" : "MISSED");
    return noLoss && fastEnough && cheapEnough ? 0 : 1;
}

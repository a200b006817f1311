// SPDX-License-Identifier: GPL-3.0-or-later
// e2e_pulse_sender LINK COUNT PER_SECOND
//
// A GM counter for the end-to-end run: publishes a pseudo-terminal at LINK and prints its slave
// path, then waits.  The program flushes the line when it opens the port, so pulses sent before
// the measurement starts would be lost; the driver therefore sends SIGUSR1 once the program has
// the port open, and only then are COUNT pulses sent, PER_SECOND a second.  "sent N" follows
// with the number the line accepted.  The line stays open (so the program can drain it) until
// SIGTERM or SIGINT, which also removes LINK.  Once the program has let the line go (closed it,
// or was killed), a fresh pseudo-terminal takes its place at LINK, as a re-plugged adapter
// would, and its slave path is printed as a line of its own.
#include "tools/GmSimulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pthread.h>

namespace
{

// Waits for one of the signals, renewing the line whenever its reader has let it go; 0 when no
// fresh line could be made.
int awaitSignal(const sigset_t &signals, GmSimulator &sim)
{
    for (;;) {
        timespec tick{0, 100L * 1000 * 1000};
        const int sig = sigtimedwait(&signals, nullptr, &tick);
        if (sig > 0)
            return sig;
        switch (sim.renewWhenReleased()) {
        case GmSimulator::Renewal::None:
            break;
        case GmSimulator::Renewal::Renewed:
            std::printf("%s\n", sim.slavePath().c_str());
            std::fflush(stdout);
            break;
        case GmSimulator::Renewal::Failed:
            std::fprintf(stderr, "e2e_pulse_sender: %s\n", sim.error().c_str());
            return 0;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: e2e_pulse_sender LINK COUNT PER_SECOND\n");
        return 2;
    }
    GmSimulator::Options o;
    o.mode = GmSimulator::Mode::Rate;
    o.limit = std::atoll(argv[2]);
    o.perSecond = std::atof(argv[3]);
    if (o.limit <= 0 || o.perSecond <= 0) {
        std::fprintf(stderr, "e2e_pulse_sender: COUNT and PER_SECOND must be positive\n");
        return 2;
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGUSR1);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    GmSimulator sim;
    if (!sim.openPty() || !sim.publish(argv[1])) {
        std::fprintf(stderr, "e2e_pulse_sender: %s\n", sim.error().c_str());
        return 1;
    }
    std::printf("%s\n", sim.slavePath().c_str());
    std::fflush(stdout);

    int sig = awaitSignal(signals, sim);
    if (sig == SIGUSR1) {
        const long long sent = sim.run(o);
        std::printf("sent %lld\n", sent);
        std::fflush(stdout);
        sigdelset(&signals, SIGUSR1);
        sig = awaitSignal(signals, sim);
    }
    return sig == 0 ? 1 : 0;
}

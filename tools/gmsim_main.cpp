// SPDX-License-Identifier: GPL-3.0-or-later
// gmsim: a GM counter on a pseudo-terminal, for tests, benchmarks and users without a counter.
//
//   gmsim [--kind pulses|gmc|radpro|lines] [--model TEXT]
//         [--poisson CPM | --rate N | --burst N --every MS | --flood]
//         [--count N] [--seconds S] [--link PATH | --publish [NAME]] [--byte C] [--seed S]
//         [--quit] [--wait]
//
// --kind speaks as another kind of counter (see GmSimulator.h); --model is a GMC's answer to
// <GETVER>> ("GMC-320Re 4.22" sends 2-byte heartbeats, "GMC-500+Re 2.42" 4-byte ones).
//
// The first line of output is the slave's path (the port to open).  At the end it prints
// "sent N" with the exact number of pulses the line accepted.  Sending ends after --count
// pulses or --seconds, or on SIGINT/SIGTERM; without --quit the line then stays open until
// SIGINT/SIGTERM, so that a reader can drain it.  --publish makes a link NAME (default gmsim0)
// in this user's link folder ($XDG_RUNTIME_DIR/torvale-ports, else /tmp/torvale-ports-<uid>),
// the folder the program's port list also scans.  --wait holds the pulses back until SIGUSR1
// (a program flushes the line when it opens the port: pulses sent before would be lost).
#include "serial/SerialPortList.h"
#include "tools/GmSimulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <string>

namespace
{

// The installed name: the build's own is only gmsim.
constexpr char Synopsis[] =
    "usage: torvale-gmsim [--kind pulses|gmc|radpro|lines] [--model TEXT]\n"
    "                     [--poisson CPM | --rate N | --burst N --every MS | --flood]\n"
    "                     [--count N] [--seconds S] [--link PATH | --publish [NAME]]\n"
    "                     [--byte C] [--seed S] [--quit] [--wait]\n";

void usage()
{
    std::fputs(Synopsis, stderr);
    std::fputs("Try 'torvale-gmsim --help' for more.\n", stderr);
}

void help()
{
    std::fputs(Synopsis, stdout);
    std::fputs("\nA simulated Geiger-Mueller counter on a pseudo-terminal: one byte per pulse.\n"
               "The first line printed is the port to open; \"sent N\" follows at the end.\n\n"
               "  --kind KIND        speak as a pulses (default), gmc, radpro or lines counter\n"
               "  --model TEXT       gmc: the model named (GMC-320Re 4.22; GMC-500 and later\n"
               "                     send 4-byte heartbeats)\n"
               "  --poisson CPM      pulses at random, CPM a minute on average\n"
               "  --rate N           N pulses a second, evenly\n"
               "  --burst N          N pulses at once ...\n"
               "  --every MS         ... every MS milliseconds\n"
               "  --flood            as fast as the line takes them\n"
               "  --count N          stop after N pulses\n"
               "  --seconds S        stop after S seconds\n"
               "  --link PATH        a symbolic link to the port at PATH\n"
               "  --publish [NAME]   a link the port list of torvale shows (default gmsim0)\n"
               "  --byte C           send the character C for a pulse\n"
               "  --seed S           the random generator's seed\n"
               "  --quit             end when sending ends instead of keeping the port open\n"
               "  --wait             hold the pulses back until SIGUSR1\n"
               "  -h, --help         this text\n"
               "  --version          the version\n\n"
               "See torvale-gmsim(1).\n",
               stdout);
}

bool number(const char *text, double &value)
{
    char *end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0;
}

// Applies an option of the simulator that takes a value; false for an unknown option or a bad
// number.
bool takeValue(const std::string &arg, const char *value, GmSimulator::Options &o)
{
    if (arg == "--byte") {
        o.pulseByte = value[0];
        return true;
    }
    double v = 0;
    if (!number(value, v))
        return false;
    if (arg == "--poisson") {
        o.mode = GmSimulator::Mode::Poisson;
        o.cpm = v;
    } else if (arg == "--rate") {
        o.mode = GmSimulator::Mode::Rate;
        o.perSecond = v;
    } else if (arg == "--burst") {
        o.mode = GmSimulator::Mode::Burst;
        o.burstSize = int(v);
    } else if (arg == "--every") {
        o.burstPeriodMs = int(v);
    } else if (arg == "--count") {
        o.limit = int64_t(v);
    } else if (arg == "--seconds") {
        o.durationMs = int64_t(v * 1000);
    } else if (arg == "--seed") {
        o.seed = uint32_t(v);
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    GmSimulator::Options o;
    GmSimulator::Device device;
    bool hasDevice = false;
    std::string link;
    bool quit = false;
    bool wait = false;
    bool publish = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            help();
            return 0;
        } else if (arg == "--version") {
            std::printf("torvale-gmsim %s\n", TORVALE_VERSION);
            return 0;
        } else if (arg == "--flood") {
            o.mode = GmSimulator::Mode::Flood;
        } else if (arg == "--quit") {
            quit = true;
        } else if (arg == "--wait") {
            wait = true;
        } else if (arg == "--publish") {
            std::string name = "gmsim0";
            if (hasValue && argv[i + 1][0] != '-')
                name = argv[++i];
            link = (SerialPortList::defaultLinkFolder() + u'/' + QString::fromLocal8Bit(name))
                       .toStdString();
            publish = true;
        } else if (arg == "--kind" && hasValue) {
            const std::string kind = argv[++i];
            hasDevice = kind != "pulses";
            if (kind == "gmc")
                device.kind = GmSimulator::Kind::Gmc;
            else if (kind == "radpro")
                device.kind = GmSimulator::Kind::RadPro;
            else if (kind == "lines")
                device.kind = GmSimulator::Kind::Lines;
            else if (hasDevice) {
                usage();
                return 2;
            }
        } else if (arg == "--model" && hasValue) {
            device.model = argv[++i];
        } else if (arg == "--link" && hasValue) {
            link = argv[++i];
            publish = false;
        } else if (!hasValue || !takeValue(arg, argv[++i], o)) {
            usage();
            return 2;
        }
    }

    // The signals are taken by sigwait below, never by a handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // The port list scans only a link folder that is this user's alone.
    QString why;
    if (publish && !SerialPortList::makeOwnFolder(SerialPortList::defaultLinkFolder(), &why)) {
        std::fprintf(stderr, "torvale-gmsim: %s\n", qPrintable(why));
        return 1;
    }

    GmSimulator sim;
    if (!sim.openPty() || (!link.empty() && !sim.publish(link))) {
        std::fprintf(stderr, "torvale-gmsim: %s\n", sim.error().c_str());
        return 1;
    }
    std::printf("%s\n", sim.slavePath().c_str());
    std::fflush(stdout);
    if (hasDevice)
        sim.startDevice(device);

    bool signalled = false;
    if (wait) {
        sigset_t go = stopSignals;
        sigaddset(&go, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &go, nullptr);
        int sig = 0;
        sigwait(&go, &sig);
        signalled = sig != SIGUSR1;
    }
    if (!signalled)
        sim.start(o);
    while (sim.isRunning()) {
        timespec tick{0, 50L * 1000 * 1000};
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) {
            signalled = true;
            break;
        }
    }
    sim.stop();
    std::printf("sent %lld\n",
                static_cast<long long>(hasDevice ? sim.delivered() : sim.sent()));
    std::fflush(stdout);
    if (!signalled && !quit) {
        int sig = 0;
        sigwait(&stopSignals, &sig);
    }
    return 0;
}

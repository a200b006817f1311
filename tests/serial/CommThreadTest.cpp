// SPDX-License-Identifier: GPL-3.0-or-later
// The comm thread and the event dispatch: what fires, in which order, how often, and how
// close, a pulled adapter and a throwing handler are dealt with.
#include "core/UniqueFd.h"
#include "serial/Trs232c.h"
#include "serial/tcommthread.h"
#include "tests/serial/SerialTestSupport.h"
#include "tools/GmSimulator.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <pthread.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace
{

struct OpenLine {
    GmSimulator sim;
    Trs232c port;
    OpenLine()
    {
        EXPECT_TRUE(sim.openPty()) << sim.error();
        port.setPortname(QString::fromStdString(sim.slavePath()));
        port.applyStoredValues();
    }
    void send(const std::string &bytes) { writeMaster(sim.masterFd(), bytes); }
    bool queued(int n)
    {
        return waitWithoutEvents([&] { return port.inQueue() == n; });
    }
};

double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

} // namespace

TEST(CommEventMask, ComputedFromTheHandlersAssignedAtOpen)
{
    OpenLine l;
    l.port.OnPACKET = [](QObject *) {};
    l.port.OnCTS = [](QObject *) {};
    l.port.OnTXEMPTY = [](QObject *) {};
    l.port.OnOpen = [](QObject *) {};
    ASSERT_TRUE(l.port.open());
    EXPECT_EQ(l.port.eventmask(),
              tcommthread::EV_RXCHAR | tcommthread::EV_CTS | tcommthread::EV_TXEMPTY);
    l.port.close();

    Trs232c all;
    all.setPortname(l.port.portname());
    for (TNotifyEvent *h : {&all.OnBREAK, &all.OnCTS, &all.OnDSR, &all.OnERR, &all.OnRING,
                            &all.OnRLSD, &all.OnRXCHAR, &all.OnRXFLAG, &all.OnTXEMPTY})
        *h = [](QObject *) {};
    ASSERT_TRUE(all.open());
    EXPECT_EQ(all.eventmask(), 0x1ffu);
}

TEST(CommDispatch, FixedOrderSenderAndPacketThresholds)
{
    OpenLine l;
    ASSERT_TRUE(l.port.open()); // no handlers yet: no comm thread interferes
    tcommthread t(&l.port, nullptr, 0);
    std::vector<std::string> fired;
    std::vector<QObject *> senders;
    auto record = [&](const char *name) {
        return [&, name](QObject *sender) {
            fired.push_back(name);
            senders.push_back(sender);
        };
    };
    l.port.OnBREAK = record("BREAK");
    l.port.OnCTS = record("CTS");
    l.port.OnDSR = record("DSR");
    l.port.OnERR = record("ERR");
    l.port.OnRING = record("RING");
    l.port.OnRLSD = record("RLSD");
    l.port.OnRXCHAR = record("RXCHAR");
    l.port.OnRXFLAG = record("RXFLAG");
    l.port.OnTXEMPTY = record("TXEMPTY");
    l.port.OnPACKET = record("PACKET");
    l.port.OnLOST = record("LOST");

    l.port.setPacketsize(-1);
    t.dispatch(0x1ffu | tcommthread::DeviceLost);
    const std::vector<std::string> order = {"BREAK",  "CTS",    "DSR",    "ERR",     "RING", "RLSD",
                                            "PACKET", "RXCHAR", "RXFLAG", "TXEMPTY", "LOST"};
    EXPECT_EQ(fired, order);
    for (size_t i = 0; i + 1 < senders.size(); ++i)
        EXPECT_EQ(senders[i], &t) << "line events name the thread";
    EXPECT_EQ(senders.back(), &l.port) << "OnLOST names the component";

    const auto rx = [&] {
        fired.clear();
        t.dispatch(tcommthread::EV_RXCHAR);
        return fired;
    };
    const std::vector<std::string> rxOnly = {"RXCHAR"};
    const std::vector<std::string> packetThenRx = {"PACKET", "RXCHAR"};

    EXPECT_EQ(rx(), packetThenRx) << "negative size: every receive event, even with 0 queued";
    l.port.setPacketsize(0);
    l.send("xx");
    ASSERT_TRUE(l.queued(2));
    EXPECT_EQ(rx(), rxOnly) << "size 0 never fires";
    l.port.setPacketsize(3);
    EXPECT_EQ(rx(), rxOnly) << "3 wanted, 2 queued";
    EXPECT_EQ(t.queuedBytes(), 2);
    l.send("x");
    ASSERT_TRUE(l.queued(3));
    EXPECT_EQ(rx(), packetThenRx) << "3 wanted, 3 queued";
    EXPECT_EQ(t.queuedBytes(), 0) << "a fired packet resets the count";
    l.send("xx");
    ASSERT_TRUE(l.queued(5));
    EXPECT_EQ(rx(), packetThenRx) << "more than wanted";

    l.port.OnPACKET = nullptr;
    EXPECT_EQ(rx(), rxOnly) << "no packet handler, no packet";
    EXPECT_EQ(t.queuedBytes(), 5);
}

TEST(CommThread, OneReceiveEventPerWakeUpWithTheBytesLeftQueued)
{
    OpenLine l;
    int events = 0;
    int queuedAtEvent = -1;
    l.port.OnRXCHAR = [&](QObject *sender) {
        ++events;
        queuedAtEvent = static_cast<tcommthread *>(sender)->queuedBytes();
    };
    ASSERT_TRUE(l.port.open());
    // The GUI thread runs no event while the bytes arrive, so they meet one dispatch.
    l.send("12345");
    ASSERT_TRUE(l.queued(5));
    ASSERT_TRUE(waitUntil([&] { return events >= 1; }));
    EXPECT_EQ(queuedAtEvent, 5);
    // The handler read nothing: no new bytes, no new event.
    waitUntil([&] { return events > 1; }, 300);
    EXPECT_EQ(events, 1);
    EXPECT_EQ(l.port.inQueue(), 5);

    l.send("6");
    ASSERT_TRUE(waitUntil([&] { return events == 2; }));
    EXPECT_EQ(queuedAtEvent, 6);
}

TEST(CommThread, OneByteHandlerReadsLeftoversAtLaterEvents)
{
    OpenLine l;
    std::string got;
    l.port.OnRXCHAR = [&](QObject *) {
        char b = 0;
        if (l.port.readchar(b))
            got += b;
    };
    ASSERT_TRUE(l.port.open());
    l.send("abc");
    ASSERT_TRUE(l.queued(3));
    ASSERT_TRUE(waitUntil([&] { return got.size() == 1; }));
    waitUntil([&] { return got.size() > 1; }, 200);
    EXPECT_EQ(got, "a");
    l.send("d");
    ASSERT_TRUE(waitUntil([&] { return got.size() == 2; }));
    EXPECT_EQ(got, "ab");
    EXPECT_EQ(l.port.inQueue(), 2);
}

TEST(CommThread, HandlerAssignedAfterOpenAndHandlerRemovedAfterOpen)
{
    OpenLine l;
    int rx = 0;
    int packets = 0;
    l.port.OnRXCHAR = [&](QObject *) { ++rx; };
    l.port.OnPACKET = [&](QObject *) {
        ++packets;
        char buffer[64];
        l.port.read(buffer, l.port.inQueue());
    };
    l.port.setPacketsize(1);
    ASSERT_TRUE(l.port.open());
    l.port.OnRXCHAR = nullptr;
    l.send("p");
    ASSERT_TRUE(waitUntil([&] { return packets == 1; }));
    EXPECT_EQ(rx, 0) << "removed after open: skipped";
    l.port.close();

    int cts = 0;
    l.port.OnPACKET = nullptr;
    l.port.OnRXCHAR = [&](QObject *) { ++rx; };
    ASSERT_TRUE(l.port.open());
    l.port.OnCTS = [&](QObject *) { ++cts; };
    EXPECT_EQ(l.port.eventmask(), tcommthread::EV_RXCHAR) << "assigned after open: not watched";
}

TEST(CommThread, CloseWhileWaitingFiresNothingAndRunsNoOtherEvent)
{
    OpenLine l;
    int rx = 0;
    l.port.OnRXCHAR = [&](QObject *) { ++rx; };
    ASSERT_TRUE(l.port.open());
    waitUntil([] { return false; }, 50);
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(l.port.close());
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(rx, 0);
    EXPECT_FALSE(timerFired) << "close must not run the event loop";
    waitUntil([&] { return timerFired; });
    EXPECT_EQ(rx, 0);
}

TEST(CommThread, CloseRunsAPendingHandOverWithThePortStillOpen)
{
    OpenLine l;
    int rx = 0;
    bool openDuringHandler = false;
    char byte = 0;
    l.port.OnRXCHAR = [&](QObject *) {
        ++rx;
        openDuringHandler = l.port.isOpen();
        l.port.readchar(byte);
    };
    ASSERT_TRUE(l.port.open());
    l.send("z");
    ASSERT_TRUE(l.queued(1));
    // Long enough for the thread to deposit its hand-over; the GUI side runs nothing.
    waitWithoutEvents([] { return false; }, 100);
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    EXPECT_TRUE(l.port.close());
    EXPECT_EQ(rx, 1);
    EXPECT_TRUE(openDuringHandler);
    EXPECT_EQ(byte, 'z');
    EXPECT_FALSE(timerFired);
    // The queued wake-up that arrives now finds nothing to do.
    waitUntil([&] { return timerFired; });
    EXPECT_EQ(rx, 1);
}

// The device goes away as Stop is pressed: close runs the pending loss, whose handler closes
// the port itself; the port closes once.
TEST(CommThread, CloseRunsAPendingLossWhoseHandlerClosesThePort)
{
    OpenLine l;
    int closes = 0;
    l.port.OnRXCHAR = [](QObject *) {};
    l.port.OnClose = [&](QObject *) { ++closes; };
    l.port.OnLOST = [&](QObject *) { l.port.close(); };
    ASSERT_TRUE(l.port.open());
    l.sim.closeMaster();
    waitWithoutEvents([] { return false; }, 100); // the loss is deposited, not dispatched
    EXPECT_TRUE(l.port.close());
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(l.port.isOpen());
}

TEST(CommThread, HandlerMayCloseThePort)
{
    OpenLine l;
    int rx = 0;
    int packets = 0;
    int closes = 0;
    bool closeResult = false;
    l.port.OnClose = [&](QObject *) { ++closes; };
    l.port.OnPACKET = [&](QObject *) {
        ++packets;
        closeResult = l.port.close();
    };
    l.port.OnRXCHAR = [&](QObject *) { ++rx; };
    l.port.setPacketsize(1);
    ASSERT_TRUE(l.port.open());
    l.send("c");
    ASSERT_TRUE(waitUntil([&] { return packets == 1; }));
    EXPECT_TRUE(closeResult);
    EXPECT_FALSE(l.port.isOpen());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(rx, 0) << "the rest of the dispatch belongs to a closed port";
    waitUntil([] { return false; }, 50);
    ASSERT_TRUE(l.port.open()) << "and it opens again";
    EXPECT_TRUE(l.port.close());
}

TEST(CommThread, PulledAdapterIsReportedOnceWithoutSpinning)
{
    OpenLine l;
    int lost = 0;
    int rx = 0;
    QObject *lostSender = nullptr;
    l.port.OnRXCHAR = [&](QObject *) { ++rx; };
    l.port.OnLOST = [&](QObject *sender) {
        ++lost;
        lostSender = sender;
    };
    ASSERT_TRUE(l.port.open());
    l.sim.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_EQ(lostSender, &l.port);

    const double cpuBefore = processCpuMs();
    QElapsedTimer wall;
    wall.start();
    waitWithoutEvents([] { return false; }, 300);
    const double cpu = processCpuMs() - cpuBefore;
    EXPECT_LT(cpu, 0.3 * double(wall.elapsed())) << "the comm thread must not spin";
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(lost, 1);

    char b = 0;
    EXPECT_FALSE(l.port.readchar(b));
    EXPECT_TRUE(l.port.isOpen());
    EXPECT_TRUE(l.port.close());
    EXPECT_FALSE(l.port.isOpen());
}

TEST(CommThread, ThrowingHandlerIsReportedAndTheThreadGoesOn)
{
    OpenLine l;
    int rx = 0;
    QStringList reports;
    l.port.OnHANDLERERROR = [&](QObject *sender, const QString &text) {
        EXPECT_EQ(sender, &l.port);
        reports << text;
    };
    l.port.OnRXCHAR = [&](QObject *) {
        ++rx;
        char b = 0;
        l.port.readchar(b);
        if (rx == 1)
            throw std::runtime_error("disk full");
    };
    ASSERT_TRUE(l.port.open());
    l.send("1");
    ASSERT_TRUE(waitUntil([&] { return reports.size() == 1; }));
    EXPECT_EQ(reports.front(), u"disk full");
    l.send("2");
    ASSERT_TRUE(waitUntil([&] { return rx == 2; })) << "the measurement keeps counting";
    EXPECT_EQ(reports.size(), 1);
}

TEST(CommThread, DrainingHandlerCountsEveryByteOfABurst)
{
    OpenLine l;
    qint64 counted = 0;
    l.port.OnRXCHAR = [&](QObject *) {
        char buffer[4096];
        const int n = qMin(l.port.inQueue(), int(sizeof buffer));
        if (n > 0 && l.port.read(buffer, n))
            counted += n;
    };
    ASSERT_TRUE(l.port.open());
    GmSimulator::Options o;
    o.mode = GmSimulator::Mode::Flood;
    o.limit = 200000;
    l.sim.start(o);
    ASSERT_TRUE(waitUntil([&] { return counted == 200000; }, 20000)) << counted;
    EXPECT_TRUE(l.sim.waitFinished(1000));
    EXPECT_EQ(l.sim.sent(), 200000);
}

TEST(CommThread, LostHandlerMayCloseThePort)
{
    OpenLine l;
    int closes = 0;
    bool closeResult = false;
    l.port.OnRXCHAR = [](QObject *) {};
    l.port.OnClose = [&](QObject *) { ++closes; };
    l.port.OnLOST = [&](QObject *) { closeResult = l.port.close(); };
    ASSERT_TRUE(l.port.open());
    l.sim.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return closes == 1; }));
    EXPECT_TRUE(closeResult);
    EXPECT_FALSE(l.port.isOpen());
    EXPECT_FALSE(l.port.close());
}

namespace
{

// Lowers the process's descriptor limit so that exactly `spare` more descriptors can be
// opened (the free numbers below it are filled); undone on destruction.
class SpareDescriptors
{
public:
    explicit SpareDescriptors(int spare)
    {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit low = m_saved;
        low.rlim_cur = std::min<rlim_t>(m_saved.rlim_cur, rlim_t(lowestFree + 64));
        setrlimit(RLIMIT_NOFILE, &low);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            m_fillers.emplace_back(fd);
        for (int i = 0; i < spare && !m_fillers.empty(); ++i)
            m_fillers.pop_back();
    }
    ~SpareDescriptors()
    {
        m_fillers.clear();
        setrlimit(RLIMIT_NOFILE, &m_saved);
    }

private:
    rlimit m_saved{};
    std::vector<UniqueFd> m_fillers;
};

} // namespace

// With no descriptor left for the comm thread's wake-up, a Stop or close would wait for a
// byte on the line, and with none for the thread's own start-up the process would end: the
// open fails and leaves the port free instead.  With enough the port opens, counts and
// closes without a byte.
TEST(CommThread, OpenFailsAndReleasesThePortWhenTheThreadCannotBeWoken)
{
    OpenLine l;
    l.port.setLockDirectory({}); // the port takes exactly one descriptor
    int rx = 0;
    l.port.OnRXCHAR = [&](QObject *) { ++rx; };
    for (int spare : {1, 2}) {
        const SpareDescriptors limit(spare);
        EXPECT_FALSE(l.port.open()) << spare;
        EXPECT_FALSE(l.port.isOpen());
        EXPECT_TRUE(l.port.lastError().startsWith(QStringLiteral("comm thread: ")));
    }
    {
        const SpareDescriptors limit(3);
        ASSERT_TRUE(l.port.open()) << l.port.lastError().toStdString();
        l.send("1");
        EXPECT_TRUE(waitUntil([&] { return rx == 1; }));
        EXPECT_TRUE(l.port.close());
    }
}

namespace
{

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
constexpr bool Sanitized = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool Sanitized = false;
#endif

// A new thread's stack that cannot be mapped: threads get a 64 MiB stack by default, and the
// address-space limit leaves room for 16 MiB more than the process maps now (enough for the
// small allocations of an open).  A bigger default also keeps the C library from handing
// out the cached stack of an earlier thread.  Undone on destruction.
class NoRoomForAThread
{
public:
    NoRoomForAThread()
    {
        pthread_getattr_default_np(&m_savedAttr);
        pthread_attr_t big;
        pthread_getattr_default_np(&big);
        pthread_attr_setstacksize(&big, size_t(64) << 20);
        const bool stackSet = pthread_setattr_default_np(&big) == 0;
        pthread_attr_destroy(&big);
        getrlimit(RLIMIT_AS, &m_saved);
        long pages = 0;
        if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        rlimit low = m_saved;
        low.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(16) << 20);
        m_set = stackSet && pages > 0 && setrlimit(RLIMIT_AS, &low) == 0;
    }
    ~NoRoomForAThread()
    {
        setrlimit(RLIMIT_AS, &m_saved);
        pthread_setattr_default_np(&m_savedAttr);
        pthread_attr_destroy(&m_savedAttr);
    }
    NoRoomForAThread(const NoRoomForAThread &) = delete;
    NoRoomForAThread &operator=(const NoRoomForAThread &) = delete;
    bool isSet() const { return m_set; }

private:
    pthread_attr_t m_savedAttr{};
    rlimit m_saved{};
    bool m_set = false;
};

} // namespace

// A comm thread that cannot be created fails the open and leaves the port free.
TEST(CommThread, OpenFailsAndReleasesThePortWhenItsThreadCannotStart)
{
    if (Sanitized)
        GTEST_SKIP() << "the sanitizers map address space of their own";
    OpenLine l;
    l.port.setLockDirectory({});
    l.port.OnRXCHAR = [](QObject *) {};
    {
        const NoRoomForAThread limit;
        ASSERT_TRUE(limit.isSet());
        EXPECT_FALSE(l.port.open());
        EXPECT_FALSE(l.port.isOpen());
        EXPECT_TRUE(l.port.lastError().startsWith(QStringLiteral("comm thread: ")))
            << l.port.lastError().toStdString();
    }
    ASSERT_TRUE(l.port.open()) << l.port.lastError().toStdString();
    EXPECT_TRUE(l.port.close());
}

// The port listing and the GM counter simulator the other tests lean on.
#include "serial/SerialPortList.h"
#include "tests/serial/SerialTestSupport.h"
#include "tools/GmSimulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace
{

void touch(const QString &path, const QByteArray &contents = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contents);
}

// Reads from the slave until count bytes came or timeoutMs passed.
qint64 drain(int fd, qint64 count, int timeoutMs)
{
    qint64 got = 0;
    char buffer[8192];
    QElapsedTimer t;
    t.start();
    while (got < count && t.elapsed() < timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got += n;
        }
    }
    return got;
}

} // namespace

TEST(SerialPortList, RealDevicesInNaturalOrderThenPublishedLinks)
{
    QTemporaryDir root;
    const QString sys = root.filePath(QStringLiteral("sys"));
    const QString dev = root.filePath(QStringLiteral("dev"));
    const QString links = root.filePath(QStringLiteral("ports"));
    struct Tty {
        const char *name;
        bool device;
        const char *type;
        bool node;
    };
    const Tty ttys[] = {
        {"ttyS0", true, "0", true}, // phantom 8250 port
        {"ttyS1", true, "4", true}, // a 16550A
        {"ttyUSB10", true, nullptr, true}, {"ttyUSB2", true, nullptr, true},
        {"ttyACM0", true, nullptr, false}, // no device node
        {"tty0", false, nullptr, true},    // a virtual console
        {"rfcomm0", false, nullptr, true},
    };
    for (const Tty &t : ttys) {
        const QString dir = sys + u'/' + QLatin1String(t.name);
        QDir().mkpath(dir);
        if (t.device)
            QDir().mkpath(dir + QStringLiteral("/device"));
        if (t.type)
            touch(dir + QStringLiteral("/type"), QByteArray(t.type) + '\n');
        if (t.node)
            touch(dev + u'/' + QLatin1String(t.name));
    }
    GmSimulator sim;
    ASSERT_TRUE(sim.openPty());
    ASSERT_TRUE(sim.publish((links + QStringLiteral("/gmsim1")).toStdString()));
    QDir().mkpath(links);
    QFile::link(QStringLiteral("/nonexistent/ttyX"), links + QStringLiteral("/dangling"));
    touch(links + QStringLiteral("/notes.txt"));

    const QStringList expected = {dev + QStringLiteral("/rfcomm0"), dev + QStringLiteral("/ttyS1"),
                                  dev + QStringLiteral("/ttyUSB2"),
                                  dev + QStringLiteral("/ttyUSB10"),
                                  links + QStringLiteral("/gmsim1")};
    EXPECT_EQ(SerialPortList::ports({links}, sys, dev), expected);
}

TEST(SerialPortList, NaturalNameOrder)
{
    EXPECT_TRUE(SerialPortList::lessByName(QStringLiteral("ttyS2"), QStringLiteral("ttyS10")));
    EXPECT_FALSE(SerialPortList::lessByName(QStringLiteral("ttyS10"), QStringLiteral("ttyS2")));
    EXPECT_TRUE(SerialPortList::lessByName(QStringLiteral("ttyACM9"), QStringLiteral("ttyS0")));
    EXPECT_TRUE(SerialPortList::lessByName(QStringLiteral("ttyS"), QStringLiteral("ttyS0")));
    EXPECT_FALSE(SerialPortList::lessByName(QStringLiteral("ttyS1"), QStringLiteral("ttyS1")));
}

TEST(GmSimulator, CountsExactlyWhatItSentInEveryMode)
{
    GmSimulator sim;
    ASSERT_TRUE(sim.openPty());
    const int reader = ::open(sim.slavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    GmSimulator::Options o;
    o.mode = GmSimulator::Mode::Rate;
    o.perSecond = 2000;
    o.limit = 40;
    EXPECT_EQ(sim.run(o), 40);
    EXPECT_EQ(drain(reader, 40, 2000), 40);

    o.mode = GmSimulator::Mode::Burst;
    o.burstSize = 5;
    o.burstPeriodMs = 5;
    o.limit = 12;
    EXPECT_EQ(sim.run(o), 12) << "the last burst is cut at the limit";
    EXPECT_EQ(drain(reader, 12, 2000), 12);

    o.mode = GmSimulator::Mode::Poisson;
    o.cpm = 120000;
    o.limit = 0;
    o.durationMs = 200;
    o.seed = 3;
    const int64_t poisson = sim.run(o);
    EXPECT_GT(poisson, 100);
    EXPECT_LT(poisson, 1200);
    EXPECT_EQ(drain(reader, poisson, 2000), poisson);

    o.mode = GmSimulator::Mode::Flood;
    o.durationMs = 0;
    o.limit = 300000;
    sim.start(o);
    EXPECT_EQ(drain(reader, 300000, 20000), 300000) << "a flood waits for the reader, losing none";
    EXPECT_TRUE(sim.waitFinished(2000));
    EXPECT_EQ(sim.sent(), 300000);
    ::close(reader);
}

TEST(GmSimulator, StopEndsABlockedFloodAndClosingTheMasterHangsUpTheReader)
{
    GmSimulator sim;
    ASSERT_TRUE(sim.openPty());
    const int reader = ::open(sim.slavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    GmSimulator::Options o;
    o.mode = GmSimulator::Mode::Flood;
    sim.start(o);
    // Nobody reads: the line fills and the sender blocks.
    waitWithoutEvents([&] { return sim.sent() > 0; });
    sim.stop();
    EXPECT_FALSE(sim.isRunning());
    const int64_t sent = sim.sent();
    EXPECT_EQ(drain(reader, sent, 5000), sent);

    sim.closeMaster();
    pollfd p{reader, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    ::close(reader);
}

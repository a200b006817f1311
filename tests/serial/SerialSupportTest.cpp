// SPDX-License-Identifier: GPL-3.0-or-later
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
    // ttyUSB2 is a converter: its device is the converter's port, two folders below the USB
    // device that carries the strings.
    const QString usb = root.filePath(QStringLiteral("devices/usb1/1-2"));
    QDir().mkpath(usb + QStringLiteral("/1-2:1.0/ttyUSB2"));
    touch(usb + QStringLiteral("/idVendor"), "0403\n");
    touch(usb + QStringLiteral("/manufacturer"), "FTDI\n");
    touch(usb + QStringLiteral("/product"), "FT232R USB UART\n");
    touch(usb + QStringLiteral("/serial"), "A50285BI\n");
    QDir(sys + QStringLiteral("/ttyUSB2/device")).removeRecursively();
    QFile::link(usb + QStringLiteral("/1-2:1.0/ttyUSB2"), sys + QStringLiteral("/ttyUSB2/device"));

    GmSimulator sim;
    ASSERT_TRUE(sim.openPty());
    ASSERT_TRUE(sim.publish((links + QStringLiteral("/gmsim1")).toStdString()));
    QFile::link(QString::fromStdString(sim.slavePath()), links + QStringLiteral("/ttyS1"));
    QFile::link(QStringLiteral("/nonexistent/ttyX"), links + QStringLiteral("/dangling"));
    touch(links + QStringLiteral("/notes.txt"));
    // A folder others may write to is not scanned: its links could name any device.
    const QString shared = root.filePath(QStringLiteral("shared"));
    QDir().mkpath(shared);
    QFile::setPermissions(shared, QFileDevice::Permissions(0x7777));
    QFile::link(QString::fromStdString(sim.slavePath()), shared + QStringLiteral("/planted"));

    const QList<SerialPortList::Port> found = SerialPortList::available({links, shared}, sys, dev);
    QStringList seen;
    for (const SerialPortList::Port &p : found)
        seen << p.name + u'|' + p.path + u'|' + p.description;
    const QStringList expected = {QStringLiteral("rfcomm0|") + dev + QStringLiteral("/rfcomm0|"),
                                  QStringLiteral("ttyS1|") + dev + QStringLiteral("/ttyS1|"),
                                  QStringLiteral("ttyUSB2|") + dev +
                                      QStringLiteral("/ttyUSB2|FTDI FT232R USB UART (A50285BI)"),
                                  QStringLiteral("ttyUSB10|") + dev + QStringLiteral("/ttyUSB10|"),
                                  QStringLiteral("gmsim1|") + links +
                                      QStringLiteral("/gmsim1|simulator")};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(
        SerialPortList::ports({links, shared}, sys, dev),
        (QStringList{QStringLiteral("rfcomm0"), QStringLiteral("ttyS1"), QStringLiteral("ttyUSB2"),
                     QStringLiteral("ttyUSB10"), QStringLiteral("gmsim1")}));

    // From a listed name, or a path, back to what open opens; the device wins over a link.
    const auto resolve = [&](const char *text) {
        return SerialPortList::resolve(QString::fromLatin1(text), {shared, links}, dev);
    };
    EXPECT_EQ(resolve("ttyUSB2"), dev + QStringLiteral("/ttyUSB2"));
    EXPECT_EQ(resolve("ttyS1"), dev + QStringLiteral("/ttyS1"));
    EXPECT_EQ(resolve("gmsim1"), links + QStringLiteral("/gmsim1"));
    EXPECT_EQ(resolve("planted"), QStringLiteral("planted"));
    EXPECT_EQ(resolve("COM1"), QStringLiteral("COM1"));
    EXPECT_EQ(resolve("/dev/ttyUSB2"), QStringLiteral("/dev/ttyUSB2"));
    EXPECT_EQ(resolve(""), QString());
    EXPECT_EQ(SerialPortList::description(QStringLiteral("gmsim1"), {links}, sys, dev),
              QStringLiteral("simulator"));
    EXPECT_EQ(SerialPortList::description(QStringLiteral("ttyUSB2"), {links}, sys, dev),
              QStringLiteral("FTDI FT232R USB UART (A50285BI)"));
    EXPECT_EQ(SerialPortList::description(links + QStringLiteral("/gmsim1"), {links}, sys, dev),
              QString());
}

TEST(SerialPortList, EachUserPublishesInAFolderOfItsOwn)
{
    QTemporaryDir root;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.path()));
    EXPECT_EQ(SerialPortList::defaultLinkFolder(), root.filePath(QStringLiteral("torvale-ports")));
    QFile::setPermissions(root.path(), QFileDevice::Permissions(0x7777));
    EXPECT_EQ(SerialPortList::defaultLinkFolder(),
              QStringLiteral("/tmp/torvale-ports-%1").arg(::geteuid()))
        << "a runtime folder others may write to is no runtime folder";
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    QFile::setPermissions(root.path(), QFileDevice::Permissions(0x7700));

    const QString own = root.filePath(QStringLiteral("a/ports"));
    QString why;
    ASSERT_TRUE(SerialPortList::makeOwnFolder(own, &why)) << why.toStdString();
    EXPECT_EQ(QFileInfo(own).permissions() & 0x0077, QFileDevice::Permissions());
    EXPECT_TRUE(SerialPortList::makeOwnFolder(own)) << "an existing own folder is fine";
    const QString open = root.filePath(QStringLiteral("open"));
    QDir().mkpath(open);
    QFile::setPermissions(open, QFileDevice::Permissions(0x7777));
    EXPECT_FALSE(SerialPortList::makeOwnFolder(open, &why));
    EXPECT_FALSE(why.isEmpty());
    const QString aLink = root.filePath(QStringLiteral("link"));
    QFile::link(own, aLink);
    EXPECT_FALSE(SerialPortList::makeOwnFolder(aLink)) << "a link could be anyone's folder";
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

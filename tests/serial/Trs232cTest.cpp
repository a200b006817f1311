// SPDX-License-Identifier: GPL-3.0-or-later
// The port component on real pseudo-terminals: properties, state rules, exclusive access,
// line settings, reads under a time limit.
#include "serial/Trs232c.h"
#include "serial/SerialPortList.h"
#include "tests/serial/SerialTestSupport.h"
#include "tools/GmSimulator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaProperty>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace
{

struct Line {
    GmSimulator sim;
    Line() { EXPECT_TRUE(sim.openPty()) << sim.error(); }
    QString path() const { return QString::fromStdString(sim.slavePath()); }
    // The slave's settings, read through the master: a second opener of the slave is
    // refused while the component holds it, unless it is root.
    termios settings() const
    {
        termios t{};
        EXPECT_EQ(::tcgetattr(sim.masterFd(), &t), 0);
        return t;
    }
    // Whether the slave is marked exclusive (only root may open it then).
    bool exclusive() const
    {
        const int fd = ::open(sim.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return errno == EBUSY;
        int flag = 0;
        EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &flag), 0);
        ::close(fd);
        return flag != 0;
    }
};

QString lockFileFor(const QString &dir, const QString &slave)
{
    QString name = slave.mid(5); // below /dev/
    name.replace(u'/', u'_');
    return QDir(dir).filePath(QStringLiteral("LCK..") + name);
}

} // namespace

TEST(Trs232cProperties, ValuesAfterCreateAndStoredValues)
{
    Trs232c c;
    EXPECT_EQ(c.charbit(), 8);
    EXPECT_EQ(c.stopbit(), u"1");
    EXPECT_EQ(c.bps(), 9600);
    EXPECT_EQ(c.portname(), u"COM1");
    EXPECT_EQ(c.rxbuffsize(), 1024);
    EXPECT_EQ(c.txbuffsize(), 1024);
    EXPECT_EQ(c.readinterval(), 0);
    EXPECT_EQ(c.txtimeout(), 30000);
    EXPECT_EQ(c.rxtimeout(), 30000);
    EXPECT_EQ(c.paritymode(), u"無し");
    EXPECT_EQ(c.flowflag(), 1);
    EXPECT_EQ(c.packetsize(), 0);
    EXPECT_EQ(c.flow(), rsflowset({dfBinary}));
    EXPECT_EQ(c.XonLim(), 0);
    EXPECT_EQ(c.XoffLim(), 0);
    EXPECT_EQ(c.XonChar(), 19);
    EXPECT_EQ(c.XoffChar(), 17);
    EXPECT_EQ(c.ErrorChar(), 0);
    EXPECT_EQ(c.EofChar(), 0);
    EXPECT_EQ(c.EvtChar(), 0);
    EXPECT_FALSE(c.OnRXCHAR || c.OnPACKET || c.OnOpen || c.OnClose || c.OnLOST);
    EXPECT_FALSE(c.isOpen());

    c.applyStoredValues();
    EXPECT_EQ(c.rxtimeout(), 100);
    EXPECT_EQ(c.txtimeout(), 3000);
    EXPECT_EQ(c.bps(), 9600);
}

TEST(Trs232cProperties, DeclaredInStoredOrder)
{
    const QMetaObject &mo = Trs232c::staticMetaObject;
    QStringList names;
    for (int i = mo.propertyOffset(); i < mo.propertyCount(); ++i)
        names << QString::fromLatin1(mo.property(i).name());
    const QStringList expected = {
        QStringLiteral("charbit"),      QStringLiteral("stopbit"),    QStringLiteral("bps"),
        QStringLiteral("portname"),     QStringLiteral("rxbuffsize"), QStringLiteral("txbuffsize"),
        QStringLiteral("readinterval"), QStringLiteral("txtimeout"),  QStringLiteral("rxtimeout"),
        QStringLiteral("paritymode"),   QStringLiteral("flowflag"),   QStringLiteral("packetsize"),
        QStringLiteral("flow"),         QStringLiteral("XonLim"),     QStringLiteral("XoffLim"),
        QStringLiteral("XonChar"),      QStringLiteral("XoffChar"),   QStringLiteral("ErrorChar"),
        QStringLiteral("EofChar"),      QStringLiteral("EvtChar")};
    EXPECT_EQ(names, expected);
}

TEST(Trs232cProperties, FlowSetIsBitsZeroToFourteenOfTheFlagsWord)
{
    Trs232c c;
    c.setFlowflag(int(0x30000u | 0x8000u | 0x0011u));
    const rsflowset f = c.flow();
    EXPECT_TRUE(f.contains(dfBinary));
    EXPECT_TRUE(f.contains(dfDtrControl_b0));
    EXPECT_FALSE(f.contains(dfParity));
    EXPECT_EQ(f.bits(), 0x0011);
    EXPECT_EQ(c.flowflag(), 0x38011) << "reading the set leaves the word alone";

    c.setFlow(f);
    EXPECT_EQ(c.flowflag(), 0x0011) << "setting the set clears bits 15 and up";

    rsflowset g;
    g.insert(dfAbortOnError);
    g.insert(dfOutX);
    g.remove(dfOutX);
    c.setFlow(g);
    EXPECT_EQ(c.flowflag(), 1 << 14);
}

TEST(Trs232cState, OpenTwiceCloseTwiceAndClosedOperations)
{
    Line line;
    Trs232c c;
    int opens = 0;
    int closes = 0;
    c.OnOpen = [&](QObject *sender) {
        EXPECT_EQ(sender, &c);
        ++opens;
    };
    c.OnClose = [&](QObject *) { ++closes; };

    char byte = 'k';
    char buffer[4] = {};
    EXPECT_FALSE(c.read(buffer, 1));
    EXPECT_FALSE(c.readchar(byte));
    EXPECT_EQ(byte, 'k');
    EXPECT_FALSE(c.setdtr(true));
    EXPECT_EQ(c.inQueue(), -1);
    EXPECT_FALSE(c.close());
    EXPECT_EQ(closes, 0);

    c.setPortname(line.path());
    ASSERT_TRUE(c.open()) << c.lastError().toStdString();
    EXPECT_TRUE(c.isOpen());
    EXPECT_EQ(c.eventmask(), 0u) << "no line-event handler: no comm thread";
    EXPECT_FALSE(c.open());
    EXPECT_TRUE(c.isOpen());
    EXPECT_EQ(opens, 1);

    EXPECT_TRUE(c.close());
    EXPECT_FALSE(c.close());
    EXPECT_EQ(closes, 1);

    ASSERT_TRUE(c.open()) << "a closed component opens again";
    EXPECT_TRUE(c.close());
}

TEST(Trs232cState, MissingDeviceFailsWithAReason)
{
    Trs232c c;
    EXPECT_FALSE(c.open()) << "COM1 is no device here";
    EXPECT_FALSE(c.lastError().isEmpty());
    c.setPortname(QStringLiteral("/dev/torvale-no-such-port"));
    EXPECT_FALSE(c.open());
    EXPECT_FALSE(c.isOpen());
    EXPECT_FALSE(c.lastErrorWasPermission());

    // A device this user may not open: root reads every file, so check it as nobody.
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("ttyLOCKED"));
    QFile(locked).open(QIODevice::WriteOnly);
    QFile::setPermissions(locked, {});
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        Trs232c denied;
        denied.setPortname(locked);
        ::_exit(!denied.open() && denied.lastErrorWasPermission() ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "a refused permission is told apart";
}

TEST(Trs232cState, OpensTheNameThePortListShows)
{
    Line line;
    const QString folder = SerialPortList::defaultLinkFolder();
    ASSERT_TRUE(SerialPortList::makeOwnFolder(folder));
    const QString name = QStringLiteral("test-%1").arg(::getpid());
    ASSERT_TRUE(line.sim.publish(QDir(folder).filePath(name).toStdString()));
    Trs232c c;
    c.setPortname(name);
    ASSERT_TRUE(c.open()) << c.lastError().toStdString();
    EXPECT_TRUE(line.exclusive()) << "the simulator's line, not some other file, is open";
    EXPECT_EQ(c.portname(), name) << "the name stays as set";
    c.close();
}

TEST(Trs232cState, DestroyingAnOpenComponentFiresOnCloseOnce)
{
    Line line;
    int closes = 0;
    {
        Trs232c c;
        c.OnClose = [&](QObject *) { ++closes; };
        c.OnRXCHAR = [](QObject *) {};
        c.setPortname(line.path());
        ASSERT_TRUE(c.open());
    }
    EXPECT_EQ(closes, 1);
    {
        Trs232c c;
        c.OnClose = [&](QObject *) { ++closes; };
    }
    EXPECT_EQ(closes, 1) << "a closed component fires nothing";
}

TEST(Trs232cExclusive, SecondOpenerIsRefusedUntilTheFirstCloses)
{
    Line line;
    QTemporaryDir locks;
    Trs232c a;
    Trs232c b;
    for (Trs232c *c : {&a, &b}) {
        c->setPortname(line.path());
        c->setLockDirectory(locks.path());
    }
    ASSERT_TRUE(a.open());
    EXPECT_TRUE(line.exclusive());
    EXPECT_FALSE(b.open()) << "root passes TIOCEXCL, the flock must hold";
    EXPECT_FALSE(b.lastError().isEmpty());
    EXPECT_TRUE(a.close());
    EXPECT_FALSE(line.exclusive()) << "the simulator keeps the line alive, and with it the flag";
    EXPECT_TRUE(b.open());
    EXPECT_TRUE(b.close());
    EXPECT_FALSE(line.exclusive());
}

TEST(Trs232cExclusive, LockFileOfALiveProcessRefusesAndAStaleOneIsTakenOver)
{
    Line line;
    QTemporaryDir locks;
    const QString lockFile = lockFileFor(locks.path(), line.path());
    Trs232c c;
    c.setPortname(line.path());
    c.setLockDirectory(locks.path());

    QFile f(lockFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::number(qint64(::getppid())) + "\nminicom\nhost\n");
    f.close();
    EXPECT_FALSE(c.open()) << "another serial program holds the port";
    EXPECT_TRUE(QFile::exists(lockFile)) << "someone else's lock file stays";

    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::number(qint64(child)).rightJustified(10, ' ') + "\n");
    f.close();
    ASSERT_TRUE(c.open()) << c.lastError().toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readLine().trimmed().toLongLong(), qint64(::getpid()));
    f.close();

    EXPECT_TRUE(c.close());
    EXPECT_FALSE(QFile::exists(lockFile)) << "close removes its lock file";
}

TEST(Trs232cExclusive, SystemLockFolderIsUsedByDefault)
{
    if (!QFileInfo(QStringLiteral("/var/lock")).isWritable())
        GTEST_SKIP() << "/var/lock is not writable here";
    Line line;
    const QString lockFile = lockFileFor(QStringLiteral("/var/lock"), line.path());
    Trs232c c;
    c.setPortname(line.path());
    ASSERT_TRUE(c.open());
    EXPECT_TRUE(QFile::exists(lockFile));
    c.close();
    EXPECT_FALSE(QFile::exists(lockFile));
}

TEST(Trs232cExclusive, FailedSetUpReleasesThePort)
{
    Line line;
    QTemporaryDir locks;
    Trs232c bad;
    bad.setPortname(line.path());
    bad.setLockDirectory(locks.path());
    bad.setCharbit(4);
    EXPECT_FALSE(bad.open()) << "4 data bits do not exist on this system";
    EXPECT_FALSE(bad.isOpen());
    bad.setCharbit(8);
    bad.setBps(0);
    EXPECT_FALSE(bad.open());
    EXPECT_TRUE(QDir(locks.path()).isEmpty()) << "no lock file left behind";

    Trs232c good;
    good.setPortname(line.path());
    good.setLockDirectory(locks.path());
    EXPECT_TRUE(good.open()) << "the failed opens left nothing locked";
}

// A pseudo-terminal forces 8 data bits and no parity generation (it clears CSIZE and PARENB),
// so data bits are seen only through open's result and parity through PARODD/CMSPAR.
TEST(Trs232cSettings, LineSettingsReachTheDeviceAsFarAsAPtyKeepsThem)
{
    Line line;
    Trs232c c;
    c.setPortname(line.path());
    c.setCharbit(264); // low byte 8
    c.setBps(57600);
    c.setStopbit(QStringLiteral("2"));
    c.setParitymode(QStringLiteral("ｍａｒｋ"));
    c.setFlowflag(1 | (1 << 1) | (1 << 2) | (1 << 8) | (1 << 9));
    c.setXonChar(0x11);
    c.setXoffChar(0x13);
    ASSERT_TRUE(c.open()) << c.lastError().toStdString();
    termios t = line.settings();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B57600));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(t.c_cflag & (CMSPAR | PARODD), tcflag_t(CMSPAR | PARODD));
    EXPECT_TRUE(t.c_iflag & INPCK);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO)) << "raw line";
    c.close();

    // Unknown texts keep what the driver has; the full-width and Japanese names count.
    c.setStopbit(QStringLiteral("1.50"));
    c.setParitymode(QStringLiteral("none"));
    c.setCharbit(7);
    c.setFlowflag(1);
    c.setXonChar(0);
    c.setXoffChar(0);
    ASSERT_TRUE(c.open());
    t = line.settings();
    EXPECT_EQ(t.c_cc[VSTART], 0x11) << "a zero character keeps the driver's one";
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CMSPAR);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | INPCK));
    c.close();

    const std::pair<const char16_t *, tcflag_t> parities[] = {{u"ＯＤＤ", PARODD},
                                                              {u"スペース", CMSPAR},
                                                              {u"なし", 0},
                                                              {u"マーク", PARODD | CMSPAR},
                                                              {u"ぐうすう", 0}};
    for (const auto &[text, bits] : parities) {
        c.setParitymode(QString::fromUtf16(text));
        c.setStopbit(QStringLiteral("1"));
        ASSERT_TRUE(c.open());
        t = line.settings();
        EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), bits);
        EXPECT_FALSE(t.c_cflag & CSTOPB);
        c.close();
    }

    c.setBps(250000);
    EXPECT_TRUE(c.open()) << "a rate outside the classic table";
}

TEST(Trs232cRead, QueuesArePurgedAtOpenAndReadsWaitAtMostRxtimeout)
{
    Line line;
    Trs232c c;
    c.setPortname(line.path());
    c.setRxtimeout(60);
    writeMaster(line.sim.masterFd(), "old");
    waitWithoutEvents([] { return false; }, 20);
    ASSERT_TRUE(c.open());
    EXPECT_EQ(c.inQueue(), 0) << "bytes from before the open are dropped";

    writeMaster(line.sim.masterFd(), "ab");
    ASSERT_TRUE(waitWithoutEvents([&] { return c.inQueue() == 2; }));
    char buffer[3] = {};
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(c.read(buffer, 2));
    EXPECT_LT(t.elapsed(), 50) << "queued bytes are read without waiting";
    EXPECT_EQ(std::string(buffer, 2), "ab");

    writeMaster(line.sim.masterFd(), "cd");
    ASSERT_TRUE(waitWithoutEvents([&] { return c.inQueue() == 2; }));
    t.restart();
    EXPECT_FALSE(c.read(buffer, 3)) << "only two of three bytes came";
    EXPECT_GE(t.elapsed(), 55);
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(c.inQueue(), 0) << "the two bytes were consumed";
    EXPECT_EQ(c.transferred(), 2) << "so the caller can still count them";
    EXPECT_EQ(std::string(buffer, 2), "cd");

    char byte = 'z';
    t.restart();
    EXPECT_FALSE(c.readchar(byte));
    EXPECT_GE(t.elapsed(), 55);
    EXPECT_EQ(byte, 'z') << "a failed readchar leaves its argument alone";

    writeMaster(line.sim.masterFd(), "q");
    EXPECT_TRUE(c.readchar(byte));
    EXPECT_EQ(byte, 'q');
    c.close();

    // A gap limit ends a read early once bytes stopped coming.
    c.setRxtimeout(3000);
    c.setReadinterval(30);
    ASSERT_TRUE(c.open());
    writeMaster(line.sim.masterFd(), "x");
    ASSERT_TRUE(waitWithoutEvents([&] { return c.inQueue() == 1; }));
    t.restart();
    EXPECT_FALSE(c.read(buffer, 3));
    EXPECT_LT(t.elapsed(), 1000);
}

TEST(Trs232cModemLines, SetdtrCannotBeVerifiedOnPtyButReachesTheDevice)
{
    // A pseudo-terminal has no modem lines, so whether DTR is low after open and follows
    // setdtr can only be seen on a real port.  What can be seen: a closed port refuses
    // without a device call, and an open one passes the call on (the pty refuses it).
    Line line;
    Trs232c c;
    EXPECT_FALSE(c.setdtr(true));
    c.setPortname(line.path());
    c.setFlowflag(1 | (1 << 4) | (1 << 12));
    ASSERT_TRUE(c.open()) << "modem-line ioctls a pty rejects must not fail the open";
    EXPECT_FALSE(c.setdtr(true)) << "the pty answers ENOTTY";
    EXPECT_FALSE(c.setdtr(false));
    EXPECT_TRUE(c.close());
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialPosix.h"

#include "core/SystemError.h"
#include "serial/HeldLockFiles.h"
#include "serial/rsflowset.h"

// The kernel's termios2 gives any line speed the driver takes (BOTHER); it cannot be mixed
// with the C library's <termios.h>, so this file uses the ioctls directly.
#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace
{

constexpr quint32 flag(rsflowelement e)
{
    return 1u << e;
}

constexpr quint32 FlagParity = flag(dfParity);
constexpr quint32 FlagOutxCtsFlow = flag(dfOutxCtsFlow);
constexpr quint32 FlagOutX = flag(dfOutX);
constexpr quint32 FlagInX = flag(dfInX);
constexpr int DtrControlShift = dfDtrControl_b0;
constexpr int RtsControlShift = dfRtsControl_b0;
constexpr quint32 ControlHandshake = 2;

// The classic code of a rate where one exists, so that other programs see a familiar setting;
// BOTHER with the rate itself for the rest.
tcflag_t speedCode(int bps)
{
    struct Code {
        int bps;
        tcflag_t code;
    };
    static constexpr Code codes[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000}};
    for (const Code &c : codes) {
        if (c.bps == bps)
            return c.code;
    }
    return BOTHER;
}

qint64 nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// A device that has no modem lines (a pseudo-terminal, some USB bridges) answers the modem
// ioctls with one of these; that is no fault of the port.
bool lacksModemLines(int err)
{
    return err == ENOTTY || err == EINVAL;
}

// The lock file's name: the device path below /dev with '/' made '_', so that /dev/ttyUSB0
// gives LCK..ttyUSB0 like other serial programs, and a link names the device it points to.
QString lockName(const QString &path)
{
    QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        device = path;
    const QString dev = QStringLiteral("/dev/");
    if (device.startsWith(dev))
        device = device.mid(dev.size());
    else
        device = QFileInfo(device).fileName();
    device.replace(u'/', u'_');
    return QStringLiteral("LCK..") + device;
}

// Other serial programs write the owner's PID first; Qt also checks the process name on the
// second line against the running executable, so write the real one.
QByteArray lockFileContents()
{
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    QByteArray name = n > 0
                          ? QFileInfo(QString::fromLocal8Bit(exe, int(n))).fileName().toLocal8Bit()
                          : QByteArray("torvale");
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    return QByteArray::number(qint64(::getpid())) + '\n' + name + '\n' + QByteArray(host) + '\n';
}

// A lock file is stale when the PID in its first line names no running process.  A file we
// cannot read or parse is treated as held: taking over someone's port is worse than refusing.
bool lockFileIsStale(const QByteArray &path)
{
    const UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.isValid())
        return errno == ENOENT;
    char buf[128] = {};
    const ssize_t n = ::read(fd.get(), buf, sizeof buf - 1);
    if (n <= 0)
        return false;
    const QByteArray firstLine = QByteArray(buf, int(n)).trimmed().split('\n').value(0);
    bool ok = false;
    const qint64 pid = firstLine.trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

} // namespace

SerialPosix::Wakeup::Wakeup()
    : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_error(m_fd.isValid() ? 0 : errno)
{
}

void SerialPosix::Wakeup::signal()
{
    const quint64 one = 1;
    while (::write(m_fd.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void SerialPosix::Wakeup::drain()
{
    quint64 value = 0;
    while (::read(m_fd.get(), &value, sizeof value) < 0 && errno == EINTR) {
    }
}

SerialPosix::~SerialPosix()
{
    close();
}

QString SerialPosix::errorText(const QString &step, int err)
{
    return step + QStringLiteral(": ") + SystemError::text(err);
}

bool SerialPosix::fail(const QString &step, int err)
{
    m_lastError = errorText(step, err);
    m_lastErrno = err;
    return false;
}

bool SerialPosix::open(const QString &path, const QString &lockDir)
{
    if (m_fd.isValid())
        return fail(QStringLiteral("open ") + path, EBUSY);
    m_lastError.clear();
    m_lastErrno = 0;
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking, so that a port waiting for carrier cannot hang the GUI thread.
    UniqueFd fd(::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isValid())
        return fail(QStringLiteral("open ") + path, errno);
    if (!::isatty(fd.get()))
        return fail(QStringLiteral("open ") + path, ENOTTY);
    // flock holds against other descriptors of this very process too, and against root,
    // which TIOCEXCL does not stop.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return fail(QStringLiteral("lock ") + path, errno == EWOULDBLOCK ? EBUSY : errno);
    m_fd = std::move(fd);
    if (!takeLockFile(path, lockDir)) {
        const QString why = m_lastError;
        close();
        m_lastError = why;
        return false;
    }
    if (::ioctl(m_fd.get(), TIOCEXCL) != 0 && !lacksModemLines(errno)) {
        const int err = errno;
        close();
        return fail(QStringLiteral("TIOCEXCL ") + path, err);
    }
    return true;
}

bool SerialPosix::takeLockFile(const QString &path, const QString &lockDir)
{
    if (lockDir.isEmpty())
        return true;
    const QFileInfo dir(lockDir);
    if (!dir.isDir() || !dir.isWritable())
        return true;
    const QString file = QDir(lockDir).filePath(lockName(path));
    const QByteArray native = QFile::encodeName(file);
    const QByteArray contents = lockFileContents();
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueFd fd(::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (fd.isValid()) {
            const bool written =
                ::write(fd.get(), contents.constData(), size_t(contents.size())) ==
                    ssize_t(contents.size()) &&
                fd.reset();
            if (!written) {
                ::unlink(native.constData());
                return fail(QStringLiteral("write ") + file, EIO);
            }
            m_lockFile = file;
            HeldLockFiles::add(native);
            return true;
        }
        if (errno != EEXIST)
            return fail(QStringLiteral("create ") + file, errno);
        if (!lockFileIsStale(native))
            return fail(QStringLiteral("port held by ") + file, EBUSY);
        ::unlink(native.constData());
    }
    return fail(QStringLiteral("create ") + file, EEXIST);
}

void SerialPosix::releaseLockFile()
{
    if (m_lockFile.isEmpty())
        return;
    const QByteArray native = QFile::encodeName(m_lockFile);
    HeldLockFiles::remove(native);
    ::unlink(native.constData());
    m_lockFile.clear();
}

bool SerialPosix::configure(const LineSettings &s)
{
    termios2 t{};
    if (::ioctl(m_fd.get(), TCGETS2, &t) != 0)
        return fail(QStringLiteral("TCGETS2"), errno);

    t.c_iflag &= ~tcflag_t(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY |
                           INPCK | IGNPAR | IUCLC | IMAXBEL);
    // A break is a line condition, not a pulse: keep it out of the byte stream.  The driver
    // still counts it, which is how a break reaches OnBREAK.
    t.c_iflag |= IGNBRK;
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CREAD | CLOCAL | HUPCL;
    // With VMIN 1 a non-blocking read of an empty queue says EAGAIN, so that 0 means only
    // the end of the line (a hang-up).
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    if (s.bps <= 0)
        return fail(QStringLiteral("line speed %1").arg(s.bps), EINVAL);
    t.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= speedCode(s.bps);
    t.c_ispeed = speed_t(s.bps);
    t.c_ospeed = speed_t(s.bps);

    t.c_cflag &= ~tcflag_t(CSIZE);
    switch (s.dataBits) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    case 8:
        t.c_cflag |= CS8;
        break;
    default:
        return fail(QStringLiteral("%1 data bits").arg(s.dataBits), EINVAL);
    }

    switch (s.stopBits) {
    case StopBits::Keep:
        break;
    case StopBits::One:
        t.c_cflag &= ~tcflag_t(CSTOPB);
        break;
    // termios has no 1.5: CSTOPB is what a UART sends as 1.5 stop bits with 5 data bits.
    case StopBits::OnePointFive:
    case StopBits::Two:
        t.c_cflag |= CSTOPB;
        break;
    }

    switch (s.parity) {
    case Parity::Keep:
        break;
    case Parity::None:
        t.c_cflag &= ~tcflag_t(PARENB | PARODD | CMSPAR);
        break;
    case Parity::Odd:
        t.c_cflag = (t.c_cflag & ~tcflag_t(CMSPAR)) | PARENB | PARODD;
        break;
    case Parity::Even:
        t.c_cflag = (t.c_cflag & ~tcflag_t(PARODD | CMSPAR)) | PARENB;
        break;
    case Parity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case Parity::Space:
        t.c_cflag = (t.c_cflag & ~tcflag_t(PARODD)) | PARENB | CMSPAR;
        break;
    }

    const quint32 dtrControl = (s.flags >> DtrControlShift) & 3;
    const quint32 rtsControl = (s.flags >> RtsControlShift) & 3;
    if (s.flags & FlagParity)
        t.c_iflag |= INPCK;
    if ((s.flags & FlagOutxCtsFlow) || rtsControl == ControlHandshake)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~tcflag_t(CRTSCTS);
    if (s.flags & FlagOutX)
        t.c_iflag |= IXON;
    if (s.flags & FlagInX)
        t.c_iflag |= IXOFF;
    if (s.xonChar != 0)
        t.c_cc[VSTART] = cc_t(s.xonChar);
    if (s.xoffChar != 0)
        t.c_cc[VSTOP] = cc_t(s.xoffChar);

    if (::ioctl(m_fd.get(), TCSETS2, &t) != 0)
        return fail(QStringLiteral("TCSETS2"), errno);
    termios2 back{};
    if (::ioctl(m_fd.get(), TCGETS2, &back) != 0)
        return fail(QStringLiteral("TCGETS2"), errno);
    // A driver that cannot make the speed substitutes another; a UART's divisor error stays
    // well under 2 %.
    if (std::abs(double(back.c_ospeed) - s.bps) > 0.02 * s.bps)
        return fail(QStringLiteral("line speed %1 (driver gives %2)").arg(s.bps).arg(back.c_ospeed),
                    EINVAL);

    // The kernel raised DTR and RTS when the device opened; put them where the flags say, so
    // that with DTR control off DTR goes up only through setDtr().
    const int dtr = TIOCM_DTR;
    const int rts = TIOCM_RTS;
    if (::ioctl(m_fd.get(), dtrControl == 0 ? TIOCMBIC : TIOCMBIS, &dtr) != 0 && !lacksModemLines(errno))
        return fail(QStringLiteral("DTR"), errno);
    // Toggle control raises RTS only while sending; nothing is sent, so it stays low.
    const bool rtsOn = rtsControl == 1 || rtsControl == ControlHandshake;
    if (::ioctl(m_fd.get(), rtsOn ? TIOCMBIS : TIOCMBIC, &rts) != 0 && !lacksModemLines(errno))
        return fail(QStringLiteral("RTS"), errno);

    if (::ioctl(m_fd.get(), TCFLSH, TCIOFLUSH) != 0)
        return fail(QStringLiteral("TCFLSH"), errno);
    return true;
}

bool SerialPosix::close()
{
    if (!m_fd.isValid())
        return false;
    releaseLockFile();
    // The exclusive flag belongs to the terminal, not to this descriptor: left set, it
    // outlives the close while the other end keeps the line open (a pseudo-terminal, a port
    // another program also holds), and then nobody but root may open the port again.
    ::ioctl(m_fd.get(), TIOCNXCL);
    ::flock(m_fd.get(), LOCK_UN);
    return m_fd.reset();
}

int SerialPosix::read(char *buffer, int count, ReadTimeouts timeouts)
{
    const int totalMs = timeouts.totalMs;
    const int gapMs = timeouts.gapMs;
    if (!m_fd.isValid())
        return -1;
    int got = 0;
    const qint64 deadline = nowMs() + qMax(totalMs, 0);
    while (got < count) {
        const qint64 left = deadline - nowMs();
        int waitMs = int(qMax<qint64>(left, 0));
        if (got > 0 && gapMs > 0)
            waitMs = qMin(waitMs, gapMs);
        ssize_t n = ::read(m_fd.get(), buffer + got, size_t(count - got));
        if (n > 0) {
            got += int(n);
            continue;
        }
        if (n == 0) // end of file on a terminal: the other side hung up
            return got > 0 ? got : -1;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return got > 0 ? got : -1;
        if (waitMs <= 0)
            break;
        pollfd p{m_fd.get(), POLLIN, 0};
        const int r = ::poll(&p, 1, waitMs);
        if (r < 0 && errno != EINTR)
            return got > 0 ? got : -1;
        if (r == 0)
            break;
        if (r > 0 && !(p.revents & POLLIN))
            return got > 0 ? got : -1;
    }
    return got;
}

int SerialPosix::write(const char *data, int count)
{
    if (!m_fd.isValid())
        return -1;
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd.get(), data + done, size_t(count - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        return done > 0 ? done : -1;
    }
    return done;
}

int SerialPosix::inQueue() const
{
    int queued = 0;
    if (!m_fd.isValid() || ::ioctl(m_fd.get(), FIONREAD, &queued) != 0)
        return -1;
    return queued;
}

bool SerialPosix::setDtr(bool on)
{
    const int dtr = TIOCM_DTR;
    return m_fd.isValid() && ::ioctl(m_fd.get(), on ? TIOCMBIS : TIOCMBIC, &dtr) == 0;
}

int SerialPosix::modemLines() const
{
    int lines = 0;
    if (!m_fd.isValid() || ::ioctl(m_fd.get(), TIOCMGET, &lines) != 0)
        return -1;
    return lines;
}

bool SerialPosix::lineErrorCounts(LineErrorCounts &counts) const
{
    serial_icounter_struct ic{};
    if (!m_fd.isValid() || ::ioctl(m_fd.get(), TIOCGICOUNT, &ic) != 0)
        return false;
    counts.breaks = quint64(ic.brk);
    counts.errors =
        quint64(ic.frame) + quint64(ic.parity) + quint64(ic.overrun) + quint64(ic.buf_overrun);
    return true;
}

SerialPosix::WaitResult SerialPosix::waitEvents(bool watchInput, Wakeup &wakeup,
                                                int timeoutMs) const
{
    WaitResult result;
    pollfd fds[2] = {{m_fd.get(), short(watchInput ? POLLIN : 0), 0}, {wakeup.fd(), POLLIN, 0}};
    const int r = ::poll(fds, 2, timeoutMs);
    if (r < 0) {
        // A signal is no event; any other failure means the wait cannot go on.
        result.lost = errno != EINTR;
        return result;
    }
    if (r == 0) {
        result.timedOut = true;
        return result;
    }
    if (fds[1].revents & POLLIN) {
        result.woken = true;
        wakeup.drain();
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
        result.lost = true;
    if (fds[0].revents & POLLIN)
        result.input = true;
    return result;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/GmSimulator.h"

#include "core/SystemError.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <pty.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace
{

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr int64_t Forever = std::numeric_limits<int64_t>::max();

void makeFolders(const std::string &path)
{
    for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1))
        ::mkdir(path.substr(0, pos).c_str(), 0755);
}

} // namespace

GmSimulator::GmSimulator()
{
    if (::pipe2(m_stopPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        m_stopPipe[0] = m_stopPipe[1] = -1;
}

GmSimulator::~GmSimulator()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
    if (!m_link.empty())
        ::unlink(m_link.c_str());
    for (int fd : m_stopPipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool GmSimulator::openPty()
{
    termios raw{};
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&raw, B115200);
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_error = "openpty: " + SystemError::message(errno);
        return false;
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    // Non-blocking, so that a full line never keeps stop() from ending a send.
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = name;
    return true;
}

bool GmSimulator::publish(const std::string &linkPath)
{
    if (m_slavePath.empty()) {
        m_error = "publish: no pseudo-terminal open";
        return false;
    }
    makeFolders(linkPath);
    ::unlink(linkPath.c_str());
    if (::symlink(m_slavePath.c_str(), linkPath.c_str()) != 0) {
        m_error = "symlink " + linkPath + ": " + SystemError::message(errno);
        return false;
    }
    m_link = linkPath;
    return true;
}

bool GmSimulator::sleepUntil(int64_t deadlineNs)
{
    for (;;) {
        if (m_stop)
            return false;
        const int64_t left = deadlineNs - nowNs();
        if (left <= 0)
            return true;
        timespec ts{time_t(left / 1000000000), long(left % 1000000000)};
        pollfd p{m_stopPipe[0], POLLIN, 0};
        ::ppoll(&p, 1, &ts, nullptr);
    }
}

bool GmSimulator::writeAll(const char *data, int64_t count, int64_t deadlineNs)
{
    int64_t done = 0;
    while (done < count) {
        if (m_stop)
            return false;
        const ssize_t n = ::write(m_master, data + done, size_t(count - done));
        if (n > 0) {
            done += n;
            m_sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // The line is full: wait until the reader makes room, stop() or the deadline.
        pollfd p[2] = {{m_master, POLLOUT, 0}, {m_stopPipe[0], POLLIN, 0}};
        timespec ts{};
        timespec *limit = nullptr;
        if (deadlineNs != Forever) {
            const int64_t left = deadlineNs - nowNs();
            if (left <= 0)
                return false;
            ts = {time_t(left / 1000000000), long(left % 1000000000)};
            limit = &ts;
        }
        if (::ppoll(p, 2, limit, nullptr) < 0 && errno != EINTR)
            return false;
        if (p[0].revents & (POLLERR | POLLNVAL))
            return false;
    }
    return true;
}

int64_t GmSimulator::run(const Options &o)
{
    m_sent = 0;
    if (m_master < 0)
        return 0;
    m_running = true;
    char drain[64];
    while (::read(m_stopPipe[0], drain, sizeof drain) > 0) {
    }
    std::mt19937_64 rng(o.seed != 0 ? o.seed : uint64_t(nowNs()));
    const int64_t start = nowNs();
    const int64_t end = o.durationMs > 0 ? start + o.durationMs * 1000000 : Forever;
    const int64_t limit = o.limit > 0 ? o.limit : Forever;
    const auto left = [&] { return limit - m_sent; };

    switch (o.mode) {
    case Mode::Poisson: {
        if (o.cpm <= 0)
            break;
        std::exponential_distribution<double> gapNs(o.cpm / 60e9);
        double next = double(start);
        while (left() > 0) {
            next += gapNs(rng);
            if (next >= double(end) || !sleepUntil(int64_t(next)))
                break;
            if (!writeAll(&o.pulseByte, 1, end))
                break;
        }
        break;
    }
    case Mode::Rate: {
        if (o.perSecond <= 0)
            break;
        const double gapNs = 1e9 / o.perSecond;
        for (int64_t k = 1; left() > 0; ++k) {
            const double next = double(start) + double(k) * gapNs;
            if (next >= double(end) || !sleepUntil(int64_t(next)))
                break;
            if (!writeAll(&o.pulseByte, 1, end))
                break;
        }
        break;
    }
    case Mode::Burst: {
        if (o.burstSize <= 0 || o.burstPeriodMs <= 0)
            break;
        const std::vector<char> burst(size_t(o.burstSize), o.pulseByte);
        for (int64_t k = 1; left() > 0; ++k) {
            const int64_t next = start + k * int64_t(o.burstPeriodMs) * 1000000;
            if (next >= end || !sleepUntil(next))
                break;
            if (!writeAll(burst.data(), std::min<int64_t>(o.burstSize, left()), end))
                break;
        }
        break;
    }
    case Mode::Flood: {
        const std::vector<char> chunk(4096, o.pulseByte);
        while (left() > 0 && nowNs() < end) {
            if (!writeAll(chunk.data(), std::min<int64_t>(int64_t(chunk.size()), left()), end))
                break;
        }
        break;
    }
    }
    m_running = false;
    return m_sent;
}

void GmSimulator::start(const Options &options)
{
    stop();
    m_running = true;
    m_thread = std::thread([this, options] { run(options); });
}

void GmSimulator::stop()
{
    m_stop = true;
    if (m_stopPipe[1] >= 0) {
        const char one = 1;
        (void)!::write(m_stopPipe[1], &one, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    m_stop = false;
}

bool GmSimulator::waitFinished(int timeoutMs)
{
    const int64_t deadline = nowNs() + int64_t(timeoutMs) * 1000000;
    while (m_running) {
        if (nowNs() >= deadline)
            return false;
        ::usleep(1000);
    }
    if (m_thread.joinable())
        m_thread.join();
    return true;
}

GmSimulator::Renewal GmSimulator::renewWhenReleased()
{
    if (m_master < 0)
        return Renewal::None;
    if (m_slave >= 0) {
        // Taken: let go of this side, so that the reader's end shows as a hang-up.
        int exclusive = 0;
        if (::ioctl(m_slave, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
            ::close(m_slave);
            m_slave = -1;
        }
        return Renewal::None;
    }
    pollfd p{m_master, 0, 0};
    if (::poll(&p, 1, 0) != 1 || (p.revents & POLLHUP) == 0)
        return Renewal::None;
    const int released = m_master;
    if (!openPty())
        return Renewal::Failed;
    ::close(released);
    return m_link.empty() || repointLink() ? Renewal::Renewed : Renewal::Failed;
}

// The link replaced in one step: a reader never finds it missing.
bool GmSimulator::repointLink()
{
    const std::string fresh = m_link + ".new";
    ::unlink(fresh.c_str());
    if (::symlink(m_slavePath.c_str(), fresh.c_str()) != 0 ||
        ::rename(fresh.c_str(), m_link.c_str()) != 0) {
        m_error = "re-point " + m_link + ": " + SystemError::message(errno);
        ::unlink(fresh.c_str());
        return false;
    }
    return true;
}

void GmSimulator::closeMaster()
{
    stop();
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

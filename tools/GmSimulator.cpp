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
#include <algorithm>
#include <cstdlib>
#include <string>
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
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        m_stopRead.reset(fds[0]);
        m_stopWrite.reset(fds[1]);
    }
}

GmSimulator::~GmSimulator()
{
    closeMaster();
    if (!m_link.empty())
        ::unlink(m_link.c_str());
}

bool GmSimulator::openPty()
{
    termios raw{};
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&raw, B115200);
    char name[256] = {};
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        m_error = "openpty: " + SystemError::message(errno);
        return false;
    }
    // A pair opened before is closed now (a renewal replaces a released one).
    m_master.reset(master);
    m_slave.reset(slave);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    // Non-blocking, so that a full line never keeps stop() from ending a send.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
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
        pollfd p{m_stopRead.get(), POLLIN, 0};
        ::ppoll(&p, 1, &ts, nullptr);
    }
}

bool GmSimulator::writeAll(const char *data, int64_t count, int64_t deadlineNs)
{
    int64_t done = 0;
    while (done < count) {
        if (m_stop)
            return false;
        const ssize_t n = ::write(m_master.get(), data + done, size_t(count - done));
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
        pollfd p[2] = {{m_master.get(), POLLOUT, 0}, {m_stopRead.get(), POLLIN, 0}};
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

bool GmSimulator::pulses(const char *data, int64_t count, int64_t deadlineNs)
{
    if (!m_hasDevice)
        return writeAll(data, count, deadlineNs);
    m_pending += count;
    m_made += count;
    return !m_stop;
}

int64_t GmSimulator::run(const Options &o)
{
    m_sent = 0;
    m_made = 0;
    if (!m_master.isValid())
        return 0;
    m_running = true;
    char drain[64];
    while (::read(m_stopRead.get(), drain, sizeof drain) > 0) {
    }
    std::mt19937_64 rng(o.seed != 0 ? o.seed : uint64_t(nowNs()));
    const int64_t start = nowNs();
    const int64_t end = o.durationMs > 0 ? start + o.durationMs * 1000000 : Forever;
    const int64_t limit = o.limit > 0 ? o.limit : Forever;
    const auto left = [&] { return limit - (m_hasDevice ? m_made.load() : m_sent.load()); };

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
            if (!pulses(&o.pulseByte, 1, end))
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
            if (!pulses(&o.pulseByte, 1, end))
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
            if (!pulses(burst.data(), std::min<int64_t>(o.burstSize, left()), end))
                break;
        }
        break;
    }
    case Mode::Flood: {
        const std::vector<char> chunk(4096, o.pulseByte);
        while (left() > 0 && nowNs() < end) {
            if (!pulses(chunk.data(), std::min<int64_t>(int64_t(chunk.size()), left()), end))
                break;
        }
        break;
    }
    }
    m_running = false;
    return m_hasDevice ? m_made.load() : m_sent.load();
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
    if (m_stopWrite.isValid()) {
        const char one = 1;
        (void)!::write(m_stopWrite.get(), &one, 1);
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
    if (!m_master.isValid())
        return Renewal::None;
    if (m_slave.isValid()) {
        // Taken: let go of this side, so that the reader's end shows as a hang-up.
        int exclusive = 0;
        if (::ioctl(m_slave.get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
            m_slave.reset();
        return Renewal::None;
    }
    pollfd p{m_master.get(), 0, 0};
    if (::poll(&p, 1, 0) != 1 || (p.revents & POLLHUP) == 0)
        return Renewal::None;
    // The released pair's master closes as the new pair takes its place.
    const bool device = m_hasDevice;
    stopDevice();
    if (!openPty())
        return Renewal::Failed;
    if (device)
        startDevice(m_device);
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
    stopDevice();
    m_master.reset();
}

void GmSimulator::startDevice(const Device &device)
{
    stopDevice();
    m_device = device;
    m_hasDevice = true;
    m_heartbeat = false;
    m_cumulative = device.startCount;
    m_deviceStop = false;
    m_deviceThread = std::thread([this] { serve(); });
}

void GmSimulator::stopDevice()
{
    m_deviceStop = true;
    if (m_deviceThread.joinable())
        m_deviceThread.join();
    m_hasDevice = false;
}

void GmSimulator::say(const std::string &text)
{
    int64_t done = 0;
    const int64_t deadline = nowNs() + 1000000000;
    while (done < int64_t(text.size()) && nowNs() < deadline && !m_deviceStop) {
        const ssize_t n = ::write(m_master.get(), text.data() + done, text.size() - size_t(done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else
            ::usleep(1000);
    }
}

void GmSimulator::serve()
{
    std::string input;
    int64_t nextSecond = nowNs() + 1000000000;
    while (!m_deviceStop) {
        pollfd p{m_master.get(), POLLIN, 0};
        const int64_t leftMs = std::max<int64_t>(0, (nextSecond - nowNs()) / 1000000);
        if (::poll(&p, 1, int(std::min<int64_t>(leftMs, 50))) > 0 && (p.revents & POLLIN)) {
            char buffer[256];
            const ssize_t n = ::read(m_master.get(), buffer, sizeof buffer);
            if (n > 0)
                input.append(buffer, size_t(n));
            if (input.size() > 1024)
                input.erase(0, input.size() - 1024);
            answer(input);
        }
        if (nowNs() >= nextSecond) {
            nextSecond += 1000000000;
            everySecond();
        }
    }
}

void GmSimulator::answer(std::string &input)
{
    if (m_device.kind == Kind::Gmc) {
        for (size_t end = input.find(">>"); end != std::string::npos; end = input.find(">>")) {
            const size_t begin = input.rfind('<', end);
            const std::string command =
                begin == std::string::npos ? std::string() : input.substr(begin + 1, end - begin - 1);
            input.erase(0, end + 2);
            ++m_requests;
            if (command == "GETVER")
                say(m_device.model);
            else if (command == "HEARTBEAT1")
                m_heartbeat = true;
            else if (command == "HEARTBEAT0")
                m_heartbeat = false;
        }
        return;
    }
    if (m_device.kind != Kind::RadPro)
        return;
    for (size_t end = input.find('\n'); end != std::string::npos; end = input.find('\n')) {
        std::string line = input.substr(0, end);
        input.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "GET deviceId") {
            say("OK Rad Pro simulator;Rad Pro 2.0/en;" + m_device.deviceId + "\r\n");
        } else if (line == "GET tubePulseCount") {
            const int64_t now = m_pending.exchange(0);
            m_cumulative += uint32_t(now);
            m_delivered += now;
            say("OK " + std::to_string(m_cumulative) + "\r\n");
        } else {
            say("ERROR\r\n");
        }
        ++m_requests; // after the answer: a count answered holds no pulse made since
    }
}

void GmSimulator::everySecond()
{
    if (m_device.kind == Kind::Lines) {
        const int64_t cps = m_pending.exchange(0);
        m_delivered += cps;
        say("CPS, " + std::to_string(cps) + ", CPM, " + std::to_string(cps * 60) +
            ", uSv/hr, " + std::to_string(double(cps * 60) / 151.0).substr(0, 4) + ", SLOW\r\n");
        return;
    }
    if (m_device.kind != Kind::Gmc || !m_heartbeat)
        return;
    // The count of a second has 14 bits; the rest waits for the next second.
    const int64_t cps = std::min<int64_t>(m_pending.load(), 0x3fff);
    m_pending -= cps;
    m_delivered += cps;
    const bool four = m_device.model.rfind("GMC-", 0) == 0 && std::atoi(m_device.model.c_str() + 4) >= 500;
    std::string frame;
    for (int shift = four ? 24 : 8; shift >= 0; shift -= 8)
        frame += char((cps >> shift) & 0xff);
    say(frame);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/tcommthread.h"

#include "core/QtPostUnseen.h"
#include "core/UniqueFd.h"
#include "serial/Trs232c.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <sys/ioctl.h>

namespace
{

constexpr int LeftoverSampleMs = 10;
constexpr int LineSampleMs = 100;
constexpr quint32 ModemEvents =
    tcommthread::EV_CTS | tcommthread::EV_DSR | tcommthread::EV_RING | tcommthread::EV_RLSD;
constexpr quint32 LineErrorEvents = tcommthread::EV_BREAK | tcommthread::EV_ERR;

} // namespace

tcommthread::tcommthread(Trs232c *owner, SerialPosix *port, quint32 requestedMask)
    : m_port(port), m_owner(owner), m_requested(requestedMask)
{
    connect(this, &tcommthread::handOverPosted, this, &tcommthread::runPending,
            Qt::QueuedConnection);
}

tcommthread::~tcommthread()
{
    if (isRunning())
        stop();
}

int tcommthread::launch()
{
    if (!m_wakeup.isValid())
        return m_wakeup.error();
    // The new thread makes an event dispatcher, and that ends the process when it gets no
    // descriptor: one must be free now.
    if (!UniqueFd(::fcntl(m_wakeup.fd(), F_DUPFD_CLOEXEC, 0)).isValid())
        return errno;
    start();
    // A thread that could not be created leaves the object neither running nor finished.
    return isRunning() || isFinished() ? 0 : EAGAIN;
}

bool tcommthread::isDispatching() const
{
    std::lock_guard lock(m_mutex);
    return m_dispatching;
}

void tcommthread::stop()
{
    m_terminate = true;
    m_wakeup.signal();
    std::unique_lock lock(m_mutex);
    if (m_dispatching) {
        m_abandoned = true;
        m_done = m_handed;
        m_changed.notify_all();
    }
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_finished || !isRunning() || (m_done < m_handed && !m_dispatching);
        });
        if (m_finished || !isRunning())
            break;
        lock.unlock();
        runPending();
        lock.lock();
    }
    lock.unlock();
    wait();
}

void tcommthread::handOver(quint32 mask)
{
    std::unique_lock lock(m_mutex);
    m_pendingMask = mask;
    const quint64 seq = ++m_handed;
    m_changed.notify_all();
    lock.unlock();
    {
        const QtPostUnseen post;
        emit handOverPosted();
    }
    lock.lock();
    m_changed.wait(lock, [this, seq] { return m_done >= seq; });
}

void tcommthread::runPending()
{
    std::unique_lock lock(m_mutex);
    if (m_dispatching || m_done >= m_handed)
        return;
    const quint64 seq = m_handed;
    const quint32 mask = m_pendingMask;
    m_dispatching = true;
    lock.unlock();
    dispatch(mask);
    lock.lock();
    m_dispatching = false;
    if (m_done < seq)
        m_done = seq;
    m_changed.notify_all();
}

void tcommthread::dispatch(quint32 mask)
{
    m_eventmask = mask;
    Trs232c *const owner = m_owner;
    // A handler that closes the port ends the dispatch: the rest belongs to a port that is
    // no longer open.
    auto fire = [this](const TNotifyEvent &handler, QObject *sender) {
        if (m_abandoned)
            return;
        Trs232c::fire(handler, sender);
    };
    try {
        if (mask & EV_BREAK)
            fire(owner->OnBREAK, this);
        if (mask & EV_CTS)
            fire(owner->OnCTS, this);
        if (mask & EV_DSR)
            fire(owner->OnDSR, this);
        if (mask & EV_ERR)
            fire(owner->OnERR, this);
        if (mask & EV_RING)
            fire(owner->OnRING, this);
        if (mask & EV_RLSD)
            fire(owner->OnRLSD, this);
        if (mask & EV_RXCHAR) {
            m_queuedBytes = qMax(owner->inQueue(), 0);
            const int packet = owner->packetsize();
            if (owner->OnPACKET && packet != 0 && packet <= m_queuedBytes) {
                m_queuedBytes = 0;
                fire(owner->OnPACKET, this);
            }
            fire(owner->OnRXCHAR, this);
        }
        if (mask & EV_RXFLAG)
            fire(owner->OnRXFLAG, this);
        if (mask & EV_TXEMPTY)
            fire(owner->OnTXEMPTY, this);
        if (mask & DeviceLost) {
            if (owner->OnLOST)
                fire(owner->OnLOST, owner);
            else
                qWarning("serial port %s: device lost", qPrintable(owner->portname()));
        }
    } catch (const std::exception &e) {
        owner->reportHandlerError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        owner->reportHandlerError(QStringLiteral("unknown exception in a serial event handler"));
    }
}

quint32 tcommthread::sampleLines(int &lines, SerialPosix::LineErrorCounts &counts, bool &lost) const
{
    quint32 events = 0;
    if (lines >= 0) {
        const int now = m_port->modemLines();
        if (now < 0) {
            lost = true;
            return 0;
        }
        const int changed = now ^ lines;
        if (changed & TIOCM_CTS)
            events |= EV_CTS;
        if (changed & TIOCM_DSR)
            events |= EV_DSR;
        if (changed & TIOCM_CAR)
            events |= EV_RLSD;
        // A ring is reported when the indicator goes off, like the UART's trailing-edge bit.
        if ((lines & TIOCM_RNG) && !(now & TIOCM_RNG))
            events |= EV_RING;
        lines = now;
    }
    if (m_requested & LineErrorEvents) {
        SerialPosix::LineErrorCounts now;
        if (m_port->lineErrorCounts(now)) {
            if (now.breaks != counts.breaks)
                events |= EV_BREAK;
            if (now.errors != counts.errors)
                events |= EV_ERR;
            counts = now;
        }
    }
    return events & m_requested;
}

void tcommthread::run()
{
    const bool wantRx = m_requested & EV_RXCHAR;
    int lines = (m_requested & ModemEvents) ? m_port->modemLines() : -1;
    SerialPosix::LineErrorCounts counts;
    const bool haveCounts = (m_requested & LineErrorEvents) && m_port->lineErrorCounts(counts);
    const bool sampling = lines >= 0 || haveCounts;
    // Bytes that ever arrived = bytes read + bytes queued; it grows only by arrivals.  Open
    // emptied the queue and zeroed the read count before this thread started, so whatever
    // came since is news.
    qint64 arrived = 0;

    while (!m_terminate) {
        quint32 events = 0;
        bool lost = false;
        const qint64 readSoFar = m_owner->m_bytesRead.load();
        const int queued = m_port->inQueue();
        if (queued < 0) {
            lost = true;
        } else {
            const qint64 now = readSoFar + queued;
            if (wantRx && queued > 0 && now > arrived)
                events |= EV_RXCHAR;
            arrived = now;
        }
        if (!events && !lost) {
            int timeoutMs = sampling ? LineSampleMs : -1;
            if (wantRx && queued > 0)
                timeoutMs = LeftoverSampleMs;
            const SerialPosix::WaitResult w =
                m_port->waitEvents(wantRx && queued == 0, m_wakeup, timeoutMs);
            lost = w.lost;
        }
        if (sampling && !lost)
            events |= sampleLines(lines, counts, lost);
        if (m_terminate)
            break;
        if (!events && !lost)
            continue;
        handOver(events | (lost ? DeviceLost : 0));
        if (lost)
            break;
    }
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The comm thread of one open Trs232c: it waits for the port's line events and hands every
// completed wait to the GUI thread, blocking until the event dispatch has run there.
//
// The hand-over is a mailbox: the thread deposits the event mask, posts a queued call to the
// GUI thread and sleeps on the condition variable until that dispatch is done.  The queued
// call is a signal connected on the GUI thread and carries no data, so the GUI thread reads
// nothing the comm thread built except the mailbox, under its mutex.  close runs a
// deposited hand-over itself while it waits for the thread, so neither waits on the other and
// no event loop is spun inside close.  A queued call that finds the mailbox already emptied
// does nothing.
//
// How the wait works on a tty: poll() on the port and on an eventfd that stop() signals.
// Received bytes count as an event only when bytes arrived since the last dispatch (the
// queue grew beyond what the component's reads explain), so bytes a handler leaves queued do
// not fire it again and again; while some are left, the queue is sampled every 10 ms instead
// of polled.  Modem lines and the driver's break/error counters are sampled every 100 ms
// while a handler for them is assigned and the device has them.  A hang-up, a device error or
// a failed wait ends the waiting: the thread hands over DeviceLost once and finishes.

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "serial/SerialPosix.h"

class Trs232c;

class tcommthread : public QThread
{
    Q_OBJECT

public:
    static constexpr quint32 EV_RXCHAR = 0x0001;
    static constexpr quint32 EV_RXFLAG = 0x0002;
    static constexpr quint32 EV_TXEMPTY = 0x0004;
    static constexpr quint32 EV_CTS = 0x0008;
    static constexpr quint32 EV_DSR = 0x0010;
    static constexpr quint32 EV_RLSD = 0x0020;
    static constexpr quint32 EV_BREAK = 0x0040;
    static constexpr quint32 EV_ERR = 0x0080;
    static constexpr quint32 EV_RING = 0x0100;
    // Not a line event: the device is gone; the dispatch fires the owner's OnLOST.
    static constexpr quint32 DeviceLost = 0x80000000u;

    // Created by the owner's open, not started; watches the events of requestedMask.
    tcommthread(Trs232c *owner, SerialPosix *port, quint32 requestedMask);
    // The thread must have been stopped.
    ~tcommthread() override;

    // GUI thread.  Sets the terminate flag, releases the wait and runs pending hand-overs
    // until the thread has ended.  Called from inside this thread's own dispatch (a handler
    // closing the port), it releases the blocked hand-over first.
    void stop();
    // GUI thread: true while a dispatch of this thread runs (so its object must outlive it).
    bool isDispatching() const;

    // GUI thread.  Fires the owner's handlers for the bits of mask, in the fixed order BREAK,
    // CTS, DSR, ERR, RING, RLSD, RXCHAR (with the queued byte count and OnPACKET), RXFLAG,
    // TXEMPTY, then OnLOST for DeviceLost.  An exception from a handler ends the dispatch and
    // goes to the owner's OnHANDLERERROR.
    void dispatch(quint32 mask);

    // The mask of the last dispatch and the queued byte count of its receive event.
    quint32 eventmask() const { return m_eventmask; }
    qint32 queuedBytes() const { return m_queuedBytes; }

signals:
    // Emitted by the comm thread after each deposit; queued to runPending on the GUI thread.
    void handOverPosted();

protected:
    void run() override;

private:
    void handOver(quint32 mask);
    void runPending();
    quint32 sampleLines(int &lines, SerialPosix::LineErrorCounts &counts, bool &lost) const;

    // GUI thread only (the comm thread is blocked in handOver while they are used).
    quint32 m_eventmask = 0;
    qint32 m_queuedBytes = 0;
    bool m_abandoned = false; // the port was closed by a handler of the running dispatch
    // Set before start, read-only afterwards.
    SerialPosix *const m_port;
    Trs232c *const m_owner;
    const quint32 m_requested;

    SerialPosix::Wakeup m_wakeup;
    std::atomic<bool> m_terminate{false};

    // m_mutex guards m_pendingMask, m_handed, m_done, m_dispatching and m_finished;
    // m_changed is signalled whenever one of them changes.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    quint32 m_pendingMask = 0;
    quint64 m_handed = 0; // hand-overs deposited by the thread
    quint64 m_done = 0;   // hand-overs whose dispatch has run (or was released by stop)
    bool m_dispatching = false;
    bool m_finished = false;
};

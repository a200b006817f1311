// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting in tests: on a condition, running the event loop meanwhile, never
// a fixed sleep.  The time-out only bounds a failure, so it is generous for
// a loaded machine.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

// Runs the event loop until the condition holds or the time-out passes.
inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 15000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Keeps the event loop running for a while, to show that something does NOT
// happen (a second message, a second count).
inline void settle(int ms = 150)
{
    waitUntil([] { return false; }, ms);
}

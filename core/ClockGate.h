// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>

// Whether the clock can date a minute.  A board without a clock chip starts
// with a clock in the past (1970, or the date of the last shutdown) until
// NTP sets it, and a minute filed then lands under a wrong date for good.
//
// A reading before the day the program was built is never trusted.  When
// asked (the system service asks), the kernel must also report the clock
// synchronised: adjtimex() answers no TIME_ERROR and STA_UNSYNC is clear.
// That second check stays opt-in, since a machine without a time service
// (a container, a CI runner) reports its clock unsynchronised forever.
//
// Plain value; any thread.
class ClockGate
{
public:
    // The kernel's word: true when the clock is synchronised.  Tests fake it.
    using SyncQuery = std::function<bool()>;

    explicit ClockGate(QDate notBefore = buildDate()) : m_notBefore(notBefore) {}

    // Also waits for the kernel to report the clock synchronised.
    void waitForSync(SyncQuery query = kernelSynchronised) { m_sync = std::move(query); }

    // Why `now` cannot date a minute yet, as a line for the user (the same
    // for every reading with the same reason, so that it is told once);
    // empty when it can.
    QString notSetReason(const QDateTime &now) const;

    // The day the program was built (SOURCE_DATE_EPOCH when the build set it).
    static QDate buildDate();
    // adjtimex() read-only: no TIME_ERROR and STA_UNSYNC clear.  A refused
    // call (a system call filter) counts as unsynchronised.
    static bool kernelSynchronised();

private:
    QDate m_notBefore;
    SyncQuery m_sync;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// The UUCP lock files this process holds, kept where a signal handler can
// reach them: a process ended by a signal in the middle of its close (a
// second Ctrl+C) still removes them instead of leaving a stale lock behind.
//
// add() and remove() from any thread; removeAllNow() is async-signal-safe (no
// allocation, no lock) and meant for a handler about to end the process.
// Holds up to Capacity files; more are simply not covered.
class HeldLockFiles
{
public:
    static constexpr int Capacity = 8;
    static constexpr int MaxPath = 512;

    static void add(const QByteArray &path);
    static void remove(const QByteArray &path);
    static void removeAllNow();
};

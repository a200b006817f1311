// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/UniqueFd.h"

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into quitRequested() on the event loop of the thread that
// created the watcher, so that logout, a closed terminal and Ctrl+C end the program through its
// ordinary close instead of killing it.  Needs QtCore only: a program without windows uses it
// as well.
//
// The handler itself only writes one byte into a socket pair (no Qt, no allocation); a
// QSocketNotifier on the other end emits the signal.  quitRequested() comes once per process:
// further SIGTERM and SIGHUP are ignored while the program closes, and a second SIGINT ends the
// process at once (killed by SIGINT, as a shell expects), for a close that hangs; the serial
// lock files this process holds are removed first (HeldLockFiles).
//
// At most one watcher exists at a time; it restores the previous handlers when destroyed.  If
// the socket pair cannot be made, the signals keep their default action (the constructor warns).
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    SignalWatcher(const SignalWatcher &) = delete;
    SignalWatcher &operator=(const SignalWatcher &) = delete;

signals:
    // The number of the first signal that arrived.
    void quitRequested(int signalNumber);

private:
    void readSignal();

    UniqueFd m_readEnd;  // read by the notifier
    UniqueFd m_writeEnd; // written by the handler
    QSocketNotifier *m_notifier = nullptr;
    bool m_installed = false;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting helpers for tests that drive the GUI-thread side by hand (waitUntil
// runs the events too).

#include "common/Wait.h"

#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

// Waits without running any event, for conditions the comm thread's side decides.
inline bool waitWithoutEvents(const std::function<bool()> &pred, int timeoutMs = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QThread::usleep(500);
    }
    return true;
}

// Writes all of bytes to a non-blocking master, waiting while its queue is full.
inline void writeMaster(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            // A closed or hung-up master never takes the rest: fail, do not spin.
            ADD_FAILURE() << "write to the pseudo-terminal's master: " << std::strerror(errno);
            return;
        } else {
            QThread::usleep(100);
        }
    }
}

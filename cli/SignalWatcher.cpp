// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SignalWatcher.h"

#include "core/SystemError.h"
#include "serial/HeldLockFiles.h"

#include <QSocketNotifier>
#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr int Watched[] = {SIGTERM, SIGHUP, SIGINT};

// Shared with the handler, which may touch nothing else.
volatile sig_atomic_t s_writeFd = -1;
volatile sig_atomic_t s_quitPending = 0;
struct sigaction s_previous[std::size(Watched)];

void onSignal(int signalNumber)
{
    if (s_quitPending) {
        if (signalNumber == SIGINT) {
            // The close under way may never reach the port: its lock file
            // goes now, the descriptor's locks go with the process.
            HeldLockFiles::removeAllNow();
            ::signal(SIGINT, SIG_DFL);
            ::raise(SIGINT); // delivered as soon as this handler returns
        }
        return;
    }
    s_quitPending = 1;
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // The socket is non-blocking and holds at most this one byte: the write cannot fail for
    // lack of room.
    [[maybe_unused]] const ssize_t n = ::write(s_writeFd, &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent)
{
    Q_ASSERT(s_writeFd == -1);
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        qWarning("SignalWatcher: no socket pair (%s); signals end the program at once",
                 qPrintable(SystemError::text(errno)));
        return;
    }
    m_readEnd.reset(fds[0]);
    m_writeEnd.reset(fds[1]);
    m_notifier = new QSocketNotifier(m_readEnd.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readSignal);

    s_writeFd = m_writeEnd.get();
    s_quitPending = 0;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int s : Watched)
        sigaddset(&action.sa_mask, s);
    // Restart interrupted system calls: the comm thread and file writes do not expect EINTR.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(Watched); ++i)
        ::sigaction(Watched[i], &action, &s_previous[i]);
    m_installed = true;
}

SignalWatcher::~SignalWatcher()
{
    if (m_installed) {
        for (std::size_t i = 0; i < std::size(Watched); ++i)
            ::sigaction(Watched[i], &s_previous[i], nullptr);
        s_writeFd = -1;
    }
    // Before its descriptor closes with the members.
    delete m_notifier;
}

void SignalWatcher::readSignal()
{
    unsigned char byte = 0;
    if (::read(m_readEnd.get(), &byte, 1) == 1)
        emit quitRequested(byte);
}

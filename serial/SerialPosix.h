// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every operating-system call of the serial line lives behind this class: opening and locking
// the device, termios, modem lines, queue sizes, reads with a time limit and the comm thread's
// wait.  The component above it speaks only in line settings and results.
//
// Threads: the owning component calls everything on the GUI thread, except waitEvents(),
// inQueue(), modemLines() and lineErrorCounts(), which the comm thread calls while the port is
// open.  open() and close() happen only while no comm thread runs.

#include "core/UniqueFd.h"

#include <QString>
#include <QtGlobal>

class SerialPosix
{
public:
    enum class StopBits { Keep, One, OnePointFive, Two };
    enum class Parity { Keep, None, Odd, Even, Mark, Space };

    // What open() puts on the line.  flags is the component's flags word, bit k as in the
    // component's flow set (bit 1 parity check, bit 2 CTS output flow, bits 4-5 DTR control,
    // bits 8-9 XON/XOFF output/input, bits 12-13 RTS control).
    struct LineSettings {
        int bps = 9600;
        int dataBits = 8; // 5 to 8; anything else makes configure() fail
        StopBits stopBits = StopBits::One;
        Parity parity = Parity::None;
        quint32 flags = 1;
        char xonChar = 0; // 0 keeps the driver's character
        char xoffChar = 0;
    };

    // Why a wait of the comm thread ended.  Several can be true at once.
    struct WaitResult {
        bool input = false; // bytes are queued (only reported when asked for)
        bool woken = false; // the wake-up descriptor was signalled
        bool lost = false;  // hang-up, device error or a failed wait: the device is gone
        bool timedOut = false;
    };

    // Counters of line conditions the driver keeps; they only grow while the port is open.
    struct LineErrorCounts {
        quint64 breaks = 0;
        quint64 errors = 0; // framing, parity and overrun errors together
    };

    // An eventfd the GUI thread signals to release the comm thread's wait.
    // Not valid when no descriptor could be made (the process at its limit).
    class Wakeup
    {
    public:
        Wakeup();
        bool isValid() const { return m_fd.isValid(); }
        // Why it is not valid.
        int error() const { return m_error; }
        void signal();
        void drain();
        int fd() const { return m_fd.get(); }

    private:
        UniqueFd m_fd;
        int m_error = 0;
    };

    SerialPosix() = default;
    ~SerialPosix();
    SerialPosix(const SerialPosix &) = delete;
    SerialPosix &operator=(const SerialPosix &) = delete;

    // Opens the device exclusively: refused when another program or another component of this
    // one holds it (TIOCEXCL, a non-blocking flock, and the UUCP lock file LCK..name in
    // lockDir, which is taken over when the process named in it no longer exists).  An empty
    // lockDir skips the lock file; so does a lock folder that cannot be written.  On failure
    // nothing stays open or locked and lastError() tells why.
    bool open(const QString &path, const QString &lockDir);
    // Applies the settings, sets the modem lines DTR/RTS as the flags ask (a device without
    // modem lines, a pseudo-terminal, is no failure) and drops both queues.  On failure the
    // caller must close().
    bool configure(const LineSettings &settings);
    // Releases the lock file, the exclusive flag, the flock and the descriptor.  False when the
    // descriptor's close failed (the locks are released anyway) or nothing was open.
    bool close();
    bool isOpen() const { return m_fd.isValid(); }

    // How long read() waits: at most totalMs for all the bytes asked for; with gapMs > 0 also
    // no longer than gapMs without a byte once the first has come.
    struct ReadTimeouts {
        int totalMs = 0;
        int gapMs = 0;
    };
    // Reads up to count bytes within the time-outs.  Returns the number of bytes stored (0 on a
    // time-out), or -1 when the device failed or is gone.
    int read(char *buffer, int count, ReadTimeouts timeouts);
    // Writes what the driver's output queue takes now, never waiting for room: a command of
    // a counter is a few bytes, and only the comm thread may wait on the port.  Returns the
    // number of bytes queued (fewer than count when the queue is full), or -1 when the device
    // failed or is gone.
    int write(const char *data, int count);
    // Bytes in the receive queue, -1 when the device cannot tell (closed, gone).
    int inQueue() const;
    bool setDtr(bool on);
    // The TIOCM_ bits of the modem lines, or -1 where the device has none.
    int modemLines() const;
    bool lineErrorCounts(LineErrorCounts &counts) const;
    // Blocks until input is queued (only when watchInput), the wake-up fires, the device is
    // gone or timeoutMs passes (-1: no limit).
    WaitResult waitEvents(bool watchInput, Wakeup &wakeup, int timeoutMs) const;

    QString lastError() const { return m_lastError; }
    // The errno behind lastError(); 0 after a successful open.
    int lastErrno() const { return m_lastErrno; }

    // The one place that turns an errno into the error text of a failed step.
    static QString errorText(const QString &step, int err);

private:
    bool fail(const QString &step, int err);
    bool takeLockFile(const QString &path, const QString &lockDir);
    void releaseLockFile();

    UniqueFd m_fd;
    QString m_lockFile;
    QString m_lastError;
    int m_lastErrno = 0;
};

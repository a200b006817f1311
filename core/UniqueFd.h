// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
#include <unistd.h>

// The one owner of a raw file descriptor: closed when the owner goes, handed
// on only by a move.  -1 holds nothing.
//
// Any thread; one owner is used by one thread at a time.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd &&other) noexcept : m_fd(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const noexcept { return m_fd; }
    bool isValid() const noexcept { return m_fd >= 0; }

    // Gives the descriptor up without closing it.
    int release() noexcept
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

    // Closes the descriptor held (if any) and holds `fd`.  False when the
    // close failed; errno says why.  Linux releases the descriptor even when
    // close reports EINTR, so that counts as closed and is never retried.
    bool reset(int fd = -1) noexcept
    {
        const int old = m_fd;
        m_fd = fd;
        if (old < 0)
            return true;
        return ::close(old) == 0 || errno == EINTR;
    }

private:
    int m_fd = -1;
};

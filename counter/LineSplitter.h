// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cuts a byte stream into lines ended by "\n" (a "\r" before it is dropped), however the
// reads split them.  Memory is bounded: a line that grows beyond MaxLine bytes is dropped up
// to its end and told as one overlong line.

#include <QByteArray>

class LineSplitter
{
public:
    static constexpr qsizetype MaxLine = 256;

    void append(const char *data, qsizetype size);
    // The next complete line, oldest first; false when none is complete.  overlong is set for
    // a line that was dropped (line is then empty).
    bool next(QByteArray &line, bool &overlong);
    void clear();

private:
    QByteArray m_buffer;
    qsizetype m_scanned = 0;   // bytes of m_buffer known to hold no "\n"
    qsizetype m_lineStart = 0; // where the unfinished line begins in m_buffer
    bool m_dropping = false;   // inside an overlong line, up to its "\n"
    int m_overlong = 0;        // overlong lines ended, not yet told
};

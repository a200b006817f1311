// SPDX-License-Identifier: GPL-3.0-or-later
#include "counter/LineSplitter.h"

void LineSplitter::append(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (m_dropping) {
            if (data[i] == '\n') {
                m_dropping = false;
                ++m_overlong;
            }
            continue;
        }
        m_buffer.append(data[i]);
        if (data[i] == '\n') {
            m_lineStart = m_buffer.size();
        } else if (m_buffer.size() - m_lineStart > MaxLine) {
            // Only the unfinished line goes; the complete ones before it stay.
            m_buffer.truncate(m_lineStart);
            m_dropping = true;
        }
    }
}

bool LineSplitter::next(QByteArray &line, bool &overlong)
{
    overlong = false;
    const qsizetype end = m_buffer.indexOf('\n', m_scanned);
    if (end < 0) {
        m_scanned = m_buffer.size();
        if (m_overlong > 0) {
            --m_overlong;
            overlong = true;
            line.clear();
            return true;
        }
        return false;
    }
    line = m_buffer.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    m_buffer.remove(0, end + 1);
    m_lineStart -= end + 1;
    m_scanned = 0;
    return true;
}

void LineSplitter::clear()
{
    m_buffer.clear();
    m_scanned = 0;
    m_lineStart = 0;
    m_dropping = false;
    m_overlong = 0;
}

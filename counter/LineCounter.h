// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A counter that sends one text line a second, the count of that second first:
// "CPS, 5, CPM, 300, uSv/hr, 1.71, SLOW" (fields apart from the first two are not read).
//
// A line that does not read as such is never taken as a count: the first is told once as an
// error, and their number in all when the measurement stops.  No readable line within
// IdentifyMs of the port opening is told once as a wrong kind.

#include "counter/Counter.h"
#include "counter/LineSplitter.h"

#include <optional>

class LineCounter : public Counter
{
public:
    static constexpr qint64 IdentifyMs = 5000;

    CounterKind kind() const override { return CounterKind::Lines; }
    void begin(qint64 nowMs, Step &step) override;
    void feed(const char *data, qsizetype size, qint64 nowMs, Step &step) override;
    void tick(qint64 nowMs, Step &step) override;
    void end(Step &step) override;

    // The count of one line, or nullopt when it is no count line.
    static std::optional<qint64> parse(const QByteArray &line);
    qint64 unreadableLines() const { return m_unreadable; }

private:
    void unreadable(const QByteArray &line, Step &step);

    LineSplitter m_lines;
    qint64 m_beginMs = 0;
    bool m_met = false;       // a count line came since begin()
    bool m_toldSilent = false;
    qint64 m_unreadable = 0;  // since construction
};

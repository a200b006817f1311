// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MinuteCount.h"

#include <QList>

#include <optional>

// The newest minute tallies of a measurement, for running means.  A tally
// that spans several minutes counts with its real length, so a mean is
// pulses over minutes.  Only tallies that end within the window before the
// newest one count: minutes without a tally (a stopped measurement, a lost
// port) are not filled with zeros, and a tally that covers part of a
// minute only (MinuteCount::whole false) is left out.
//
// Not thread-safe; the thread that receives the tallies owns it.
class RecentMinutes
{
public:
    // Keeps what the longest window asked of mean() needs.
    explicit RecentMinutes(int capacityMinutes = 60);

    void add(const MinuteCount &m);
    void clear() { m_minutes.clear(); }
    bool isEmpty() const { return m_minutes.isEmpty(); }
    const MinuteCount &newest() const { return m_minutes.last(); }

    struct Mean {
        double cpm = 0;   // pulses per minute
        double sigma = 0; // Poisson one-sigma uncertainty of cpm: sqrt(pulses) / minutes
        qint64 pulses = 0;
        int minutes = 0;  // minutes the tallies in the window cover
    };
    // The mean over the tallies ending in the `window` minutes up to and
    // including the newest; nothing before the first tally.
    std::optional<Mean> mean(int window) const;
    // The mean every front end shows beside the newest minute (the readout,
    // the headless log line, the published minute): the last ten minutes.
    static constexpr int ShortMeanMinutes = 10;
    std::optional<Mean> shortMean() const { return mean(ShortMeanMinutes); }

private:
    int m_capacity;
    QList<MinuteCount> m_minutes; // oldest first
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/CountStats.h"

#include "stats/ChiSquare.h"

#include <cmath>
#include <limits>

void CountStats::addLonger(qint64 count, int minutes)
{
    const double rate = double(count) / minutes;
    m_minRate = std::min(m_minRate, rate);
    m_maxRate = std::max(m_maxRate, rate);
    ++m_cells;
    m_n += minutes;
    m_sum += count;
    for (Longer &l : m_longer) {
        if (l.minutes == minutes) {
            l.sumSquares += __int128(count) * count;
            return;
        }
    }
    m_longer.push_back({minutes, __int128(count) * count});
}

CountStats::Result CountStats::result() const
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    Result r;
    r.n = m_n;
    r.cells = m_cells;
    r.skipped = m_skipped;
    r.tooLarge = m_tooLarge;
    r.sum = m_sum;
    r.min = std::min(double(m_minCount), m_minRate);
    r.max = std::max(double(m_maxCount), m_maxRate);
    r.mean = m_n > 0 ? double(m_sum) / double(m_n) : NaN;
    r.sd = r.sem = r.dispersion = r.pPoisson = NaN;
    if (m_cells < 2)
        return r;
    // M Σ x²/m - (Σx)², exact in 128 bits but for the division by each
    // longer exposure, whose remainder is added apart; then one rounding.
    __int128 whole = __int128(m_n) * m_sumSquares - __int128(m_sum) * m_sum;
    double parts = 0;
    for (const Longer &l : m_longer) {
        const __int128 scaled = __int128(m_n) * l.sumSquares;
        whole += scaled / l.minutes;
        parts += double(scaled % l.minutes) / l.minutes;
    }
    const double variance = (double(whole) + parts) / (double(m_n) * double(m_cells - 1));
    r.sd = std::sqrt(variance);
    r.sem = r.sd / std::sqrt(double(m_n));
    if (m_sum > 0) {
        r.dispersion = variance / r.mean;
        r.pPoisson = ChiSquare::twoSided(double(m_cells - 1) * r.dispersion, double(m_cells - 1));
    }
    return r;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/CountStats.h"

#include "stats/ChiSquare.h"

#include <cmath>
#include <limits>

CountStats::Result CountStats::result() const
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    Result r;
    r.n = m_n;
    r.skipped = m_skipped;
    r.sum = m_sum;
    r.min = m_min;
    r.max = m_max;
    r.mean = m_n > 0 ? double(m_sum) / double(m_n) : NaN;
    r.sd = r.sem = r.dispersion = r.pPoisson = NaN;
    if (m_n < 2)
        return r;
    // n Σx² - (Σx)², exact in 128 bits, then one rounding.
    const __int128 scaled = __int128(m_n) * m_sumSquares - __int128(m_sum) * m_sum;
    const double variance = double(scaled) / (double(m_n) * double(m_n - 1));
    r.sd = std::sqrt(variance);
    r.sem = r.sd / std::sqrt(double(m_n));
    if (m_sum > 0) {
        r.dispersion = variance / r.mean;
        r.pPoisson = ChiSquare::twoSided(double(m_n - 1) * r.dispersion, double(m_n - 1));
    }
    return r;
}

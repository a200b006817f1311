// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>

// Statistics of a set of one-minute counts, and the dispersion test against
// a Poisson source: D = (n - 1) s² / mean is chi-square with n - 1 degrees of
// freedom when the counts are Poisson, so a counter that double-counts or
// picks up noise (s² well above the mean) or one that is dead-time limited
// (s² well below) gives a small two-sided p.
//
// Counts are added one by one (add) or as cells that are not counts (skip).
// Sums are exact (128-bit sum of squares), so a 10-year table loses nothing.
// Not thread-safe; one accumulator per computation.
class CountStats
{
public:
    struct Result {
        qint64 n = 0;       // counts taken
        qint64 skipped = 0; // empty and text cells met
        qint64 sum = 0;
        qint64 min = 0;     // valid when n > 0
        qint64 max = 0;
        double mean = 0;    // NaN when n == 0
        double sd = 0;      // sample standard deviation (n - 1); NaN when n < 2
        double sem = 0;     // sd / sqrt(n); NaN when n < 2
        double dispersion = 0; // s² / mean; NaN when n < 2 or mean == 0
        double pPoisson = 0;   // two-sided p of the dispersion test; NaN likewise

        // With a factor (counts per minute per µSv/h): the mean dose rate,
        // its standard error, and the dose over the minutes taken.
        double usvh(double factor) const { return mean / factor; }
        double usvhSem(double factor) const { return sem / factor; }
        double doseUsv(double factor) const { return double(sum) / factor / 60.0; }
    };

    void add(qint64 count)
    {
        if (m_n == 0 || count < m_min)
            m_min = count;
        if (m_n == 0 || count > m_max)
            m_max = count;
        ++m_n;
        m_sum += count;
        m_sumSquares += __int128(count) * count;
    }
    void skip(qint64 cells = 1) { m_skipped += cells; }

    Result result() const;

private:
    qint64 m_n = 0;
    qint64 m_skipped = 0;
    qint64 m_sum = 0;
    __int128 m_sumSquares = 0;
    qint64 m_min = 0;
    qint64 m_max = 0;
};

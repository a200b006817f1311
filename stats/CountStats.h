// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <limits>
#include <vector>

// Statistics of a set of stored counts, each over its own number of minutes
// (its exposure: one, or two for a cell of the hour repeated when the clocks
// go back), and the dispersion test against a Poisson source.
//
// With cells i of counts xᵢ over mᵢ minutes, M = Σ mᵢ minutes and C cells,
// the rate is λ = Σ xᵢ / M per minute and the variance of one minute
// s² = Σ (xᵢ − mᵢλ)² / mᵢ / (C − 1), which for one-minute cells is the
// sample variance.  D = Σ (xᵢ − mᵢλ)² / (mᵢλ) = (C − 1) s² / λ is chi-square
// with C − 1 degrees of freedom when the counts are Poisson, so a counter
// that double-counts or picks up noise (s² well above λ) or one that is
// dead-time limited (s² well below) gives a small two-sided p, and a
// two-minute cell is judged as the one cell it is.
//
// Counts are added one by one (add) or as cells that are not counts (skip).
// Sums are exact (128-bit), rounded once at the end, so a 10-year table
// loses nothing; counts must stay below 10^12 (StoredMinutes::MaxCount).
// Not thread-safe; one accumulator per computation.
class CountStats
{
public:
    struct Result {
        qint64 n = 0;        // minutes taken
        qint64 cells = 0;    // cells taken (n less the second minutes of two-minute cells)
        qint64 skipped = 0;  // empty and text cells met
        qint64 tooLarge = 0; // cells whose count is too large to take (left out)
        qint64 sum = 0;
        double min = 0;        // the lowest and highest rate of a cell per minute;
        double max = 0;        // valid when n > 0
        double mean = 0;       // pulses per minute; NaN when n == 0
        double sd = 0;         // s above; NaN when fewer than two cells
        double sem = 0;        // sd / sqrt(n); NaN likewise
        double dispersion = 0; // s² / mean; NaN likewise or when mean == 0
        double pPoisson = 0;   // two-sided p of the dispersion test; NaN likewise

        // With a factor (counts per minute per µSv/h): the mean dose rate,
        // its standard error, and the dose over the minutes taken.
        double usvh(double factor) const { return mean / factor; }
        double usvhSem(double factor) const { return sem / factor; }
        double doseUsv(double factor) const { return double(sum) / factor / 60.0; }
    };

    void add(qint64 count)
    {
        m_minCount = std::min(m_minCount, count);
        m_maxCount = std::max(m_maxCount, count);
        ++m_cells;
        ++m_n;
        m_sum += count;
        m_sumSquares += __int128(count) * count;
    }
    void add(qint64 count, int minutes)
    {
        if (minutes == 1)
            add(count);
        else
            addLonger(count, minutes);
    }
    void skip(qint64 cells = 1) { m_skipped += cells; }
    void tooLarge(qint64 cells = 1) { m_tooLarge += cells; }

    Result result() const;

private:
    // Σ x² of the cells of one exposure longer than a minute.
    struct Longer {
        int minutes = 0;
        __int128 sumSquares = 0;
    };
    void addLonger(qint64 count, int minutes);

    qint64 m_n = 0;
    qint64 m_cells = 0;
    qint64 m_skipped = 0;
    qint64 m_tooLarge = 0;
    qint64 m_sum = 0;
    __int128 m_sumSquares = 0; // of the one-minute cells
    std::vector<Longer> m_longer;
    qint64 m_minCount = std::numeric_limits<qint64>::max(); // of the one-minute cells
    qint64 m_maxCount = std::numeric_limits<qint64>::min();
    double m_minRate = std::numeric_limits<double>::infinity(); // of the longer ones
    double m_maxRate = -std::numeric_limits<double>::infinity();
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/ChiSquare.h"
#include "stats/CountStats.h"
#include "stats/TableSelection.h"

#include "core/DayTable.h"

#include <gtest/gtest.h>

#include <cmath>

// Reference figures from the closed forms of the chi-square tail, computed
// apart from this code (Python's math module): for even k,
// Q = exp(-x/2) sum_{j<k/2} (x/2)^j / j!; for odd k, erfc(sqrt(x/2)) plus
// the same kind of terms; each term from lgamma, so ten years of minutes
// (k = 5 000 000) keep nine digits.
TEST(ChiSquare, MatchesClosedFormsFromSmallToTenYearsOfMinutes)
{
    struct Case {
        double x, k;
        bool lower; // compare P(X <= x), else P(X >= x)
        double expected;
        double tolerance;
    };
    const Case cases[] = {
        {1, 2, true, 0.3934693402873666, 1e-13},
        {5, 10, false, 0.8911780189141515, 1e-13},
        {3.84, 1, true, 0.9499564787512949, 1e-12},
        {7.815, 3, false, 0.04999390297488391, 1e-12},
        {1000, 1000, false, 0.4940528538291478, 1e-10},
        {1100, 1000, false, 0.014614408126291065, 1e-11},
        {900, 1000, true, 0.01071723809119518, 1e-11},
        {5010000, 5000000, false, 0.0007878101307652982, 1e-10},
        {4995000, 5000000, true, 0.05688697993054992, 1e-9},
    };
    for (const Case &c : cases) {
        const double got = c.lower ? ChiSquare::cdf(c.x, c.k) : ChiSquare::survival(c.x, c.k);
        EXPECT_NEAR(got, c.expected, c.tolerance) << "x=" << c.x << " k=" << c.k;
        EXPECT_NEAR(ChiSquare::cdf(c.x, c.k) + ChiSquare::survival(c.x, c.k), 1.0, 1e-12);
    }
    EXPECT_DOUBLE_EQ(ChiSquare::cdf(0, 4), 0.0);
    EXPECT_TRUE(std::isnan(ChiSquare::cdf(1, 0)));
    EXPECT_TRUE(std::isnan(ChiSquare::cdf(-1, 3)));
    // At the median (3.35669 for k = 4) both tails are one half.
    EXPECT_NEAR(ChiSquare::twoSided(3.356694, 4), 1.0, 1e-5);
}

// counts 3 5 7 5 10, by hand: sum 30, mean 6, squared deviations
// 9+1+1+1+16 = 28, s² = 7; D = 4·7/6 = 14/3 against χ²(4):
// Q = e^(-7/3)(1 + 7/3) = 0.3232398928813502, p = 2Q.
TEST(CountStats, FiguresOfASmallSelectionAndItsSkippedCells)
{
    DayTable table;
    table.fillTimeColumn();
    const char *texts[] = {"3", "5", "", "7", "x", "5", "10"};
    for (int i = 0; i < 7; ++i)
        table.setCell(2, 11 + i, QString::fromLatin1(texts[i]));
    table.setCell(3, 11, QStringLiteral("1000")); // outside the selection
    QMap<qint64, qint64> freq;
    // Row 0 and column 0 are in the block but are no data.
    const auto r = TableSelection::compute(table, {{0, 0, 2, 17}}, &freq);
    EXPECT_EQ(r.n, 5);
    EXPECT_EQ(r.skipped, 17 * 2 - 5); // columns 1 and 2, rows 1..17, less the counts
    EXPECT_EQ(r.sum, 30);
    EXPECT_EQ(r.min, 3);
    EXPECT_EQ(r.max, 10);
    EXPECT_DOUBLE_EQ(r.mean, 6.0);
    EXPECT_NEAR(r.sd, 2.6457513110645907, 1e-14);
    EXPECT_NEAR(r.sem, 1.1832159566199232, 1e-14);
    EXPECT_NEAR(r.dispersion, 7.0 / 6.0, 1e-14);
    EXPECT_NEAR(r.pPoisson, 0.6464797857627004, 1e-12);
    EXPECT_EQ(freq.value(5), 2);
    // Factor 120 cpm per µSv/h: 0.05 µSv/h; 30 counts = 0.25 µSv·min/h.
    EXPECT_DOUBLE_EQ(r.usvh(120), 0.05);
    EXPECT_NEAR(r.doseUsv(120), 30.0 / 120 / 60, 1e-15);

    CountStats none;
    EXPECT_TRUE(std::isnan(none.result().mean));
    CountStats one;
    one.add(4);
    EXPECT_DOUBLE_EQ(one.result().mean, 4.0);
    EXPECT_TRUE(std::isnan(one.result().sd));
    CountStats zeros;
    zeros.add(0);
    zeros.add(0);
    EXPECT_DOUBLE_EQ(zeros.result().sd, 0.0);
    EXPECT_TRUE(std::isnan(zeros.result().dispersion)); // 0/0
}

// Cells (3, 1 min), (5, 1 min), (12, 2 min), by hand: 20 pulses in 4
// minutes, λ = 5; Σ (x − mλ)²/m = 4 + 0 + 2 = 6, s² = 6/2 = 3; D = 6/5 = 1.2
// against χ²(2): P(X >= 1.2) = e^-0.6, P(X <= 1.2) = 1 − e^-0.6.
TEST(CountStats, ACellOfTwoMinutesIsOneCellOfTwiceTheExposure)
{
    CountStats s;
    s.add(3);
    s.add(5);
    s.add(12, 2);
    const auto r = s.result();
    EXPECT_EQ(r.n, 4);
    EXPECT_EQ(r.cells, 3);
    EXPECT_DOUBLE_EQ(r.mean, 5.0);
    EXPECT_NEAR(r.sd, std::sqrt(3.0), 1e-14);
    EXPECT_NEAR(r.sem, std::sqrt(3.0) / 2, 1e-14);
    EXPECT_NEAR(r.dispersion, 0.6, 1e-14);
    EXPECT_NEAR(r.pPoisson, 2 * (1 - std::exp(-0.6)), 1e-12);
    EXPECT_DOUBLE_EQ(r.max, 6.0);

    // A steady 15 cpm through the night the clocks go back in Berlin: the
    // repeated hour's cells hold 30 over two minutes, no dispersion at all.
    qputenv("TZ", "Europe/Berlin");
    DayTable table;
    table.fillTimeColumn();
    table.setColumnDate(1, QDate(2026, 10, 25));
    for (int row = 1; row <= DayTable::MinuteRows; ++row)
        table.setCell(1, row,
                      row > 120 && row <= 180 ? QStringLiteral("30") : QStringLiteral("15"));
    QMap<qint64, qint64> freq;
    const auto day = TableSelection::compute(table, {{1, 1, 1, 1440}}, &freq);
    EXPECT_EQ(day.n, 1500);
    EXPECT_DOUBLE_EQ(day.mean, 15.0);
    EXPECT_DOUBLE_EQ(day.dispersion, 0.0);
    EXPECT_EQ(freq, (QMap<qint64, qint64>{{15, 1380}}));
    qputenv("TZ", "Asia/Tokyo");
}

TEST(CountStats, HugeCountsLoseNoPrecision)
{
    // Two billion-sized counts a unit apart: variance 0.5 exactly, which a
    // naive double sum of squares would lose entirely.
    CountStats s;
    s.add(2000000000);
    s.add(2000000001);
    EXPECT_DOUBLE_EQ(s.result().sd * s.result().sd, 0.5);
}

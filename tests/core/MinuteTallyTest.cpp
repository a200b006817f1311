#include "core/MinuteTally.h"

#include <gtest/gtest.h>

namespace
{

QDateTime at(int h, int m, int s, int day = 7)
{
    return QDateTime(QDate(2026, 12, day), QTime(h, m, s));
}

// Feeds ticks and returns the rows tallied, with their spans.
std::vector<std::pair<int, int>> run(MinuteTally &tally, const std::vector<QDateTime> &ticks)
{
    std::vector<std::pair<int, int>> out;
    for (const QDateTime &t : ticks) {
        const auto d = tally.check(t);
        if (d.tally)
            out.emplace_back(d.row, d.spannedMinutes);
        tally.advance(t);
    }
    return out;
}

} // namespace

TEST(MinuteTally, TalliesOncePerMinuteEvenWhenTheZeroSecondIsMissed)
{
    MinuteTally tally;
    // First tick only sets the reference; a start at 10:20:30 tallies at 10:21.
    const auto rows = run(tally, {at(10, 20, 30), at(10, 20, 59), at(10, 21, 1), at(10, 21, 1),
                                  at(10, 21, 30), at(10, 22, 0), at(10, 22, 0)});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], std::make_pair(10 * 60 + 21 + 1, 1));
    EXPECT_EQ(rows[1], std::make_pair(10 * 60 + 22 + 1, 1));
}

TEST(MinuteTally, ChangeOfDayGoesToRowOne)
{
    MinuteTally tally;
    const auto rows = run(tally, {at(23, 59, 59, 7), at(0, 0, 0, 8)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].first, 1);
}

TEST(MinuteTally, LongGapTalliesOnceWithItsSpan)
{
    MinuteTally tally;
    const auto rows = run(tally, {at(10, 0, 30), at(12, 5, 3)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], std::make_pair(12 * 60 + 5 + 1, 125));
}

TEST(MinuteTally, PutOffTickStillTalliesLater)
{
    MinuteTally tally;
    tally.advance(at(10, 0, 59));
    EXPECT_TRUE(tally.check(at(10, 1, 0)).tally); // not advanced: put off
    const auto d = tally.check(at(10, 1, 5));
    EXPECT_TRUE(d.tally);
    EXPECT_EQ(d.row, 10 * 60 + 1 + 1);
    tally.advance(at(10, 1, 5));
    EXPECT_FALSE(tally.check(at(10, 1, 59)).tally);
}

TEST(MinuteTally, ClockSetBackStillTallies)
{
    MinuteTally tally;
    const auto rows = run(tally, {at(10, 30, 0), at(10, 29, 0)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], std::make_pair(10 * 60 + 29 + 1, 1));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/MinuteTally.h"

#include <QTimeZone>

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

TEST(MinuteTally, WallClockRowsRealMinuteSpansAndEachStepBackToldOnce)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    const auto local = [&](int month, int day, int utcH, int utcM) {
        return QDateTime(QDate(2026, month, day), QTime(utcH, utcM), QTimeZone::utc())
            .toTimeZone(berlin);
    };
    MinuteTally tally;
    // Fall-back: 2:59 CEST is followed by 2:00 CET one real minute later.
    tally.advance(local(10, 25, 0, 59));
    auto d = tally.check(local(10, 25, 1, 0));
    EXPECT_TRUE(d.tally);
    EXPECT_EQ(d.row, 2 * 60 + 1);
    EXPECT_EQ(d.spannedMinutes, 1);
    EXPECT_TRUE(d.clockWentBack);
    EXPECT_EQ(d.previous.time(), QTime(2, 59));
    tally.advance(local(10, 25, 1, 0));
    d = tally.check(local(10, 25, 1, 1)); // the repeated hour goes on forward
    EXPECT_EQ(d.row, 2 * 60 + 1 + 1);
    EXPECT_FALSE(d.clockWentBack);

    // Spring-forward: 1:59 CET is followed by 3:00 CEST one real minute later.
    tally.advance(local(3, 29, 0, 59));
    d = tally.check(local(3, 29, 1, 0));
    EXPECT_EQ(d.row, 3 * 60 + 1);
    EXPECT_EQ(d.spannedMinutes, 1);
    EXPECT_FALSE(d.clockWentBack);

    // A step back of a few seconds over a minute boundary, and one within a
    // minute (no tally, nothing to tell).
    tally.advance(at(21, 27, 1));
    d = tally.check(at(21, 26, 58));
    EXPECT_TRUE(d.tally && d.clockWentBack);
    EXPECT_EQ(d.row, 21 * 60 + 26 + 1);
    tally.advance(at(21, 26, 58));
    EXPECT_FALSE(tally.check(at(21, 26, 50)).tally);
}

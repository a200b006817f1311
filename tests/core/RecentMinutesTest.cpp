// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecentMinutes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

MinuteCount minuteAt(int minute, qint64 count, int minutes = 1)
{
    const QDateTime start(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    return {start.addSecs(60LL * minute), count, minutes};
}

} // namespace

TEST(RecentMinutes, MeansCoverTheWindowBeforeTheNewestTallyOnly)
{
    RecentMinutes recent(60);
    EXPECT_FALSE(recent.mean(10));
    for (int m = 1; m <= 12; ++m)
        recent.add(minuteAt(m, m == 12 ? 40 : 10));
    // Minutes 3..12: nine of 10 and one of 40.
    const auto mean = recent.mean(10);
    ASSERT_TRUE(mean);
    EXPECT_EQ(mean->pulses, 130);
    EXPECT_EQ(mean->minutes, 10);
    EXPECT_DOUBLE_EQ(mean->cpm, 13.0);
    EXPECT_DOUBLE_EQ(mean->sigma, std::sqrt(130.0) / 10);

    // A gap (a stopped measurement) is not filled with zeros, and a part
    // of a minute (the first tally after the start) is left out.
    MinuteCount part = minuteAt(29, 57);
    part.whole = false;
    recent.add(part);
    recent.add(minuteAt(30, 20));
    EXPECT_EQ(recent.mean(10)->minutes, 1);
    EXPECT_DOUBLE_EQ(recent.mean(10)->cpm, 20.0);
}

TEST(RecentMinutes, ATallyOfSeveralMinutesCountsItsRealLengthAndOldOnesAreDropped)
{
    RecentMinutes recent(5);
    recent.add(minuteAt(1, 10));
    recent.add(minuteAt(4, 90, 3));
    EXPECT_DOUBLE_EQ(recent.mean(10)->cpm, 25.0);
    recent.add(minuteAt(7, 5));
    // Beyond the capacity of five minutes, minute 1 is gone.
    EXPECT_EQ(recent.mean(60)->pulses, 95);
}

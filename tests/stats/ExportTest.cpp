// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/LogCommands.h"
#include "stats/ReadoutText.h"
#include "stats/StoredMinutes.h"
#include "stats/TidyExport.h"

#include "core/DayTable.h"
#include "core/TimeText.h"
#include "stats/TableSelection.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace
{

// Two measured days, newest first, as the minute tally leaves them.
void fillTwoDays(DayTable &t)
{
    t.fillTimeColumn();
    t.setCell(1, 0, QStringLiteral("12/07"));
    t.setColumnDate(1, QDate(2026, 12, 7));
    t.setCell(1, 2, QStringLiteral("27")); // 00:01
    t.setCell(1, 3, QStringLiteral("abc"));
    t.setCell(2, 0, QStringLiteral("12/06"));
    t.setColumnDate(2, QDate(2026, 12, 6));
    t.setCell(2, 1440, QStringLiteral("30")); // 23:59
    t.setCell(3, 0, QStringLiteral("xx"));
    t.setCell(3, 5, QStringLiteral("99")); // no date: left out
}

QByteArray exportOf(const DayTable &t, std::optional<double> factor, TidyExport::Result *r)
{
    QByteArray all;
    *r = TidyExport::write(t, factor, [&all](const QByteArray &b) {
        all += b;
        return true;
    });
    return all;
}

} // namespace

TEST(TidyExport, OldestFirstWithOffsetAndUsvh)
{
    qputenv("TZ", "Asia/Tokyo");
    DayTable t;
    fillTwoDays(t);
    TidyExport::Result r;
    EXPECT_EQ(exportOf(t, std::nullopt, &r),
              "time,cpm\n2026-12-06T23:59:00+09:00,30\n2026-12-07T00:01:00+09:00,27\n");
    EXPECT_EQ(r.rows, 2);
    EXPECT_EQ(r.undatedColumns, 1);
    EXPECT_EQ(exportOf(t, 120.0, &r), "time,cpm,usv_h\n2026-12-06T23:59:00+09:00,30,0.25\n"
                                      "2026-12-07T00:01:00+09:00,27,0.225\n");
    EXPECT_EQ(TimeText::utcOffset(-12600), QStringLiteral("-03:30"));
}

TEST(TidyExport, DaysTheClockChangesKeepTheirOwnOffsets)
{
    qputenv("TZ", "Europe/Berlin");
    // 2026-03-29: 02:00 CET becomes 03:00 CEST.
    EXPECT_EQ(TidyExport::timeText(QDate(2026, 3, 29), 60), "2026-03-29T01:00:00+01:00");
    EXPECT_EQ(TidyExport::timeText(QDate(2026, 3, 29), 4 * 60), "2026-03-29T04:00:00+02:00");
    // A skipped time keeps its wall time at the offset before the change;
    // a repeated one is the end of its second pass.
    EXPECT_EQ(TidyExport::timeText(QDate(2026, 3, 29), 150), "2026-03-29T02:30:00+01:00");
    EXPECT_EQ(TidyExport::timeText(QDate(2026, 10, 25), 150), "2026-10-25T02:30:00+01:00");
    const CellMinutes spring(QDate(2026, 3, 29));
    const CellMinutes autumn(QDate(2026, 10, 25));
    for (const auto &[minute, springMinutes, autumnMinutes] :
         {std::tuple{119, 1, 1}, {120, 0, 2}, {179, 0, 2}, {180, 1, 1}})
        EXPECT_EQ(std::pair(spring.minutes(minute), autumn.minutes(minute)),
                  std::pair(springMinutes, autumnMinutes))
            << minute;
    EXPECT_TRUE(CellMinutes(QDate(2026, 10, 20)).uniform());
    EXPECT_EQ(CellMinutes(QDate(2026, 10, 24)).minutes(1439), 1); // the change comes in reach
    // New York: 02:00 EDT becomes 01:00 EST.
    qputenv("TZ", "America/New_York");
    const CellMinutes newYork(QDate(2026, 11, 1));
    EXPECT_EQ(newYork.minutes(59), 1);
    EXPECT_EQ(newYork.minutes(60), 2);
    EXPECT_EQ(newYork.offset(60), -5 * 3600);
    EXPECT_EQ(newYork.minutes(120), 1);
    qputenv("TZ", "Asia/Tokyo");
}

// Counts above 31 bits are counts; beyond MaxCount they are told, not lost.
TEST(StoredMinutes, CountsAboveThirtyOneBitsAreTakenOrReported)
{
    qputenv("TZ", "Asia/Tokyo");
    DayTable t;
    fillTwoDays(t);
    t.setCell(1, 10, QStringLiteral("3000000000"));
    t.setCell(1, 11, QStringLiteral("12345678901234"));
    TidyExport::Result r;
    EXPECT_TRUE(exportOf(t, std::nullopt, &r).contains("T00:09:00+09:00,3000000000\n"));
    EXPECT_EQ(r.rows, 3);
    EXPECT_EQ(r.tooLarge, 1);
    const auto s = TableSelection::compute(t, {{1, 1, 1, 1440}});
    EXPECT_EQ(s.n, 2);
    EXPECT_EQ(s.sum, 3000000027);
    EXPECT_EQ(s.tooLarge, 1);
}

TEST(StoredMinutes, SpanIsInclusiveAndStatsTextHasEveryKey)
{
    qputenv("TZ", "Asia/Tokyo");
    DayTable t;
    fillTwoDays(t);
    EXPECT_FALSE(StoredMinutes::parseMinute(QStringLiteral("2026-12-07 00:01")));
    EXPECT_FALSE(StoredMinutes::parseMinute(QStringLiteral("2026-02-30T00:01")));
    StoredMinutes::Span span{StoredMinutes::parseMinute(QStringLiteral("2026-12-06T23:59")),
                             StoredMinutes::parseMinute(QStringLiteral("2026-12-07T00:01"))};
    CountStats stats;
    StoredMinutes::Visit visit;
    visit.count = [&stats](const StoredMinutes::Minute &, qint64 c, const CellMinutes &) {
        stats.add(c);
    };
    visit.skipped = [&stats](qint64 n) { stats.skip(n); };
    StoredMinutes::visit(t, span, visit);
    const auto r = stats.result();
    EXPECT_EQ(r.n, 2);
    EXPECT_EQ(r.skipped, 1); // 00:00 of 12/07 is empty
    EXPECT_EQ(LogCommands::statsText(r, 100.0),
              QStringLiteral("n=2\nsum=57\nmean=28.5\nsd=2.121320344\nsem=1.5\nmin=27\nmax=30\n"
                             "dispersion=0.1578947368\np_poisson=0.6177955523\nskipped=1\n"
                             "usv_h=0.285\nusv_h_sem=0.015\ndose_usv=0.0095\n"));
}

TEST(ReadoutText, DashesUntilTheFirstTallyAndNoDoseWithoutFactor)
{
    RecentMinutes recent;
    EXPECT_EQ(ReadoutText::format(recent, 150.0), QStringLiteral("直近1分 —\n10分平均 —"));
    const QDateTime t0(QDate(2026, 12, 7), QTime(10, 0));
    for (int i = 0; i < 10; ++i)
        recent.add({t0.addSecs(60 * i), i == 9 ? 40 : 20, 1});
    // 220 pulses in 10 minutes: 22.0 ± sqrt(220)/10 = 1.48.
    EXPECT_EQ(ReadoutText::format(recent, std::nullopt),
              QStringLiteral("直近1分 40 cpm\n10分平均 22.0±1.5 cpm"));
    EXPECT_EQ(ReadoutText::format(recent, 200.0),
              QStringLiteral("直近1分 40 cpm (0.200 µSv/h)\n10分平均 22.0±1.5 cpm "
                             "(0.110±0.007 µSv/h)"));
}

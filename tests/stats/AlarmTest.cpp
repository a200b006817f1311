// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/Alarm.h"
#include "stats/AlarmSettings.h"

#include "logfile/IniFile.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace
{

MinuteCount minute(int i, qint64 count)
{
    return {QDateTime(QDate(2026, 12, 7), QTime(10, 0)).addSecs(60LL * i), count, 1};
}

} // namespace

TEST(Alarm, OncePerCrossingWithHysteresisAndAFullWindowFirst)
{
    Alarm alarm;
    alarm.setThreshold(50);
    alarm.setMinutes(10);
    // Rearm below 50 - max(2·sqrt(5), 2.5) = 45.5279...
    EXPECT_NEAR(alarm.rearmLevel(), 50 - 2 * std::sqrt(5.0), 1e-12);
    QSignalSpy crossed(&alarm, &Alarm::crossed);
    int i = 0;
    for (; i < 9; ++i)
        alarm.add(minute(i, 100)); // window not yet full
    EXPECT_EQ(crossed.count(), 0);
    alarm.add(minute(i++, 100));
    ASSERT_EQ(crossed.count(), 1);
    EXPECT_EQ(crossed[0][0].toDouble(), 100.0);
    EXPECT_TRUE(crossed[0][2].toBool());
    // Hovering between the rearm level and the threshold: nothing more.
    for (int k = 0; k < 30; ++k)
        alarm.add(minute(i++, 47));
    EXPECT_EQ(crossed.count(), 1);
    for (int k = 0; k < 10; ++k)
        alarm.add(minute(i++, 30));
    ASSERT_EQ(crossed.count(), 2);
    EXPECT_FALSE(crossed[1][2].toBool());
    for (int k = 0; k < 10; ++k)
        alarm.add(minute(i++, 60));
    EXPECT_EQ(crossed.count(), 3);
    alarm.setThreshold(std::nullopt);
    alarm.add(minute(i++, 1000));
    EXPECT_EQ(crossed.count(), 3);
}

TEST(AlarmSettings, UnitsFactorAndBadValues)
{
    AlarmSettings s;
    EXPECT_FALSE(s.thresholdCpm(100.0));
    EXPECT_TRUE(s.set(QStringLiteral("0.3"), AlarmSettings::Unit::Usvh, 10).isEmpty());
    EXPECT_FALSE(s.thresholdCpm(std::nullopt)); // µSv/h without a factor: off
    EXPECT_DOUBLE_EQ(*s.thresholdCpm(150.0), 45.0);
    EXPECT_FALSE(s.set(QStringLiteral("-1"), AlarmSettings::Unit::Cpm, 10).isEmpty());
    EXPECT_FALSE(s.set(QStringLiteral("50"), AlarmSettings::Unit::Cpm, 0).isEmpty());
    EXPECT_EQ(*s.threshold(), 0.3); // the old value stays

    IniFile ini;
    s.writeSettings(ini);
    AlarmSettings back;
    back.readSettings(ini);
    EXPECT_EQ(*back.threshold(), 0.3);
    EXPECT_EQ(back.unit(), AlarmSettings::Unit::Usvh);
    back.readSettings(IniFile::fromBytes("[Alarm]\r\nThreshold=abc\r\nMinutes=999\r\n"));
    EXPECT_FALSE(back.threshold());
    EXPECT_EQ(back.minutes(), 10);
}

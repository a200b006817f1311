// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TimeText.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(TimeText, FixedFormatsWhateverTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(TimeText::time(QTime(0, 0, 0)), QStringLiteral("0:00:00"));
    EXPECT_EQ(TimeText::time(QTime(9, 5, 0)), QStringLiteral("9:05:00"));
    EXPECT_EQ(TimeText::time(QTime(23, 59, 59)), QStringLiteral("23:59:59"));
    EXPECT_EQ(TimeText::date(QDate(2011, 9, 18)), QStringLiteral("2011/09/18"));
    EXPECT_EQ(TimeText::dayHeader(QDate(2011, 9, 18)), QStringLiteral("09/18"));
    QLocale::setDefault(QLocale::c());
}

TEST(TimeText, RowsAndMinutes)
{
    EXPECT_EQ(TimeText::rowTime(1), QStringLiteral("0:00:00"));
    EXPECT_EQ(TimeText::rowTime(1440), QStringLiteral("23:59:00"));
    EXPECT_EQ(TimeText::rowOf(QTime(0, 0, 0)), 1);
    EXPECT_EQ(TimeText::rowOf(QTime(23, 59, 1)), 1440);
    for (int r = 1; r <= 1440; ++r)
        ASSERT_EQ(
            TimeText::rowOf(QTime::fromString(TimeText::rowTime(r), QStringLiteral("H:mm:ss"))), r);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ErrorText.h"

#include <gtest/gtest.h>

TEST(ErrorText, AFullStopOnlyWhereTheTextHasNone)
{
    const auto stop = [](const QString &t) { return ErrorText::withFullStop(t).toStdString(); };
    EXPECT_EQ(stop(QStringLiteral("disk full")), "disk full.");
    EXPECT_EQ(stop(QStringLiteral("error 28")), "error 28.");
    EXPECT_EQ(stop(QStringLiteral("ディレクトリを作成できません")), "ディレクトリを作成できません.");
    EXPECT_EQ(stop(QStringLiteral("続けます。")), "続けます。");
    EXPECT_EQ(stop(QStringLiteral("開けません (0600)")), "開けません (0600)");
    EXPECT_EQ(stop(QStringLiteral("done.")), "done.");
    EXPECT_EQ(stop(QString()), "");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/SettingsRules.h"

#include "tests/common/LayoutSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <unistd.h>

namespace
{

const SettingsRules::Layout Window{
    .clientWidth = 900, .gridLeft = 10, .minGridWidth = 120, .minChartWidth = 200};

// A boundary that fits Window: grid 10..400, chart 410..900, arrows between.
Settings fitting()
{
    return layoutSettings(
        {.gridWidth = 390, .chartLeft = 410, .chartWidth = 490, .leftArrow = 380, .rightArrow = 400});
}

} // namespace

TEST(SettingsRules, TheLayoutIsTakenOnlyWhenEveryValueFits)
{
    EXPECT_TRUE(SettingsRules::layoutFits(fitting(), Window));
    Settings edge = fitting();
    edge.chart1Width = 498; // the chart may reach 8 pixels into the border
    EXPECT_TRUE(SettingsRules::layoutFits(edge, Window));

    const auto breaks = [](auto change) {
        Settings s = fitting();
        change(s);
        return !SettingsRules::layoutFits(s, Window);
    };
    EXPECT_TRUE(breaks([](Settings &s) { s.stringGrid1Width = 119; }));
    EXPECT_TRUE(breaks([](Settings &s) { s.chart1Width = 199; }));
    EXPECT_TRUE(breaks([](Settings &s) { s.chart1Left = 129; })); // over the narrowest grid
    EXPECT_TRUE(breaks([](Settings &s) { s.chart1Width = 499; }));
    EXPECT_TRUE(breaks([](Settings &s) { s.buttonMoveToLeftLeft = -1; }));
    EXPECT_TRUE(breaks([](Settings &s) { s.buttonMoveToRightLeft = 900; }));
    EXPECT_TRUE(breaks([](Settings &s) { s = Settings(); })); // all zero: a damaged file
}

TEST(SettingsRules, TheWindowStaysWithinTheScreenWithItsTitleBarOnIt)
{
    const QRect screen(0, 0, 1280, 1024);
    const QMargins frame(4, 30, 4, 4);
    const QSize minimum(600, 400);
    const auto place = [&](int left, int top, int width, int height) {
        Settings s;
        s.formLeft = left;
        s.formTop = top;
        s.formWidth = width;
        s.formHeight = height;
        return SettingsRules::windowGeometry(s, frame, minimum, screen);
    };
    // The file holds the outer size: the frame is taken off.
    EXPECT_EQ(place(100, 50, 1008, 734), QRect(100, 50, 1000, 700));
    // The frame, title bar included, fits the screen; the minimum gives way
    // only to a smaller screen.
    EXPECT_EQ(place(0, 0, 10, -5).size(), minimum);
    EXPECT_EQ(place(0, 0, 99999, 99999), QRect(QPoint(0, 0), screen.size().shrunkBy(frame)));
    EXPECT_EQ(SettingsRules::windowGeometry(Settings(), frame, QSize(2000, 1500), screen).size(),
              screen.size().shrunkBy(frame));
    // A larger screen's session on a 1024x768 one: all of it on the screen.
    EXPECT_EQ(SettingsRules::windowGeometry(Settings{.formLeft = 0, .formTop = 0, .formWidth = 1280, .formHeight = 1020},
                                            frame, minimum, QRect(0, 0, 1024, 768)),
              QRect(0, 0, 1016, 734));
    // Partly or wholly off the screen moves the least onto it.
    EXPECT_EQ(place(-500, 1000, 1008, 734).topLeft(), QPoint(0, 1024 - 734));
    EXPECT_EQ(place(-1, -20, 1008, 734).topLeft(), screen.topLeft());
    EXPECT_EQ(place(500, 10, 1008, 734).topLeft(), QPoint(1280 - 1008, 10));
    EXPECT_EQ(SettingsRules::fitFrame(QRect(-1, -20, 2000, 500), screen), QRect(0, 0, 1280, 500));
}

TEST(SettingsRules, TheWritabilityProbeLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("torvale.ini"));
    EXPECT_TRUE(SettingsRules::canWrite(file));
    // A missing folder is made, as the write would make it.
    EXPECT_TRUE(SettingsRules::canWrite(dir.filePath(QStringLiteral("a/b/torvale.ini"))));
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("a/b"))).isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("a")});

    // A read-only file stays as it is, for root too; so does a folder below a file.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(f.setPermissions(QFile::ReadOwner));
    EXPECT_FALSE(SettingsRules::canWrite(file));
    EXPECT_FALSE(SettingsRules::canWrite(file + QStringLiteral("/torvale.ini")));

    if (::geteuid() != 0) { // root writes into any folder
        const QString locked = dir.filePath(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkdir(locked));
        ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        EXPECT_FALSE(SettingsRules::canWrite(locked + QStringLiteral("/torvale.ini")));
    }
}

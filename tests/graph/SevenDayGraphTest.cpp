// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/SevenDayGraph.h"

#include "core/DayTable.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace
{

QString num(int v)
{
    return QString::number(v);
}

// A table as the program has it: time column and headers filled.
class SevenDayGraphTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        table.fillTimeColumn();
        for (int c = 1; c < table.colCount(); ++c)
            table.setCell(c, 0, QStringLiteral("09/%1").arg(20 - c));
    }

    QList<double> ys(const GraphData &d, int series) const
    {
        QList<double> out;
        for (const QPointF &p : d.points[series])
            out.append(p.y());
        return out;
    }

    DayTable table;
};

TEST_F(SevenDayGraphTest, EmptyTableGivesSevenEmptySeriesAndMaximum50)
{
    const GraphData d = SevenDayGraph::build(table, false);
    for (const auto &points : d.points)
        EXPECT_TRUE(points.isEmpty());
    EXPECT_EQ(d.leftMax, 50.0);
    EXPECT_FALSE(d.error.has_value());
}

TEST_F(SevenDayGraphTest, MaximumRisesOnlyAboveOneOverTheTop)
{
    table.setCell(1, 10, num(51));
    EXPECT_EQ(SevenDayGraph::build(table, false).leftMax, 50.0);
    table.setCell(1, 10, num(52));
    EXPECT_EQ(SevenDayGraph::build(table, false).leftMax, 53.0);
}

TEST_F(SevenDayGraphTest, MaximumDependsOnTheOrderCountsAreMet)
{
    // Later row: 60 sets 61, then 62 is not above 61 + 1.
    table.setCell(1, 10, num(60));
    table.setCell(1, 11, num(62));
    EXPECT_EQ(SevenDayGraph::build(table, false).leftMax, 61.0);

    table.setCell(1, 10, num(62));
    table.setCell(1, 11, num(60));
    EXPECT_EQ(SevenDayGraph::build(table, false).leftMax, 63.0);

    // Within one row today comes first, then the older days.
    DayTable row;
    row.setCell(1, 5, num(60));
    row.setCell(4, 5, num(62));
    EXPECT_EQ(SevenDayGraph::build(row, false).leftMax, 61.0);
    row.setCell(1, 5, num(62));
    row.setCell(4, 5, num(60));
    EXPECT_EQ(SevenDayGraph::build(row, false).leftMax, 63.0);
}

TEST_F(SevenDayGraphTest, MaximumStartsOverAtEveryRebuild)
{
    table.setCell(2, 100, num(500));
    EXPECT_EQ(SevenDayGraph::build(table, false).leftMax, 501.0);
    table.setCell(2, 100, num(20));
    EXPECT_EQ(SevenDayGraph::build(table, false).leftMax, 50.0);
}

TEST_F(SevenDayGraphTest, TodayOnlyDrawsColumnOneAndScalesByItAlone)
{
    for (int r = 1; r <= 3; ++r) {
        table.setCell(1, r, num(10 + r));
        for (int c = 2; c <= 7; ++c)
            table.setCell(c, r, num(100 * c));
    }
    const GraphData d = SevenDayGraph::build(table, true);
    EXPECT_EQ(ys(d, 0), (QList<double>{11, 12, 13}));
    for (int s = 1; s < 7; ++s)
        EXPECT_TRUE(d.points[s].isEmpty()) << s;
    EXPECT_EQ(d.leftMax, 50.0);

    const GraphData all = SevenDayGraph::build(table, false);
    for (int s = 1; s < 7; ++s)
        EXPECT_EQ(all.points[s].size(), 3) << s;
    EXPECT_EQ(all.leftMax, 701.0);
}

TEST_F(SevenDayGraphTest, RowRIsDrawnAtRDividedBy60)
{
    table.setCell(1, 1, num(5));
    table.setCell(1, 1440, num(7));
    const GraphData d = SevenDayGraph::build(table, false);
    ASSERT_EQ(d.points[0].size(), 2);
    EXPECT_DOUBLE_EQ(d.points[0][0].x(), 1.0 / 60);
    EXPECT_EQ(d.points[0][0].y(), 5.0);
    EXPECT_EQ(d.points[0][1].x(), 24.0);
    EXPECT_EQ(d.points[0][1].y(), 7.0);
}

TEST_F(SevenDayGraphTest, EmptyCellsAddNoPointsAndColumnsMapToSeries)
{
    for (int r : {1, 2, 600, 601})
        table.setCell(5, r, num(r % 50));
    const GraphData d = SevenDayGraph::build(table, false);
    ASSERT_EQ(d.points[4].size(), 4);
    EXPECT_EQ(d.points[4][2], QPointF(10.0, 0));
    for (int s : {0, 1, 2, 3, 5, 6})
        EXPECT_TRUE(d.points[s].isEmpty()) << s;
}

TEST_F(SevenDayGraphTest, BlankCellStopsTheRebuildAndKeepsWhatCameBefore)
{
    for (int r = 1; r <= 10; ++r)
        for (int c = 1; c <= 7; ++c)
            table.setCell(c, r, num(r));
    table.setCell(1, 2, num(70)); // raises the maximum to 71 before the failure
    table.setCell(3, 5, QStringLiteral(" "));

    const GraphData d = SevenDayGraph::build(table, false);
    ASSERT_TRUE(d.error.has_value());
    EXPECT_EQ(d.error->column, 3);
    EXPECT_EQ(d.error->row, 5);
    EXPECT_EQ(d.error->text, QStringLiteral(" "));
    EXPECT_EQ(d.error->message, QStringLiteral("' ' は整数ではありません"));
    EXPECT_EQ(d.points[0].size(), 5);
    EXPECT_EQ(d.points[1].size(), 5);
    for (int s = 2; s < 7; ++s)
        EXPECT_EQ(d.points[s].size(), 4) << s;
    EXPECT_EQ(d.leftMax, 71.0);

    // Same failure at the next rebuild; gone once the cell is overwritten.
    EXPECT_EQ(SevenDayGraph::build(table, false).error, d.error);
    table.setCell(3, 5, num(3));
    EXPECT_FALSE(SevenDayGraph::build(table, false).error.has_value());
}

TEST_F(SevenDayGraphTest, TodayOnlyNeverMeetsAFailingOlderColumn)
{
    table.setCell(1, 1, num(4));
    table.setCell(2, 1, QStringLiteral("abc"));
    EXPECT_FALSE(SevenDayGraph::build(table, true).error.has_value());
    EXPECT_TRUE(SevenDayGraph::build(table, false).error.has_value());
}

TEST_F(SevenDayGraphTest, TextOutsideTheDrawnCellsNeverDisturbs)
{
    table.setCell(1, 0, QStringLiteral("not a number"));
    table.setCell(8, 7, QStringLiteral("abc"));
    table.setCell(9, 1, QStringLiteral(" "));
    table.setCell(1, 7, num(9));
    const GraphData d = SevenDayGraph::build(table, false);
    EXPECT_FALSE(d.error.has_value());
    EXPECT_EQ(ys(d, 0), QList<double>{9});
}

TEST_F(SevenDayGraphTest, CellsGoThroughTheFullConversion)
{
    const struct {
        const char16_t *text;
        double y;
    } cells[] = {{u" 12", 12}, {u"$20", 32}, {u"-3", -3}, {u"0012", 12}, {u"+5", 5}, {u"0x10", 16}};
    int r = 1;
    for (const auto &c : cells)
        table.setCell(2, r++, QString::fromUtf16(c.text));
    table.setCell(2, r, QStringLiteral("2147483647"));
    const GraphData d = SevenDayGraph::build(table, false);
    ASSERT_FALSE(d.error.has_value());
    EXPECT_EQ(ys(d, 1), (QList<double>{12, 32, -3, 12, 5, 16, 2147483647.0}));
    EXPECT_EQ(d.leftMax, 2147483648.0);
}

TEST_F(SevenDayGraphTest, RefusedFormsFailWithTheirText)
{
    for (const char16_t *text : {u"1 ", u"1.5", u"1,000", u"2147483648", u"x10", u"\t1"}) {
        table.setCell(4, 20, QString::fromUtf16(text));
        const GraphData d = SevenDayGraph::build(table, false);
        ASSERT_TRUE(d.error.has_value()) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(d.error->text, QString::fromUtf16(text));
        EXPECT_EQ((d.error->column), 4);
        EXPECT_EQ((d.error->row), 20);
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/GmChartView.h"

#include "core/DayTable.h"

#include <QChart>
#include <QCoreApplication>
#include <QFontInfo>
#include <QImage>
#include <QLineSeries>
#include <QSignalSpy>
#include <QValueAxis>

#include <gtest/gtest.h>

namespace
{

const QColor seriesColours[] = {{128, 0, 0}, {255, 0, 0}, {255, 128, 64}, {217, 217, 0},
                                {0, 128, 0}, {0, 0, 255}, {255, 0, 255}};
const char16_t *seriesTitles[] = {u"本日",   u"１日前", u"２日前", u"３日前",
                                  u"４日前", u"５日前", u"６日前"};

QImage render(GmChartView &view)
{
    QCoreApplication::processEvents();
    return view.grab().toImage();
}

// Antialiased text blends into the background: count pixels clearly bluish.
int countBluish(const QImage &image, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.blue() > c.red() + 80 && c.blue() > c.green() + 80;
        }
    return n;
}

int countColour(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

TEST(GmChartView, StartsWithTheFixedAppearanceAndNoLines)
{
    GmChartView view;
    EXPECT_EQ(view.objectName(), QStringLiteral("Chart1"));
    EXPECT_EQ(view.size(), QSize(674, 659));
    EXPECT_EQ(view.title(), QStringLiteral("GM管からのパルスのグラフ                          "));
    EXPECT_EQ(view.title().size(), 13 + 26);

    EXPECT_EQ(view.axisX()->min(), 0.0);
    EXPECT_EQ(view.axisX()->max(), 24.0);
    EXPECT_EQ(view.axisY()->min(), 0.0);
    EXPECT_EQ(view.leftMax(), 20.0);
    EXPECT_EQ(view.axisX()->titleText(), QStringLiteral("測定時刻"));
    EXPECT_EQ(view.axisY()->titleText(), QStringLiteral("カウント数(単位はcpm)"));
    EXPECT_EQ(view.axisX()->gridLinePen().color(), QColor(Qt::black));
    EXPECT_EQ(view.axisX()->minorGridLinePen().color(), QColor(192, 192, 192));
    EXPECT_TRUE(view.axisX()->isMinorGridLineVisible());
    EXPECT_EQ(view.axisX()->minorTickCount(), 5);
    EXPECT_EQ(view.axisY()->gridLinePen().color(), QColor(128, 128, 128));
    EXPECT_FALSE(view.axisY()->isMinorGridLineVisible());
    EXPECT_EQ(view.axisY()->minorTickCount(), 3);
    EXPECT_EQ(view.axisX()->labelsFont().pixelSize(), 12);
    EXPECT_EQ(view.axisX()->titleFont().pixelSize(), 12);
    EXPECT_EQ(view.axisY()->titleFont().pixelSize(), 15);
    EXPECT_EQ(QFontInfo(view.axisY()->labelsFont()).family(), QStringLiteral("IPAPMincho"));
    EXPECT_GE(view.axisY()->tickInterval(), 1.0);

    const QList<QAbstractSeries *> all = view.chart()->series();
    ASSERT_EQ(all.size(), 7);
    for (int i = 0; i < 7; ++i) {
        QLineSeries *s = view.series(i);
        EXPECT_EQ(all.at(i), s);
        EXPECT_EQ(s->name(), QString::fromUtf16(seriesTitles[i]));
        EXPECT_EQ(s->pen().color(), seriesColours[i]) << i;
        EXPECT_EQ(s->pen().widthF(), 2.0);
        EXPECT_EQ(s->count(), 0);
    }
    EXPECT_EQ(view.chart()->margins(), QMargins(0, 0, 7, 7));
}

TEST(GmChartView, TitleLegendAndPlotAreaArePlacedAsLaidDown)
{
    GmChartView view;
    const QRectF title = view.titleRect();
    const QRectF legend = view.legendRect();
    const QRectF plot = view.plotArea();
    const double content = 674 - 7;

    // The trailing blanks are part of the centred width.
    EXPECT_NEAR(title.center().x(), content / 2, 1.0);
    EXPECT_NEAR(plot.top(), title.bottom() + 0.04 * 659, 1.0);
    EXPECT_NEAR(legend.top(), title.bottom(), 0.5);
    EXPECT_GT(legend.bottom(), title.bottom());
    const double free = content - legend.width();
    EXPECT_NEAR(legend.left(), free / 2 + 0.13 * free, 1.0);
    EXPECT_LE(legend.right(), content);
    EXPECT_LE(plot.right(), content);
    EXPECT_LE(plot.bottom(), 659 - 7);

    // Drawn: a white legend box with a sample of each colour in it.
    const QImage image = render(view);
    const QRect box = legend.toRect().adjusted(2, 2, -2, -2);
    EXPECT_GT(countColour(image, box, Qt::white), box.width() * box.height() / 3);
    for (const QColor &c : seriesColours)
        EXPECT_GT(countColour(image, box, c), 20) << c.name().toStdString();
    EXPECT_GT(countBluish(image, title.toRect()), 100);
}

TEST(GmChartView, NarrowingKeepsTheRanges)
{
    GmChartView view;
    const double plotTop = view.plotArea().top();
    view.resize(300, 659);
    render(view); // a hidden view takes its new size when drawn
    // The legend wraps into more rows and lies over the plot; the plot
    // keeps its place below the title.
    EXPECT_GT(view.legendRect().bottom(), plotTop);
    EXPECT_EQ(view.plotArea().top(), plotTop);
    EXPECT_EQ(view.axisX()->max(), 24.0);
    EXPECT_EQ(view.leftMax(), 20.0);
    EXPECT_LE(view.plotArea().right(), 300.0);
    EXPECT_LE(view.legendRect().right(), 300.0);
}

TEST(GmChartView, ApplyReplacesPointsAndLeftMaximumOnly)
{
    GmChartView view;
    GraphData d;
    d.points[0] = {{1.0, 10}, {2.0, 12}};
    d.points[6] = {{3.0, 4}};
    d.leftMax = 61;
    view.apply(d);
    EXPECT_EQ(view.series(0)->points(), d.points[0]);
    EXPECT_EQ(view.series(6)->count(), 1);
    EXPECT_EQ(view.leftMax(), 61.0);
    EXPECT_EQ(view.axisY()->min(), 0.0);
    EXPECT_EQ(view.axisX()->min(), 0.0);
    EXPECT_EQ(view.axisX()->max(), 24.0);

    view.apply(GraphData{});
    EXPECT_EQ(view.series(0)->count(), 0);
    EXPECT_EQ(view.leftMax(), 50.0);

    // A maximum not above the minimum is refused.
    GraphData bad;
    bad.leftMax = 0;
    view.apply(bad);
    EXPECT_EQ(view.leftMax(), 50.0);
    EXPECT_EQ(view.axisY()->min(), 0.0);
}

// A tally adds one point to today's line: only that series is touched, by
// one point, and the others are left alone (Qt Charts lays out a touched
// series anew); any other change replaces the series.
TEST(GmChartView, ApplyTouchesOnlyTheSeriesThatChanged)
{
    GmChartView view;
    GraphData d;
    d.points[0] = {{1.0, 10}};
    d.points[3] = {{3.0, 4}};
    view.apply(d);
    QSignalSpy added(view.series(0), &QXYSeries::pointAdded);
    QSignalSpy replacedToday(view.series(0), &QXYSeries::pointsReplaced);
    QSignalSpy replacedOld(view.series(3), &QXYSeries::pointsReplaced);
    d.points[0].append({2.0, 70});
    d.leftMax = 71;
    view.apply(d);
    EXPECT_EQ(view.series(0)->points(), d.points[0]);
    EXPECT_EQ(added.count(), 1);
    EXPECT_EQ(replacedToday.count() + replacedOld.count(), 0);
    EXPECT_EQ(view.leftMax(), 71.0);

    d.points[0][0].setY(11);
    view.apply(d);
    EXPECT_EQ(view.series(0)->points(), d.points[0]);
    EXPECT_EQ(replacedToday.count(), 1);
    EXPECT_EQ(replacedOld.count(), 0);

    view.setTouchAll(true);
    view.apply(d);
    EXPECT_EQ(replacedOld.count(), 1);
}

TEST(GmChartView, AHugeMaximumKeepsTheLabelsFew)
{
    // Qt Charts makes one label per step at once; a step that stayed at the
    // small maximum's would make tens of thousands and freeze the window.
    GmChartView view;
    view.resize(674, 659);
    render(view);
    for (double max : {57601.0, 2147483648.0, 53.0, 100001.0}) {
        GraphData d;
        d.leftMax = max;
        view.apply(d);
        EXPECT_EQ(view.leftMax(), max);
        EXPECT_GE(view.axisY()->tickInterval(), 1.0);
        EXPECT_LE(max / view.axisY()->tickInterval(), 100.0) << max;
    }
}

TEST(GmChartView, DrawShowsPointsBeforeAFailingCellAndReturnsIt)
{
    DayTable table;
    table.setCell(1, 60, QStringLiteral("25"));
    table.setCell(2, 60, QStringLiteral("30"));
    table.setCell(3, 60, QStringLiteral("3.5"));
    GmChartView view;
    const auto error = view.draw(table, false);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->column, 3);
    EXPECT_EQ(error->message, QStringLiteral("'3.5' は整数ではありません"));
    EXPECT_EQ(view.series(0)->points(), (QList<QPointF>{{1.0, 25}}));
    EXPECT_EQ(view.series(1)->count(), 1);
    EXPECT_EQ(view.leftMax(), 50.0);
    EXPECT_FALSE(view.draw(table, true).has_value());
}

TEST(GmChartView, LinesAreClippedAtThePlotArea)
{
    GmChartView view;
    GraphData d;
    // Today runs flat at 25 from 2 h to 10 h and jumps to 500 at 12 h.
    d.points[0] = {{2.0, 25}, {10.0, 25}, {12.0, 500}};
    view.apply(d);
    const QImage image = render(view);
    const QRectF plot = view.plotArea();
    const QColor maroon(128, 0, 0);
    const int y = qRound(plot.bottom() - 25.0 / 50.0 * plot.height());
    const int x = qRound(plot.left() + 6.0 / 24.0 * plot.width());
    EXPECT_GT(countColour(image, QRect(x - 2, y - 3, 5, 7), maroon), 0);
    // Nothing of the line above the plot (the legend lies there, so look
    // left of it), nor left of 2 h.
    EXPECT_EQ(countColour(image, QRect(0, 0, int(plot.right()), int(plot.top()) - 1), maroon) -
                  countColour(image, view.legendRect().toRect(), maroon),
              0);
    const int x2 = qRound(plot.left() + 2.0 / 24.0 * plot.width());
    EXPECT_EQ(countColour(image, QRect(int(plot.left()) + 2, y - 3, x2 - int(plot.left()) - 4, 7),
                          maroon),
              0);
}

} // namespace

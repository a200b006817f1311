// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "graph/SevenDayGraph.h"

#include <QChartView>
#include <QFont>
#include <QRectF>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class DayTable;
class QLineSeries;
class QValueAxis;

// The chart panel "Chart1": seven counts-per-minute polylines over the 24
// hours of a day, today and the six measured days before it.
//
// Its appearance is fixed at construction; afterwards only the points of the
// seven series and the left-axis maximum change (apply()), plus the panel's
// size.  Both axes keep their ranges whatever the points are: bottom 0..24
// hours, left 0..max with max 20 until the first rebuild.  Points outside the
// ranges are clipped at the plot area.
//
// Qt Charts draws the series, the grid lines, the axis labels and the axis
// titles, inside a plot area this view places itself (setPlotArea): the plot
// starts 4 % of the panel height below the title, and there is 1 % of margin
// on the right and at the bottom.  Four elements Qt Charts cannot draw as
// wanted are painted by the view over the chart (drawForeground):
//   - the title, because Qt Charts renders titles as HTML, which drops the
//     trailing blanks that belong to it and shift the words left of centre;
//   - the legend, because Qt Charts' markers have a fixed size: here each
//     colour sample is as wide as the longest entry text plus 4 pixels, and
//     the legend lies over the plot instead of shrinking it, shifted right of
//     centre by 13 % of the free width beside it;
//   - the axis lines (black, 2 px), because Qt Charts ties the tick marks to
//     the axis line: the bottom axis has no ticks at all; with them the thin
//     black frame of the plot area, which Qt Charts would paint under the
//     grid lines, where the top grid line hides it;
//   - the left axis's tick marks: silver 4 px at each label, three grey 2 px
//     minor ticks between labels (Qt Charts would draw minor grid lines).
// Label steps are chosen from the plot size: whole hours dividing 24 on the
// bottom axis, 1/2/5 x 10^n counts on the left axis.
//
// Fonts: IPA P Mincho (the nearest match of the proportional Mincho the
// layout names), sizes in pixels.
//
// GUI thread only.
class GmChartView : public QChartView
{
    Q_OBJECT
public:
    static constexpr int SeriesCount = SevenDayGraph::SeriesCount;
    static constexpr double InitialLeftMax = 20.0;

    explicit GmChartView(QWidget *parent = nullptr);

    // Gives each series its points and sets the left-axis maximum.  Only a
    // series whose points changed is touched (one point more is appended),
    // since Qt Charts lays out a touched series anew; with setTouchAll(true)
    // every series is replaced, as older versions did (kept to measure the
    // difference).  A maximum not above the axis minimum (0) is refused and
    // the axis left as it was; the rebuild never produces one.
    void apply(const GraphData &data);
    void setTouchAll(bool on) { m_touchAll = on; }

    // Rebuilds from the day table and shows the result, the points met
    // before a failing cell included.  Returns the failing cell, if any.
    std::optional<GraphError> draw(const DayTable &table, bool todayOnly);

    // Hooks for optional looks kept outside this class: a change of the
    // points before they are shown (draw() only), room kept free right of
    // the plot, and a painter called after the view's own elements with the
    // plot area and the left-axis maximum.  All empty by default.
    using DataFilter = std::function<void(GraphData &)>;
    using OverlayPainter = std::function<void(QPainter *, const QRectF &plot, double leftMax)>;
    void setDataFilter(DataFilter filter) { m_dataFilter = std::move(filter); }
    void setRightReserve(int pixels);
    void setOverlayPainter(OverlayPainter painter);

    QLineSeries *series(int index) const { return m_series.at(index); }
    QValueAxis *axisX() const { return m_axisX; }
    QValueAxis *axisY() const { return m_axisY; }
    double leftMax() const;
    QString title() const { return m_title; }

    // Where the view paints its own elements, in view coordinates.
    QRectF titleRect() const { return m_titleRect; }
    QRectF legendRect() const { return m_legendRect; }
    QRectF plotArea() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;

private:
    void setUpAxes();
    void relayout();
    // The left axis's label step for a maximum, at the current plot height.
    double leftStep(double max) const;
    void paintTitle(QPainter *painter) const;
    void paintLegend(QPainter *painter) const;
    void paintAxes(QPainter *painter) const;

    QString m_title;
    QFont m_titleFont;
    QFont m_textFont;      // labels, bottom-axis title, legend
    QFont m_leftTitleFont; // left-axis title
    QValueAxis *m_axisX = nullptr;
    QValueAxis *m_axisY = nullptr;
    std::array<QLineSeries *, SeriesCount> m_series{};

    DataFilter m_dataFilter;
    OverlayPainter m_overlayPainter;
    int m_rightReserve = 0;

    QRectF m_titleRect;
    QRectF m_legendRect;
    bool m_touchAll = false;
    int m_legendColumns = SeriesCount;
    double m_legendSampleWidth = 0;
    double m_legendItemWidth = 0;
    double m_legendRowHeight = 0;
};

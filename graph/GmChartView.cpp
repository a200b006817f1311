// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/GmChartView.h"

#include "core/DayTable.h"

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace
{

struct SeriesStyle {
    const char *title;
    QColor colour;
};

const std::array<SeriesStyle, GmChartView::SeriesCount> seriesStyles{{
    {QT_TRANSLATE_NOOP("GmChartView", "Today"), QColor(128, 0, 0)},
    {QT_TRANSLATE_NOOP("GmChartView", "1 day ago"), QColor(255, 0, 0)},
    {QT_TRANSLATE_NOOP("GmChartView", "2 days ago"), QColor(255, 128, 64)},
    {QT_TRANSLATE_NOOP("GmChartView", "3 days ago"), QColor(217, 217, 0)},
    {QT_TRANSLATE_NOOP("GmChartView", "4 days ago"), QColor(0, 128, 0)},
    {QT_TRANSLATE_NOOP("GmChartView", "5 days ago"), QColor(0, 0, 255)},
    {QT_TRANSLATE_NOOP("GmChartView", "6 days ago"), QColor(255, 0, 255)},
}};

const QColor silver(192, 192, 192);
const QColor grey(128, 128, 128);

// Layout constants in pixels.
constexpr double TitleTop = 3;
constexpr double Pad = 4;         // between stacked elements
constexpr double LabelGap = 6;    // between a label and the axis
constexpr double TickLength = 4;  // left axis, at each label
constexpr double MinorLength = 2; // left axis, between labels
constexpr int MinorTicks = 3;     // left axis
constexpr int MinorGridLines = 5; // bottom axis: six parts per step
constexpr double SampleGap = 4;   // legend: between colour sample and text
constexpr double LegendPad = 3;   // legend: inside the frame
constexpr double LegendFreeShift = 0.13;
constexpr double PlotGap = 0.04; // of the height, between title and plot
constexpr double MarginRight = 0.01;
constexpr double MarginBottom = 0.01;

QFont chartFont(int pixels)
{
    QFont font;
    font.setFamilies({QStringLiteral("IPAPMincho"), QStringLiteral("IPAMincho")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixels);
    return font;
}

// Whole hours that divide the day, so the last label falls on 24.
double hourStep(double pixelsPerHour, double minSpacing)
{
    for (double step : {1.0, 2.0, 3.0, 4.0, 6.0, 12.0})
        if (step * pixelsPerHour >= minSpacing)
            return step;
    return 24.0;
}

// 1, 2, 5, 10, 20, 50, ... counts: never below one count.
double countStep(double pixelsPerCount, double minSpacing)
{
    for (double decade = 1;; decade *= 10) {
        for (double f : {1.0, 2.0, 5.0}) {
            const double step = f * decade;
            if (step * pixelsPerCount >= minSpacing || step >= 1e9)
                return step;
        }
    }
}

} // namespace

GmChartView::GmChartView(QWidget *parent)
    : QChartView(parent), m_title(tr("Pulses from the GM tube") + QString(26, u' ')),
      m_titleFont(chartFont(16)), m_textFont(chartFont(12)), m_leftTitleFont(chartFont(15))
{
    setObjectName(QStringLiteral("Chart1"));
    setFrameShape(QFrame::NoFrame);
    setRenderHint(QPainter::Antialiasing, false);

    QChart *c = chart();
    c->setAnimationOptions(QChart::NoAnimation);
    c->legend()->hide();
    c->layout()->setContentsMargins(0, 0, 0, 0);
    c->setBackgroundRoundness(0);
    c->setDropShadowEnabled(false);
    c->setBackgroundBrush(palette().color(QPalette::Window));
    c->setBackgroundPen(Qt::NoPen);
    // Not filled: the window face shows behind the lines.  The frame is
    // painted with the axis lines.
    c->setPlotAreaBackgroundVisible(false);

    m_axisX = new QValueAxis(c);
    m_axisY = new QValueAxis(c);
    c->addAxis(m_axisX, Qt::AlignBottom);
    c->addAxis(m_axisY, Qt::AlignLeft);

    for (int i = 0; i < SeriesCount; ++i) {
        auto *s = new QLineSeries(c);
        s->setName(tr(seriesStyles[i].title));
        c->addSeries(s);
        s->attachAxis(m_axisX);
        s->attachAxis(m_axisY);
        // After addSeries: adding applies the theme's colours.
        QPen pen(seriesStyles[i].colour, 2);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::BevelJoin);
        s->setPen(pen);
        s->setPointsVisible(false);
        s->setPointLabelsVisible(false);
        m_series[i] = s;
    }
    setUpAxes();
    resize(674, 659);
    relayout();
}

void GmChartView::setUpAxes()
{
    // Bottom: hours.  "%g" prints whole hours without decimals, which is what
    // "#,##0.###" gives for every label a step of whole hours produces.
    m_axisX->setRange(0, 24);
    m_axisX->setTickType(QValueAxis::TicksDynamic);
    m_axisX->setTickAnchor(0);
    m_axisX->setTickInterval(2);
    m_axisX->setLabelFormat(QStringLiteral("%g"));
    m_axisX->setTitleText(tr("Time of measurement"));
    m_axisX->setTitleFont(m_textFont);
    m_axisX->setGridLinePen(QPen(Qt::black, 1));
    m_axisX->setMinorTickCount(MinorGridLines);
    m_axisX->setMinorGridLinePen(QPen(silver, 1));
    m_axisX->setMinorGridLineVisible(true);

    // Left: counts per minute, whole numbers only.
    m_axisY->setRange(0, InitialLeftMax);
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    m_axisY->setTickAnchor(0);
    m_axisY->setTickInterval(2);
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    m_axisY->setTitleText(tr("Counts (cpm)"));
    m_axisY->setTitleFont(m_leftTitleFont);
    m_axisY->setGridLinePen(QPen(grey, 1));
    m_axisY->setMinorTickCount(MinorTicks);
    m_axisY->setMinorGridLineVisible(false);

    for (QValueAxis *axis : {m_axisX, m_axisY}) {
        axis->setLabelsFont(m_textFont);
        axis->setLabelsBrush(Qt::black);
        axis->setTitleBrush(Qt::black);
        axis->setGridLineVisible(true);
        // The view paints the axis lines and ticks itself.
        axis->setLineVisible(false);
    }
}

double GmChartView::leftMax() const
{
    return m_axisY->max();
}

QRectF GmChartView::plotArea() const
{
    return chart()->plotArea().translated(chart()->pos());
}

void GmChartView::apply(const GraphData &data)
{
    for (int i = 0; i < SeriesCount; ++i) {
        QLineSeries *s = m_series[i];
        const QList<QPointF> &wanted = data.points[i];
        if (m_touchAll) {
            s->replace(wanted);
            continue;
        }
        const QList<QPointF> shown = s->points();
        if (wanted == shown)
            continue;
        if (wanted.size() == shown.size() + 1 &&
            std::equal(shown.cbegin(), shown.cend(), wanted.cbegin()))
            s->append(wanted.last());
        else
            s->replace(wanted);
    }
    if (data.leftMax > m_axisY->min() && data.leftMax != m_axisY->max()) {
        // Qt Charts makes one label item per tick at once: a maximum raised
        // under the step of the old one would make thousands of them and
        // freeze the window for minutes.  Widen the step first.
        if (data.leftMax > m_axisY->max())
            m_axisY->setTickInterval(leftStep(data.leftMax));
        m_axisY->setMax(data.leftMax);
        relayout();
    }
}

std::optional<GraphError> GmChartView::draw(const DayTable &table, bool todayOnly)
{
    GraphData data = SevenDayGraph::build(table, todayOnly);
    if (m_dataFilter)
        m_dataFilter(data);
    apply(data);
    return std::move(data.error);
}

void GmChartView::setRightReserve(int pixels)
{
    m_rightReserve = std::max(0, pixels);
    relayout();
}

void GmChartView::setOverlayPainter(OverlayPainter painter)
{
    m_overlayPainter = std::move(painter);
    viewport()->update();
}

void GmChartView::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    relayout();
}

double GmChartView::leftStep(double max) const
{
    const double height = chart()->plotArea().height();
    if (height <= 0 || max <= 0)
        return m_axisY->tickInterval();
    return countStep(height / max, 2 * QFontMetricsF(m_textFont).height());
}

void GmChartView::relayout()
{
    QChart *c = chart();
    // The widget's size, not the chart's: the chart follows only when a
    // hidden view is shown or grabbed.
    const double w = width();
    const double h = height();
    if (w <= 0 || h <= 0)
        return;
    const double marginRight = std::round(w * MarginRight);
    const double marginBottom = std::round(h * MarginBottom);
    c->setMargins(QMargins(0, 0, int(marginRight), int(marginBottom)));
    const double contentWidth = w - marginRight;

    // Title: centred with its trailing blanks.
    const QFontMetricsF titleFm(m_titleFont);
    const double titleWidth = titleFm.horizontalAdvance(m_title);
    m_titleRect = QRectF((contentWidth - titleWidth) / 2, TitleTop, titleWidth, titleFm.height());

    // Legend: a grid of equal cells, as many per row as fit.
    const QFontMetricsF textFm(m_textFont);
    double textWidth = 0;
    for (const QLineSeries *s : m_series)
        textWidth = std::max(textWidth, textFm.horizontalAdvance(s->name()));
    m_legendSampleWidth = textWidth + 4;
    m_legendItemWidth = LegendPad + m_legendSampleWidth + SampleGap + textWidth + LegendPad;
    m_legendRowHeight = textFm.height() + 2;
    m_legendColumns =
        std::clamp(int((contentWidth - 2 * LegendPad) / m_legendItemWidth), 1, SeriesCount);
    const int legendRows = (SeriesCount + m_legendColumns - 1) / m_legendColumns;
    const QSizeF legendSize(m_legendColumns * m_legendItemWidth + 2 * LegendPad,
                            legendRows * m_legendRowHeight + 2 * LegendPad);
    const double free = std::max(0.0, contentWidth - legendSize.width());
    // Whole pixels, so the one-pixel frame stays one pixel wide.
    m_legendRect = QRectF(
        QPointF(std::round(free / 2 + LegendFreeShift * free), std::round(m_titleRect.bottom())),
        QSizeF(std::ceil(legendSize.width()), std::ceil(legendSize.height())));

    // Plot area: room on the left for the rotated title, the widest label and
    // the ticks; below for the labels and the title.
    const QFontMetricsF leftTitleFm(m_leftTitleFont);
    const double labelWidth =
        textFm.horizontalAdvance(QString::number(qint64(std::floor(m_axisY->max()))));
    const double left = Pad + leftTitleFm.height() + Pad + labelWidth + LabelGap + TickLength;
    const double top = std::round(m_titleRect.bottom() + PlotGap * h);
    const double right =
        contentWidth - textFm.horizontalAdvance(QStringLiteral("24")) / 2 - Pad - m_rightReserve;
    const double bottom =
        h - marginBottom - Pad - textFm.height() - Pad - textFm.height() - LabelGap;
    const QRectF plot(QPointF(std::round(left), top),
                      QPointF(std::round(right), std::round(bottom)));
    if (plot.width() > 0 && plot.height() > 0 && plot != c->plotArea())
        c->setPlotArea(plot);

    if (plot.width() > 0)
        m_axisX->setTickInterval(
            hourStep(plot.width() / 24, 3 * textFm.horizontalAdvance(QStringLiteral("24"))));
    if (plot.height() > 0)
        m_axisY->setTickInterval(leftStep(m_axisY->max()));
    viewport()->update();
}

void GmChartView::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    painter->save();
    paintAxes(painter);
    paintTitle(painter);
    paintLegend(painter);
    if (m_overlayPainter)
        m_overlayPainter(painter, plotArea(), m_axisY->max());
    painter->restore();
}

void GmChartView::paintTitle(QPainter *painter) const
{
    painter->setFont(m_titleFont);
    painter->setPen(QColor(Qt::blue));
    painter->drawText(
        QPointF(m_titleRect.left(), m_titleRect.top() + QFontMetricsF(m_titleFont).ascent()),
        m_title);
}

void GmChartView::paintLegend(QPainter *painter) const
{
    painter->setPen(QPen(Qt::black, 1));
    painter->setBrush(Qt::white);
    painter->drawRect(m_legendRect.toRect().adjusted(0, 0, -1, -1));
    painter->setBrush(Qt::NoBrush);

    const QFontMetricsF fm(m_textFont);
    painter->setFont(m_textFont);
    for (int i = 0; i < SeriesCount; ++i) {
        const int row = i / m_legendColumns;
        const int column = i % m_legendColumns;
        const double x = m_legendRect.left() + LegendPad + column * m_legendItemWidth + LegendPad;
        const double top = m_legendRect.top() + LegendPad + row * m_legendRowHeight;
        const double middle = std::round(top + m_legendRowHeight / 2);
        QPen sample = m_series[i]->pen();
        painter->setPen(sample);
        painter->drawLine(QPointF(x, middle), QPointF(x + m_legendSampleWidth, middle));
        painter->setPen(Qt::black);
        painter->drawText(QPointF(x + m_legendSampleWidth + SampleGap,
                                  top + (m_legendRowHeight - fm.height()) / 2 + fm.ascent()),
                          m_series[i]->name());
    }
}

void GmChartView::paintAxes(QPainter *painter) const
{
    const QRectF plot = plotArea();
    const double max = m_axisY->max();
    const double step = m_axisY->tickInterval();
    if (plot.isEmpty() || max <= 0 || step <= 0)
        return;

    // Ticks outside the left axis line, so the line covers their inner end.
    const auto yOf = [&](double v) { return std::round(plot.bottom() - v / max * plot.height()); };
    const double axisX = plot.left() - 1;
    const int labels = int(std::floor(max / step + 1e-9));
    painter->setPen(QPen(grey, 1));
    for (int k = 0; k < labels; ++k) {
        for (int m = 1; m <= MinorTicks; ++m) {
            const double y = yOf((k + double(m) / (MinorTicks + 1)) * step);
            painter->drawLine(QPointF(axisX - MinorLength, y), QPointF(axisX, y));
        }
    }
    painter->setPen(QPen(silver, 1));
    for (int k = 0; k <= labels; ++k) {
        const double y = yOf(k * step);
        painter->drawLine(QPointF(axisX - TickLength, y), QPointF(axisX, y));
    }

    painter->setPen(QPen(Qt::black, 1));
    painter->drawRect(plot);

    QPen axisPen(Qt::black, 2);
    axisPen.setCapStyle(Qt::SquareCap);
    painter->setPen(axisPen);
    painter->drawLine(QPointF(plot.left(), plot.top()), QPointF(plot.left(), plot.bottom()));
    painter->drawLine(QPointF(plot.left(), plot.bottom()), QPointF(plot.right(), plot.bottom()));
}

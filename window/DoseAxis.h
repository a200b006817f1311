// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRectF>

class QPainter;

// The chart's right axis in µSv/h: the left axis's counts per minute divided
// by the conversion factor, painted beside the plot with ticks at round
// steps (1, 2 or 5 times a power of ten) and the title "µSv/h".
//
// GUI thread (painting).
class DoseAxis
{
public:
    explicit DoseAxis(const QFont &font) : m_font(font) {}

    // Pixels the axis needs right of the plot.
    int reserve() const;
    void paint(QPainter *painter, const QRectF &plot, double leftMaxCpm, double factor) const;

    // The label step for an axis from 0 to `max` drawn `height` pixels high
    // with labels at least `minGap` pixels apart.
    static double step(double max, double height, double minGap);

private:
    QFont m_font;
};

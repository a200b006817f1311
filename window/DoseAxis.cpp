// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DoseAxis.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace
{

constexpr double TickLength = 4;
constexpr double Gap = 3;

QString label(double v, double step)
{
    const int decimals = std::max(0, -int(std::floor(std::log10(step) + 1e-9)));
    return QString::number(v, 'f', decimals);
}

} // namespace

int DoseAxis::reserve() const
{
    const QFontMetricsF fm(m_font);
    return int(std::ceil(TickLength + Gap + fm.horizontalAdvance(QStringLiteral("0.0000")) + Gap +
                         fm.height()));
}

double DoseAxis::step(double max, double height, double minGap)
{
    if (max <= 0 || height <= 0)
        return 1;
    const double raw = max * minGap / height;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

void DoseAxis::paint(QPainter *painter, const QRectF &plot, double leftMaxCpm, double factor) const
{
    if (plot.isEmpty() || leftMaxCpm <= 0 || factor <= 0)
        return;
    const double max = leftMaxCpm / factor;
    const QFontMetricsF fm(m_font);
    const double s = step(max, plot.height(), 2 * fm.height());
    const double axisX = plot.right() + 1;
    painter->save();
    painter->setFont(m_font);
    painter->setPen(QPen(Qt::black, 2));
    painter->drawLine(QPointF(axisX, plot.top()), QPointF(axisX, plot.bottom()));
    painter->setPen(QPen(Qt::black, 1));
    double widest = 0;
    for (int k = 0; k * s <= max + 1e-12; ++k) {
        const double y = std::round(plot.bottom() - k * s / max * plot.height());
        painter->drawLine(QPointF(axisX, y), QPointF(axisX + TickLength, y));
        const QString text = label(k * s, s);
        widest = std::max(widest, fm.horizontalAdvance(text));
        painter->drawText(QPointF(axisX + TickLength + Gap, y + fm.ascent() / 2 - 1), text);
    }
    // The title, turned like the left axis's, beyond the widest label.
    const QString title = QStringLiteral("µSv/h");
    painter->translate(axisX + TickLength + Gap + widest + Gap + fm.ascent(),
                       plot.center().y() + fm.horizontalAdvance(title) / 2);
    painter->rotate(-90);
    painter->drawText(QPointF(0, 0), title);
    painter->restore();
}

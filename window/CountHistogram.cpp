// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/CountHistogram.h"

#include "stats/ChiSquare.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

CountHistogram::CountHistogram(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(420, 220);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void CountHistogram::setData(const QMap<qint64, qint64> &frequencies, double mean)
{
    m_frequencies = frequencies;
    m_mean = mean;
    m_n = 0;
    for (qint64 f : frequencies)
        m_n += f;
    update();
}

double CountHistogram::poissonExpected(qint64 k, double mean, qint64 n)
{
    if (mean <= 0)
        return k == 0 ? double(n) : 0.0;
    return double(n) * std::exp(double(k) * std::log(mean) - mean - ChiSquare::logGamma(double(k) + 1));
}

void CountHistogram::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm(font());
    const QRectF plot = QRectF(rect()).adjusted(8, 8 + fm.height(), -8, -8 - fm.height());
    if (m_frequencies.isEmpty() || plot.width() < 10 || plot.height() < 10) {
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("—"));
        return;
    }
    // The range covers the data and the Poisson curve's body (±4 sigma).
    const double sigma = std::sqrt(std::max(m_mean, 1.0));
    const qint64 lo = std::min(m_frequencies.firstKey(),
                               qint64(std::max(0.0, std::floor(m_mean - 4 * sigma))));
    const qint64 hi =
        std::max(m_frequencies.lastKey(), qint64(std::ceil(m_mean + 4 * sigma)));
    double top = 0;
    for (qint64 f : m_frequencies)
        top = std::max(top, double(f));
    for (qint64 k = lo; k <= hi; ++k)
        top = std::max(top, poissonExpected(k, m_mean, m_n));
    const double bins = double(hi - lo + 1);
    const double w = plot.width() / bins;
    const auto xOf = [&](qint64 k) { return plot.left() + double(k - lo) * w; };
    const auto yOf = [&](double v) { return plot.bottom() - v / top * plot.height(); };

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 150, 150));
    for (auto it = m_frequencies.cbegin(); it != m_frequencies.cend(); ++it)
        p.drawRect(QRectF(QPointF(xOf(it.key()), yOf(double(it.value()))),
                          QPointF(xOf(it.key()) + std::max(1.0, w - 1), plot.bottom())));

    QPainterPath curve;
    for (qint64 k = lo; k <= hi; ++k) {
        const QPointF pt(xOf(k) + w / 2, yOf(poissonExpected(k, m_mean, m_n)));
        k == lo ? curve.moveTo(pt) : curve.lineTo(pt);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::red, 1.5));
    p.drawPath(curve);

    p.setPen(Qt::black);
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawText(QPointF(plot.left(), plot.bottom() + fm.ascent() + 2), QString::number(lo));
    const QString last = QString::number(hi);
    p.drawText(QPointF(plot.right() - fm.horizontalAdvance(last), plot.bottom() + fm.ascent() + 2),
               last);
    p.drawText(QPointF(plot.left(), 8 + fm.ascent()),
               tr("■ frequency (minutes)  — Poisson (same mean)"));
}

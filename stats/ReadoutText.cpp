// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/ReadoutText.h"

#include <cmath>

namespace
{

const QString Dash = QStringLiteral("—");

} // namespace

QString ReadoutText::usvh(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    const int digits = std::max(0, 2 - int(std::floor(std::log10(std::fabs(value)))));
    return QString::number(value, 'f', std::min(digits, 6));
}

QString ReadoutText::usvhWithSigma(double value, double sigma)
{
    const QString v = usvh(value);
    const qsizetype dot = v.indexOf(u'.');
    const int decimals = dot < 0 ? 0 : int(v.size() - dot - 1);
    return v + QStringLiteral("±") + QString::number(sigma, 'f', decimals);
}

QString ReadoutText::format(const RecentMinutes &recent, std::optional<double> factor)
{
    QString last = Dash;
    QString mean = Dash;
    if (!recent.isEmpty()) {
        const MinuteCount &m = recent.newest();
        last = QString::number(m.count) + QStringLiteral(" cpm");
        if (m.minutes > 1)
            last = QString::number(m.count) + tr(" / %1 min").arg(m.minutes);
        else if (factor)
            last += QStringLiteral(" (") + usvh(double(m.count) / *factor) + QStringLiteral(" µSv/h)");
        const auto avg = recent.mean(MeanMinutes);
        mean = QString::number(avg->cpm, 'f', 1) + QStringLiteral("±") +
               QString::number(avg->sigma, 'f', 1) + QStringLiteral(" cpm");
        if (factor)
            mean += QStringLiteral(" (") + usvhWithSigma(avg->cpm / *factor, avg->sigma / *factor) +
                    QStringLiteral(" µSv/h)");
    }
    return tr("Last minute %1\n10-min mean %2").arg(last, mean);
}

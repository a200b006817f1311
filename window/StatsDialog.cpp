// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/StatsDialog.h"

#include "window/CountHistogram.h"
#include "stats/ReadoutText.h"

#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace
{

QString num(double v, int decimals)
{
    return std::isnan(v) ? QStringLiteral("—") : QString::number(v, 'f', decimals);
}

QString pValue(double p)
{
    if (std::isnan(p))
        return QStringLiteral("—");
    return p < 0.001 ? QString::number(p, 'e', 2) : QString::number(p, 'f', 3);
}

} // namespace

StatsDialog::StatsDialog(QWidget *parent)
    : QDialog(parent), m_figures(new QLabel(this)), m_histogram(new CountHistogram(this))
{
    setWindowTitle(tr("Statistics of the selection"));
    m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_figures);
    layout->addWidget(m_histogram, 1);
}

QString StatsDialog::describe(const CountStats::Result &r, std::optional<double> factor)
{
    QStringList lines;
    const bool any = r.n > 0;
    lines << tr("Minutes: %1").arg(r.n) << tr("Total: %1 counts").arg(r.sum)
          << tr("Mean: %1 ± %2 cpm (standard error)").arg(num(r.mean, 2), num(r.sem, 2))
          << tr("Standard deviation: %1 cpm").arg(num(r.sd, 2))
          << tr("Min / max: %1 / %2")
                 .arg(any ? QString::number(r.min, 'g', 15) : QStringLiteral("—"),
                      any ? QString::number(r.max, 'g', 15) : QStringLiteral("—"))
          << tr("Dispersion s²/mean: %1 (1 if Poisson)").arg(num(r.dispersion, 3))
          << tr("Dispersion test p-value (two-sided): %1").arg(pValue(r.pPoisson));
    if (factor && any)
        lines << tr("Mean dose rate: %1 ± %2 µSv/h")
                     .arg(ReadoutText::usvh(r.usvh(*factor)),
                          std::isnan(r.sem) ? QStringLiteral("—")
                                            : ReadoutText::usvh(r.usvhSem(*factor)))
              << tr("Dose: %1 µSv (%2 min)").arg(ReadoutText::usvh(r.doseUsv(*factor))).arg(r.n);
    lines << tr("Cells left out (empty, text): %1").arg(r.skipped);
    if (r.tooLarge > 0)
        lines << tr("Cells left out, counts too large: %1").arg(r.tooLarge);
    if (r.cells < r.n)
        lines << tr("Cells of two minutes (clocks turned back): %1").arg(r.n - r.cells);
    return lines.join(u'\n');
}

void StatsDialog::show(const CountStats::Result &r, const QMap<qint64, qint64> &frequencies,
                       std::optional<double> factor)
{
    m_figures->setText(describe(r, factor));
    m_histogram->setData(frequencies, r.mean);
    QDialog::show();
}

QString StatsDialog::text() const
{
    return m_figures->text();
}

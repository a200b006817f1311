// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stats/CountStats.h"

#include <QDialog>
#include <QMap>

#include <optional>

class CountHistogram;
class QLabel;

// The statistics of the day table's selection: minutes, sum, mean ± its
// standard error, standard deviation, minimum and maximum, the dispersion
// index with the two-sided p of the dispersion test, with a factor the mean
// dose rate and the dose, the cells skipped, and a histogram against the
// Poisson distribution of the same mean.  Modeless: the owner refreshes it
// while the selection changes.
//
// GUI thread.
class StatsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit StatsDialog(QWidget *parent = nullptr);

    void show(const CountStats::Result &r, const QMap<qint64, qint64> &frequencies,
              std::optional<double> factor);

    // The figures as shown, one "name: value" per line (also for the
    // clipboard and for tests).
    QString text() const;

    // The figures' lines for a result.
    static QString describe(const CountStats::Result &r, std::optional<double> factor);

private:
    QLabel *m_figures;
    CountHistogram *m_histogram;
};

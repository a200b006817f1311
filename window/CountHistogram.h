// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QWidget>

// How often each count occurs in a selection (grey bars) against how often
// a Poisson source of the same mean would give it (red dots and line):
// n · mean^k e^-mean / k!.  A counter that double-counts or picks up noise
// shows a histogram wider than the dots.
//
// GUI thread.
class CountHistogram : public QWidget
{
    Q_OBJECT
public:
    explicit CountHistogram(QWidget *parent = nullptr);

    void setData(const QMap<qint64, qint64> &frequencies, double mean);

    // The expected number of minutes with count k among n of a Poisson
    // source of mean `mean`.
    static double poissonExpected(qint64 k, double mean, qint64 n);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QMap<qint64, qint64> m_frequencies;
    double m_mean = 0;
    qint64 m_n = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MinuteCount.h"
#include "core/RecentMinutes.h"

#include <QObject>

#include <optional>

// The dose-rate alarm: watches the running mean over the last `minutes`
// minute tallies and says when it crosses a threshold, once per crossing.
// Thresholds are in cpm (a caller with a µSv/h threshold multiplies by the
// factor).
//
// The mean is judged only once the tallies cover the whole window, so the
// first noisy minutes of a measurement raise nothing.  After an upward
// crossing the alarm re-arms only when the mean falls below
// rearmLevel(): the threshold less twice the Poisson sigma of a mean at the
// threshold, and at least 5 % of it, so a mean that hovers at the threshold
// does not flap.
//
// Thread: the one that delivers the tallies (GUI or the headless logger's).
class Alarm : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultMinutes = 10;
    static constexpr int MaxMinutes = 60;

    explicit Alarm(QObject *parent = nullptr);

    // nullopt switches the alarm off (and forgets a crossing).
    void setThreshold(std::optional<double> cpm);
    std::optional<double> threshold() const { return m_threshold; }
    // 1..MaxMinutes; other values are clamped.
    void setMinutes(int minutes);
    int minutes() const { return m_minutes; }

    bool above() const { return m_above; }
    double rearmLevel() const;
    static double rearmLevel(double thresholdCpm, int minutes);

    // Feed of the session's tallies (MeasurementSession::minuteCounted).
    void add(const MinuteCount &minute);
    // A new measurement: the old tallies no longer make a mean.
    void reset();

signals:
    // mean and threshold in cpm; above is true on the way up and false when
    // the alarm re-armed on the way down.
    void crossed(double mean, double threshold, bool above);

private:
    RecentMinutes m_recent{MaxMinutes};
    std::optional<double> m_threshold;
    int m_minutes = DefaultMinutes;
    bool m_above = false;
};

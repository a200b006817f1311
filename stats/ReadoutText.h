// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/RecentMinutes.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

// The readout's two lines: the last tally's count and the 10-minute mean with its
// Poisson one-sigma uncertainty, and with a factor both as µSv/h.  "—" for
// each before the first tally.  Never a dose without a factor.
//
// Plain functions, any thread.
class ReadoutText
{
    Q_DECLARE_TR_FUNCTIONS(ReadoutText)

public:
    static constexpr int MeanMinutes = 10;

    static QString format(const RecentMinutes &recent, std::optional<double> factor);
    // A dose rate with three significant digits after the leading zeros
    // (0.154, 1.23, 12.3), or with the decimals of its uncertainty.
    static QString usvh(double value);
    // "0.178±0.010": the uncertainty with the decimals of the value.
    static QString usvhWithSigma(double value, double sigma);
};

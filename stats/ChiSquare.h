// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The chi-square distribution through the regularized incomplete gamma
// function (series below a + 1, continued fraction above).
//
// Plain functions, any thread.  Arguments out of range (k <= 0, x < 0, NaN)
// give NaN.
class ChiSquare
{
public:
    // Regularized lower and upper incomplete gamma: P(a, x) + Q(a, x) = 1.
    static double lowerP(double a, double x);
    static double upperQ(double a, double x);

    // P(X <= x) and P(X >= x) for X chi-square with k degrees of freedom.
    static double cdf(double x, double k) { return lowerP(k / 2, x / 2); }
    static double survival(double x, double k) { return upperQ(k / 2, x / 2); }

    // The two-sided p-value 2 min(P(X <= x), P(X >= x)), at most 1.
    static double twoSided(double x, double k);
};

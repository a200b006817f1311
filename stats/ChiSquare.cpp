// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/ChiSquare.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr double Eps = 1e-15;
constexpr double Tiny = 1e-300;

// Iterations grow with sqrt(a): both expansions need about that many terms
// near x = a.
int maxIterations(double a)
{
    return 1000 + int(20 * std::sqrt(a));
}

// exp(-x) x^a / Gamma(a), the factor both expansions share, in logs so that
// large a does not overflow.
double prefactor(double a, double x)
{
    return std::exp(a * std::log(x) - x - std::lgamma(a));
}

double seriesP(double a, double x)
{
    double term = 1.0 / a;
    double sum = term;
    const int n = maxIterations(a);
    for (int i = 1; i < n; ++i) {
        term *= x / (a + i);
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * Eps)
            break;
    }
    return sum * prefactor(a, x);
}

// Lentz's method for the continued fraction of Q.
double fractionQ(double a, double x)
{
    double b = x + 1 - a;
    double c = 1 / Tiny;
    double d = 1 / b;
    double h = d;
    const int n = maxIterations(a);
    for (int i = 1; i < n; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < Tiny)
            d = Tiny;
        c = b + an / c;
        if (std::fabs(c) < Tiny)
            c = Tiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < Eps)
            break;
    }
    return h * prefactor(a, x);
}

bool bad(double a, double x)
{
    return !(a > 0) || !(x >= 0) || std::isinf(a);
}

} // namespace

double ChiSquare::lowerP(double a, double x)
{
    if (bad(a, x))
        return std::numeric_limits<double>::quiet_NaN();
    if (x == 0)
        return 0;
    if (std::isinf(x))
        return 1;
    return x < a + 1 ? std::clamp(seriesP(a, x), 0.0, 1.0)
                     : std::clamp(1 - fractionQ(a, x), 0.0, 1.0);
}

double ChiSquare::upperQ(double a, double x)
{
    if (bad(a, x))
        return std::numeric_limits<double>::quiet_NaN();
    if (x == 0)
        return 1;
    if (std::isinf(x))
        return 0;
    return x < a + 1 ? std::clamp(1 - seriesP(a, x), 0.0, 1.0)
                     : std::clamp(fractionQ(a, x), 0.0, 1.0);
}

double ChiSquare::twoSided(double x, double k)
{
    const double p = cdf(x, k);
    const double q = survival(x, k);
    if (std::isnan(p) || std::isnan(q))
        return std::numeric_limits<double>::quiet_NaN();
    return std::min(1.0, 2 * std::min(p, q));
}

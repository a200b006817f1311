// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>

#include <QString>

#include <optional>

// A conversion factor in counts per minute per µSv/h, as the user types it.
//
// Plain functions, any thread.
class DoseFactor
{
    Q_DECLARE_TR_FUNCTIONS(DoseFactor)

public:
    // The smallest and largest factor taken: the least sensitive tubes give
    // well under one count per minute per µSv/h, big pancake tubes a few
    // thousand; a value outside these bounds is a typing mistake.
    static constexpr double Min = 0.01;
    static constexpr double Max = 100000.0;

    enum class Error { None, Empty, NotNumber, NotPositive, TooSmall, TooLarge };

    struct Parsed {
        std::optional<double> value; // set only when error is None
        Error error = Error::None;
    };

    // Reads a decimal number ("175.43", " 108 "; a comma as decimal point is
    // taken too).  Anything else, zero, negatives, NaN, infinities and
    // values outside [Min, Max] are refused.
    static Parsed parse(const QString &text);

    // Why a value was refused, through the installed translation.  Empty
    // for Error::None.
    static QString message(Error error);

    // The factor as the settings file and the dialogs write it: up to six
    // significant digits, no exponent for the values parse() accepts.
    static QString format(double factor);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "dose/DoseFactor.h"

#include <cmath>

DoseFactor::Parsed DoseFactor::parse(const QString &text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return {std::nullopt, Error::Empty};
    t.replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return {std::nullopt, Error::NotNumber};
    if (v <= 0)
        return {std::nullopt, Error::NotPositive};
    if (v < Min)
        return {std::nullopt, Error::TooSmall};
    if (v > Max)
        return {std::nullopt, Error::TooLarge};
    return {v, Error::None};
}

QString DoseFactor::message(Error error)
{
    switch (error) {
    case Error::None:
        return {};
    case Error::Empty:
        return tr("the conversion factor is empty");
    case Error::NotNumber:
        return tr("the conversion factor is not a number");
    case Error::NotPositive:
        return tr("the conversion factor must be greater than 0");
    case Error::TooSmall:
        return tr("the conversion factor is below %1 cpm per µSv/h").arg(Min);
    case Error::TooLarge:
        return tr("the conversion factor is above %1 cpm per µSv/h").arg(Max);
    }
    return {};
}

QString DoseFactor::format(double factor)
{
    return QString::number(factor, 'g', 6);
}

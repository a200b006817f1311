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
        return QStringLiteral("the conversion factor is empty");
    case Error::NotNumber:
        return QStringLiteral("the conversion factor is not a number");
    case Error::NotPositive:
        return QStringLiteral("the conversion factor must be greater than 0");
    case Error::TooSmall:
        return QStringLiteral("the conversion factor is below %1 cpm per µSv/h").arg(Min);
    case Error::TooLarge:
        return QStringLiteral("the conversion factor is above %1 cpm per µSv/h").arg(Max);
    }
    return {};
}

QString DoseFactor::messageJa(Error error)
{
    switch (error) {
    case Error::None:
        return {};
    case Error::Empty:
        return QStringLiteral("換算係数が入力されていません。");
    case Error::NotNumber:
        return QStringLiteral("換算係数は数値で入力してください。");
    case Error::NotPositive:
        return QStringLiteral("換算係数は 0 より大きい値にしてください。");
    case Error::TooSmall:
        return QStringLiteral("換算係数が小さすぎます（%1 cpm/(µSv/h) 以上）。").arg(Min);
    case Error::TooLarge:
        return QStringLiteral("換算係数が大きすぎます（%1 cpm/(µSv/h) 以下）。").arg(Max);
    }
    return {};
}

QString DoseFactor::format(double factor)
{
    return QString::number(factor, 'g', 6);
}

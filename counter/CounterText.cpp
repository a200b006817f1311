// SPDX-License-Identifier: GPL-3.0-or-later
#include "counter/CounterText.h"

#include <QCoreApplication>

QString CounterText::excerpt(const QByteArray &data)
{
    constexpr qsizetype Shown = 60;
    QString text;
    for (qsizetype i = 0; i < data.size() && text.size() < Shown; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        if (b >= 0x20 && b < 0x7f)
            text += QLatin1Char(char(b));
        else
            text += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return text.size() > Shown ? text.left(Shown) + QStringLiteral("...") : text;
}

QString CounterText::noAnswer(CounterKind kind, int seconds)
{
    return QCoreApplication::translate(
               "Counter", "No answer as a %1 within %2 seconds: is the counter of another kind, "
                          "or set to another line speed?")
        .arg(CounterKinds::title(kind))
        .arg(seconds);
}

QString CounterText::unreadable(CounterKind kind, const QByteArray &line)
{
    return QCoreApplication::translate(
               "Counter", "The %1 sent data that cannot be read; it is not counted: \"%2\"")
        .arg(CounterKinds::title(kind), excerpt(line));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TimeText.h"

QString TimeText::time(const QTime &t)
{
    return t.toString(QStringLiteral("H:mm:ss"));
}

QString TimeText::date(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy/MM/dd"));
}

QString TimeText::dayHeader(const QDate &d)
{
    return date(d).right(5);
}

QString TimeText::rowTime(int row)
{
    const int minutes = row - 1;
    return time(QTime(minutes / 60, minutes % 60));
}

QString TimeText::isoWithOffset(const QDateTime &t, bool seconds)
{
    return t.toString(seconds ? QStringLiteral("yyyy-MM-ddTHH:mm:ss")
                              : QStringLiteral("yyyy-MM-ddTHH:mm")) +
           utcOffset(t.offsetFromUtc());
}

QString TimeText::utcOffset(int offsetSeconds)
{
    const int minutes = qAbs(offsetSeconds) / 60;
    return (offsetSeconds < 0 ? u'-' : u'+') + QStringLiteral("%1:%2")
                                                   .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                                                   .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

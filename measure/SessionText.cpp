// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/SessionText.h"

QString SessionText::portLost(const QString &port, const QString &when)
{
    return tr("Com Port %1 lost%2").arg(port, when);
}

QString SessionText::portReturned(const QString &port, const QString &when)
{
    return tr("Com Port %1 back%2").arg(port, when);
}

QString SessionText::countingStopped(const QString &port)
{
    return tr("serial port %1 is gone; counting has stopped and goes on when it returns").arg(port);
}

QString SessionText::clockWentBack(const QString &from, const QString &to)
{
    return tr("  the clock went back from %1 to %2").arg(from, to);
}

QString SessionText::spannedMinutes(const QString &minute, int minutes)
{
    return tr("  the tally of %1 holds the counts of %2 minutes")
        .arg(minute, QString::number(minutes));
}

QString SessionText::cannotRemove(const QString &path, const QString &failure)
{
    return tr("cannot remove %1: %2").arg(path, failure);
}

QString SessionText::cannotWrite(const QString &path, const QString &failure)
{
    return tr("cannot write %1: %2").arg(path, failure);
}

QString SessionText::droppedLine(const QString &path)
{
    return tr("  %1 not written: the disk cannot keep up").arg(path);
}

QString SessionText::droppedError(const QString &path)
{
    return tr("the disk cannot keep up: %1 not written; counting goes on").arg(path);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/SessionText.h"

#include "core/MessageLanguage.h"

#include <QCoreApplication>

namespace
{

bool english()
{
    return MessageLanguage::english();
}

} // namespace

QString SessionText::portLost(const QString &port, const QString &when)
{
    return QStringLiteral("Com Port ") + port +
           (english() ? QStringLiteral(" lost") : QStringLiteral(" が切断されました")) + when;
}

QString SessionText::portReturned(const QString &port, const QString &when)
{
    return QStringLiteral("Com Port ") + port +
           (english() ? QStringLiteral(" back") : QStringLiteral(" に再接続しました")) + when;
}

QString SessionText::countingStopped(const QString &port)
{
    if (english())
        return QStringLiteral("serial port ") + port +
               QStringLiteral(" is gone; counting has stopped and goes on when it returns");
    return QStringLiteral("シリアルポート ") + port +
           QStringLiteral(" が切断されました。計数は止まっています。"
                          "ポートが戻りしだい計数を続けます。");
}

QString SessionText::clockWentBack(const QString &from, const QString &to)
{
    return (english() ? QStringLiteral("  the clock went back from %1 to %2")
                      : QStringLiteral("  時計が %1 から %2 に戻りました"))
        .arg(from, to);
}

QString SessionText::spannedMinutes(const QString &minute, int minutes)
{
    return (english() ? QStringLiteral("  the tally of %1 holds the counts of %2 minutes")
                      : QStringLiteral("  %1 の集計は %2 分間のカウントです"))
        .arg(minute)
        .arg(minutes);
}

QString SessionText::cannotRemove(const QString &path, const QString &failure)
{
    return english() ? QStringLiteral("cannot remove ") + path + QStringLiteral(": ") + failure
                     : path + QStringLiteral(" を削除できません: ") + failure;
}

QString SessionText::cannotWrite(const QString &path, const QString &failure)
{
    return english() ? QStringLiteral("cannot write ") + path + QStringLiteral(": ") + failure
                     : path + QStringLiteral(" に書き込めません: ") + failure;
}

QString SessionText::droppedLine(const QString &path)
{
    return english() ? QStringLiteral("  ") + path +
                           QStringLiteral(" not written: the disk cannot keep up")
                     : QStringLiteral("  書き込みが追いつかないため ") + path +
                           QStringLiteral(" を書き込みませんでした");
}

QString SessionText::droppedError(const QString &path)
{
    return english() ? QStringLiteral("the disk cannot keep up: ") + path +
                           QStringLiteral(" not written; counting goes on")
                     : QStringLiteral("ディスクへの書き込みが追いつきません。") + path +
                           QStringLiteral(" を書き込みませんでした。計数は続いています");
}

QString SessionText::clockSet(const QString &when)
{
    return QCoreApplication::translate("SessionText", "The clock is set (%1): the pulses counted "
                                                      "while waiting go into the first minute.")
        .arg(when);
}

QString SessionText::cellFull(const QString &minute, qint64 carried)
{
    return QCoreApplication::translate("SessionText", "The count of %1 is the largest a cell "
                                                      "holds (2147483647); %2 pulses go on to the "
                                                      "next minute.")
        .arg(minute)
        .arg(carried);
}

QString SessionText::writeFailed(const QString &path, const QString &failure, const QString &when)
{
    if (when.isEmpty())
        return cannotWrite(path, failure);
    return QCoreApplication::translate("SessionText", "%1: cannot write %2: %3")
        .arg(when, path, failure);
}

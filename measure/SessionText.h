// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

// The measurement session's lines for the progress pane and its error
// texts, through the translation the front end installed (English without one).  `when` is
// " (h:mm:ss)" or empty; times come already written.
class SessionText
{
    Q_DECLARE_TR_FUNCTIONS(SessionText)

public:
    static QString portLost(const QString &port, const QString &when);
    static QString portReturned(const QString &port, const QString &when);
    // The error told while a lost port keeps counting stopped.
    static QString countingStopped(const QString &port);
    static QString clockWentBack(const QString &from, const QString &to);
    static QString spannedMinutes(const QString &minute, int minutes);
    static QString cannotRemove(const QString &path, const QString &failure);
    static QString cannotWrite(const QString &path, const QString &failure);
    // A write the disk could not keep up with: the pane's line, and the
    // error told once until a write goes through again.
    static QString droppedLine(const QString &path);
    static QString droppedError(const QString &path);
};

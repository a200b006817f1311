// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/PortPermission.h"

#include <QCoreApplication>
#include <QString>

// What to tell a user whose port was refused for lack of permission: the
// device's owner, group and mode, and the one step that would let them open
// it (PortPermission works out which), through the installed translation.
// One line, no full stop at the end.
class PermissionAdvice
{
    Q_DECLARE_TR_FUNCTIONS(PermissionAdvice)

public:
    static QString text(const QString &port, const PortPermission::Diagnosis &d);

    // The same for the device and user of now; a device that cannot be
    // looked at gets the refusal alone.
    static QString text(const QString &port);
};

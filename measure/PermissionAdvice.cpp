// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/PermissionAdvice.h"

#include <QFileInfo>

namespace
{

using Remedy = PortPermission::Remedy;

QString facts(const PortPermission::Diagnosis &d)
{
    return QStringLiteral("(%1:%2 %3)").arg(d.owner, d.group, d.mode);
}

// The rule that gives a device the dialout group, for udev's KERNEL match.
QString udevRule(const QString &port)
{
    return QStringLiteral("KERNEL==\"%1\", GROUP=\"dialout\", MODE=\"0660\"")
        .arg(QFileInfo(port).fileName());
}

} // namespace

QString PermissionAdvice::text(const QString &port, const PortPermission::Diagnosis &d)
{
    const QString refused = tr("  no permission to open %1 %2. ").arg(port, facts(d));
    switch (d.remedy) {
    case Remedy::JoinGroup:
        return refused + tr("As root, run \"adduser %1 %2\" (or sudo adduser %1 %2), "
                            "then log in again")
                             .arg(d.user, d.group);
    case Remedy::LogInAgain:
        return refused + tr("%1 is in the group %2, but not yet in this login: "
                            "log in again (or restart the service)")
                             .arg(d.user, d.group);
    case Remedy::ChangeMode:
        return refused + tr("Let its owner read and write it: chmod u+rw %1").arg(port);
    case Remedy::GiveGroup:
        return refused + tr("Only %1 may open it; no group helps. As root, put "
                            "'%2' into /etc/udev/rules.d/99-serial.rules, reboot, "
                            "and run \"adduser %3 dialout\"")
                             .arg(d.owner, udevRule(port), d.user);
    case Remedy::Unknown:
        break;
    }
    return refused + tr("Its mode allows it: check its ACL and security modules");
}

QString PermissionAdvice::text(const QString &port)
{
    if (const auto d = PortPermission::check(port))
        return text(port, *d);
    return tr("  no permission to open %1").arg(port);
}

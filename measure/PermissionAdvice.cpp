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

QString PermissionAdvice::japanese(const QString &port, const PortPermission::Diagnosis &d)
{
    const QString refused = QStringLiteral("  ") + port +
                            QStringLiteral(" を開く権限がありません ") + facts(d) + u'。';
    switch (d.remedy) {
    case Remedy::JoinGroup:
        return refused + QStringLiteral("root で「adduser %1 %2」を実行して (sudo があれば "
                                        "sudo adduser %1 %2)、ログインし直してください")
                             .arg(d.user, d.group);
    case Remedy::LogInAgain:
        return refused + QStringLiteral("%1 はグループ %2 に入っていますが、このログインには"
                                        "まだ効いていません。ログインし直してください")
                             .arg(d.user, d.group);
    case Remedy::ChangeMode:
        return refused + QStringLiteral("「chmod u+rw %1」で所有者に読み書きを許してください")
                             .arg(port);
    case Remedy::GiveGroup:
        return refused +
               QStringLiteral("開けるのは %1 だけで、グループに入っても開けません。root で "
                              "/etc/udev/rules.d/99-serial.rules に「%2」と書いて再起動し、"
                              "「adduser %3 dialout」を実行してください")
                   .arg(d.owner, udevRule(port), d.user);
    case Remedy::Unknown:
        break;
    }
    return refused + QStringLiteral("許可の設定では開けるはずです。ACL やセキュリティ"
                                    "モジュールを確かめてください");
}

QString PermissionAdvice::english(const QString &port, const PortPermission::Diagnosis &d)
{
    const QString refused =
        QStringLiteral("  no permission to open ") + port + u' ' + facts(d) + QStringLiteral(". ");
    switch (d.remedy) {
    case Remedy::JoinGroup:
        return refused + QStringLiteral("As root, run \"adduser %1 %2\" (or sudo adduser %1 %2), "
                                        "then log in again")
                             .arg(d.user, d.group);
    case Remedy::LogInAgain:
        return refused + QStringLiteral("%1 is in the group %2, but not yet in this login: "
                                        "log in again (or restart the service)")
                             .arg(d.user, d.group);
    case Remedy::ChangeMode:
        return refused + QStringLiteral("Let its owner read and write it: chmod u+rw %1").arg(port);
    case Remedy::GiveGroup:
        return refused + QStringLiteral("Only %1 may open it; no group helps. As root, put "
                                        "'%2' into /etc/udev/rules.d/99-serial.rules, reboot, "
                                        "and run \"adduser %3 dialout\"")
                             .arg(d.owner, udevRule(port), d.user);
    case Remedy::Unknown:
        break;
    }
    return refused + QStringLiteral("Its mode allows it: check its ACL and security modules");
}

QString PermissionAdvice::japanese(const QString &port)
{
    if (const auto d = PortPermission::check(port))
        return japanese(port, *d);
    return QStringLiteral("  ") + port + QStringLiteral(" を開く権限がありません");
}

QString PermissionAdvice::english(const QString &port)
{
    if (const auto d = PortPermission::check(port))
        return english(port, *d);
    return QStringLiteral("  no permission to open ") + port;
}

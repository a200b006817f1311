// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttConfig.h"

#include <QCoreApplication>
#include <QSysInfo>

QString MqttConfig::stationName() const
{
    if (!station.isEmpty())
        return station;
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("torvale") : host;
}

QString MqttConfig::topicPrefix() const
{
    return prefix.isEmpty() ? QStringLiteral("torvale/") + stationName() : prefix;
}

QString MqttConfig::describe() const
{
    return (tls ? QStringLiteral("mqtts://") : QStringLiteral("mqtt://")) +
           (user.isEmpty() ? QString() : user + u'@') + host + u':' + QString::number(port);
}

QString MqttConfig::problem() const
{
    const auto bad = [](const QString &text) {
        return text.contains(u'+') || text.contains(u'#') || text.contains(QChar(0)) ||
               text.startsWith(u'$');
    };
    if (bad(stationName()))
        return QCoreApplication::translate("MqttConfig",
                                           "The station name \"%1\" may not hold + # or NUL, "
                                           "nor begin with $.")
            .arg(QString(stationName()).replace(QChar(0), u'?'));
    if (bad(topicPrefix()))
        return QCoreApplication::translate("MqttConfig",
                                           "The topic prefix \"%1\" may not hold + # or NUL, "
                                           "nor begin with $.")
            .arg(QString(topicPrefix()).replace(QChar(0), u'?'));
    return {};
}

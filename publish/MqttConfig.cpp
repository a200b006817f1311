// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttConfig.h"

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

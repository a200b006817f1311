// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttSettings.h"

#include "logfile/IniFile.h"

#include <QFileInfo>

namespace
{

const QString Section = QStringLiteral("MQTT");

} // namespace

void MqttSettings::readSettings(const IniFile &ini)
{
    const auto text = [&](const QString &key, const QString &fallback) {
        return ini.readString(Section, key, fallback).trimmed();
    };
    enabled = ini.readInteger(Section, QStringLiteral("Enabled"), 0) != 0;
    config.host = text(QStringLiteral("Host"), {});
    config.tls = ini.readInteger(Section, QStringLiteral("TLS"), 0) != 0;
    const int fallbackPort = config.tls ? MqttConfig::DefaultTlsPort : MqttConfig::DefaultPort;
    const int port = ini.readInteger(Section, QStringLiteral("Port"), fallbackPort);
    config.port = port >= 1 && port <= 65535 ? port : fallbackPort;
    config.caFile = text(QStringLiteral("CAFile"), {});
    config.user = text(QStringLiteral("User"), {});
    config.station = text(QStringLiteral("Station"), {});
    config.prefix = text(QStringLiteral("Prefix"), {});
    config.discovery = ini.readInteger(Section, QStringLiteral("Discovery"), 1) != 0;
}

void MqttSettings::writeSettings(IniFile &ini) const
{
    ini.writeInteger(Section, QStringLiteral("Enabled"), enabled ? 1 : 0);
    ini.writeString(Section, QStringLiteral("Host"), config.host);
    ini.writeInteger(Section, QStringLiteral("Port"), config.port);
    ini.writeInteger(Section, QStringLiteral("TLS"), config.tls ? 1 : 0);
    ini.writeString(Section, QStringLiteral("CAFile"), config.caFile);
    ini.writeString(Section, QStringLiteral("User"), config.user);
    ini.writeString(Section, QStringLiteral("Station"), config.station);
    ini.writeString(Section, QStringLiteral("Prefix"), config.prefix);
    ini.writeInteger(Section, QStringLiteral("Discovery"), config.discovery ? 1 : 0);
}

QString MqttSettings::passwordPath(const QString &settingsPath)
{
    return QFileInfo(settingsPath).absolutePath() + QStringLiteral("/torvale-mqtt-password");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/MqttConfig.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Home Assistant's MQTT discovery for one station: a sensor each for the
// counts per minute, the 10-minute mean and (with a conversion factor) the
// dose rate, and a binary sensor for the counter's connection, all of one
// device and available while <prefix>/status reads "online".
class Discovery
{
public:
    struct Message {
        QByteArray topic;
        QByteArray payload; // empty: removes an entity published before
    };
    static constexpr const char *StatusTopic = "homeassistant/status";

    static QList<Message> messages(const MqttConfig &config, const QString &version,
                                   std::optional<double> factor);
};

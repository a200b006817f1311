// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Where and as whom the publisher talks to the broker, and under which
// topics.  Filled from the [MQTT] section or from the headless command line.
struct MqttConfig {
    QString host;
    int port = 1883;
    bool tls = false;
    QString caFile;     // with tls: the CA to trust; empty trusts the system's CAs
    QString user;       // empty: no log-in
    QByteArray password; // only in memory; on disk in a 0600 file alone
    QString station;    // empty: the host name
    QString prefix;     // empty: torvale/<station>
    bool discovery = true;

    static constexpr int DefaultPort = 1883;
    static constexpr int DefaultTlsPort = 8883;

    QString stationName() const;
    QString topicPrefix() const;
    // "mqtt://user@host:port" for messages: never the password.
    QString describe() const;
    // Empty when the station's name and the topic prefix can name topics,
    // else why not: neither may hold + # or NUL, nor begin with $.
    QString problem() const;
};

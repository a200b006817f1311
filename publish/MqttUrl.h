// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/MqttConfig.h"

#include <QString>

// The broker as the headless command line names it:
//   mqtt://[user@]host[:port][/prefix]    plain, port 1883 by default
//   mqtts://[user@]host[:port][/prefix]   TLS, port 8883 by default
// A host may be an IPv6 address in brackets.  The password never goes into
// the URL (it would show in the process list): it comes from a file.
class MqttUrl
{
public:
    struct Parsed {
        MqttConfig config; // host, port, tls, user, prefix
        QString error;     // empty when the URL is good
    };
    static Parsed parse(const QString &url);
};

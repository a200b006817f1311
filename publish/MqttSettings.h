// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/SettingsSection.h"
#include "publish/MqttConfig.h"

#include <QString>

// The window's broker settings, kept in the [MQTT] section of the settings
// file.  The password is not among them: it lives alone in an owner-only
// file (passwordPath(), see SecretFile) beside the settings file.
class MqttSettings : public SettingsSection
{
public:
    bool enabled = false;
    MqttConfig config; // without the password

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

    // The password file that goes with the settings file at `settingsPath`.
    static QString passwordPath(const QString &settingsPath);
};

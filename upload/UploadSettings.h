// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/SettingsSection.h"
#include "upload/Uploader.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QUrl>

// The window's [Upload] section: which maps are on, the interval, each
// map's address, a CA file trusted for them, and whether the user has seen a
// map's privacy notice.
// The credentials are not kept here but in their owner-only file
// (credentialsPath()), so the settings file never holds a secret.
//
// GUI thread, like every settings section.
class UploadSettings : public SettingsSection
{
public:
    QSet<UploadService> enabled;
    QSet<UploadService> noticeShown;
    QMap<UploadService, QUrl> urls; // only addresses other than the service's own
    int intervalMinutes = Uploader::DefaultIntervalMinutes;
    QString caFile; // empty: the system's CAs alone

    void readSettings(const IniFile &ini) override;
    // Writes nothing while every choice is the default.
    void writeSettings(IniFile &ini) const override;

    // The address in use for `service`.
    QUrl url(UploadService service) const;
    // The uploader's configuration with these choices.
    Uploader::Config config(const UploadCredentials &credentials,
                            std::optional<double> factor) const;

    // The credentials file kept beside the settings file `settingsPath`:
    // torvale.ini -> torvale-upload.secret.
    static QString credentialsPath(const QString &settingsPath);
};

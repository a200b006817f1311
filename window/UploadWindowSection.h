// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/SettingsSection.h"
#include "upload/UploadCredentials.h"
#include "upload/UploadSettings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class MeasurementSession;
class Prompts;
class QWidget;
class UploadDialog;
class Uploader;

// The window's map uploads: the [Upload] section, the credentials file
// beside the settings file, the uploader fed by the session's tallies, and
// the dialog.  Reading the section (at start) and OK in the dialog
// (re)start the uploads.  A credentials file others may read is not used,
// and a map reached by plain http over the network is warned about; both
// are told by message(), never with a secret.
//
// GUI thread.
class UploadWindowSection : public QObject, public SettingsSection
{
    Q_OBJECT
public:
    UploadWindowSection(MeasurementSession *session, const QString &settingsPath, Prompts *prompts,
                        QObject *parent);

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

    const UploadSettings &settings() const { return m_settings; }
    Uploader *uploader() const { return m_uploader; }
    // Counts per minute per uSv/h for the uploads that send a dose.
    void setFactor(std::optional<double> factor);
    // The dialog, window-modal and not waiting; OK applies it.
    UploadDialog *showDialog(QWidget *parent);

signals:
    // One line for the pane.
    void message(const QString &line);
    // The keys of the services uploaded to, each time the uploads (re)start.
    void servicesChanged(const QStringList &keys);

private:
    void apply(const UploadDialog &dialog);
    void start();

    Prompts *m_prompts;
    QString m_credentialsPath;
    UploadSettings m_settings;
    UploadCredentials m_credentials;
    std::optional<double> m_factor;
    Uploader *m_uploader;
};

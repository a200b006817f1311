// SPDX-License-Identifier: GPL-3.0-or-later
// The window's map uploads: the dialog, the credentials file, the uploader.
#include "window/TForm1.h"

#include "window/Prompts.h"
#include "window/UploadDialog.h"
#include "logfile/SecretFile.h"
#include "upload/Uploader.h"

#include <QFileInfo>

void TForm1::applyUploadSettings()
{
    const QString path = UploadSettings::credentialsPath(m_settingsPath);
    if (m_uploadSettings.enabled.isEmpty() && !QFileInfo::exists(path))
        return;
    const UploadCredentials::Loaded loaded = UploadCredentials::load(path);
    m_uploadCredentials = loaded.credentials;
    if (!loaded.error.isEmpty() && !m_uploadSettings.enabled.isEmpty())
        progress(tr("upload credentials %1").arg(loaded.error));
    startUploads();
}

void TForm1::startUploads()
{
    const Uploader::Config config = m_uploadSettings.config(m_uploadCredentials, m_uploadFactor);
    m_uploader->setConfig(config);
    QStringList names;
    for (const UploadService s : config.services)
        names << UploadServices::title(s);
    if (!names.isEmpty())
        progress(
            tr("uploading every %1 min to %2")
                .arg(QString::number(config.intervalMinutes), names.join(QStringLiteral(", "))));
}

void TForm1::setUploadFactor(std::optional<double> factor)
{
    m_uploadFactor = factor;
    m_uploader->setFactor(factor);
}

UploadDialog *TForm1::Button_uploadClick()
{
    auto notice = [this](const QString &title, const QString &text) {
        return m_prompts->askYesNo(title, text);
    };
    auto *dialog =
        new UploadDialog(m_uploadSettings, m_uploadCredentials, m_uploadFactor, notice, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const UploadCredentials credentials = dialog->credentials();
        if (!(credentials == m_uploadCredentials)) {
            const QString path = UploadSettings::credentialsPath(m_settingsPath);
            const QString error = SecretFile::write(path, credentials.toBytes());
            if (!error.isEmpty())
                m_prompts->reportError(error);
        }
        m_uploadCredentials = credentials;
        m_uploadSettings = dialog->settings();
        startUploads();
    });
    dialog->open();
    return dialog;
}

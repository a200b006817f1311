// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/UploadWindowSection.h"

#include "window/Prompts.h"
#include "window/UploadDialog.h"
#include "logfile/SecretFile.h"
#include "measure/MeasurementSession.h"
#include "upload/Uploader.h"

#include <QFileInfo>

UploadWindowSection::UploadWindowSection(MeasurementSession *session, const QString &settingsPath,
                                         Prompts *prompts, QObject *parent)
    : QObject(parent), m_prompts(prompts),
      m_credentialsPath(UploadSettings::credentialsPath(settingsPath)),
      m_uploader(new Uploader(this))
{
    connect(session, &MeasurementSession::minuteCounted, m_uploader, &Uploader::addMinute);
    connect(m_uploader, &Uploader::message, this, &UploadWindowSection::message);
}

void UploadWindowSection::readSettings(const IniFile &ini)
{
    m_settings.readSettings(ini);
    if (m_settings.enabled.isEmpty() && !QFileInfo::exists(m_credentialsPath))
        return;
    const UploadCredentials::Loaded loaded = UploadCredentials::load(m_credentialsPath);
    m_credentials = loaded.credentials;
    if (!loaded.error.isEmpty() && !m_settings.enabled.isEmpty())
        emit message(tr("upload credentials %1").arg(loaded.error));
    start();
}

void UploadWindowSection::writeSettings(IniFile &ini) const
{
    m_settings.writeSettings(ini);
}

void UploadWindowSection::setFactor(std::optional<double> factor)
{
    m_factor = factor;
    m_uploader->setFactor(factor);
}

UploadDialog *UploadWindowSection::showDialog(QWidget *parent)
{
    auto notice = [this](const QString &title, const QString &text) {
        return m_prompts->askYesNo(title, text);
    };
    auto *dialog = new UploadDialog(m_settings, m_credentials, m_factor, notice, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { apply(*dialog); });
    dialog->open();
    return dialog;
}

void UploadWindowSection::apply(const UploadDialog &dialog)
{
    const UploadCredentials credentials = dialog.credentials();
    if (!(credentials == m_credentials)) {
        const QString error = SecretFile::write(m_credentialsPath, credentials.toBytes());
        if (!error.isEmpty())
            m_prompts->reportError(error);
    }
    m_credentials = credentials;
    m_settings = dialog.settings();
    start();
}

void UploadWindowSection::start()
{
    const Uploader::Config config = m_settings.config(m_credentials, m_factor);
    m_uploader->setConfig(config);
    QStringList names;
    QStringList keys;
    for (const UploadService s : config.services) {
        names << UploadServices::title(s);
        keys << UploadServices::key(s);
        const QString warning = UploadServices::clearTextWarning(s, m_settings.url(s));
        if (!warning.isEmpty())
            emit message(tr("warning: %1").arg(warning));
    }
    emit servicesChanged(keys);
    if (!names.isEmpty())
        emit message(tr("uploading every %1 min to %2")
                         .arg(QString::number(config.intervalMinutes),
                              names.join(QStringLiteral(", "))));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HeadlessUploads.h"

#include "cli/TextOut.h"
#include "measure/MeasurementSession.h"
#include "upload/UploadCredentials.h"

HeadlessUploads::HeadlessUploads(QObject *parent) : QObject(parent), m_uploader(new Uploader(this))
{
    connect(m_uploader, &Uploader::message, this, &HeadlessUploads::writeLine);
}

bool HeadlessUploads::start(const Options &options, MeasurementSession *session)
{
    m_err = options.err;
    const UploadCredentials::Loaded loaded = UploadCredentials::load(options.credentialsPath);
    if (!loaded.error.isEmpty()) {
        writeLine(QStringLiteral("error: upload credentials ") + loaded.error);
        return false;
    }
    QStringList problems;
    for (const UploadService s : options.services)
        for (const QString &problem : loaded.credentials.problems(s))
            problems << problem + QStringLiteral(" (") + UploadServices::key(s) + u')';
    if (!problems.isEmpty()) {
        writeLine(QStringLiteral("error: upload credentials ") + options.credentialsPath +
                  QStringLiteral(": ") + problems.join(QStringLiteral(", ")) + u'.');
        return false;
    }
    if (!options.caFile.isEmpty() && !Uploader::caFileProblem(options.caFile).isEmpty()) {
        writeLine(QStringLiteral("error: --upload-ca-file ") + Uploader::caFileProblem(options.caFile));
        return false;
    }
    Uploader::Config config;
    config.services = options.services;
    config.urls = options.urls;
    config.credentials = loaded.credentials;
    config.intervalMinutes = options.intervalMinutes;
    config.factor = options.factor;
    config.caFile = options.caFile;
    m_uploader->setConfig(config);
    connect(session, &MeasurementSession::minuteCounted, m_uploader, &Uploader::addMinute);

    QStringList names;
    for (const UploadService s : options.services) {
        const QUrl url =
            UploadServices::endpoint(s, options.urls.value(s, UploadServices::defaultUrl(s)));
        names << UploadServices::title(s) + QStringLiteral(" (") +
                     url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo) + u')';
        const QString warning = UploadServices::clearTextWarning(s, url);
        if (!warning.isEmpty())
            writeLine(QStringLiteral("warning: ") + warning);
    }
    writeLine(QStringLiteral("uploading every ") + QString::number(config.intervalMinutes) +
              QStringLiteral(" min to ") + names.join(QStringLiteral(", ")));
    return true;
}

void HeadlessUploads::writeLine(const QString &line) const
{
    TextOut::writeLine(m_err, line);
}

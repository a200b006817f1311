// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "upload/UploadService.h"
#include "upload/Uploader.h"

#include <QMap>
#include <QObject>
#include <QUrl>

#include <cstdio>
#include <optional>

class MeasurementSession;

// The map uploads of the measurement without a window, as the command line
// asks (--upload, --upload-credentials, --upload-url, --upload-interval,
// --upload-ca-file): every minute tally of the session goes to the
// uploader, and its messages become lines on `err`, already free of
// secrets.  A map reached by plain http over the network gets a warning.
//
// Main thread only.
class HeadlessUploads : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QList<UploadService> services;
        QString credentialsPath;
        QMap<UploadService, QUrl> urls;
        int intervalMinutes = Uploader::DefaultIntervalMinutes;
        std::optional<double> factor;
        QString caFile;
        std::FILE *err = stderr;
    };

    explicit HeadlessUploads(QObject *parent = nullptr);

    // Reads the credentials and listens to `session`.  False, with the
    // reason on `err` and nothing started, when the credentials file cannot
    // be read, others may read it, or it lacks a key a service needs, or
    // when the CA file holds no certificate.
    bool start(const Options &options, MeasurementSession *session);

    Uploader *uploader() const { return m_uploader; }

private:
    void writeLine(const QString &line) const;

    std::FILE *m_err = stderr;
    Uploader *m_uploader;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MinuteCount.h"
#include "upload/UploadAnswer.h"
#include "upload/UploadCredentials.h"
#include "upload/UploadService.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QSslConfiguration>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
struct UploadReading;

// Sends the measurement to the maps that are switched on: every interval of
// whole minutes, the mean cpm of its tallies (fed in by addMinute(), the
// session's minuteCounted).  Nothing is sent while no service is on.
//
// Only whole intervals go to a map.  An interval cut short (the measurement
// stopped or started, the port lost or back, a gap in the tallies, a clock
// set back) is not sent later: a tally that covers part of a minute
// (MinuteCount::whole false) or does not follow on the one before drops the
// minutes collected so far and opens a new interval without counting in it.
// A failed upload is tried again with the next interval's reading, never
// sooner.  At most one request per service is under way; a service still
// waiting for its answer skips the interval.
//
// An answer is read without trust: a request ends with a failure once its
// body passes MaxAnswerBytes or once timeoutMs passed since it was sent,
// whatever still trickles in; a redirect is followed only to the same
// scheme, host and port, and a 3xx answer is never an acceptance.
//
// Failures and the first success after them are told once per change of
// state through message(), with the service's answer, every secret of the
// credentials replaced by "***".
//
// Lives on one thread (the GUI thread, or the headless main thread); all
// network work is asynchronous, so no call blocks.  Counting, tallies and
// files are never touched: the uploader only listens.
class Uploader : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultIntervalMinutes = 5;
    // The tallies are whole minutes, and no service asks for less.
    static constexpr int MinIntervalMinutes = 1;
    static constexpr int MaxIntervalMinutes = 24 * 60;
    // The deadline of each request as a whole, shorter than any interval.
    static constexpr int DefaultTimeoutMs = 30000;
    static constexpr qint64 MaxAnswerBytes = qint64(64) * 1024;

    struct Config {
        QList<UploadService> services; // switched on
        QMap<UploadService, QUrl> urls; // missing: the service's own address
        UploadCredentials credentials;  // complete for every service switched on
        int intervalMinutes = DefaultIntervalMinutes;
        // Counts per minute per uSv/h; unset: no dose is sent.
        std::optional<double> factor;
        int timeoutMs = DefaultTimeoutMs;
        // A PEM file of CAs trusted besides the system's (a self-hosted map,
        // a mirror); empty: the system's alone.
        QString caFile;
    };

    // The text to show when `path` holds no PEM certificate; empty when it does.
    static QString caFileProblem(const QString &path);

    explicit Uploader(QObject *parent = nullptr);
    ~Uploader() override;

    // Starts a new interval; answers of requests under way still count.
    void setConfig(const Config &config);
    const Config &config() const { return m_config; }
    void setFactor(std::optional<double> factor) { m_config.factor = factor; }

    // One minute tally of the measurement.
    void addMinute(const MinuteCount &minute);

    // `text` with every secret of the credentials (as typed and as
    // percent-encoded in a URL) replaced by "***".
    QString redacted(const QString &text) const;

signals:
    // One line for the pane or standard error, free of secrets.
    void message(const QString &line);
    // An answer (or its absence) was judged; for the curious and for tests.
    void answered(UploadService service, UploadAnswer::Kind kind);

private:
    void send(const UploadReading &reading);
    void onFinished(UploadService service, QNetworkReply *reply, const UploadReading &reading);
    void report(UploadService service, const UploadAnswer &answer, const UploadReading &reading);
    void watch(QNetworkReply *reply, const QUrl &url);
    void dropInterval();

    Config m_config;
    QSslConfiguration m_tls;
    QNetworkAccessManager *m_network;
    // The interval being collected.
    QDateTime m_windowEnd;
    qint64 m_pulses = 0;
    int m_minutes = 0;
    QHash<int, QNetworkReply *> m_underWay;
    QHash<int, QString> m_state; // the last state told per service
};

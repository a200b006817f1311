// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/Uploader.h"

#include "upload/UploadReading.h"
#include "upload/UploadRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>

namespace
{

int index(UploadService s)
{
    return static_cast<int>(s);
}

QString formatCpm(double cpm)
{
    return QString::number(cpm, 'f', 2) + QStringLiteral(" cpm");
}

} // namespace

Uploader::Uploader(QObject *parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    // Answers are judged by their own status; a map never needs a cookie.
    m_network->setCookieJar(nullptr);
}

Uploader::~Uploader()
{
    for (QNetworkReply *reply : std::as_const(m_underWay)) {
        reply->disconnect(this);
        reply->abort();
    }
}

void Uploader::setConfig(const Config &config)
{
    m_config = config;
    m_config.intervalMinutes =
        std::clamp(config.intervalMinutes, MinIntervalMinutes, MaxIntervalMinutes);
    m_pulses = 0;
    m_minutes = 0;
}

void Uploader::addMinute(const MinuteCount &minute)
{
    if (minute.minutes < 1 || !minute.end.isValid())
        return;
    // Only tallies that follow on one another make an interval.  One that
    // does not (the first after a start, after a gap or a clock set back)
    // drops the minutes collected so far and is not counted itself: it
    // holds the pulses since the measurement began, part of a minute.
    const QDateTime begin = minute.end.addSecs(-60LL * minute.minutes);
    const bool followsOn = m_windowEnd.isValid() && begin == m_windowEnd;
    m_windowEnd = minute.end;
    if (!followsOn || m_config.services.isEmpty()) {
        m_pulses = 0;
        m_minutes = 0;
        return;
    }
    m_pulses += minute.count;
    m_minutes += minute.minutes;
    if (m_minutes < m_config.intervalMinutes)
        return;
    UploadReading reading;
    reading.end = minute.end;
    reading.meanCpm = double(m_pulses) / m_minutes;
    reading.latestCpm = double(minute.count) / minute.minutes;
    reading.minutes = m_minutes;
    reading.factor = m_config.factor;
    m_pulses = 0;
    m_minutes = 0;
    send(reading);
}

void Uploader::send(const UploadReading &reading)
{
    for (const UploadService service : std::as_const(m_config.services)) {
        if (m_underWay.contains(index(service)))
            continue;
        const QUrl url = UploadServices::endpoint(
            service, m_config.urls.value(service, UploadServices::defaultUrl(service)));
        UploadRequest r = UploadRequest::build(service, url, m_config.credentials, reading);
        r.request.setTransferTimeout(m_config.timeoutMs);
        QNetworkReply *reply = m_network->sendCustomRequest(r.request, r.verb, r.body);
        m_underWay.insert(index(service), reply);
        connect(reply, &QNetworkReply::finished, this,
                [this, service, reply, reading] { onFinished(service, reply, reading); });
    }
}

void Uploader::onFinished(UploadService service, QNetworkReply *reply, const UploadReading &reading)
{
    m_underWay.remove(index(service));
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    UploadAnswer answer;
    if (status.isValid() && status.toInt() > 0)
        answer = UploadAnswer::judge(
            service, status.toInt(),
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray(),
            reply->read(qint64(64) * 1024));
    else if (reply->error() == QNetworkReply::OperationCanceledError)
        answer = UploadAnswer::failed(
            tr("no answer within %1 s").arg(QString::number(m_config.timeoutMs / 1000.0)));
    else
        answer = UploadAnswer::failed(reply->errorString());
    report(service, answer, reading);
    emit answered(service, answer.kind);
}

void Uploader::report(UploadService service, const UploadAnswer &answer,
                      const UploadReading &reading)
{
    using Kind = UploadAnswer::Kind;
    // A state is told once: the same failure at every interval is one line.
    QString state = QString::number(int(answer.kind));
    if (answer.kind == Kind::HttpError || answer.kind == Kind::NoAnswer)
        state += u':' + answer.text.section(u':', 0, 0);
    if (m_state.value(index(service)) == state)
        return;
    m_state.insert(index(service), state);

    const QString name = UploadServices::title(service);
    const QString every = QString::number(m_config.intervalMinutes);
    QString line;
    switch (answer.kind) {
    case Kind::Accepted:
        line = tr("%1: upload accepted, %2 over %3 min")
                   .arg(name, formatCpm(reading.meanCpm), QString::number(reading.minutes));
        break;
    case Kind::Refused:
        line =
            tr("%1: upload refused: %2 (tried again every %3 min)").arg(name, answer.text, every);
        break;
    case Kind::HttpError:
        line = tr("%1: upload failed: %2 (tried again every %3 min)").arg(name, answer.text, every);
        break;
    case Kind::NoAnswer:
        line = tr("%1: no answer: %2 (tried again every %3 min)").arg(name, answer.text, every);
        break;
    }
    emit message(redacted(line));
}

QString Uploader::redacted(const QString &text) const
{
    QString out = text;
    for (const QString &secret : m_config.credentials.secrets()) {
        for (const QString &form :
             {secret, QString::fromLatin1(QUrl::toPercentEncoding(secret)),
              QString::fromLatin1(QUrl::toPercentEncoding(secret, "!$&'()*+,;=:@/?"))})
            out.replace(form, QStringLiteral("***"));
    }
    // A URL in a network message may show a secret in yet another encoding.
    static const QRegularExpression inQuery(QStringLiteral("\\b(password|api_key|AID)=[^&\\s]*"));
    out.replace(inQuery, QStringLiteral("\\1=***"));
    return out;
}

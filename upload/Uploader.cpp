// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/Uploader.h"

#include "upload/UploadReading.h"
#include "upload/UploadRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QTimer>

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

// Why the uploader ended a request itself, kept on the reply for its end.
const char *const EndedBecause = "torvaleEndedBecause";

void endReply(QNetworkReply *reply, const QString &reason)
{
    if (reply->isFinished())
        return;
    reply->setProperty(EndedBecause, reason);
    reply->abort();
}

int portOf(const QUrl &url)
{
    return url.port(url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0 ? 443
                                                                                             : 80);
}

bool sameOrigin(const QUrl &a, const QUrl &b)
{
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && portOf(a) == portOf(b);
}

} // namespace

Uploader::Uploader(QObject *parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    // Answers are judged by their own status; a map never needs a cookie.
    m_network->setCookieJar(nullptr);
}

QString Uploader::caFileProblem(const QString &path)
{
    if (QSslCertificate::fromPath(path, QSsl::Pem).isEmpty())
        return tr("%1: no PEM certificate can be read from this file.").arg(path);
    return {};
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
    m_tls = QSslConfiguration::defaultConfiguration();
    if (!config.caFile.isEmpty()) {
        const QString problem = caFileProblem(config.caFile);
        if (problem.isEmpty())
            m_tls.addCaCertificates(config.caFile, QSsl::Pem);
        else
            emit message(tr("uploads: CA file %1").arg(problem));
    }
    // A connection kept from before would still judge by the old CAs.
    m_network->clearConnectionCache();
    m_pulses = 0;
    m_minutes = 0;
}

void Uploader::dropInterval()
{
    m_pulses = 0;
    m_minutes = 0;
}

void Uploader::addMinute(const MinuteCount &minute)
{
    if (minute.minutes < 1 || !minute.end.isValid())
        return;
    // Only whole minutes that follow on one another make an interval.  A
    // part of a minute (a start, a lost or returned port), or a tally after
    // a gap or a clock set back, drops the minutes collected so far and is
    // not counted itself.
    const QDateTime begin = minute.end.addSecs(-60LL * minute.minutes);
    const bool followsOn = m_windowEnd.isValid() && begin == m_windowEnd && minute.whole;
    m_windowEnd = minute.end;
    if (!followsOn || m_config.services.isEmpty()) {
        dropInterval();
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
    dropInterval();
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
        r.request.setSslConfiguration(m_tls);
        r.request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                               QNetworkRequest::UserVerifiedRedirectPolicy);
        QNetworkReply *reply = m_network->sendCustomRequest(r.request, r.verb, r.body);
        m_underWay.insert(index(service), reply);
        watch(reply, url);
        connect(reply, &QNetworkReply::finished, this,
                [this, service, reply, reading] { onFinished(service, reply, reading); });
    }
}

void Uploader::watch(QNetworkReply *reply, const QUrl &url)
{
    // Never more than this is buffered, whatever the server keeps sending.
    reply->setReadBufferSize(MaxAnswerBytes + 1);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > MaxAnswerBytes)
            endReply(reply, tr("an answer longer than %1 KiB, cut off").arg(MaxAnswerBytes / 1024));
    });
    connect(reply, &QNetworkReply::redirected, reply, [reply, url](const QUrl &to) {
        const QUrl target = url.resolved(to);
        if (sameOrigin(url, target))
            emit reply->redirectAllowed();
        else
            endReply(reply, tr("redirected to %1, another address: not followed")
                                .arg(target.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo)));
    });
    // One deadline for the whole request: a trickle of bytes keeps an
    // inactivity time-out from ever firing.
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply, ms = m_config.timeoutMs] {
        endReply(reply, tr("no answer within %1 s").arg(ms / 1000.0));
    });
    deadline->start(m_config.timeoutMs);
}

void Uploader::onFinished(UploadService service, QNetworkReply *reply, const UploadReading &reading)
{
    m_underWay.remove(index(service));
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString endedBecause = reply->property(EndedBecause).toString();
    UploadAnswer answer;
    if (!endedBecause.isEmpty())
        answer = UploadAnswer::failed(endedBecause);
    else if (status.isValid() && status.toInt() > 0)
        answer = UploadAnswer::judge(
            service, status.toInt(),
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray(),
            reply->read(MaxAnswerBytes));
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/UploadRequest.h"

#include "upload/UploadCredentials.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <cmath>

namespace
{

QString decimal(double v, int places)
{
    return QString::number(v, 'f', places);
}

QUrl withQuery(QUrl url, const QList<std::pair<QString, QString>> &items)
{
    QUrlQuery query(url);
    for (const auto &[key, value] : items)
        query.addQueryItem(key, QString::fromLatin1(QUrl::toPercentEncoding(value)));
    url.setQuery(query);
    return url;
}

UploadRequest radmon(const QUrl &url, const UploadCredentials &c, const UploadReading &r)
{
    UploadRequest out;
    out.verb = "GET";
    out.request.setUrl(withQuery(url, {{QStringLiteral("function"), QStringLiteral("submit")},
                                       {QStringLiteral("user"), c.value(QStringLiteral("radmon_user"))},
                                       {QStringLiteral("password"),
                                        c.value(QStringLiteral("radmon_password"))},
                                       {QStringLiteral("value"), decimal(r.meanCpm, 2)},
                                       {QStringLiteral("unit"), QStringLiteral("CPM")}}));
    return out;
}

UploadRequest gmcmap(const QUrl &url, const UploadCredentials &c, const UploadReading &r)
{
    QList<std::pair<QString, QString>> items{
        {QStringLiteral("AID"), c.value(QStringLiteral("gmcmap_account"))},
        {QStringLiteral("GID"), c.value(QStringLiteral("gmcmap_counter"))},
        {QStringLiteral("CPM"), decimal(r.latestCpm, 0)},
        {QStringLiteral("ACPM"), decimal(r.meanCpm, 2)}};
    if (r.factor && *r.factor > 0)
        items.append({QStringLiteral("uSV"), decimal(r.meanCpm / *r.factor, 4)});
    UploadRequest out;
    out.verb = "GET";
    out.request.setUrl(withQuery(url, items));
    return out;
}

UploadRequest safecast(const QUrl &url, const UploadCredentials &c, const UploadReading &r)
{
    QJsonObject m;
    m[QStringLiteral("value")] = std::round(r.meanCpm * 100) / 100;
    m[QStringLiteral("unit")] = QStringLiteral("cpm");
    m[QStringLiteral("latitude")] = c.value(QStringLiteral("latitude")).toDouble();
    m[QStringLiteral("longitude")] = c.value(QStringLiteral("longitude")).toDouble();
    const QString device = c.value(QStringLiteral("safecast_device"));
    bool numeric = false;
    const qint64 deviceId = device.toLongLong(&numeric);
    m[QStringLiteral("device_id")] = numeric ? QJsonValue(deviceId) : QJsonValue(device);
    m[QStringLiteral("captured_at")] =
        r.end.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    UploadRequest out;
    out.verb = "POST";
    out.request.setUrl(
        withQuery(url, {{QStringLiteral("api_key"), c.value(QStringLiteral("safecast_api_key"))}}));
    out.request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    out.body = QJsonDocument(m).toJson(QJsonDocument::Compact);
    return out;
}

} // namespace

UploadRequest UploadRequest::build(UploadService service, const QUrl &url,
                                   const UploadCredentials &credentials,
                                   const UploadReading &reading)
{
    UploadRequest out;
    switch (service) {
    case UploadService::Radmon:
        out = radmon(url, credentials, reading);
        break;
    case UploadService::Gmcmap:
        out = gmcmap(url, credentials, reading);
        break;
    case UploadService::Safecast:
        out = safecast(url, credentials, reading);
        break;
    }
    out.request.setRawHeader("Accept", service == UploadService::Safecast ? "application/json"
                                                                           : "text/html, text/plain");
    return out;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/UploadService.h"

#include <QCoreApplication>
#include <QHostAddress>

namespace UploadServices
{

const QList<UploadService> &all()
{
    static const QList<UploadService> services{UploadService::Radmon, UploadService::Gmcmap,
                                               UploadService::Safecast};
    return services;
}

QString key(UploadService s)
{
    switch (s) {
    case UploadService::Radmon:
        return QStringLiteral("radmon");
    case UploadService::Gmcmap:
        return QStringLiteral("gmcmap");
    case UploadService::Safecast:
        break;
    }
    return QStringLiteral("safecast");
}

QString title(UploadService s)
{
    switch (s) {
    case UploadService::Radmon:
        return QStringLiteral("radmon.org");
    case UploadService::Gmcmap:
        return QStringLiteral("GMCmap");
    case UploadService::Safecast:
        break;
    }
    return QStringLiteral("Safecast");
}

std::optional<UploadService> fromKey(const QString &key)
{
    for (const UploadService s : all())
        if (UploadServices::key(s).compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return s;
    return std::nullopt;
}

QUrl defaultUrl(UploadService s)
{
    switch (s) {
    case UploadService::Radmon:
        return QUrl(QStringLiteral("https://radmon.org/radmon.php"));
    case UploadService::Gmcmap:
        return QUrl(QStringLiteral("https://www.gmcmap.com/log2.asp"));
    case UploadService::Safecast:
        break;
    }
    return QUrl(QStringLiteral("https://api.safecast.org/measurements.json"));
}

QUrl endpoint(UploadService s, const QUrl &url)
{
    QUrl out = url;
    if (out.path().isEmpty() || out.path() == QStringLiteral("/"))
        out.setPath(defaultUrl(s).path());
    return out;
}

bool isUsableUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"));
}

bool sendsInClear(const QUrl &url)
{
    if (url.scheme().compare(QStringLiteral("http"), Qt::CaseInsensitive) != 0)
        return false;
    const QString host = url.host();
    return host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) != 0 &&
           !QHostAddress(host).isLoopback();
}

QString clearTextWarning(UploadService s, const QUrl &url)
{
    if (!sendsInClear(url))
        return {};
    return QCoreApplication::translate("UploadServices",
                                       "%1: %2 is plain http to another machine: the password or "
                                       "key travels in clear; use https.")
        .arg(title(s), url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo));
}

QStringList neededKeys(UploadService s)
{
    switch (s) {
    case UploadService::Radmon:
        return {QStringLiteral("radmon_user"), QStringLiteral("radmon_password")};
    case UploadService::Gmcmap:
        return {QStringLiteral("gmcmap_account"), QStringLiteral("gmcmap_counter")};
    case UploadService::Safecast:
        break;
    }
    return {QStringLiteral("safecast_api_key"), QStringLiteral("safecast_device"),
            QStringLiteral("latitude"), QStringLiteral("longitude")};
}

} // namespace UploadServices

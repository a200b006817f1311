// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/UploadSettings.h"

#include "logfile/IniFile.h"

#include <QFileInfo>

namespace
{

const QString Section = QStringLiteral("Upload");

QString keyFor(UploadService s, const QString &suffix)
{
    static const QMap<UploadService, QString> names{{UploadService::Radmon, QStringLiteral("Radmon")},
                                                    {UploadService::Gmcmap, QStringLiteral("GMCmap")},
                                                    {UploadService::Safecast,
                                                     QStringLiteral("Safecast")}};
    return names.value(s) + suffix;
}

} // namespace

void UploadSettings::readSettings(const IniFile &ini)
{
    enabled.clear();
    noticeShown.clear();
    urls.clear();
    for (const UploadService s : UploadServices::all()) {
        if (ini.readInteger(Section, keyFor(s, QString()), 0) == 1)
            enabled.insert(s);
        if (ini.readInteger(Section, keyFor(s, QStringLiteral("Notice")), 0) == 1)
            noticeShown.insert(s);
        const QUrl url(ini.readString(Section, keyFor(s, QStringLiteral("URL")), QString()),
                       QUrl::StrictMode);
        if (UploadServices::isUsableUrl(url) && url != UploadServices::defaultUrl(s))
            urls.insert(s, url);
    }
    // A service switched on without its notice seen (a hand-edited file)
    // stays off: nothing is sent before the user was told what.
    enabled.intersect(noticeShown);
    const int interval = ini.readInteger(Section, QStringLiteral("Interval"), intervalMinutes);
    if (interval >= Uploader::MinIntervalMinutes && interval <= Uploader::MaxIntervalMinutes)
        intervalMinutes = interval;
    caFile = ini.readString(Section, QStringLiteral("CAFile"), QString());
}

void UploadSettings::writeSettings(IniFile &ini) const
{
    // A user who never opened the uploads keeps a file without the section.
    if (enabled.isEmpty() && noticeShown.isEmpty() && urls.isEmpty() && caFile.isEmpty() &&
        intervalMinutes == Uploader::DefaultIntervalMinutes)
        return;
    for (const UploadService s : UploadServices::all()) {
        ini.writeInteger(Section, keyFor(s, QString()), enabled.contains(s) ? 1 : 0);
        ini.writeInteger(Section, keyFor(s, QStringLiteral("Notice")),
                         noticeShown.contains(s) ? 1 : 0);
        ini.writeString(Section, keyFor(s, QStringLiteral("URL")), url(s).toString());
    }
    ini.writeInteger(Section, QStringLiteral("Interval"), intervalMinutes);
    if (!caFile.isEmpty())
        ini.writeString(Section, QStringLiteral("CAFile"), caFile);
}

QUrl UploadSettings::url(UploadService service) const
{
    return urls.value(service, UploadServices::defaultUrl(service));
}

Uploader::Config UploadSettings::config(const UploadCredentials &credentials,
                                        std::optional<double> factor) const
{
    Uploader::Config out;
    for (const UploadService s : UploadServices::all())
        if (enabled.contains(s) && credentials.problems(s).isEmpty())
            out.services.append(s);
    out.urls = urls;
    out.credentials = credentials;
    out.intervalMinutes = intervalMinutes;
    out.factor = factor;
    out.caFile = caFile;
    return out;
}

QString UploadSettings::credentialsPath(const QString &settingsPath)
{
    const QFileInfo info(settingsPath);
    return info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral("-upload.secret");
}

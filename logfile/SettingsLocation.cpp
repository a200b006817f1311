// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

#ifndef TORVALE_INSTALL_MARKER
#define TORVALE_INSTALL_MARKER "../share/torvale/installed"
#endif

QString SettingsLocation::besideExecutable(const QString &executablePath)
{
    const qsizetype slash = executablePath.lastIndexOf(u'/');
    const qsizetype dot = executablePath.lastIndexOf(u'.');
    const QString stem = dot > slash + 1 ? executablePath.left(dot) : executablePath;
    return stem + QStringLiteral(".ini");
}

QString SettingsLocation::installMarker(const QString &executablePath)
{
    const QString folder = QFileInfo(executablePath).absolutePath();
    return QDir::cleanPath(folder + u'/' + QStringLiteral(TORVALE_INSTALL_MARKER));
}

QString SettingsLocation::path(const QString &executablePath, const QString &configFolder)
{
    QString inConfig = configFolder + QStringLiteral("/torvale/torvale.ini");
    if (QFileInfo::exists(installMarker(executablePath)))
        return inConfig;
    QString beside = besideExecutable(executablePath);
    const QFileInfo file(beside);
    if (file.exists() || QFileInfo(file.path()).isWritable())
        return beside;
    return inConfig;
}

QString SettingsLocation::path(const QString &executablePath)
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return path(executablePath, config);
}

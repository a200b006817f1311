// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/RecoveryCopy.h"

#include "core/DayTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString RecoveryCopy::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/torvale");
}

RecoveryCopy::RecoveryCopy(const QString &folder) : m_folder(folder) {}

QString RecoveryCopy::path() const
{
    return m_folder + QStringLiteral("/recovery.CSV");
}

QString RecoveryCopy::write(const DayTable &table)
{
    return write(table.snapshot());
}

QString RecoveryCopy::write(const DaySnapshot &table)
{
    // Measurement data of one user: the folder is theirs alone.
    if (!QFileInfo(m_folder).isDir() && QDir().mkpath(m_folder))
        QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner);
    return LogFile::save(path(), table, LogTitle::AutoSave);
}

void RecoveryCopy::settle()
{
    QFile::remove(path());
}

bool RecoveryCopy::holdsUnsaved() const
{
    return QFileInfo(path()).isFile();
}

QDateTime RecoveryCopy::writtenAt() const
{
    const QFileInfo info(path());
    return info.isFile() ? info.lastModified() : QDateTime();
}

LogFile::LoadResult RecoveryCopy::load(DayTable &table, const QDate &today) const
{
    return LogFile::load(path(), table, today);
}

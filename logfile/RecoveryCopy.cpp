// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/RecoveryCopy.h"

#include "core/DayTable.h"
#include "logfile/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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
    // Measurement data of one user: the folder is theirs alone from the
    // moment it exists.  A folder that cannot be made shows in the save's failure.
    if (!QFileInfo(m_folder).isDir() && QDir().mkpath(QFileInfo(m_folder).absolutePath()))
        ::mkdir(QFile::encodeName(m_folder).constData(), 0700);
    return LogFile::save(path(), table, LogTitle::AutoSave);
}

QString RecoveryCopy::settle()
{
    if (::unlink(QFile::encodeName(path()).constData()) == 0 || errno == ENOENT)
        return {};
    return FileError::text(errno);
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

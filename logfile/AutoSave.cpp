// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/AutoSave.h"

#include "core/DayTable.h"
#include "logfile/LogFile.h"

#include <QDir>

namespace
{

QString dayName(const QDate &d)
{
    return QStringLiteral("%1年%2月%3日")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month())
        .arg(d.day());
}

} // namespace

QString AutoSave::dayFolder(const QString &dataFolder, const QDateTime &t)
{
    return dataFolder + u'/' + dayName(t.date());
}

QString AutoSave::filePath(const QString &dataFolder, const QDateTime &t)
{
    return dayFolder(dataFolder, t) + QStringLiteral("/TORVALE ") + dayName(t.date()) +
           QStringLiteral("%1時%2分.CSV").arg(t.time().hour()).arg(t.time().minute());
}

QString AutoSave::save(const QString &dataFolder, const QDateTime &t, const DayTable &table,
                       QString *writtenPath)
{
    return save(dataFolder, t, table.snapshot(), writtenPath);
}

QString AutoSave::save(const QString &dataFolder, const QDateTime &t, const DaySnapshot &table,
                       QString *writtenPath)
{
    QDir().mkpath(dayFolder(dataFolder, t));
    const QString path = filePath(dataFolder, t);
    if (writtenPath)
        *writtenPath = path;
    return LogFile::save(path, table, LogTitle::AutoSave);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/DataFolder.h"

#include <QDir>
#include <QFileInfo>

bool DataFolder::exists(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

DataFolder::Status DataFolder::prepare(const QString &folder)
{
    // mkpath also reports success for a name some file already has.
    if (folder.isEmpty() || !QDir().mkpath(folder) || !exists(folder))
        return Status::CannotMake;
    return QFileInfo(folder).isWritable() ? Status::Ready : Status::NotWritable;
}

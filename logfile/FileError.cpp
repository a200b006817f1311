// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/FileError.h"

#include "core/MessageLanguage.h"

#include <cerrno>

QString FileError::text(int errnoValue)
{
    if (MessageLanguage::english())
        return english(errnoValue);
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("ファイルへのアクセスが拒否されました");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクがいっぱいです");
    default:
        return QStringLiteral("I/O エラー (%1)").arg(errnoValue);
    }
}

QString FileError::english(int errnoValue)
{
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("access to the file was denied");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("the disk is full");
    default:
        return QStringLiteral("I/O error (%1)").arg(errnoValue);
    }
}

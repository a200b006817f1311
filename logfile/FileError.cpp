// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/FileError.h"

#include <cerrno>

QString FileError::text(int errnoValue)
{
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/FileError.h"

#include "core/MessageLanguage.h"

#include <cerrno>

QString FileError::text(int errnoValue)
{
    const bool english = MessageLanguage::english();
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return english ? QStringLiteral("access to the file was denied")
                       : QStringLiteral("ファイルへのアクセスが拒否されました");
    case ENOSPC:
    case EDQUOT:
        return english ? QStringLiteral("the disk is full") : QStringLiteral("ディスクがいっぱいです");
    default:
        return (english ? QStringLiteral("I/O error (%1)") : QStringLiteral("I/O エラー (%1)"))
            .arg(errnoValue);
    }
}

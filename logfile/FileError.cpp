// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/FileError.h"

#include <cerrno>

QString FileError::text(int errnoValue)
{
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return tr("access to the file was denied");
    case ENOSPC:
    case EDQUOT:
        return tr("the disk is full");
    default:
        return tr("I/O error (%1)").arg(errnoValue);
    }
}

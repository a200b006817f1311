// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

// The texts with which file failures are reported to the user, through the
// installed translation (the Japanese is the wording Japanese Windows users
// know from the runtime's file errors):
//   EACCES, EPERM, EROFS  -> "access to the file was denied"
//   ENOSPC, EDQUOT        -> "the disk is full"
//   any other errno n     -> "I/O error (n)"
// The window adds the full stop of its error report itself.
class FileError
{
    Q_DECLARE_TR_FUNCTIONS(FileError)

public:
    static QString text(int errnoValue);
};
